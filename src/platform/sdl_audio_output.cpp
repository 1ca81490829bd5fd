// SPDX-License-Identifier: MIT
#include "platform/sdl_audio_output.h"

#include "platform/audio_device_choice.h"
#include "platform/heard_timeline.h"
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

// After each mix, where the music is: the mixer says where the chunk it just mixed ends, and that
// chunk is what is heard next. Written on the mixer's thread, read on the caller's.
class MixTimeline {
public:
    static void afterMix(void* timeline, Uint8*, int) { static_cast<MixTimeline*>(timeline)->record(); }

    void setChunkSeconds(double seconds) { chunk_seconds_ = seconds; }
    double heardSeconds() const { return heard_.heardSeconds(); }
    void forget() { heard_.forget(); }

private:
    void record()
    {
        // Called by the mixer with its lock held; its lock is recursive, so asking it is safe.
        const double position = Mix_PlayingMusic() && !Mix_PausedMusic() ? Mix_GetMusicPosition(nullptr) : -1.0;
        if (position < 0) {
            heard_.forget();
        } else {
            heard_.record(position - chunk_seconds_, chunk_seconds_);
        }
    }

    HeardTimeline heard_;
    double chunk_seconds_ = 0;
};

}  // namespace

// Declared in the order they are made, so they are given back in reverse.
struct SdlAudioOutput::Handles {
    SdlSubsystem audio;
    MixerDevice device;
    MixTimeline timeline;
    MixMusicOwner music;
    ~Handles()
    {
        // The mixer must stop calling into the timeline before it goes.
        if (device.isOpen()) Mix_SetPostMix(nullptr, nullptr);
    }
};

SdlAudioOutput::SdlAudioOutput() = default;
SdlAudioOutput::~SdlAudioOutput() { close(); }

bool SdlAudioOutput::open(AudioDevice device, int rate_hz)
{
    if (handles_ && handles_->device.isOpen()) return true;
    if (!handles_) handles_ = std::make_unique<Handles>();
    MixerDevice& mixer = handles_->device;
    const auto chosen =
        openAudioDevice(handles_->audio, device, [&](const char* name) { return mixer.open(name, rate_hz); });
    if (!chosen) return false;
    device_name_ = *chosen;
    int frequency = rate_hz;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    handles_->timeline.setChunkSeconds(static_cast<double>(kChunkSamples) / frequency);
    Mix_SetPostMix(&MixTimeline::afterMix, &handles_->timeline);
    return true;
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
    if (!handles_ || !handles_->music) return;
    handles_->timeline.forget();
    Mix_PlayMusic(handles_->music.get(), kPlayOnce);
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
    if (!handles_ || !handles_->music || Mix_SetMusicPosition(seconds) != 0) return false;
    // What was mixed before the seek says nothing of where it now plays.
    handles_->timeline.forget();
    return true;
}

double SdlAudioOutput::positionSeconds() const
{
    if (!handles_ || !handles_->music || !Mix_PlayingMusic()) return -1.0;
    return handles_->timeline.heardSeconds();
}

double SdlAudioOutput::durationSeconds() const
{
    if (!handles_ || !handles_->music) return -1.0;
    return Mix_MusicDuration(handles_->music.get());
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
    device_name_.clear();
}
