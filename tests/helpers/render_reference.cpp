// SPDX-License-Identifier: MIT
// Writes what the player should show for one frame, as a binary PPM, so screenshots can be
// compared with it pixel for pixel. Usage: render_reference FONT FRAMES INDEX OUT.ppm
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "content/frame_list.h"
#include "content/glyph_table.h"

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: render_reference FONT FRAMES INDEX OUT.ppm\n");
        return 2;
    }
    GlyphTable glyphs;
    FrameList frames;
    if (glyphs.load(argv[1]) != 0 || frames.load(argv[2]) != 0) {
        std::fprintf(stderr, "render_reference: cannot read %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    const auto index = static_cast<std::size_t>(std::strtoul(argv[3], nullptr, 10));
    if (index >= frames.size()) {
        std::fprintf(stderr, "render_reference: no frame %zu\n", index);
        return 1;
    }
    std::vector<std::uint8_t> pixels(640 * 480 * 4);
    frames[index].draw(RenderTarget{pixels.data(), 2560}, glyphs);

    std::FILE* out = std::fopen(argv[4], "wb");
    if (!out) return 1;
    std::fprintf(out, "P6\n640 480\n255\n");
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        std::uint32_t value;
        std::memcpy(&value, &pixels[i], 4);
        const unsigned char rgb[3] = {static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 8),
                                      static_cast<unsigned char>(value)};
        std::fwrite(rgb, 1, 3, out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
