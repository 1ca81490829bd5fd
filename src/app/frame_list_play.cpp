// SPDX-License-Identifier: MIT
#include <algorithm>

#include "app/frame_clock.h"
#include "app/player_boundary.h"
#include "content/frame_list.h"
#include "display/key_state_table.h"

int FrameList::play(PlayerBoundary& boundary) const
{
    const std::uint32_t start_ms = boundary.readClockMs();
    if (frames_.empty()) return 0;

    // No waiting anywhere: the due frame is redrawn as often as the machine allows, and the clock
    // alone decides which frame that is.
    std::size_t index = 0;
    for (;;) {
        const RenderTarget target = boundary.beginFrame();
        frames_[index].draw(target);  // a failed lock gives null pixels: nothing drawn, retried next pass
        boundary.presentFrame();
        boundary.pumpMessages();
        // Read after the drain, so the last key message of the drain is what counts.
        if (keyStateTable[kEscapeScanCode] != 0) return 0;
        if (const int signal_number = boundary.pendingTerminationSignal()) return signal_number;

        // A clock that stepped backwards holds the first frame rather than addressing before it.
        const std::int32_t due = frameIndexAt(elapsedMs(boundary.readClockMs(), start_ms));
        index = static_cast<std::size_t>(std::max<std::int32_t>(due, 0));
        if (index >= frames_.size()) return 0;
    }
}
