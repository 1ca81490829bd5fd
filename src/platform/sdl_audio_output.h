// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "devices/audio_output.h"

// The audio output over SDL2_mixer, which decodes and plays the soundtrack on threads of its own.
class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput();
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool open(AudioDevice device, int rate_hz) override;
    bool load(const char* path) override;
    void play() override;
    void pause() override;
    void resume() override;
    bool seek(double seconds) override;
    double positionSeconds() const override;
    double durationSeconds() const override;
    void stop() override;
    void close() override;
    // The playback device open: its name, or "" for the system's default; "" when none is.
    std::string deviceName() const { return device_name_; }

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    std::string device_name_;
};
