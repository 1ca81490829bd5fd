// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

class AudioOutput;

// Where a review is in the animation and how it moves: playing or paused, at what speed, looping
// or not. Times are seconds on a monotonic clock, given by the caller.
//
// While the soundtrack plays (before its end, muted or not) it is the clock: the frame shown is
// the one due at its play position, so pausing, seeking, resuming and changing speed keep picture
// and sound in step. Otherwise, or once the soundtrack ends, the monotonic clock carries on from
// the same position. An output that cannot play at the speed chosen is silenced there rather than
// heard at a pitch of its own; a chipmunk soundtrack helps nobody judge timing.
class Transport {
public:
    static constexpr double kSpeeds[] = {0.25, 0.5, 1.0, 1.5, 2.0, 4.0};
    // Left and Right seek this far (Shift: a tenth of the whole).
    static constexpr double kSeekStepSeconds = 5;

    // `soundtrack` is an output with a soundtrack loaded, or null for a silent review.
    Transport(std::size_t frame_count, AudioOutput* soundtrack);
    // A still picture's review: one frame, for as long as the soundtrack lasts, or without an end
    // where there is none; its time moves what follows it (the blink, an automatic scroll).
    static Transport still(AudioOutput* soundtrack);

    // Starts playing at `seconds` (clamped into the animation).
    void start(double seconds, double now);
    // The frame due `lead` seconds from now, when it will be on the screen. Reaching the end
    // loops back to the start, or pauses on the last frame.
    std::size_t frameAt(double now, double lead = 0);
    double position(double now) const;
    double length() const;
    // A still picture's review without a soundtrack goes on until the person quits.
    bool endless() const;

    void togglePause(double now);
    void seekTo(double seconds, double now);
    void seekBy(double seconds, double now);
    // One frame back or forward (negative or positive), pausing first.
    void step(int frames, double now);
    // Any speed from the slowest step to the fastest; slower and faster go to the next step.
    void setSpeed(double speed, double now);
    void slower(double now);
    void faster(double now);
    void toggleLoop() { loop_ = !loop_; }
    void toggleMute();

    bool paused() const { return paused_; }
    double speed() const { return speed_; }
    bool looping() const { return loop_; }
    // A soundtrack there is but that is not heard: muted, or not playable at this speed.
    bool muted() const { return soundtrack_ && (muted_ || !speed_playable_); }
    std::size_t frameCount() const { return frame_count_; }

private:
    // Restarts or silences the soundtrack to match where and how the review now plays.
    void followWithSoundtrack(double now);
    double lastFrameTime() const;
    void setPosition(double seconds, double now);

    std::size_t frame_count_;
    AudioOutput* soundtrack_;
    double still_length_ = -1;  // a still picture's: the soundtrack's length, or infinity
    double soundtrack_length_ = -1;
    // The monotonic clock: at `anchor_time` the review was at `anchor_position`.
    double anchor_position_ = 0;
    double anchor_time_ = 0;
    bool paused_ = false;
    double speed_ = 1.0;
    bool loop_ = false;
    bool muted_ = false;
    bool speed_playable_ = true;
    // The soundtrack has been (re)started and is heard; it drives once its reading is believable.
    bool sounding_ = false;
    bool soundtrack_drives_ = false;
    // The frame last given, and whether the review has only played on since.
    std::size_t last_index_ = 0;
    bool moving_on_ = false;
};
