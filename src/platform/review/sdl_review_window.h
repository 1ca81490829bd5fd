// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "devices/review_window.h"

// The review window over SDL: a resizable window, a renderer that presents in step with the
// vertical blank, and one texture that takes what the player gives, drawn in whole blocks.
class SdlReviewWindow final : public ReviewWindow {
public:
    SdlReviewWindow();
    ~SdlReviewWindow() override;
    SdlReviewWindow(const SdlReviewWindow&) = delete;
    SdlReviewWindow& operator=(const SdlReviewWindow&) = delete;

    int open(const char* title, int scale, bool fullscreen) override;
    std::string error() const override;
    std::string notice() const override { return notice_; }
    void setFullscreen(bool on) override;
    bool fullscreen() const override;
    WindowSize size() const override;
    void show(std::span<const std::uint32_t> pixels, int width, int height, int scale) override;
    // A negative timeout waits for as long as it takes; 0 only looks at what already came.
    bool waitEvent(ReviewEvent& event, int timeout_ms) override;
    void close() override;

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    std::string error_;
    std::string notice_;
};
