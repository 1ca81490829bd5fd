// SPDX-License-Identifier: MIT
#include "platform/sdl_video_start.h"

#include <cstring>

#include "platform/quiet_stderr.h"
#include "platform/running_under_wine.h"

namespace {

bool isInvisibleDriver(const char* driver)
{
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

}  // namespace

std::string startVisibleVideo(SdlSubsystem& video)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Wine emulates Direct3D over OpenGL, and starting that takes seconds (2 s here, against a
    // tenth for SDL's software renderer), all before the first frame; a 640x480 picture needs
    // nothing the software renderer lacks. On Windows itself Direct3D stays the choice, and
    // SDL_RENDER_DRIVER in the environment still overrides this.
    if (runningUnderWine()) SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
    bool started = false;
    {
        const QuietStderr quiet;
        started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    if (!started) return std::string("cannot start the video subsystem: ") + SDL_GetError();
    video = SdlSubsystem(SDL_INIT_VIDEO);
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (isInvisibleDriver(driver) && (!requested || !*requested)) {
        return std::string("no display to show the animation on (SDL fell back to its '") + driver +
               "' driver; set SDL_VIDEODRIVER to choose one)";
    }
    return {};
}
