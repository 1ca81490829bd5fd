// SPDX-License-Identifier: MIT
#include <algorithm>
#include <filesystem>

#include "kvq/common/tool_error.h"
#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/luminance.h"
#include "kvq/encode/picture_fit.h"
#include "kvq/encode/picture_source.h"
#include "kvq/files/png_file.h"

namespace {

// Larger pictures are refused rather than allocated (an 8K frame already takes 192 MiB as RGB):
// nobody encodes more into 80x30 cells.
constexpr std::uint32_t kMaxSide = 8192;

std::vector<std::uint8_t> readPngLuminance(const std::string& path, int& width, int& height)
{
    // Transparent pictures are laid on black, like the bars around them.
    const RgbPicture picture = readPngRgb(path, kMaxSide);
    width = picture.width;
    height = picture.height;
    std::vector<std::uint8_t> luminance(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    rgbToLuminance(picture.rgb, luminance);
    return luminance;
}

class PngFolderSource final : public PictureSource {
public:
    PngFolderSource(std::vector<std::string> files, int every)
        : files_(std::move(files)), every_(static_cast<std::size_t>(every))
    {
    }

    bool next(std::vector<std::uint8_t>& luminance) override
    {
        if (index_ >= files_.size()) return false;
        int width = 0;
        int height = 0;
        const std::vector<std::uint8_t> picture = readPngLuminance(files_[index_], width, height);
        index_ += every_;
        luminance = width == kPictureWidth && height == kPictureHeight ? picture : fitPicture(picture, width, height);
        return true;
    }

private:
    std::vector<std::string> files_;
    std::size_t every_;
    std::size_t index_ = 0;
};

std::vector<std::string> pngFiles(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (extension == ".png" && entry.is_regular_file()) files.push_back(entry.path().string());
    }
    if (error) throw ToolError(systemErrorMessage(folder, "cannot list the folder", error.value()));
    if (files.empty()) throw ToolError(folder + ": the folder holds no PNG pictures");
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::unique_ptr<PictureSource> openPngFolderSource(const std::string& folder, int every)
{
    return std::make_unique<PngFolderSource>(pngFiles(folder), every);
}

std::size_t pngFolderPictureCount(const std::string& folder) { return pngFiles(folder).size(); }
