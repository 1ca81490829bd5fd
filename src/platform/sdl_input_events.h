// SPDX-License-Identifier: MIT
#pragma once

#include "devices/input_events.h"

// The events SDL collected for the window, keys translated to PC scan codes. Needs the video
// subsystem that the screen starts; before that there are no events.
class SdlInputEvents final : public InputEvents {
public:
    bool poll(InputEvent& event) override;
};
