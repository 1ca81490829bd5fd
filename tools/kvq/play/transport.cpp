// SPDX-License-Identifier: MIT
#include "kvq/play/transport.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "content/player_folder.h"
#include "devices/audio_output.h"

namespace {

// A soundtrack reading this far from the monotonic clock's just after a restart is one from
// before it (the mixer has not yet run since); it is believed once it comes this close. In
// seconds of the animation at speed 1: readings come a buffer apart in real time, so at speed
// 4 they move four times as far between two.
constexpr double kBelievable = 0.1;
// How much of the difference between the soundtrack's reading and the monotonic clock is taken
// up at each reading (a few dozen a second).
constexpr double kPull = 0.1;

}  // namespace

Transport::Transport(std::size_t frame_count, AudioOutput* soundtrack)
    : frame_count_(frame_count), soundtrack_(soundtrack)
{
    if (soundtrack_) soundtrack_length_ = soundtrack_->durationSeconds();
}

Transport Transport::still(AudioOutput* soundtrack)
{
    Transport transport(1, soundtrack);
    transport.still_length_ =
        transport.soundtrack_length_ > 0 ? transport.soundtrack_length_ : std::numeric_limits<double>::infinity();
    return transport;
}

double Transport::length() const
{
    return still_length_ >= 0 ? still_length_ : static_cast<double>(frame_count_) / kFramesPerSecond;
}

bool Transport::endless() const { return std::isinf(length()); }

double Transport::lastFrameTime() const
{
    if (still_length_ >= 0) return still_length_;
    return frame_count_ ? static_cast<double>(frame_count_ - 1) / kFramesPerSecond : 0.0;
}

void Transport::setPosition(double seconds, double now)
{
    moving_on_ = false;
    anchor_position_ = std::clamp(seconds, 0.0, lastFrameTime());
    anchor_time_ = now;
}

void Transport::start(double seconds, double now)
{
    paused_ = false;
    setPosition(seconds, now);
    followWithSoundtrack(now);
}

double Transport::position(double now) const
{
    if (paused_) return anchor_position_;
    return anchor_position_ + (now - anchor_time_) * speed();
}

std::size_t Transport::frameAt(double now, double lead)
{
    if (!paused_ && sounding_) {
        const double heard = soundtrack_->positionSeconds();
        const double error = heard - position(now);
        const double believable = kBelievable * std::max(1.0, speed_);
        if (soundtrack_drives_ && heard < 0) {
            // The soundtrack has ended: the monotonic clock goes on from where it stands.
            soundtrack_drives_ = sounding_ = false;
        } else if (soundtrack_drives_ && std::abs(error) >= believable) {
            // A jump (the mixer stalled, or the soundtrack is not where it was sent): follow it.
            setPosition(heard, now);
        } else if (heard >= 0 && std::abs(error) < believable && !soundtrack_drives_) {
            // The first reading after a (re)start says where the sound really began.
            soundtrack_drives_ = true;
            anchor_position_ = heard;
            anchor_time_ = now;
        } else if (heard >= 0 && std::abs(error) < believable) {
            // The mixer reports in steps of its buffers and of the decoder's frames; the
            // monotonic clock is drawn towards it a little at every reading, so that the picture
            // follows the sound without stepping back or skipping a frame on its jitter.
            anchor_position_ = position(now) + kPull * error;
            anchor_time_ = now;
        }
    }
    double at = position(now);
    if (!paused_ && at >= length()) {
        if (loop_ && frame_count_ > 0) {
            setPosition(std::fmod(at, length()), now);
            followWithSoundtrack(now);
        } else {
            paused_ = true;
            setPosition(lastFrameTime(), now);
            followWithSoundtrack(now);
        }
        at = position(now);
    }
    if (frame_count_ == 0) return 0;
    if (!paused_) at += lead * speed_;
    // Truncated, as the player does: frame n shows from n/24 s until (n+1)/24 s.
    auto index =
        std::min(static_cast<std::size_t>(std::max(0.0, std::floor(at * kFramesPerSecond + 1e-9))), frame_count_ - 1);
    // Playing on, the clock being drawn back towards the sound holds a frame rather than
    // showing the one before again.
    if (!paused_ && moving_on_) index = std::max(index, last_index_);
    last_index_ = index;
    moving_on_ = !paused_;
    return index;
}

void Transport::togglePause(double now)
{
    setPosition(position(now), now);
    paused_ = !paused_;
    followWithSoundtrack(now);
}

void Transport::seekTo(double seconds, double now)
{
    setPosition(seconds, now);
    followWithSoundtrack(now);
}

void Transport::seekBy(double seconds, double now) { seekTo(position(now) + seconds, now); }

void Transport::step(int frames, double now)
{
    const double at = position(now);
    paused_ = true;
    // From the frame shown, not from wherever between two frames the clock stood.
    const double shown = std::floor(at * kFramesPerSecond + 1e-9);
    setPosition((shown + frames) / kFramesPerSecond, now);
    followWithSoundtrack(now);
}

void Transport::setSpeed(double speed, double now)
{
    setPosition(position(now), now);
    speed_ = std::clamp(speed, kSpeeds[0], kSpeeds[std::size(kSpeeds) - 1]);
    followWithSoundtrack(now);
}

void Transport::slower(double now)
{
    const auto lower =
        std::find_if(std::rbegin(kSpeeds), std::rend(kSpeeds), [&](double step) { return step < speed_; });
    if (lower != std::rend(kSpeeds)) setSpeed(*lower, now);
}

void Transport::faster(double now)
{
    const auto* higher =
        std::find_if(std::begin(kSpeeds), std::end(kSpeeds), [&](double step) { return step > speed_; });
    if (higher != std::end(kSpeeds)) setSpeed(*higher, now);
}

void Transport::toggleMute()
{
    muted_ = !muted_;
    if (soundtrack_) soundtrack_->setMuted(muted_);
}

void Transport::followWithSoundtrack(double now)
{
    soundtrack_drives_ = false;
    if (!soundtrack_) return;
    const double at = position(now);
    speed_playable_ = soundtrack_->setSpeed(speed_);
    const bool audible = !paused_ && speed_playable_ && (soundtrack_length_ < 0 || at < soundtrack_length_);
    if (!audible) {
        if (sounding_) soundtrack_->pause();
        sounding_ = false;
        return;
    }
    soundtrack_->play();
    soundtrack_->seek(at);
    sounding_ = true;
}
