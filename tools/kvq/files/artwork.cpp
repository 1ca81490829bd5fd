// SPDX-License-Identifier: MIT
#include "kvq/files/artwork.h"

#include <algorithm>
#include <filesystem>

#include "kvq/common/tool_error.h"
#include "kvq/files/cell_font_file.h"
#include "kvq/files/file_kind.h"
#include "kvq/files/font_file.h"
#include "kvq/files/frame_file.h"
#include "kvq/files/frames_artwork.h"
#include "kvq/files/input_file.h"
#include "kvq/font/cp437_font.h"
#include "kvq/font/default_font.h"
#include "kvq/font/psf_font.h"
#include "render/cell_drawing.h"
#include "render/colours.h"
#include "scene/ansi_typing.h"
#include "scene/scene_error.h"

namespace {

// Scene pieces are read whole; the largest real ones are a few megabytes, so anything far beyond
// is taken for one of our frame files, which are read a block at a time instead.
constexpr std::uint64_t kMostSceneBytes = 64u << 20;

// The player's glyphs from --font, or the console font where none is given. A console font given
// where the player's font file is meant is converted as `kvq font` would.
GlyphTable playerGlyphs(const std::optional<std::string>& font_path)
{
    GlyphTable glyphs;
    if (!font_path) {
        const FontFileBytes font = defaultConsoleFont();
        glyphs.fillFrom(font.data(), font.size());
        return glyphs;
    }
    const std::vector<std::uint8_t> bytes = readFontFileBytes(*font_path);
    const bool gzip = bytes.size() >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b;
    if (gzip || startsLikePsfFont(bytes)) {
        const FontFileBytes font = convertPsfFont(*font_path);
        glyphs.fillFrom(font.data(), font.size());
        return glyphs;
    }
    glyphs.fillFrom(bytes.data(), bytes.size());
    return glyphs;
}

// One of our frame files opened by name: the file and its reader live as long as the art, so they
// are bases constructed before the frames' art that reads through them.
struct OpenedFrameFile {
    explicit OpenedFrameFile(const std::string& path) : file(path), frames(file) {}
    FrameFile file;
    FileFrames frames;
};

class FrameFileArtwork final : private OpenedFrameFile, public FramesArtwork {
public:
    FrameFileArtwork(const std::string& path, const ArtworkOptions& options)
        : OpenedFrameFile(path), FramesArtwork(frames, playerGlyphs(options.font_path))
    {
    }
};

bool anyBlinks(const CellPicture& picture)
{
    return std::any_of(picture.cells.begin(), picture.cells.end(),
                       [](const Cell& cell) { return (cell.flags & Cell::kBlinks) != 0; });
}

class SceneArtwork final : public Artwork {
public:
    SceneArtwork(ScenePiece piece, CellFont font, std::optional<int> baud)
        : piece_(std::move(piece)), font_(std::move(font)), baud_(baud)
    {
        if (baud_) {
            typing_ = std::make_unique<AnsiTyping>(piece_);
            frame_count_ = AnsiTyping::framesFor(typing_->byteCount(), *baud_);
            blinks_ = anyBlinks(piece_.picture) || typing_->everBlinks();
        } else {
            blinks_ = anyBlinks(piece_.picture);
        }
    }

    std::string description() const override
    {
        return std::string(formatName(piece_.format)) + ", " + std::to_string(piece_.picture.columns) + "x" +
               std::to_string(piece_.picture.rows) + " cells";
    }
    int widthPixels() const override { return piece_.picture.columns * piece_.letter_spacing; }
    int heightPixels() const override
    {
        return (typing_ ? AnsiTyping::kScreenRows : piece_.picture.rows) * font_.height;
    }
    std::uint64_t frameCount() const override { return frame_count_; }
    bool blinks() const override { return blinks_; }

    const CellPicture* cells(std::uint64_t frame) override
    {
        if (frame >= frame_count_) return nullptr;
        if (!typing_) return &piece_.picture;
        return &typing_->screenAfter(AnsiTyping::bytesAtFrame(frame, *baud_));
    }
    const CellFont& font() const override { return font_; }
    int letterSpacing() const override { return piece_.letter_spacing; }
    const ScenePiece* piece() const override { return &piece_; }

private:
    ScenePiece piece_;
    CellFont font_;
    std::optional<int> baud_;
    std::unique_ptr<AnsiTyping> typing_;
    std::uint64_t frame_count_ = 1;
    bool blinks_ = false;
};

std::vector<std::uint8_t> readWhole(InputFile& file)
{
    std::vector<std::uint8_t> bytes(file.sizeBytes());
    bytes.resize(file.readAt(0, bytes));
    return bytes;
}

bool namedAsFrames(const std::string& path)
{
    std::string ending = std::filesystem::path(path).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    return ending == ".kvq";
}

}  // namespace

std::optional<ScenePiece> readSceneFile(const std::string& path, const SceneOptions& options)
{
    if (namedAsFrames(path)) return std::nullopt;
    InputFile file(path);
    if (file.sizeBytes() > kMostSceneBytes) return std::nullopt;
    const std::vector<std::uint8_t> bytes = readWhole(file);
    const std::string name = std::filesystem::path(path).filename().string();
    const std::optional<SceneFormat> format = recogniseScene(bytes, name);
    if (!format) return std::nullopt;
    // A BIN is any bytes at all, known only by its name where no SAUCE says so; one the size of our
    // frames or of the player's font is taken for ours, as kvq always has.
    if (*format == SceneFormat::bin && !splitSauce(bytes).record &&
        likelyKind(path, file.sizeBytes()) != LikelyKind::unknown) {
        return std::nullopt;
    }
    try {
        return readScenePiece(bytes, name, options);
    } catch (const SceneError& error) {
        throw ToolError(path + ": " + error.what());
    }
}

std::unique_ptr<Artwork> sceneArtwork(ScenePiece piece, const std::string& path, const ArtworkOptions& options)
{
    if (options.baud && piece.format != SceneFormat::ansi && piece.format != SceneFormat::pcboard) {
        throw ToolError(path + ": --baud types out ANSI and PCBoard art, and this is " + formatName(piece.format));
    }
    CellFont font = options.font_path ? readCellFont(*options.font_path)
                    : piece.font      ? *piece.font
                                      : fontForSauceName(piece.font_name);
    try {
        return std::make_unique<SceneArtwork>(std::move(piece), std::move(font), options.baud);
    } catch (const SceneError& error) {
        throw ToolError(path + ": " + error.what());
    }
}

std::unique_ptr<Artwork> openArtwork(const std::string& path, const ArtworkOptions& options)
{
    if (std::optional<ScenePiece> piece = readSceneFile(path, options.scene)) {
        return sceneArtwork(std::move(*piece), path, options);
    }
    if (options.baud) throw ToolError(path + ": --baud types out ANSI and PCBoard art, and this is a frame file");
    return std::make_unique<FrameFileArtwork>(path, options);
}

bool drawArtworkFrame(Artwork& artwork, std::uint64_t frame, bool blink_lit, std::vector<std::uint32_t>& pixels)
{
    const CellPicture* picture = artwork.cells(frame);
    if (!picture) return false;
    CellLayout layout;
    layout.letter_spacing = artwork.letterSpacing();
    layout.blink_lit = blink_lit;
    const int width = pictureWidthPixels(*picture, layout);
    const int height = pictureHeightPixels(*picture, artwork.font(), layout);
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    drawCells(*picture, artwork.font(), layout,
              RenderTarget{reinterpret_cast<std::uint8_t*>(pixels.data()), static_cast<std::ptrdiff_t>(width) * 4});
    return true;
}
