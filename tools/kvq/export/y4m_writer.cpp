// SPDX-License-Identifier: MIT
#include "kvq/export/y4m_writer.h"

#include <string>
#include <string_view>

#include "content/player_folder.h"
#include "render/colours.h"
#include "render/packed_picture.h"

namespace {

constexpr std::string_view kFrameHeader = "FRAME\n";

std::string streamHeader(int width, int height)
{
    return "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F" +
           std::to_string(kFramesPerSecond) + ":1 Ip A1:1 C444\n";
}

struct YCbCr {
    std::uint8_t y = 0;
    std::uint8_t cb = 0;
    std::uint8_t cr = 0;
};

// A 0x00RRGGBB pixel in BT.601 studio range (Y 16-235, Cb and Cr 16-240), by the usual 8-bit
// integer formulas.
YCbCr bt601LimitedRange(std::uint32_t rgb)
{
    const int r = static_cast<int>((rgb >> 16) & 0xFF);
    const int g = static_cast<int>((rgb >> 8) & 0xFF);
    const int b = static_cast<int>(rgb & 0xFF);
    // The BT.601 matrix (Kr 0.299, Kb 0.114) scaled to 219 levels of luma and 224 of chroma, in
    // 256ths, rounded by adding 128 before the shift (an arithmetic shift, so negative sums
    // round the same way as positive ones):
    //   Y  = ((  66 R + 129 G +  25 B + 128) >> 8) +  16
    //   Cb = (( -38 R -  74 G + 112 B + 128) >> 8) + 128
    //   Cr = (( 112 R -  94 G -  18 B + 128) >> 8) + 128
    // Ink 0x171410 becomes (34, 126, 130), paper 0xE8CCA0 becomes (194, 105, 143).
    const int y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    const int cb = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    const int cr = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
    return {static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(cb), static_cast<std::uint8_t>(cr)};
}

}  // namespace

Y4mWriter::Y4mWriter(const std::string& path, int width, int height)
    : file_(path), plane_bytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
{
    const std::string header = streamHeader(width, height);
    file_.write({reinterpret_cast<const std::uint8_t*>(header.data()), header.size()});
    frame_.resize(kFrameHeader.size() + 3 * plane_bytes_);
    std::copy(kFrameHeader.begin(), kFrameHeader.end(), frame_.begin());
}

void Y4mWriter::addFrame(std::span<const std::uint32_t> pixels)
{
    std::uint8_t* y_plane = frame_.data() + kFrameHeader.size();
    std::uint8_t* cb_plane = y_plane + plane_bytes_;
    std::uint8_t* cr_plane = cb_plane + plane_bytes_;
    // The rasteriser draws two colours, so converting each once keeps the loop to a comparison.
    const YCbCr ink = bt601LimitedRange(kInkColour);
    const YCbCr paper = bt601LimitedRange(kPaperColour);
    for (std::size_t at = 0; at < plane_bytes_; ++at) {
        const std::uint32_t pixel = pixels[at];
        const YCbCr colour = pixel == kInkColour ? ink : pixel == kPaperColour ? paper : bt601LimitedRange(pixel);
        y_plane[at] = colour.y;
        cb_plane[at] = colour.cb;
        cr_plane[at] = colour.cr;
    }
    file_.write(frame_);
}

void Y4mWriter::finish() { file_.commit(); }
