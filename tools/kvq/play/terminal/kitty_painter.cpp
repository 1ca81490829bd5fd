// SPDX-License-Identifier: MIT
// Pixels as one image in the kitty graphics protocol: sent whole once, then changed in place.
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "kvq/common/tool_error.h"
#include "kvq/export/script_data.h"
#include "kvq/files/indexed_png.h"
#include "kvq/play/terminal/cell_tiles.h"
#include "kvq/play/terminal/pixel_painter.h"

namespace {

// The one image's number. Images are numbered per terminal window, so one program's own number
// only has to differ from nothing else it shows.
constexpr int kImageId = 7151;
// The terminal takes an image's data in pieces of at most this many base64 characters.
constexpr std::size_t kChunkCharacters = 4096;
// Pictures of more colours than a PNG palette holds are rare (a scaled-down piece): compressed for
// speed, as the PNGs are, so that a frame never holds the clock back.
constexpr int kRgbLevel = 1;

class KittyPainter final : public PixelPainter {
public:
    std::string paint(std::span<const std::uint32_t> pixels, int width, int height, int scale,
                      const PixelPlacement& where) override
    {
        const ShownPicture::Changes changes = shown_.show(pixels, width, height, scale, where);
        std::string out;
        if (changes.cells.empty()) return out;
        const CellGeometry& g = changes.geometry;
        if (changes.whole) {
            if (sent_) out += deletion();
            out += "\0337";  // the cursor saved
            appendCursorTo(where, CellRect{}, out);
            const TerminalPixels all{0, 0, width * scale, height * scale};
            // C=1: the cursor stays; q=2: the terminal answers nothing, not even errors.
            const std::string format = pack(pixels, width, scale, all);
            appendPieces("a=T," + format + ",i=" + std::to_string(kImageId) + ",C=1,q=2", out);
            out += "\0338";  // and put back
            sent_ = true;
            return out;
        }
        for (const CellRect& cells : changes.cells) appendChange(pixels, width, scale, picturePixels(cells, g), out);
        return out;
    }

    void forget() override { shown_.forget(); }

    std::string farewell() const override { return sent_ ? deletion() : std::string(); }

private:
    static std::string deletion() { return "\x1b_Ga=d,d=I,i=" + std::to_string(kImageId) + ",q=2\x1b\\"; }

    static std::string sizeKeys(const TerminalPixels& area)
    {
        return "s=" + std::to_string(area.width) + ",v=" + std::to_string(area.height);
    }

    // A change of the image in place: one command for `area`, or, where its pixels take more than
    // one piece, one for each strip of rows (or columns, of a row) small enough, as its size so far
    // tells. kitty 0.26 applies a change sent in pieces to the whole image, stretched; in one piece
    // it is placed where it says.
    void appendChange(std::span<const std::uint32_t> pixels, int width, int scale, const TerminalPixels& area,
                      std::string& out)
    {
        const std::string format = pack(pixels, width, scale, area);
        if (base64_.size() > kChunkCharacters && area.width * area.height > 1) {
            // Strips of four fifths of a piece, on average, so that few take more and are split again.
            const std::size_t wanted = base64_.size() * 5 / (kChunkCharacters * 4) + 1;
            const bool down = area.height > 1;
            const int length = down ? area.height : area.width;
            const int strips = static_cast<int>(std::min<std::size_t>(wanted, static_cast<std::size_t>(length)));
            for (int i = 0; i < strips; ++i) {
                TerminalPixels strip = area;
                const int from = length * i / strips, to = length * (i + 1) / strips;
                (down ? strip.y : strip.x) += from;
                (down ? strip.height : strip.width) = to - from;
                appendChange(pixels, width, scale, strip, out);
            }
            return;
        }
        // r=1: the image's own (first) frame; X=1: the new pixels replace the old, unblended.
        appendPieces("a=f," + format + ",i=" + std::to_string(kImageId) + ",r=1,X=1,q=2,x=" + std::to_string(area.x) +
                         ",y=" + std::to_string(area.y),
                     out);
    }

