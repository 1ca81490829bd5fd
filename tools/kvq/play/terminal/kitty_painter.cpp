// SPDX-License-Identifier: MIT
// Pixels as one image in the kitty graphics protocol: sent whole once, then changed in place.
#include <zlib.h>

#include <vector>

#include "kvq/export/script_data.h"
#include "kvq/play/terminal/cell_tiles.h"
#include "kvq/play/terminal/pixel_painter.h"

namespace {

// The one image's number. Images are numbered per terminal window, so one program's own number
// only has to differ from nothing else it shows.
constexpr int kImageId = 7151;
// The terminal takes an image's data in pieces of at most this many base64 characters.
constexpr std::size_t kChunkCharacters = 4096;

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
            pack(pixels, width, scale, all);
            appendPieces("a=T,f=24,o=z,i=" + std::to_string(kImageId) + ",C=1,q=2," + sizeKeys(all), out);
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
    // one piece, one for each half. kitty 0.26 applies a change sent in pieces to the whole image,
    // stretched; in one piece it is placed where it says.
    void appendChange(std::span<const std::uint32_t> pixels, int width, int scale, const TerminalPixels& area,
                      std::string& out)
    {
        pack(pixels, width, scale, area);
        if (base64_.size() > kChunkCharacters && area.width * area.height > 1) {
            TerminalPixels first = area, second = area;
            if (area.height > 1) {
                first.height = area.height / 2;
                second.y += first.height;
                second.height -= first.height;
            } else {
                first.width = area.width / 2;
                second.x += first.width;
                second.width -= first.width;
            }
            appendChange(pixels, width, scale, first, out);
            appendChange(pixels, width, scale, second, out);
            return;
        }
        // r=1: the image's own (first) frame; X=1: the new pixels replace the old, unblended.
        appendPieces("a=f,f=24,o=z,i=" + std::to_string(kImageId) + ",r=1,X=1,q=2,x=" + std::to_string(area.x) +
                         ",y=" + std::to_string(area.y) + "," + sizeKeys(area),
                     out);
    }

    // The pixels of `area` (in the terminal's pixels, each picture pixel a `scale` block) as
    // compressed RGB in base64, into base64_.
    void pack(std::span<const std::uint32_t> pixels, int width, int scale, const TerminalPixels& area)
    {
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
        // The level zlib is usually used at: a frame's changes take a few milliseconds.
        if (compress2(packed_.data(), &packed_size, rgb_.data(), static_cast<uLong>(rgb_.size()),
                      Z_DEFAULT_COMPRESSION) != Z_OK) {
            packed_size = 0;  // cannot happen with a buffer of compressBound(); send an empty command over nothing
        }
        base64_.clear();
        appendBase64(std::span(packed_.data(), packed_size), base64_);
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
    std::vector<std::uint8_t> rgb_, packed_;
    std::string base64_;
};

}  // namespace

std::unique_ptr<PixelPainter> makeKittyPainter() { return std::make_unique<KittyPainter>(); }
