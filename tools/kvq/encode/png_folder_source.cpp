// SPDX-License-Identifier: MIT
#include <png.h>

#include <algorithm>
#include <filesystem>

#include "glyph_matcher.h"
#include "luminance.h"
#include "picture_fit.h"
#include "picture_source.h"
#include "tool_error.h"

namespace {

// Larger pictures are refused rather than allocated: nobody encodes a 16K frame into 80x30 cells.
constexpr png_uint_32 kMaxSide = 16384;

class PngImage {
public:
    PngImage() { image_.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image_); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
    png_image* get() { return &image_; }

private:
    png_image image_{};
};

std::vector<std::uint8_t> readPngLuminance(const std::string& path, int& width, int& height)
{
    PngImage image;
    if (!png_image_begin_read_from_file(image.get(), path.c_str())) {
        throw ToolError(path + ": not a readable PNG picture (" + image.get()->message + ")");
    }
    if (image.get()->width == 0 || image.get()->height == 0 || image.get()->width > kMaxSide || image.get()->height > kMaxSide) {
        throw ToolError(path + ": a picture of " + std::to_string(image.get()->width) + "x" +
                        std::to_string(image.get()->height) + " pixels is too large");
    }
    image.get()->format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(*image.get()));
    // Transparent pictures are laid on black, like the bars around them.
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(image.get(), &black, rgb.data(), 0, nullptr)) {
        throw ToolError(path + ": cannot read the picture (" + image.get()->message + ")");
    }
    width = static_cast<int>(image.get()->width);
    height = static_cast<int>(image.get()->height);
    std::vector<std::uint8_t> luminance(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < luminance.size(); ++i) {
        luminance[i] = static_cast<std::uint8_t>(luminanceOf(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
    }
    return luminance;
}

class PngFolderSource final : public PictureSource {
public:
    explicit PngFolderSource(std::vector<std::string> files) : files_(std::move(files)) {}

    bool next(std::vector<std::uint8_t>& luminance) override
    {
        if (index_ >= files_.size()) return false;
        int width = 0;
        int height = 0;
        const std::vector<std::uint8_t> picture = readPngLuminance(files_[index_++], width, height);
        luminance = width == kPictureWidth && height == kPictureHeight ? picture : fitPicture(picture, width, height);
        return true;
    }

private:
    std::vector<std::string> files_;
    std::size_t index_ = 0;
};

}  // namespace

std::unique_ptr<PictureSource> openPngFolderSource(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
        if (extension == ".png" && entry.is_regular_file()) files.push_back(entry.path().string());
    }
    if (error) throw ToolError(systemErrorMessage(folder, "cannot list the folder", error.value()));
    if (files.empty()) throw ToolError(folder + ": the folder holds no PNG pictures");
    std::sort(files.begin(), files.end());
    return std::make_unique<PngFolderSource>(std::move(files));
}
