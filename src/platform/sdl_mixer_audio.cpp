// SPDX-License-Identifier: MIT
#include <SDL.h>
#include <SDL_mixer.h>

#include <memory>

#include "platform/audio_output.h"

namespace {

constexpr Uint16 kSampleFormat = AUDIO_S16SYS;
constexpr int kChannels = 2;
constexpr int kChunkSamples = 2048;

struct MusicDeleter {
    void operator()(Mix_Music* music) const { Mix_FreeMusic(music); }
};

struct Output {
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { close(); }

    void close()
    {
        if (open) Mix_HaltMusic();
        stream.reset();
        if (open) Mix_CloseAudio();
        open = false;
        // The decoders the mixer loaded on demand go back too.
        Mix_Quit();
        if (subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem = false;
    }

    bool subsystem = false;
    bool open = false;
    std::unique_ptr<Mix_Music, MusicDeleter> stream;
};

Output& output()
{
    static Output the_output;
    return the_output;
}

bool openDevice(const char* device_name, int frequency_hz)
{
    return Mix_OpenAudioDevice(frequency_hz, kSampleFormat, kChannels, kChunkSamples, device_name, 0) == 0;
}

}  // namespace

int audioInit(int device, int frequency_hz, std::uint32_t, WindowHandle)
{
    Output& out = output();
    if (out.open) return 1;
    if (!out.subsystem) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
        out.subsystem = true;
    }
    if (device == kDefaultAudioDevice) {
        out.open = openDevice(nullptr, frequency_hz);
    } else if (device == kAnyOtherAudioDevice) {
        const int count = SDL_GetNumAudioDevices(0);
        for (int i = 0; i < count && !out.open; ++i) {
            if (const char* name = SDL_GetAudioDeviceName(i, 0)) out.open = openDevice(name, frequency_hz);
        }
    }
    return out.open ? 1 : 0;
}

int audioStart()
{
    if (!output().open) return 0;
    Mix_ResumeMusic();
    return 1;
}

AudioStream audioStreamCreateFile(bool from_memory, const char* file, std::uint64_t offset, std::uint64_t length,
                                  std::uint32_t)
{
    Output& out = output();
    // Only a whole file is offered; that is all the player asks for.
    if (from_memory || offset != 0 || length != 0 || !out.open || !file) return 0;
    out.stream.reset(Mix_LoadMUS(file));
    return reinterpret_cast<AudioStream>(out.stream.get());
}

int audioStreamPlay(AudioStream stream, bool, std::uint32_t)
{
    Output& out = output();
    if (stream == 0 || stream != reinterpret_cast<AudioStream>(out.stream.get())) return 0;
    constexpr int kPlayOnce = 0;
    return Mix_PlayMusic(out.stream.get(), kPlayOnce) == 0 ? 1 : 0;
}

int audioStop()
{
    if (!output().open) return 0;
    Mix_HaltMusic();
    return 1;
}

int audioFree()
{
    output().close();
    return 1;
}
