#pragma once

#include "PlotSeries.h"

// Which stretch of the time axis a plot shows, and how the fitter moves it: zoomed in or out
// around a time, panned, narrowed to a dragged range, back to the whole; or, for the live
// chart, following the newest sample with a window of fixed width.
//
// Moved by the fitter, the range stays inside the data's extent and never shrinks below
// MinSpan (a few log lines), so the view cannot be lost off either end or zoomed to nothing.
class TimeView {
public:
    static constexpr double MinSpan = 0.2; // s: four lines of a 50 ms log

    // The times the data covers. The range shown keeps its place, held to the new extent; the
    // first extent is shown whole. A following view moves with the extent's end.
    void setExtent(TimeRange extent);
    TimeRange extent() const { return m_extent; }
    TimeRange range() const { return m_range; }

    // The whole extent.
    void reset();
    // factor < 1 zooms in; `around` stays where it is on the screen.
    void zoomBy(double factor, double around);
    // Later by `fraction` of the range's width (earlier when negative).
    void pan(double fraction);
    // A range dragged on the plot, in either direction.
    void show(TimeRange range);
    // Pans just enough for time t to be shown.
    void reveal(double t);

    // The last `window` seconds up to the extent's end, even before the data begins, so that
    // a live chart's time scale stays put while its first minute fills. 0: stop following.
    void follow(double window);
    bool following() const { return m_window > 0; }

private:
    // Holds a range of the given span inside the extent, as close to `begin` as it can be.
    void place(double begin, double span);

    TimeRange m_extent;
    TimeRange m_range;
    bool m_hasExtent = false;
    double m_window = 0;
};
