// SPDX-License-Identifier: MIT
#pragma once

// Where the view of a picture taller than the window stands, in the picture's pixel rows from its
// top, at any time of the review's timeline. Moved by keys, or scrolled steadily: the automatic
// scroll is a line through time (the offset at one time, and a rate), so that pausing stops it and
// seeking the timeline moves the view as far as the scroll would have gone in that time.
class ScrollView {
public:
    // Automatic scroll speeds, in text rows a second, that the keys step through.
    static constexpr double kRowRates[] = {0.5, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64};
    static constexpr double kDefaultRowRate = 4;

    // `row_height` pixels a text row; `range` the largest offset (the picture's height less the view's).
    ScrollView(int row_height, int range);
    void setRange(int range, double time);

    // The first picture row shown at `time`: whole rows of pixels, 0 to the range.
    int offset(double time) const;
    int range() const { return range_; }

    // Moves the view by `pixels` (up is negative) or to `pixels` from the top, from where it is at `time`.
    void scrollBy(double pixels, double time);
    void scrollTo(double pixels, double time);

    bool scrolling() const { return scrolling_; }
    double rowRate() const { return row_rate_; }
    // Starts or stops the automatic scroll where the view stands at `time`.
    void toggleScrolling(double time);
    // Any rate from the slowest step to the fastest; slower and faster go to the next step.
    void setRowRate(double rows_per_second, double time);
    void slower(double time);
    void faster(double time);

    // Timeline seconds from `time` until the offset next changes, while the timeline runs; a
    // negative number when it will not change.
    double untilNextRow(double time) const;

private:
    double exactOffset(double time) const;
    void anchor(double offset, double time);

    int row_height_;
    int range_;
    // At `anchor_time_` the view stood at `anchor_offset_`; scrolling, it moves on from there.
    double anchor_offset_ = 0;
    double anchor_time_ = 0;
    bool scrolling_ = false;
    double row_rate_ = kDefaultRowRate;
};
