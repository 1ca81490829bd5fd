// SPDX-License-Identifier: MIT
#include "render/packed_picture.h"

#include "render/frame_drawing.h"

void renderFrame(const TextFrame& frame, const GlyphTable& glyphs, PackedPicture& picture)
{
    picture.resize(static_cast<std::size_t>(kPictureWidth) * kPictureHeight);
    drawFrame(frame, glyphs, {reinterpret_cast<std::uint8_t*>(picture.data()), kPictureWidth * 4});
}

PackedPicture renderFrame(const TextFrame& frame, const GlyphTable& glyphs)
{
    PackedPicture picture;
    renderFrame(frame, glyphs, picture);
    return picture;
}
