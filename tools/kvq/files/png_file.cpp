// SPDX-License-Identifier: MIT
#include "kvq/files/png_file.h"

#include <png.h>

#include "kvq/common/tool_error.h"

namespace {

// libpng's simplified interface reports errors through its return value instead of longjmp,
// which would skip the destructors of this C++ code.
class PngImage {
public:
    PngImage() { image_.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image_); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    png_image* operator->() { return &image_; }
    png_image* get() { return &image_; }
    std::string message() const { return image_.message; }

private:
    png_image image_{};
};

// The first call only measures; the second fills a buffer of that size.
std::vector<std::uint8_t> writeToMemory(const std::vector<std::uint8_t>& rgb, int width, int height)
{
    std::vector<std::uint8_t> png;
    png_alloc_size_t size = 0;
    for (int pass = 0; pass < 2; ++pass) {
        PngImage image;
        image->width = static_cast<png_uint_32>(width);
        image->height = static_cast<png_uint_32>(height);
        image->format = PNG_FORMAT_RGB;
        png.resize(size);
        if (!png_image_write_to_memory(image.get(), pass == 0 ? nullptr : png.data(), &size, 0, rgb.data(), 0,
                                       nullptr)) {
            throw ToolError("PNG: cannot encode: " + image.message());
        }
    }
    png.resize(size);
    return png;
}

}  // namespace

std::vector<std::uint8_t> encodeRgbPng(std::span<const std::uint32_t> pixels, int width, int height)
{
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        throw ToolError("PNG: the pixel buffer does not match " + std::to_string(width) + "x" + std::to_string(height));
    }
    std::vector<std::uint8_t> rgb;
    rgb.reserve(pixels.size() * 3);
    for (const std::uint32_t pixel : pixels) {
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 16));
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 8));
        rgb.push_back(static_cast<std::uint8_t>(pixel));
    }
    return writeToMemory(rgb, width, height);
}

RgbPicture readPngRgb(const std::string& path, std::uint32_t max_side)
{
    PngImage image;
    if (!png_image_begin_read_from_file(image.get(), path.c_str())) {
        throw ToolError(path + ": not a readable PNG picture (" + image.message() + ")");
    }
    // Refused rather than allocated: a forged header may claim any size.
    if (image->width == 0 || image->height == 0 || image->width > max_side || image->height > max_side) {
        throw ToolError(path + ": a picture of " + std::to_string(image->width) + "x" + std::to_string(image->height) +
                        " pixels is too large");
    }
    image->format = PNG_FORMAT_RGB;
    RgbPicture picture{static_cast<int>(image->width), static_cast<int>(image->height),
                       std::vector<std::uint8_t>(PNG_IMAGE_SIZE(*image.get()))};
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(image.get(), &black, picture.rgb.data(), 0, nullptr)) {
        throw ToolError(path + ": cannot read the picture (" + image.message() + ")");
    }
    return picture;
}
