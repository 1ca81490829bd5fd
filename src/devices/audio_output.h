// SPDX-License-Identifier: MIT
#pragma once

// Which output device to open.
enum class AudioDevice {
    system_default,
    any_other,  // the first of the other playback devices that opens
};

// The device edge of sound: one output device that decodes and plays one soundtrack in the
// background. Nothing here blocks while the soundtrack plays.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // true when the output is open, 16-bit stereo at the given rate.
    virtual bool open(AudioDevice device, int rate_hz) = 0;
    // Loads a soundtrack to play; false when the output is not open or the file cannot be decoded.
    virtual bool load(const char* path) = 0;
    // Plays the loaded soundtrack once from its start.
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Moves the play position; false when the soundtrack cannot seek.
    virtual bool seek(double seconds) = 0;
    // Where playback is, as heard, in seconds from the start; negative when unknown or nothing
    // plays (also once the soundtrack has ended).
    virtual double positionSeconds() const = 0;
    // How long the loaded soundtrack lasts; negative when unknown.
    virtual double durationSeconds() const = 0;
    // Plays on at `speed` times its own pace with its pitch kept; false when this output can only
    // play at 1.
    virtual bool setSpeed(double speed) { return speed == 1.0; }
    // Silent or heard again; a muted soundtrack plays on, and its position still counts.
    virtual void setMuted(bool) {}
    // Silences the soundtrack wherever it is.
    virtual void stop() = 0;
    // Frees the soundtrack and gives the device back; safe to call when nothing was opened.
    virtual void close() = 0;
};
