// SPDX-License-Identifier: MIT
#pragma once

#include "app/player_boundary.h"

// The player's boundary on this machine: the SDL display and window, the SDL_mixer soundtrack,
// termination signals and the wall clock.
class SystemBoundary : public PlayerBoundary {
public:
    int openDisplay(int frame_width, int frame_height) override;
    std::string displayError() const override;
    RenderTarget beginFrame() override;
    void presentFrame() override;
    void closeDisplay() override;
    int pumpMessages() override;
    int pendingTerminationSignal() override;
    void startSoundtrack() override;
    void stopSoundtrack() override;
    std::uint32_t readClockMs() override;
};
