// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "devices/audio_output.h"

// An audio output for reviewing: one SDL audio device fed from an MP3 decoded as it plays and
// time-stretched, so that the soundtrack plays at any speed from 0.25 to 4 with its pitch kept.
// At speed 1 the decoded sound goes out untouched.
class SdlStretchingAudioOutput final : public AudioOutput {
public:
    SdlStretchingAudioOutput();
    ~SdlStretchingAudioOutput() override;
    SdlStretchingAudioOutput(const SdlStretchingAudioOutput&) = delete;
    SdlStretchingAudioOutput& operator=(const SdlStretchingAudioOutput&) = delete;

    bool open(AudioDevice device, int rate_hz) override;
    bool load(const char* path) override;
    void play() override;
    void pause() override;
    void resume() override;
    bool seek(double seconds) override;
    double positionSeconds() const override;
    double durationSeconds() const override;
    bool setSpeed(double speed) override;
    void setMuted(bool muted) override;
    void stop() override;
    void close() override;
    // The playback device open: its name, or "" for the system's default; "" when none is.
    std::string deviceName() const { return device_name_; }

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    std::string device_name_;
};
