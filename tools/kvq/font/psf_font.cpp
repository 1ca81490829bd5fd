// SPDX-License-Identifier: MIT
#include "kvq/font/psf_font.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "content/regular_file.h"
#include "kvq/common/tool_error.h"

namespace {

constexpr std::uint8_t kPsf1Magic[2] = {0x36, 0x04};
constexpr std::uint8_t kPsf2Magic[4] = {0x72, 0xb5, 0x4a, 0x86};
constexpr std::size_t kPsf1HeaderBytes = 4;
constexpr std::size_t kPsf2HeaderBytes = 32;
constexpr std::uint8_t kPsf1Mode512 = 0x01;
constexpr std::uint32_t kGlyphWidth = 8;
constexpr std::uint32_t kGlyphHeight = 16;
constexpr std::size_t kGlyphBytes = 16;  // 16 rows of one byte
constexpr std::uint64_t kMostBytesAfterGlyphs = 16 << 20;

// zlib reads plain files as they are, so one reader serves both kinds of font file.
class GzInput {
public:
    explicit GzInput(const std::string& path) : path_(path)
    {
        // Opened as every input is, so a FIFO or a device is refused rather than waited on.
        FileProblem problem;
        const RegularFile opened = openRegularFile(path.c_str(), problem);
        if (problem.kind == FileProblem::Kind::not_regular) {
            throw ToolError(path + (std::filesystem::is_directory(path) ? ": is a folder, not a font file"
                                                                        : ": not a regular file"));
        }
        if (!opened.file) throw ToolError(systemErrorMessage(path, "cannot open", problem.error_number));
        // zlib closes the descriptor it is given, and the opened file closes its own.
        const int fd = ::fcntl(fileno(opened.file.get()), F_DUPFD_CLOEXEC, 0);
        if (fd < 0) throw ToolError(systemErrorMessage(path, "cannot open", errno));
        file_ = gzdopen(fd, "rb");
        if (!file_) {
            ::close(fd);
            throw ToolError(path + ": cannot read: out of memory");
        }
    }
    ~GzInput() { gzclose(file_); }
    GzInput(const GzInput&) = delete;
    GzInput& operator=(const GzInput&) = delete;

    // Fewer than `count` bytes only at the end of the data.
    std::size_t read(std::uint8_t* into, std::size_t count)
    {
        std::size_t total = 0;
        while (total < count) {
            const auto chunk = static_cast<unsigned>(std::min<std::size_t>(count - total, INT_MAX));
            const int got = gzread(file_, into + total, chunk);
            if (got < 0) fail();
            if (got == 0) {
                // zlib reports a gzip stream cut short as a plain end of data plus an error code.
                int code = Z_OK;
                gzerror(file_, &code);
                if (code != Z_OK) fail();
                break;
            }
            total += static_cast<std::size_t>(got);
        }
        return total;
    }

    // Reads and drops up to `count` bytes without holding them; returns how many there were.
    std::uint64_t skip(std::uint64_t count)
    {
        std::array<std::uint8_t, 65536> scratch;
        std::uint64_t total = 0;
        while (total < count) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count - total, scratch.size()));
            const std::size_t got = read(scratch.data(), want);
            total += got;
            if (got < want) break;
        }
        return total;
    }

private:
    [[noreturn]] void fail()
    {
        int code = Z_OK;
        const char* message = gzerror(file_, &code);
        if (code == Z_ERRNO) throw ToolError(systemErrorMessage(path_, "cannot read", errno));
        if (code == Z_BUF_ERROR) throw ToolError(path_ + ": truncated: the compressed data ends early");
        // zlib names the file by its descriptor, "<fd:3>: ", which tells the user nothing.
        std::string_view said = message ? message : "unknown zlib error";
        if (said.starts_with("<fd:") && said.find(": ") != std::string_view::npos)
            said.remove_prefix(said.find(": ") + 2);
        throw ToolError(path_ + ": corrupt compressed data: " + std::string(said));
    }

    std::string path_;
    gzFile file_ = nullptr;
};

std::uint32_t littleEndian32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

struct PsfLayout {
    std::uint64_t header_bytes = 0;  // where the glyphs start
    std::uint64_t glyph_count = 0;
};

