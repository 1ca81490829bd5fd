// SPDX-License-Identifier: MIT
#include "platform/review/sdl_stretching_audio_output.h"

#include <SDL.h>
#include <SoundTouch.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/audio_device_choice.h"
#include "platform/heard_timeline.h"
#include "platform/review/mp3_stream.h"
#include "platform/sdl_owners.h"

namespace {

constexpr int kChannels = 2;
// About 23 ms at 44.1 kHz: the position heard is known to within one such buffer.
constexpr Uint16 kBufferFrames = 1024;
constexpr int kDecodeFrames = 1152;  // one MPEG audio frame
// Short stretching sequences keep a sound's onset close to its time at slow speeds (the default,
// longer at slow speeds, lets onsets come up to a tenth of a second early at 0.5).
constexpr int kSequenceMs = 40;
constexpr int kSeekWindowMs = 15;
// With those, a sound's onset comes out of the stretcher about this much later, in seconds of the
// soundtrack, than its place by the speed alone, for each step of speed above 1 (earlier below):
// measured on clicks at 0.25, 0.5, 2 and 4.
constexpr double kStretchedOnsetDelay = 0.015;

// An open SDL audio device, closed when its owner goes.
class AudioDeviceOwner {
public:
    AudioDeviceOwner() = default;
    ~AudioDeviceOwner() { reset(); }
    AudioDeviceOwner(const AudioDeviceOwner&) = delete;
    AudioDeviceOwner& operator=(const AudioDeviceOwner&) = delete;
    void reset(SDL_AudioDeviceID id = 0)
    {
        if (id_) SDL_CloseAudioDevice(id_);
        id_ = id;
    }
    SDL_AudioDeviceID get() const { return id_; }

private:
    SDL_AudioDeviceID id_ = 0;
};

// Holds the audio device's lock while it lives, so that the callback sees no change half made.
class DeviceLock {
public:
    explicit DeviceLock(SDL_AudioDeviceID id) : id_(id) { SDL_LockAudioDevice(id_); }
    ~DeviceLock() { SDL_UnlockAudioDevice(id_); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID id_;
};

}  // namespace

// Everything the device's callback reads or changes; touched elsewhere only under the device lock.
struct SdlStretchingAudioOutput::Handles {
    SdlSubsystem audio;
    AudioDeviceOwner device;  // closed first, so the callback has stopped before the rest goes
    int device_rate = 0;
    HeardTimeline timeline;

    Mp3Stream stream;
    bool loaded = false;
    soundtouch::SoundTouch stretcher;
    std::vector<float> decoded = std::vector<float>(std::size_t{kDecodeFrames} * kChannels);
    std::vector<float> mixed;
    bool playing = false;
    bool paused = false;
    bool muted = false;
    bool stream_ended = false;
    double speed = 1;
    // The soundtrack frame that the next frame sent to the device comes from.
    double next_frame = 0;

    ~Handles() { device.reset(); }

    // Source frames per device frame.
    double step() const { return speed * stream.rateHz() / device_rate; }
    // At speed 1 and the device's own rate the decoded sound goes out as it is.
    bool stretching() const { return speed != 1.0 || stream.rateHz() != device_rate; }

    void restartAt(double frame)
    {
        next_frame = std::clamp(frame, 0.0, static_cast<double>(stream.lengthFrames()));
        stream.seek(static_cast<std::int64_t>(next_frame));
        stretcher.clear();
        stretcher.setTempo(speed);
        stretcher.setRate(static_cast<double>(stream.rateHz()) / device_rate);
        stream_ended = false;
        timeline.forget();
    }

    // Up to `frames` frames of sound into `out`; fewer only at the soundtrack's end.
    int produce(float* out, int frames)
    {
        int written = 0;
        while (written < frames) {
            if (!stretching()) {
                const int got = stream.read(out + written * kChannels, frames - written);
                if (got == 0) break;
                written += got;
                continue;
            }
            written += static_cast<int>(
                stretcher.receiveSamples(out + written * kChannels, static_cast<unsigned>(frames - written)));
            if (written == frames) break;
            if (stream_ended) break;
            const int got = stream.read(decoded.data(), kDecodeFrames);
            if (got > 0) {
                stretcher.putSamples(decoded.data(), static_cast<unsigned>(got));
            } else {
                // What is still inside the stretcher comes out, padded with a little silence.
                stream_ended = true;
                stretcher.flush();
            }
        }
        return written;
    }

