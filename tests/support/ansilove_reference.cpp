// SPDX-License-Identifier: MIT
#include "support/ansilove_reference.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace {

constexpr const char* kProgram = "/usr/bin/ansilove";

// A folder of our own for ansilove's output, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ansilove-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
        path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

int runQuietly(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ReferencePicture readPng(const std::string& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw std::runtime_error("ansilove wrote no readable PNG: " + path);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        throw std::runtime_error("ansilove's PNG cannot be read: " + path);
    }
    ReferencePicture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = static_cast<std::uint32_t>(rgb[3 * i]) << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return picture;
}

}  // namespace

bool ansiloveInstalled() { return access(kProgram, X_OK) == 0; }

ReferencePicture ansiloveRender(const std::string& path, const AnsiloveOptions& options)
{
    ScratchDir scratch;
    const std::string out = scratch.file("out.png");
    std::vector<std::string> arguments{kProgram, "-q", "-o", out};
    if (options.columns > 0) arguments.insert(arguments.end(), {"-c", std::to_string(options.columns)});
    if (options.ice) arguments.emplace_back("-i");
    if (options.bits != 8) arguments.insert(arguments.end(), {"-b", std::to_string(options.bits)});
    if (!options.font.empty()) arguments.insert(arguments.end(), {"-f", options.font});
    if (!options.type.empty()) arguments.insert(arguments.end(), {"-t", options.type});
    arguments.push_back(path);
    if (runQuietly(arguments) != 0) throw std::runtime_error("ansilove failed on " + path);
    return readPng(out);
}

CellFont ansiloveFont(int height)
{
    constexpr int kColumns = 16;
    ScratchDir scratch;
    const std::string path = scratch.file("codes.bin");
    {
        std::ofstream out(path, std::ios::binary);
        for (int code = 0; code < 256; ++code) {
            out.put(static_cast<char>(code));
            out.put(static_cast<char>(0x0F));  // white on black
        }
    }
    AnsiloveOptions options;
    options.columns = kColumns;
    options.type = "bin";
    options.font = height == 8 ? "80x50" : "80x25";
    const ReferencePicture picture = ansiloveRender(path, options);
    if (picture.width != kColumns * 8 || picture.height < 256 / kColumns * height)
        throw std::runtime_error("ansilove's font render has an unexpected size");
    CellFont font;
    font.height = height;
    font.rows.assign(static_cast<std::size_t>(256) * height, 0);
    for (int code = 0; code < 256; ++code) {
        for (int y = 0; y < height; ++y) {
            std::uint8_t bits = 0;
            for (int x = 0; x < 8; ++x) {
                const int px = code % kColumns * 8 + x;
                const int py = code / kColumns * height + y;
                if (picture.pixels[static_cast<std::size_t>(py) * picture.width + px] == 0xFFFFFF)
                    bits |= static_cast<std::uint8_t>(0x80 >> x);
            }
            font.rows[static_cast<std::size_t>(code) * height + y] = bits;
        }
    }
    return font;
}
