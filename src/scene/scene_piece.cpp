// SPDX-License-Identifier: MIT
#include "scene/scene_piece.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "scene/binary_readers.h"
#include "scene/scene_error.h"
#include "scene/text_readers.h"

namespace {

constexpr std::size_t kFrameBytes = 2400;  // one of kvq's own 80x30 frames
constexpr std::size_t kArtworxHeader = 1 + 192 + 4096;  // version, palette, font

bool startsWith(std::span<const std::uint8_t> bytes, const char* prefix, std::size_t size)
{
    return bytes.size() >= size && std::memcmp(bytes.data(), prefix, size) == 0;
}

std::string lowerExtension(const std::string& name)
{
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::optional<SceneFormat> bySignature(std::span<const std::uint8_t> art)
{
    if (startsWith(art, "XBIN\x1a", 5)) return SceneFormat::xbin;
    if (startsWith(art, "\x18TUNDRA24", 9)) return SceneFormat::tundra;
    if (startsWith(art, "\x04" "1.4", 4) || startsWith(art, "\x04" "1.0", 4)) return SceneFormat::icedraw;
    // ArtWorx has no signature: its version byte and a size of header and whole cells.
    if (!art.empty() && art[0] == 1 && art.size() >= kArtworxHeader && (art.size() - kArtworxHeader) % 2 == 0)
        return SceneFormat::artworx;
    return std::nullopt;
}

std::optional<SceneFormat> bySauce(const SauceRecord& record)
{
    constexpr std::uint8_t kCharacter = 1, kBinaryText = 5, kXbin = 6;
    if (record.data_type == kBinaryText) return SceneFormat::bin;
    if (record.data_type == kXbin) return SceneFormat::xbin;
    if (record.data_type != kCharacter) return std::nullopt;
    switch (record.file_type) {
    case 0:  // ASCII
    case 1:  // ANSi
    case 2:  // ANSiMation
    case 5:  // Avatar, shown as the text it mostly is
        return SceneFormat::ansi;
    case 4: return SceneFormat::pcboard;
    case 8: return SceneFormat::tundra;
    default: return std::nullopt;
    }
}

std::optional<SceneFormat> byExtension(const std::string& extension)
{
    if (extension == "ans" || extension == "asc" || extension == "diz" || extension == "nfo" || extension == "txt" ||
        extension == "ice")
        return SceneFormat::ansi;
    if (extension == "pcb") return SceneFormat::pcboard;
    if (extension == "bin") return SceneFormat::bin;
    if (extension == "xb") return SceneFormat::xbin;
    if (extension == "adf") return SceneFormat::artworx;
    if (extension == "idf") return SceneFormat::icedraw;
    if (extension == "tnd") return SceneFormat::tundra;
    return std::nullopt;
}

// kvq's own frames: whole 80x30 frames of codes, with no record, no escape and no line feed, which
// any text piece of that size would have.
bool looksLikeFrames(std::span<const std::uint8_t> file)
{
    if (file.empty() || file.size() % kFrameBytes != 0) return false;
    return std::none_of(file.begin(), file.end(), [](std::uint8_t byte) { return byte == 0x1B || byte == 0x0A; });
}

}  // namespace

const char* formatName(SceneFormat format)
{
    switch (format) {
    case SceneFormat::ansi: return "ANSI";
    case SceneFormat::pcboard: return "PCBoard";
    case SceneFormat::bin: return "BIN";
    case SceneFormat::xbin: return "XBIN";
    case SceneFormat::artworx: return "ArtWorx";
    case SceneFormat::icedraw: return "iCE Draw";
    case SceneFormat::tundra: return "TundraDraw";
    }
    return "unknown";
}

std::optional<SceneFormat> recogniseScene(std::span<const std::uint8_t> file, const std::string& name)
{
    const SauceSplit split = splitSauce(file);
    const std::span<const std::uint8_t> art = file.first(split.art_size);
    const std::string extension = lowerExtension(name);
    // An ArtWorx guess from its version byte alone gives way to a record or a name that says
    // otherwise.
    const std::optional<SceneFormat> signature = bySignature(art);
    if (signature && *signature != SceneFormat::artworx) return signature;
    if (split.record) {
        if (const auto format = bySauce(*split.record)) return format;
    }
    if (signature && (extension.empty() || extension == "adf")) return signature;
    const std::optional<SceneFormat> named = byExtension(extension);
    if (!named) return std::nullopt;
    if (*named == SceneFormat::ansi && !split.record && looksLikeFrames(file)) return std::nullopt;
    return named;
}

ScenePiece readScenePiece(std::span<const std::uint8_t> file, const std::string& name, const SceneOptions& options)
{
    if (options.columns && (*options.columns < 1 || *options.columns > AnsiInterpreter::kMaxColumns))
        throw SceneError("the width must be 1 to " + std::to_string(AnsiInterpreter::kMaxColumns) + " columns");
    if (options.letter_spacing && *options.letter_spacing != 8 && *options.letter_spacing != 9)
        throw SceneError("the letter spacing must be 8 or 9");
    const std::optional<SceneFormat> format = recogniseScene(file, name);
    if (!format) throw SceneError("not a scene file (ANSI, PCBoard, BIN, XBIN, ArtWorx, iCE Draw, TundraDraw)");
    const SauceSplit split = splitSauce(file);
    const std::span<const std::uint8_t> art = file.first(split.art_size);
    ScenePiece piece;
    switch (*format) {
    case SceneFormat::ansi: piece = readAnsi(art, split, options); break;
    case SceneFormat::pcboard: piece = readPcboard(art, split, options); break;
    case SceneFormat::bin: piece = readBin(art, split, options); break;
    case SceneFormat::xbin: piece = readXbin(art, split, options); break;
    case SceneFormat::artworx: piece = readArtworx(art, split, options); break;
    case SceneFormat::icedraw: piece = readIceDraw(art, split, options); break;
    case SceneFormat::tundra: piece = readTundra(art, split, options); break;
    }
    piece.format = *format;
    if (!piece.sauce) piece.sauce = split.record;
    if (piece.font_name.empty() && split.record) piece.font_name = split.record->font_name;
    return piece;
}
