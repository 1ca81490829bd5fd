// SPDX-License-Identifier: MIT
#include "png_writer.h"

#include <png.h>

#include <string>

#include "tool_error.h"

namespace {

// libpng's simplified interface reports errors through its return value instead of longjmp,
// which would skip the destructors of this C++ code.
class PngImage {
public:
    PngImage(int width, int height)
    {
        image_.version = PNG_IMAGE_VERSION;
        image_.width = static_cast<png_uint_32>(width);
        image_.height = static_cast<png_uint_32>(height);
        image_.format = PNG_FORMAT_RGB;
    }
    ~PngImage() { png_image_free(&image_); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    png_image* get() { return &image_; }
    std::string message() const { return image_.message; }

private:
    png_image image_{};
};

}  // namespace

std::vector<std::uint8_t> encodeRgbPng(std::span<const std::uint32_t> pixels, int width, int height)
{
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        throw ToolError("PNG: the pixel buffer does not match " + std::to_string(width) + "x" + std::to_string(height));
    }
    std::vector<std::uint8_t> rgb;
    rgb.reserve(pixels.size() * 3);
    for (const std::uint32_t pixel : pixels) {
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 16));
        rgb.push_back(static_cast<std::uint8_t>(pixel >> 8));
        rgb.push_back(static_cast<std::uint8_t>(pixel));
    }

    // The first call only measures; the second fills a buffer of that size.
    png_alloc_size_t size = 0;
    {
        PngImage image(width, height);
        if (!png_image_write_to_memory(image.get(), nullptr, &size, 0, rgb.data(), 0, nullptr)) {
            throw ToolError("PNG: cannot encode: " + image.message());
        }
    }
    std::vector<std::uint8_t> png(size);
    PngImage image(width, height);
    if (!png_image_write_to_memory(image.get(), png.data(), &size, 0, rgb.data(), 0, nullptr)) {
        throw ToolError("PNG: cannot encode: " + image.message());
    }
    png.resize(size);
    return png;
}
