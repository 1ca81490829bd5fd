// SPDX-License-Identifier: MIT
#include "app/playback_loop.h"

#include <algorithm>

#include "app/frame_clock.h"
#include "display/key_state_table.h"
#include "display/window_messages.h"
#include "render/frame_drawing.h"

int play(const FrameList& frames, const GlyphTable& glyphs, PlayerDevices& devices)
{
    const std::uint32_t start_ms = devices.clock.nowMs();
    if (frames.empty()) return 0;

    // Keys pressed while the files loaded are still pending, and all reach the table at the first
    // drain.
    KeyStateTable keys{};
    // No waiting anywhere: the due frame is redrawn as often as the machine allows, and the clock
    // alone decides which frame that is.
    std::size_t index = 0;
    for (;;) {
        const RenderTarget target = devices.screen.beginFrame();
        drawFrame(frames[index], glyphs, target);  // a failed lock gives null pixels: nothing drawn, retried next pass
        devices.screen.presentFrame();
        pumpMessages(devices.input, keys);
        // Read after the drain, so the last key event of the drain is what counts.
        if (keys[kEscapeScanCode] != 0) return 0;
        if (const int signal_number = devices.termination_signal.load()) return signal_number;

        // A clock that stepped backwards holds the first frame rather than addressing before it.
        const std::int32_t due = frameIndexAt(elapsedMs(devices.clock.nowMs(), start_ms));
        index = static_cast<std::size_t>(std::max<std::int32_t>(due, 0));
        if (index >= frames.size()) return 0;
    }
}
