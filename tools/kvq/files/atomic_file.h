// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// An output that appears whole or not at all. The bytes go to a new file beside `path`, in the
// same folder so that the final rename never crosses file systems; only commit() puts it in
// place, with the mode of the file it replaces. Destroyed without a commit (an error, an
// exception), it removes that file again; such files that runs killed outright left behind in the
// folder are removed by the next one made there. A symbolic link is followed, so its target is replaced
// and the link stays. What cannot be replaced by a rename, "-" (standard output), a device or a
// FIFO, is written to directly: there is nothing to hold back there.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void commit();

    // True when the bytes go straight to the output, which then cannot be sought in.
    bool isDirect() const { return temporary_path_.empty(); }
    const std::string& temporaryPath() const { return temporary_path_; }
    // Where ffmpeg should write instead of this object: the temporary file, or the output itself.
    std::string ffmpegTarget() const;

private:
    void openTemporary(const std::string& folder, const std::string& name);
    void closeFile();

    std::string path_;
    std::string temporary_path_;
    int fd_ = -1;
    bool committed_ = false;
};

// The whole of `bytes` as the file `path`, through an AtomicFile.
void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);
