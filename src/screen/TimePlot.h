#pragma once

#include "plot/MinMaxIndex.h"
#include "plot/PlotSeries.h"
#include "plot/TimeView.h"

#include <QColor>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

// Curves against time, one lane each on its own scale with its unit, over a shared time axis,
// with the fuel drawn as a band (petrol / gas) under the lanes and a cursor that reads every
// curve at one time. The live screen's trend chart and the log viewer are both this plot.
//
// Painted with QPainter from our own decimation, not with a chart library: a lane draws at
// most four points per pixel column (first, smallest, largest, last; plot/Decimation), found
// through each curve's MinMaxIndex, so a ten-hour log repaints as fast as a minute of one
// and every peak stays on screen at any zoom.
//
// The fitter moves it with the mouse (wheel: zoom around the pointer; drag: zoom to the range;
// right or middle drag, or shift and wheel: pan; click: cursor) and the keyboard (arrows:
// cursor to the next sample; + and -: zoom around the cursor; Page Up/Down: pan; Home: all).
class TimePlot : public QWidget {
    Q_OBJECT
public:
    struct Curve {
        QString name;
        QString unit;
        QColor colour;
        Series series;
        ReadRule rule = ReadRule::Linear;
        // Built from series.v, or null: every sample is looked at (fine for a few thousand).
        const MinMaxIndex* index = nullptr;
    };

    explicit TimePlot(QWidget* parent = nullptr);

    // The curves, top lane first, and the fuel (1 petrol, 0 gas; empty: no band). The spans
    // are read at every paint: they must stay valid until the next call. The view keeps its
    // place in the new data (or follows its end).
    void setCurves(std::vector<Curve> curves);
    void setFuel(Series fuel, const QString& petrolName, const QString& gasName,
                 const MinMaxIndex* index = nullptr);
    const std::vector<Curve>& curves() const { return m_curves; }

    TimeView& view() { return m_view; }
    const TimeView& view() const { return m_view; }
    // Shows the whole data, or follows its end with a window of `seconds`.
    void resetView();
    void follow(double seconds);

    // The cursor's time; NaN when there is none.
    double cursor() const { return m_cursor; }
    void setCursor(double t);
    // What the cursor reads on curve `i`; NaN where there is nothing to read.
    double cursorValue(int i) const;

    // Greyed: what is drawn is not live (the live chart while no record comes in). The fitter
    // may still look through it.
    void setGreyed(bool greyed);

    // A reading as the plot writes it: at most one decimal, "-" for nothing.
    static QString valueText(double v);
    // The colour of the n-th curve of a screen, the same on every plot of it.
    static QColor colourOf(int n);

signals:
    // The fitter moved the view or the cursor (a live chart pauses to let them look).
    void moved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Where the lanes are drawn (the whole plot less the scale gutter, the band and the axis).
    QRect plotArea() const;
    double timeAt(double x) const;
    double xOf(double t) const;
    void updateExtent();
    void changed();
    void paintLane(QPainter& p, const Curve& c, int i, const QRect& lane);
    static void paintCurve(QPainter& p, const std::vector<PlotPoint>& points, ReadRule rule,
                           const QColor& colour,
                           const std::function<QPointF(const PlotPoint&)>& at);
    void paintBand(QPainter& p, const QRect& band);
    void paintAxis(QPainter& p, const QRect& area);
    bool lit() const { return isEnabled() && !m_greyed; }
    QColor ink() const;

    std::vector<Curve> m_curves;
    Series m_fuel;
    const MinMaxIndex* m_fuelIndex = nullptr;
    QString m_petrol;
    QString m_gas;
    TimeView m_view;
    double m_cursor;
    bool m_greyed = false;
    // A drag under way: where it started, the button, and the pan's range at the start.
    int m_dragFrom = -1;
    int m_dragTo = -1;
    Qt::MouseButton m_dragButton = Qt::NoButton;
    TimeRange m_panFrom;
    MinMaxIndex m_noIndex; // for curves without one of their own
};
