// SPDX-License-Identifier: MIT
#include "kvq/info/file_report.h"

#include <array>
#include <cstdio>

#include "content/frame_file_shape.h"
#include "content/glyph_table.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/file_kind.h"
#include "kvq/files/input_file.h"
#include "kvq/font/psf_font.h"

namespace {

constexpr std::uint64_t kFontBytes = GlyphTable::kFileBytesRead;
constexpr std::uint64_t kDrawnSlotBytes = GlyphTable::kFileGlyphs * GlyphTable::kSlotBytes;
constexpr std::size_t kGlyphRows = 16;

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

FileKind guessKind(const std::string& path, std::uint64_t size_bytes)
{
    switch (likelyKind(path, size_bytes)) {
    case LikelyKind::frames:
        return FileKind::Frames;
    case LikelyKind::font:
        return FileKind::Font;
    case LikelyKind::unknown:
        break;
    }
    throw ToolError(path + ": cannot tell a frame file from a font: " + std::to_string(size_bytes) +
                    " bytes is neither 8192 nor a whole number of 2400-byte frames, and the name does not end in"
                    " .kvq; use --as frames or --as font");
}

void describeFrames(const InputFile& input, std::ostream& out)
{
    const FrameFileShape shape = FrameFileShape::of(input.sizeBytes());
    out << input.path() << ": frame file, " << input.sizeBytes() << " bytes\n";
    out << "  frames: " << shape.frames();
    if (shape.trailingBlockIsFrame()) out << " (" << shape.whole_frames << " whole, 1 from the trailing bytes)";
    out << "\n  length: " << secondsText(shape.seconds()) << " at " << kFramesPerSecond << " frames per second\n";
    out << "  trailing bytes: ";
    if (shape.trailing_bytes == 0) {
        out << "none\n";
    } else if (!shape.trailingBlockIsFrame()) {
        out << shape.trailing_bytes << " (fewer than " << FrameFileShape::kUnitBytes << "): ignored\n";
    } else if (shape.whole_frames == 0) {
        out << shape.trailing_bytes << " (not a whole frame): becomes the only frame; with no frame before it,"
            << " cells past them are code 0\n";
    } else {
        out << shape.trailing_bytes << " (not a whole frame): becomes one more frame; cells past them repeat the"
            << " previous frame\n";
    }
    if (shape.frames() == 0) out << "  the player shows nothing from this file\n";
}

void describeFont(InputFile& input, std::ostream& out)
{
    const std::uint64_t size = input.sizeBytes();
    std::array<std::uint8_t, kFontBytes> bytes{};
    input.readAt(0, bytes);  // the zeros past a short file's end are what the player draws too

    out << input.path() << ": font file, " << size << " bytes: ";
    if (size == kFontBytes) {
        out << "the expected size\n";
    } else if (size > kFontBytes) {
        out << "longer than the expected " << kFontBytes << "; the player reads only the first " << kFontBytes
            << ", the other " << size - kFontBytes << " are ignored\n";
    } else {
        out << "shorter than the expected " << kFontBytes << "\n";
        // Rows the file does not reach are drawn as paper, so their inverses come out as ink.
        const std::uint64_t complete = std::min<std::uint64_t>(
            GlyphTable::kFileGlyphs, (size + GlyphTable::kSlotBytes - kGlyphRows) / GlyphTable::kSlotBytes);
        if (complete == GlyphTable::kFileGlyphs) {
            out << "  all 128 drawn glyphs are complete; only the unused slots 128-255 are cut short\n";
        } else {
            if (complete == 0) {
                out << "  no glyph is complete";
            } else {
                out << "  glyphs 0-" << complete - 1 << " are complete";
            }
            out << "; the file ends before the rest, so codes " << complete << "-127 are partly or wholly"
                << " blank paper and codes " << complete + 128 << "-255 partly or wholly solid ink\n";
        }
    }

    int inked = 0;
    int padded = 0;
    for (std::size_t slot = 0; slot < GlyphTable::kFileGlyphs; ++slot) {
        const std::uint8_t* rows = bytes.data() + slot * GlyphTable::kSlotBytes;
        bool ink = false;
        bool padding = false;
        for (std::size_t row = 0; row < static_cast<std::size_t>(GlyphTable::kSlotBytes); ++row) {
            if (rows[row] != 0) (row < kGlyphRows ? ink : padding) = true;
        }
        inked += ink ? 1 : 0;
        padded += padding ? 1 : 0;
    }
    out << "  codes 0-127 are drawn from slots 0-127 (" << inked << " of them with ink); codes 128-255 are"
        << " their inverses, so slots 128-255 (bytes " << kDrawnSlotBytes << "-" << kFontBytes - 1
        << ") are never drawn\n";
    const bool psf = startsLikePsfFont(bytes);
    const bool gzip = bytes[0] == 0x1f && bytes[1] == 0x8b;
    if (size >= 2 && (psf || gzip)) {
        out << "  it starts like a " << (psf ? "PSF console font" : "gzip-compressed file")
            << ", not a font file: 'kvq font' converts a console font into one\n";
    }
    if (padded > 0) {
        out << "  " << padded << " of slots 0-127 have bytes after row 15, which are never drawn:"
            << " glyphs taller than 16 rows, or not an 8x16 font file\n";
    }
}

}  // namespace

void describeFile(const std::string& path, FileKind kind, std::ostream& out)
{
    InputFile input(path);
    if (kind == FileKind::Guess) {
        if (input.sizeBytes() == 0) {
            out << path << ": empty file: as frames the player shows nothing; as a font every code 0-127 is"
                << " blank paper and every code 128-255 solid ink\n";
            return;
        }
        kind = guessKind(path, input.sizeBytes());
    }
    if (kind == FileKind::Frames) {
        describeFrames(input, out);
    } else {
        describeFont(input, out);
    }
}
