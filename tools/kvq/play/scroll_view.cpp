// SPDX-License-Identifier: MIT
#include "kvq/play/scroll_view.h"

#include <algorithm>
#include <cmath>
#include <iterator>

ScrollView::ScrollView(int row_height, int range) : row_height_(std::max(1, row_height)), range_(std::max(0, range)) {}

void ScrollView::setRange(int range, double time)
{
    const double at = exactOffset(time);
    range_ = std::max(0, range);
    anchor(at, time);
}

double ScrollView::exactOffset(double time) const
{
    double at = anchor_offset_;
    if (scrolling_) at += (time - anchor_time_) * row_rate_ * row_height_;
    return std::clamp(at, 0.0, static_cast<double>(range_));
}

// A hair over the whole pixel, so that a time computed as offset / rate lands on the row it names
// rather than a rounding below it.
int ScrollView::offset(double time) const { return static_cast<int>(std::floor(exactOffset(time) + 1e-6)); }

void ScrollView::anchor(double offset, double time)
{
    anchor_offset_ = std::clamp(offset, 0.0, static_cast<double>(range_));
    anchor_time_ = time;
}

void ScrollView::scrollBy(double pixels, double time) { anchor(exactOffset(time) + pixels, time); }

void ScrollView::scrollTo(double pixels, double time) { anchor(pixels, time); }

void ScrollView::toggleScrolling(double time)
{
    anchor(exactOffset(time), time);
    scrolling_ = !scrolling_;
}

void ScrollView::setRowRate(double rows_per_second, double time)
{
    anchor(exactOffset(time), time);
    row_rate_ = std::clamp(rows_per_second, kRowRates[0], kRowRates[std::size(kRowRates) - 1]);
}

void ScrollView::slower(double time)
{
    const auto lower =
        std::find_if(std::rbegin(kRowRates), std::rend(kRowRates), [&](double step) { return step < row_rate_; });
    if (lower != std::rend(kRowRates)) setRowRate(*lower, time);
}

void ScrollView::faster(double time)
{
    const auto* higher =
        std::find_if(std::begin(kRowRates), std::end(kRowRates), [&](double step) { return step > row_rate_; });
    if (higher != std::end(kRowRates)) setRowRate(*higher, time);
}

double ScrollView::untilNextRow(double time) const
{
    const double at = exactOffset(time);
    if (!scrolling_ || at >= range_) return -1;
    const double pixels_per_second = row_rate_ * row_height_;
    return (std::floor(at + 1e-6) + 1 - at) / pixels_per_second;
}
