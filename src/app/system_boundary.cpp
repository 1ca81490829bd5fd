// SPDX-License-Identifier: MIT
#include "app/system_boundary.h"

#include "app/frame_clock.h"
#include "app/termination_signals.h"
#include "audio/soundtrack.h"
#include "display/display_state.h"
#include "display/fullscreen_display.h"
#include "display/window.h"

int SystemBoundary::openDisplay(int frame_width, int frame_height)
{
    displayState.frame_width = frame_width;
    displayState.frame_height = frame_height;
    return ::openDisplay();
}

std::string SystemBoundary::displayError() const { return platformError(); }
RenderTarget SystemBoundary::beginFrame() { return ::beginFrame(); }
void SystemBoundary::presentFrame() { ::presentFrame(); }
void SystemBoundary::closeDisplay() { ::closeDisplay(); }
int SystemBoundary::pumpMessages() { return ::pumpMessages(); }
int SystemBoundary::pendingTerminationSignal() { return receivedTerminationSignal(); }
void SystemBoundary::startSoundtrack() { ::startSoundtrack(displayState.window.get()); }
void SystemBoundary::stopSoundtrack() { ::stopSoundtrack(); }
std::uint32_t SystemBoundary::readClockMs() { return wallClockMs(); }
