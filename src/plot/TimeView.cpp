#include "TimeView.h"

#include <algorithm>
#include <cmath>

void TimeView::setExtent(TimeRange extent) {
    if (!std::isfinite(extent.begin) || !std::isfinite(extent.end) || extent.end < extent.begin)
        return;
    const bool first = !m_hasExtent;
    m_extent = extent;
    m_hasExtent = true;
    if (following())
        follow(m_window);
    else if (first)
        reset();
    else
        place(m_range.begin, m_range.end - m_range.begin);
}

void TimeView::reset() {
    m_window = 0;
    place(m_extent.begin, m_extent.end - m_extent.begin);
}

void TimeView::zoomBy(double factor, double around) {
    if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(around)) return;
    m_window = 0;
    const double span = m_range.end - m_range.begin;
    const double newSpan = std::max(MinSpan, span * factor);
    // `around` keeps its fraction of the width.
    const double at = span > 0 ? std::clamp((around - m_range.begin) / span, 0.0, 1.0) : 0.5;
    place(around - at * newSpan, newSpan);
}

void TimeView::pan(double fraction) {
    if (!std::isfinite(fraction)) return;
    m_window = 0;
    const double span = m_range.end - m_range.begin;
    place(m_range.begin + fraction * span, span);
}

void TimeView::show(TimeRange range) {
    if (!std::isfinite(range.begin) || !std::isfinite(range.end)) return;
    m_window = 0;
    const double begin = std::min(range.begin, range.end);
    const double span = std::abs(range.end - range.begin);
    // Too narrow a drag widens around its middle.
    const double wide = std::max(span, MinSpan);
    place(begin - (wide - span) / 2, wide);
}

void TimeView::reveal(double t) {
    if (!std::isfinite(t) || (t >= m_range.begin && t <= m_range.end)) return;
    m_window = 0;
    const double span = m_range.end - m_range.begin;
    place(t < m_range.begin ? t : t - span, span);
}

void TimeView::follow(double window) {
    m_window = std::isfinite(window) ? std::max(0.0, window) : 0;
    if (following()) m_range = {m_extent.end - m_window, m_extent.end};
}

void TimeView::place(double begin, double span) {
    const double whole = m_extent.end - m_extent.begin;
    span = std::clamp(span, MinSpan, std::max(MinSpan, whole));
    if (span >= whole) {
        // Data shorter than the narrowest view: centred on it.
        begin = m_extent.begin - (span - whole) / 2;
    } else {
        begin = std::clamp(begin, m_extent.begin, m_extent.end - span);
    }
    m_range = {begin, begin + span};
}
