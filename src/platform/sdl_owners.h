// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <memory>
#include <utility>

// One owner per SDL handle, so that every path out of a function gives back what it made.

struct SdlWindowDestroyer {
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
struct SdlRendererDestroyer {
    void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
};
struct SdlTextureDestroyer {
    void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};
struct MixMusicFreer {
    void operator()(Mix_Music* music) const { Mix_FreeMusic(music); }
};
using SdlWindowOwner = std::unique_ptr<SDL_Window, SdlWindowDestroyer>;
using SdlRendererOwner = std::unique_ptr<SDL_Renderer, SdlRendererDestroyer>;
using SdlTextureOwner = std::unique_ptr<SDL_Texture, SdlTextureDestroyer>;
using MixMusicOwner = std::unique_ptr<Mix_Music, MixMusicFreer>;

// One started SDL subsystem (SDL counts how often each was started). Takes over a subsystem that
// was started successfully; an empty one gives back nothing.
class SdlSubsystem {
public:
    SdlSubsystem() = default;
    explicit SdlSubsystem(Uint32 flags) : flags_(flags) {}
    ~SdlSubsystem()
    {
        if (flags_) SDL_QuitSubSystem(flags_);
    }
    SdlSubsystem(SdlSubsystem&& other) noexcept : flags_(std::exchange(other.flags_, 0)) {}
    SdlSubsystem& operator=(SdlSubsystem&& other) noexcept
    {
        std::swap(flags_, other.flags_);
        return *this;
    }
    SdlSubsystem(const SdlSubsystem&) = delete;
    SdlSubsystem& operator=(const SdlSubsystem&) = delete;

    bool started() const { return flags_ != 0; }

private:
    Uint32 flags_ = 0;
};