std::string sizeText(std::uint32_t width, std::uint32_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

void requireGlyphSize(const std::string& path, std::uint32_t width, std::uint32_t height)
{
    if (width != kGlyphWidth || height != kGlyphHeight) {
        throw ToolError(path + ": glyphs are " + sizeText(width, height) + "; only 8x16 fonts can be converted");
    }
}

// Reads the header, leaving the input just past the bytes consumed; `consumed` says how many.
PsfLayout readHeader(GzInput& input, const std::string& path, std::uint64_t& consumed)
{
    std::array<std::uint8_t, kPsf2HeaderBytes> header{};
    const std::size_t got = input.read(header.data(), kPsf1HeaderBytes);
    consumed = got;
    if (got == 0) throw ToolError(path + ": empty file, not a PSF font");

    const bool psf1 = got >= 2 && std::memcmp(header.data(), kPsf1Magic, 2) == 0;
    const bool psf2 = std::memcmp(header.data(), kPsf2Magic, got) == 0;
    if (!psf1 && !psf2) throw ToolError(path + ": not a PSF font (neither the PSF1 nor the PSF2 magic number)");
    if (got < kPsf1HeaderBytes) throw ToolError(path + ": truncated: the file ends inside the PSF header");

    if (psf1) {
        requireGlyphSize(path, kGlyphWidth, header[3]);
        return {kPsf1HeaderBytes, (header[2] & kPsf1Mode512) ? 512u : 256u};
    }

    const std::size_t rest = kPsf2HeaderBytes - kPsf1HeaderBytes;
    const std::size_t got_rest = input.read(header.data() + kPsf1HeaderBytes, rest);
    consumed += got_rest;
    if (got_rest < rest) throw ToolError(path + ": truncated: the file ends inside the PSF2 header");

    const std::uint32_t header_size = littleEndian32(&header[8]);
    const std::uint32_t glyph_count = littleEndian32(&header[16]);
    const std::uint32_t glyph_bytes = littleEndian32(&header[20]);
    const std::uint32_t height = littleEndian32(&header[24]);
    const std::uint32_t width = littleEndian32(&header[28]);
    requireGlyphSize(path, width, height);
    if (glyph_bytes != kGlyphBytes) {
        throw ToolError(path + ": inconsistent PSF2 header: " + std::to_string(glyph_bytes) +
                        " bytes per glyph for 8x16 glyphs, which take 16");
    }
    if (header_size < kPsf2HeaderBytes) {
        throw ToolError(path + ": inconsistent PSF2 header: header size " + std::to_string(header_size) +
                        " is smaller than the header itself");
    }
    return {header_size, glyph_count};
}

}  // namespace

bool startsLikePsfFont(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 2 &&
           (std::memcmp(bytes.data(), kPsf1Magic, 2) == 0 || std::memcmp(bytes.data(), kPsf2Magic, 2) == 0);
}

FontFileBytes convertPsfFont(const std::string& path)
{
    GzInput input(path);
    std::uint64_t consumed = 0;
    const PsfLayout layout = readHeader(input, path, consumed);

    if (input.skip(layout.header_bytes - consumed) < layout.header_bytes - consumed) {
        throw ToolError(path + ": truncated: the file ends inside the PSF2 header");
    }

    const auto truncated = [&](std::uint64_t glyphs_present) {
        return ToolError(path + ": truncated: the header promises " + std::to_string(layout.glyph_count) +
                         " glyphs, the file holds " + std::to_string(glyphs_present));
    };

    FontFileBytes font{};
    const std::uint64_t kept = std::min<std::uint64_t>(layout.glyph_count, GlyphTable::kGlyphCount);
    for (std::uint64_t glyph = 0; glyph < kept; ++glyph) {
        if (input.read(font.data() + glyph * GlyphTable::kSlotBytes, kGlyphBytes) < kGlyphBytes) throw truncated(glyph);
    }
    // The glyphs past 256 are never drawn, but a font missing some of them is still broken.
    const std::uint64_t dropped_bytes = (layout.glyph_count - kept) * kGlyphBytes;
    const std::uint64_t skipped = input.skip(dropped_bytes);
    if (skipped < dropped_bytes) throw truncated(kept + skipped / kGlyphBytes);
    // Read to the end, so that gzip's closing check sum and length are seen: without them the
    // file was cut short. A Unicode table is far smaller than this bound.
    if (input.skip(kMostBytesAfterGlyphs + 1) > kMostBytesAfterGlyphs) {
        throw ToolError(path + ": more than 16 MiB after the glyphs; not a console font");
    }
    return font;
}