    // The pixels of `area` (in the terminal's pixels, each picture pixel a `scale` block) in base64,
    // into base64_, and the keys that say how they are packed: as an indexed PNG where they have at
    // most 256 colours (a frame of ink and paper: 4 bits a pixel before compression, a sixth of RGB,
    // and so both smaller and quicker to compress), else as compressed RGB.
    std::string pack(std::span<const std::uint32_t> pixels, int width, int scale, const TerminalPixels& area)
    {
        base64_.clear();
        if (findPalette(pixels, width, scale, area)) {
            try {
                IndexedPng png(area.width, area.height, palette_);
                indices_.resize(static_cast<std::size_t>(area.width));
                for (int y = 0; y < area.height; ++y) {
                    const std::uint32_t* row =
                        &pixels[static_cast<std::size_t>((area.y + y) / scale) * static_cast<std::size_t>(width)];
                    for (int x = 0; x < area.width; ++x) {
                        indices_[static_cast<std::size_t>(x)] = indexOf(row[(area.x + x) / scale]);
                    }
                    png.addRows(indices_);
                }
                appendBase64(png.finish(), base64_);
                return "f=100";
            } catch (const ToolError&) {
                base64_.clear();  // cannot happen for a size and palette that are fine; sent as RGB then
            }
        }
        rgb_.resize(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height) * 3);
        std::uint8_t* at = rgb_.data();
        for (int y = 0; y < area.height; ++y) {
            const std::uint32_t* row =
                &pixels[static_cast<std::size_t>((area.y + y) / scale) * static_cast<std::size_t>(width)];
            for (int x = 0; x < area.width; ++x) {
                const std::uint32_t colour = row[(area.x + x) / scale];
                *at++ = static_cast<std::uint8_t>(colour >> 16);
                *at++ = static_cast<std::uint8_t>(colour >> 8);
                *at++ = static_cast<std::uint8_t>(colour);
            }
        }
        uLongf packed_size = compressBound(static_cast<uLong>(rgb_.size()));
        packed_.resize(packed_size);
        if (compress2(packed_.data(), &packed_size, rgb_.data(), static_cast<uLong>(rgb_.size()), kRgbLevel) != Z_OK) {
            packed_size = 0;  // cannot happen with a buffer of compressBound(); send an empty command over nothing
        }
        appendBase64(std::span(packed_.data(), packed_size), base64_);
        return "f=24,o=z," + sizeKeys(area);
    }

    // The colours of `area` into palette_; false where there are more than a PNG's 256.
    bool findPalette(std::span<const std::uint32_t> pixels, int width, int scale, const TerminalPixels& area)
    {
        palette_.clear();
        last_index_ = 0;
        const int x0 = area.x / scale, x1 = (area.x + area.width - 1) / scale;
        for (int y = area.y / scale; y <= (area.y + area.height - 1) / scale; ++y) {
            const std::uint32_t* row = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
            for (int x = x0; x <= x1; ++x) {
                if (!palette_.empty() && row[x] == palette_[last_index_]) continue;
                auto found =
                    static_cast<std::size_t>(std::find(palette_.begin(), palette_.end(), row[x]) - palette_.begin());
                if (found == palette_.size()) {
                    if (found == 256) return false;
                    palette_.push_back(row[x]);
                }
                last_index_ = static_cast<std::uint8_t>(found);
            }
        }
        return true;
    }

    std::uint8_t indexOf(std::uint32_t colour)
    {
        if (palette_[last_index_] != colour) {
            last_index_ =
                static_cast<std::uint8_t>(std::find(palette_.begin(), palette_.end(), colour) - palette_.begin());
        }
        return last_index_;
    }

    // One command with the pixels packed last, in the pieces the terminal takes.
    void appendPieces(const std::string& keys, std::string& out) const
    {
        std::size_t from = 0;
        do {
            const std::size_t length = std::min(kChunkCharacters, base64_.size() - from);
            const bool more = from + length < base64_.size();
            out += "\x1b_G";
            if (from == 0) {
                out += keys;
                out.push_back(',');
            } else {
                out += "q=2,";
            }
            out += more ? "m=1;" : "m=0;";
            out.append(base64_, from, length);
            out += "\x1b\\";
            from += length;
        } while (from < base64_.size());
    }

    ShownPicture shown_;
    bool sent_ = false;  // an image may be on the terminal
    std::vector<std::uint8_t> rgb_, packed_, indices_;
    std::vector<std::uint32_t> palette_;
    std::uint8_t last_index_ = 0;
    std::string base64_;
};

}  // namespace

std::unique_ptr<PixelPainter> makeKittyPainter() { return std::make_unique<KittyPainter>(); }