    void fill(Sint16* out, int frames)
    {
        std::fill(out, out + frames * kChannels, Sint16{0});
        if (!loaded || !playing || paused) {
            if (!playing) timeline.forget();
            return;
        }
        mixed.resize(static_cast<std::size_t>(frames) * kChannels);
        const int written = produce(mixed.data(), frames);
        if (written == 0) {
            // The end: nothing more plays, and nothing says where.
            playing = false;
            timeline.forget();
            return;
        }
        const double rate = stream.rateHz();
        const double delay = stretching() ? (speed - 1) * kStretchedOnsetDelay : 0.0;
        timeline.record(std::max(0.0, next_frame / rate - delay), written * step() / rate, speed);
        next_frame += written * step();
        if (muted) return;
        for (int i = 0; i < written * kChannels; ++i) {
            out[i] = static_cast<Sint16>(
                std::lround(std::clamp(mixed[static_cast<std::size_t>(i)], -1.0f, 1.0f) * 32767.0f));
        }
    }

    static void callback(void* self, Uint8* stream, int bytes)
    {
        static_cast<Handles*>(self)->fill(reinterpret_cast<Sint16*>(stream),
                                          bytes / static_cast<int>(kChannels * sizeof(Sint16)));
    }
};

SdlStretchingAudioOutput::SdlStretchingAudioOutput() = default;
SdlStretchingAudioOutput::~SdlStretchingAudioOutput() { close(); }

bool SdlStretchingAudioOutput::open(AudioDevice device, int rate_hz)
{
    if (handles_ && handles_->device.get()) return true;
    if (!handles_) {
        handles_ = std::make_unique<Handles>();
        handles_->stretcher.setChannels(kChannels);
        handles_->stretcher.setSetting(SETTING_SEQUENCE_MS, kSequenceMs);
        handles_->stretcher.setSetting(SETTING_SEEKWINDOW_MS, kSeekWindowMs);
    }
    Handles& h = *handles_;
    // 16-bit stereo at the rate asked for, whatever the device has: SDL converts.
    SDL_AudioSpec wanted{};
    wanted.freq = rate_hz;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = &Handles::callback;
    wanted.userdata = &h;
    const auto tryOpen = [&](const char* name) {
        SDL_AudioSpec got{};
        h.device.reset(SDL_OpenAudioDevice(name, 0, &wanted, &got, 0));
        return h.device.get() != 0;
    };
    const auto chosen = openAudioDevice(h.audio, device, tryOpen);
    if (!chosen) return false;
    device_name_ = *chosen;
    h.device_rate = rate_hz;
    SDL_PauseAudioDevice(h.device.get(), 0);
    return true;
}

bool SdlStretchingAudioOutput::load(const char* path)
{
    if (!handles_ || !handles_->device.get()) return false;
    Handles& h = *handles_;
    const DeviceLock lock(h.device.get());
    h.playing = false;
    h.loaded = h.stream.open(path);
    if (h.loaded) h.stretcher.setSampleRate(static_cast<unsigned>(h.stream.rateHz()));
    return h.loaded;
}

void SdlStretchingAudioOutput::play()
{
    if (!handles_ || !handles_->loaded) return;
    const DeviceLock lock(handles_->device.get());
    handles_->restartAt(0);
    handles_->playing = true;
    handles_->paused = false;
}

void SdlStretchingAudioOutput::pause()
{
    if (!handles_ || !handles_->loaded) return;
    const DeviceLock lock(handles_->device.get());
    handles_->paused = true;
    handles_->timeline.forget();
}

void SdlStretchingAudioOutput::resume()
{
    if (!handles_ || !handles_->loaded) return;
    const DeviceLock lock(handles_->device.get());
    handles_->paused = false;
}

bool SdlStretchingAudioOutput::seek(double seconds)
{
    if (!handles_ || !handles_->loaded) return false;
    const DeviceLock lock(handles_->device.get());
    handles_->restartAt(seconds * handles_->stream.rateHz());
    return true;
}

double SdlStretchingAudioOutput::positionSeconds() const
{
    if (!handles_ || !handles_->loaded) return -1;
    return handles_->timeline.heardSeconds();
}

double SdlStretchingAudioOutput::durationSeconds() const
{
    if (!handles_ || !handles_->loaded) return -1;
    return static_cast<double>(handles_->stream.lengthFrames()) / handles_->stream.rateHz();
}

bool SdlStretchingAudioOutput::setSpeed(double speed)
{
    if (!(speed >= 0.25 && speed <= 4)) return false;
    if (!handles_ || !handles_->device.get()) return true;
    const DeviceLock lock(handles_->device.get());
    if (speed == handles_->speed) return true;
    handles_->speed = speed;
    // What is already stretched was stretched for the old speed: start again from where it stands.
    if (handles_->loaded) handles_->restartAt(handles_->next_frame);
    return true;
}

void SdlStretchingAudioOutput::setMuted(bool muted)
{
    if (!handles_ || !handles_->device.get()) return;
    const DeviceLock lock(handles_->device.get());
    handles_->muted = muted;
}

void SdlStretchingAudioOutput::stop()
{
    if (!handles_ || !handles_->device.get()) return;
    const DeviceLock lock(handles_->device.get());
    handles_->playing = false;
    handles_->timeline.forget();
}

void SdlStretchingAudioOutput::close()
{
    handles_.reset();
    device_name_.clear();
}
