// SPDX-License-Identifier: MIT
#include "platform/sdl_audio_output.h"

#include "platform/quiet_stderr.h"
#include "platform/sdl_owners.h"

namespace {

constexpr Uint16 kSampleFormat = AUDIO_S16SYS;
constexpr int kChannels = 2;
constexpr int kChunkSamples = 2048;
constexpr int kPlayOnce = 0;

// An open mixer device; closing it also unloads the decoders the mixer loaded on demand.
class MixerDevice {
public:
    MixerDevice() = default;
    ~MixerDevice()
    {
        if (open_) {
            Mix_CloseAudio();
            Mix_Quit();
        }
    }
    MixerDevice(const MixerDevice&) = delete;
    MixerDevice& operator=(const MixerDevice&) = delete;

    bool open(const char* device_name, int rate_hz)
    {
        open_ = Mix_OpenAudioDevice(rate_hz, kSampleFormat, kChannels, kChunkSamples, device_name, 0) == 0;
        return open_;
    }
    bool isOpen() const { return open_; }

private:
    bool open_ = false;
};

}  // namespace

// Declared in the order they are made, so they are given back in reverse.
struct SdlAudioOutput::Handles {
    SdlSubsystem audio;
    MixerDevice device;
    MixMusicOwner music;
};

SdlAudioOutput::SdlAudioOutput() = default;
SdlAudioOutput::~SdlAudioOutput() { close(); }

bool SdlAudioOutput::open(AudioDevice device, int rate_hz)
{
    if (handles_ && handles_->device.isOpen()) return true;
    // Without a sound card ALSA has its say on every attempt; the player says it in one line.
    const QuietStderr quiet;
    if (!handles_) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        handles_ = std::make_unique<Handles>();
        handles_->audio = SdlSubsystem(SDL_INIT_AUDIO);
    }
    switch (device) {
    case AudioDevice::system_default:
        return handles_->device.open(nullptr, rate_hz);
    case AudioDevice::any_other:
        for (int i = 0, count = SDL_GetNumAudioDevices(0); i < count; ++i) {
            const char* name = SDL_GetAudioDeviceName(i, 0);
            if (name && handles_->device.open(name, rate_hz)) return true;
        }
        return false;
    }
    return false;
}

bool SdlAudioOutput::load(const char* path)
{
    if (!handles_ || !handles_->device.isOpen()) return false;
    // A file that is no MP3 makes the decoder complain at length; the player says it in one line.
    const QuietStderr quiet;
    handles_->music.reset(Mix_LoadMUS(path));
    return handles_->music != nullptr;
}

void SdlAudioOutput::play()
{
    if (handles_ && handles_->music) Mix_PlayMusic(handles_->music.get(), kPlayOnce);
}

void SdlAudioOutput::pause()
{
    if (handles_ && handles_->music) Mix_PauseMusic();
}

void SdlAudioOutput::resume()
{
    if (handles_ && handles_->music) Mix_ResumeMusic();
}

bool SdlAudioOutput::seek(double seconds)
{
    return handles_ && handles_->music && Mix_SetMusicPosition(seconds) == 0;
}

double SdlAudioOutput::positionSeconds() const
{
    if (!handles_ || !handles_->music || !Mix_PlayingMusic()) return -1.0;
    return Mix_GetMusicPosition(handles_->music.get());
}

void SdlAudioOutput::stop()
{
    if (handles_ && handles_->device.isOpen()) Mix_HaltMusic();
}

void SdlAudioOutput::close()
{
    if (!handles_) return;
    stop();
    handles_.reset();
}