namespace {

constexpr std::size_t kMostPsfBytes = 32u << 20;  // far beyond any console font, however large its table
constexpr std::uint8_t kPsf1ModeHasTable = 0x02 | 0x04;
constexpr std::uint32_t kPsf2HasTable = 0x01;

std::vector<std::uint8_t> readWhole(const std::string& path)
{
    GzInput input(path);
    std::vector<std::uint8_t> bytes;
    constexpr std::size_t kChunk = 1 << 16;
    for (;;) {
        const std::size_t had = bytes.size();
        if (had > kMostPsfBytes) throw ToolError(path + ": more than 32 MiB; not a console font");
        bytes.resize(had + kChunk);
        const std::size_t got = input.read(bytes.data() + had, kChunk);
        bytes.resize(had + got);
        if (got < kChunk) return bytes;
    }
}

// The next character of a PSF2 table's UTF-8, or U+FFFD for a malformed one; `at` moves past it.
char32_t nextUtf8(const std::vector<std::uint8_t>& bytes, std::size_t& at)
{
    const std::uint8_t lead = bytes[at++];
    if (lead < 0x80) return lead;
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (more < 0) return 0xFFFD;
    char32_t value = lead & (0x3F >> more);
    for (; more > 0; --more) {
        if (at >= bytes.size() || (bytes[at] & 0xC0) != 0x80) return 0xFFFD;
        value = value << 6 | (bytes[at++] & 0x3F);
    }
    return value;
}

void readPsf2Table(const std::vector<std::uint8_t>& bytes, std::size_t at, PsfGlyphs& font)
{
    for (std::uint32_t glyph = 0; glyph < font.count && at < bytes.size(); ++glyph) {
        bool in_sequence = false;
        while (at < bytes.size() && bytes[at] != 0xFF) {
            if (bytes[at] == 0xFE) {
                in_sequence = true;
                ++at;
                continue;
            }
            const char32_t character = nextUtf8(bytes, at);
            if (!in_sequence) font.characters[glyph].push_back(character);
        }
        ++at;
    }
}

void readPsf1Table(const std::vector<std::uint8_t>& bytes, std::size_t at, PsfGlyphs& font)
{
    for (std::uint32_t glyph = 0; glyph < font.count && at + 1 < bytes.size(); ++glyph) {
        bool in_sequence = false;
        for (; at + 1 < bytes.size(); at += 2) {
            const char32_t value = static_cast<char32_t>(bytes[at] | bytes[at + 1] << 8);
            if (value == 0xFFFF) break;
            if (value == 0xFFFE)
                in_sequence = true;
            else if (!in_sequence)
                font.characters[glyph].push_back(value);
        }
        at += 2;
    }
}

}  // namespace

PsfGlyphs readPsfGlyphs(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = readWhole(path);
    if (bytes.empty()) throw ToolError(path + ": empty file, not a PSF font");
    const bool psf1 = bytes.size() >= 2 && std::memcmp(bytes.data(), kPsf1Magic, 2) == 0;
    const bool psf2 = bytes.size() >= 4 && std::memcmp(bytes.data(), kPsf2Magic, 4) == 0;
    if (!psf1 && !psf2) throw ToolError(path + ": not a PSF font (neither the PSF1 nor the PSF2 magic number)");

    PsfGlyphs font;
    std::uint64_t header_size = 0;
    std::uint64_t glyph_bytes = 0;
    bool has_table = false;
    if (psf1) {
        if (bytes.size() < kPsf1HeaderBytes) throw ToolError(path + ": truncated: the file ends inside the PSF header");
        font.width = 8;
        font.height = bytes[3];
        font.row_bytes = 1;
        font.count = (bytes[2] & kPsf1Mode512) ? 512 : 256;
        has_table = (bytes[2] & kPsf1ModeHasTable) != 0;
        header_size = kPsf1HeaderBytes;
        glyph_bytes = font.height;
    } else {
        if (bytes.size() < kPsf2HeaderBytes)
            throw ToolError(path + ": truncated: the file ends inside the PSF2 header");
        header_size = littleEndian32(&bytes[8]);
        has_table = (littleEndian32(&bytes[12]) & kPsf2HasTable) != 0;
        font.count = littleEndian32(&bytes[16]);
        glyph_bytes = littleEndian32(&bytes[20]);
        const std::uint32_t height = littleEndian32(&bytes[24]);
        const std::uint32_t width = littleEndian32(&bytes[28]);
        if (width == 0 || height == 0 || width > 64 || height > 64) {
            throw ToolError(path + ": glyphs of " + sizeText(width, height) + " pixels; not a console font");
        }
        font.width = static_cast<int>(width);
        font.height = static_cast<int>(height);
        font.row_bytes = static_cast<int>((width + 7) / 8);
        if (glyph_bytes != static_cast<std::uint64_t>(font.row_bytes) * height) {
            throw ToolError(path + ": inconsistent PSF2 header: " + std::to_string(glyph_bytes) +
                            " bytes per glyph for " + sizeText(width, height) + " glyphs");
        }
        if (header_size < kPsf2HeaderBytes || header_size > bytes.size()) {
            throw ToolError(path + ": inconsistent PSF2 header: header size " + std::to_string(header_size));
        }
    }
    if (font.height == 0) throw ToolError(path + ": glyphs 0 pixels high; not a console font");
    const std::uint64_t data_bytes = glyph_bytes * font.count;
    if (header_size + data_bytes > bytes.size()) {
        throw ToolError(path + ": truncated: the header promises " + std::to_string(font.count) +
                        " glyphs, the file holds " + std::to_string((bytes.size() - header_size) / glyph_bytes));
    }
    font.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(header_size),
                      bytes.begin() + static_cast<std::ptrdiff_t>(header_size + data_bytes));
    font.characters.resize(font.count);
    const std::size_t table = static_cast<std::size_t>(header_size + data_bytes);
    if (has_table) {
        if (psf1)
            readPsf1Table(bytes, table, font);
        else
            readPsf2Table(bytes, table, font);
    }
    return font;
}
