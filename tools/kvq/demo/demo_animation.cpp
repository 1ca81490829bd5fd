// SPDX-License-Identifier: MIT
#include "kvq/demo/demo_animation.h"

#include <array>
#include <stdexcept>
#include <string>

#include "kvq/demo/rhythm.h"
#include "kvq/demo/scenes.h"
#include "kvq/demo/text_canvas.h"

namespace {

using DrawScene = void (*)(TextCanvas&, int);

constexpr std::array<DrawScene, 5> kScenes = {
    drawTitleScene, drawPlasmaScene, drawTunnelScene, drawWireframeScene, drawScrollerScene,
};
static_assert(kScenes.size() * kSceneFrames == kDemoFrameCount);

constexpr int kWipeFrames = 16;
constexpr int kWipeEdge = 3;  // cells of slashes at the wipe's front
// x + 2y, the wipe's measure of a cell, grows across the frame along a 45-degree diagonal on screen.
constexpr int kWipeSpan = TextCanvas::kWidth + 2 * TextCanvas::kHeight + kWipeEdge;

TextFrame sceneFrame(std::size_t scene, int frame)
{
    TextFrame result;
    result.cells.fill(plain(' '));
    TextCanvas canvas(result);
    kScenes[scene](canvas, frame);
    return result;
}

}  // namespace

TextFrame demoFrame(int index)
{
    if (index < 0 || index >= kDemoFrameCount) throw std::out_of_range("demo frame " + std::to_string(index));
    const auto scene = static_cast<std::size_t>(index / kSceneFrames);
    const int frame = index % kSceneFrames;
    TextFrame result = sceneFrame(scene, frame);
    if (scene == 0 || frame >= kWipeFrames) return result;

    // The new scene sweeps over the old one, which keeps moving underneath until it is covered.
    const TextFrame old = sceneFrame(scene - 1, frame + kSceneFrames);
    const int front = (frame + 1) * kWipeSpan / kWipeFrames;
    TextCanvas canvas(result);
    for (int y = 0; y < TextCanvas::kHeight; ++y) {
        for (int x = 0; x < TextCanvas::kWidth; ++x) {
            const int position = x + 2 * y;
            if (position >= front) {
                canvas.put(x, y, old.at(y, x));
            } else if (position >= front - kWipeEdge) {
                canvas.put(x, y, plain('/'));
            }
        }
    }
    return result;
}
