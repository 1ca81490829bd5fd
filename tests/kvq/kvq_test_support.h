// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "content/frame_list.h"
#include "kvq/cli/run_kvq.h"
#include "render/packed_picture.h"
#include "support/test_files.h"

constexpr std::size_t kFrame = 2400;

struct KvqRun {
    int status = -1;
    std::string out, err;
};

inline KvqRun kvq(const std::vector<std::string>& arguments)
{
    std::ostringstream out, err;
    const int status = runKvq(arguments, out, err);
    return {status, out.str(), err.str()};
}

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A refused command: the status, one line on standard error naming the cause, nothing on standard
// output, and the folder exactly as it was: no output, no temporary file.
inline void expectRefused(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                          const std::string& cause, int status = 1)
{
    const auto before = folderEntries(folder);
    const KvqRun run = kvq(arguments);
    EXPECT_EQ(run.status, status) << cause << ": " << run.err;
    EXPECT_TRUE(run.err.ends_with('\n') && std::count(run.err.begin(), run.err.end(), '\n') == 1) << run.err;
    EXPECT_NE(run.err.find(cause), std::string::npos) << "wanted '" << cause << "' in: " << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(folderEntries(folder), before) << cause;
}

inline GlyphTable glyphsOf(const std::vector<std::uint8_t>& font)
{
    GlyphTable glyphs;
    glyphs.fillFrom(font.data(), font.size());
    return glyphs;
}

// What the player shows of the frame file at `path`: its own loader, then the rasteriser.
inline std::vector<PackedPicture> playersPictures(const std::string& path, const std::vector<std::uint8_t>& font)
{
    FrameList frames;
    EXPECT_EQ(frames.load(path.c_str()), 0);
    const GlyphTable glyphs = glyphsOf(font);
    std::vector<PackedPicture> pictures;
    for (std::size_t index = 0; index < frames.size(); ++index) pictures.push_back(renderFrame(frames[index], glyphs));
    return pictures;
}

// The pictures' 8-bit R, G, B bytes one after another, the way decoders hand them back.
inline std::string rgbBytes(const std::vector<PackedPicture>& pictures)
{
    std::string rgb;
    for (const PackedPicture& picture : pictures) {
        for (const std::uint32_t pixel : picture) rgb.append({char(pixel >> 16), char(pixel >> 8), char(pixel)});
    }
    return rgb;
}
