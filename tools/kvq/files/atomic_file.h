// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// An output that appears whole or not at all. The bytes go to a new file beside `path`, in the
// same folder so that the final rename never crosses file systems; only commit() puts it in
// place. Destroyed without a commit (an error, an exception), it removes that file again.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void commit();

    const std::string& temporaryPath() const { return temporary_path_; }

private:
    void closeFile();

    std::string path_;
    std::string temporary_path_;
    int fd_ = -1;
    bool committed_ = false;
};

// The whole of `bytes` as the file `path`, through an AtomicFile.
void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Ctrl+C, SIGTERM or a hang-up while a command writes removes its temporary files before the
// process ends as the signal asks; without this they would be left beside the outputs.
void removeUnfinishedFilesOnInterrupt();
