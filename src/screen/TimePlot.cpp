#include "screen/TimePlot.h"

#include "plot/AxisTicks.h"
#include "plot/CursorReadout.h"
#include "plot/Decimation.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

constexpr int Gutter = 58; // the value scales' labels, left of the lanes
constexpr int RightMargin = 10;
constexpr int BandHeight = 16;
constexpr int DragSlack = 4; // pixels a press may move and still be a click
constexpr double WheelStep = 0.8;

const QColor kPetrol(235, 160, 50);
const QColor kGas(70, 170, 100);
const QColor kCursor(0, 50, 140);
const QColor kGrid(225, 225, 225);

} // namespace

TimePlot::TimePlot(QWidget* parent)
    : QWidget(parent), m_cursor(std::numeric_limits<double>::quiet_NaN()) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);
    // Every pixel is painted here: nothing behind the plot is repainted with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimePlot::setCurves(std::vector<Curve> curves) {
    m_curves = std::move(curves);
    updateExtent();
    update();
}

void TimePlot::setFuel(Series fuel, const QString& petrolName, const QString& gasName,
                       const MinMaxIndex* index) {
    m_fuel = fuel;
    m_fuelIndex = index;
    m_petrol = petrolName;
    m_gas = gasName;
    updateExtent();
    update();
}

void TimePlot::updateExtent() {
    double begin = std::numeric_limits<double>::infinity();
    double end = -begin;
    auto take = [&](std::span<const double> t) {
        if (t.empty()) return;
        begin = std::min(begin, t.front());
        end = std::max(end, t.back());
    };
    for (const Curve& c : m_curves)
        take(c.series.t);
    take(m_fuel.t);
    if (begin <= end) m_view.setExtent({begin, end});
}

void TimePlot::resetView() {
    m_view.reset();
    update();
}

void TimePlot::follow(double seconds) {
    m_view.follow(seconds);
    update();
}

void TimePlot::setGreyed(bool greyed) {
    if (m_greyed == greyed) return;
    m_greyed = greyed;
    update();
}

QColor TimePlot::colourOf(int n) {
    static const QColor kColours[] = {
        // Dark enough on white, and none of them grey: grey is the look of a plot not live.
        QColor(200, 30, 30),  QColor(30, 90, 200), QColor(110, 60, 170), QColor(0, 140, 140),
        QColor(190, 100, 0),  QColor(40, 140, 40), QColor(200, 0, 140),  QColor(0, 40, 120),
        QColor(140, 110, 20), QColor(150, 40, 80),
    };
    return kColours[std::size_t(std::max(0, n)) % std::size(kColours)];
}

QColor TimePlot::ink() const {
    return palette().color(lit() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
}

void TimePlot::setCursor(double t) {
    m_cursor = t;
    update();
}

double TimePlot::cursorValue(int i) const {
    if (i < 0 || i >= int(m_curves.size())) return std::numeric_limits<double>::quiet_NaN();
    const Curve& c = m_curves[std::size_t(i)];
    return readAt(c.series, m_cursor, c.rule);
}

QString TimePlot::valueText(double v) {
    if (!std::isfinite(v)) return QStringLiteral("-");
    const double tenths = std::round(v * 10) / 10;
    return QString::number(tenths, 'f', tenths == std::round(tenths) ? 0 : 1);
}

QRect TimePlot::plotArea() const {
    const int axis = fontMetrics().height() + 8;
    const int band = m_fuel.t.empty() ? 0 : BandHeight + 2;
    return rect().adjusted(Gutter, 4, -RightMargin, -(axis + band));
}

double TimePlot::timeAt(double x) const {
    const QRect a = plotArea();
    const TimeRange r = m_view.range();
    return r.begin + (x - a.left()) * (r.end - r.begin) / std::max(1, a.width());
}

double TimePlot::xOf(double t) const {
    const QRect a = plotArea();
    const TimeRange r = m_view.range();
    return a.left() + (t - r.begin) / (r.end - r.begin) * a.width();
}

void TimePlot::changed() {
    update();
    emit moved();
}

// ---------------------------------------------------------------- painting

void TimePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const QRect area = plotArea();
    if (area.width() < 2 || area.height() < 2) return;
    const int n = int(m_curves.size());
    for (int i = 0; i < n; ++i) {
        const int top = area.top() + area.height() * i / n;
        const int bottom = area.top() + area.height() * (i + 1) / n;
        paintLane(p, m_curves[std::size_t(i)], i,
                  QRect(area.left(), top, area.width(), bottom - top));
    }
    if (!m_fuel.t.empty())
        paintBand(p, QRect(area.left(), area.bottom() + 2, area.width(), BandHeight));
    paintAxis(p, area);

    if (m_dragButton == Qt::LeftButton && std::abs(m_dragTo - m_dragFrom) > DragSlack) {
        const int x0 = std::min(m_dragFrom, m_dragTo);
        p.fillRect(QRect(x0, area.top(), std::abs(m_dragTo - m_dragFrom), area.height()),
                   QColor(0, 50, 140, 40));
    }
    const double cx = xOf(m_cursor);
    if (std::isfinite(cx) && cx >= area.left() && cx <= area.right() + 1) {
        p.setPen(QPen(lit() ? kCursor : ink(), 1, Qt::DashLine));
        p.drawLine(QPointF(cx, area.top()),
                   QPointF(cx, rect().bottom() - fontMetrics().height() - 6));
    }
}

void TimePlot::paintLane(QPainter& p, const Curve& c, int i, const QRect& lane) {
    const QColor colour = lit() ? c.colour : ink();
    const QFontMetrics fm = fontMetrics();
    const TimeRange range = m_view.range();
    const std::vector<PlotPoint> points =
        decimate(c.series, c.index ? *c.index : m_noIndex, range, lane.width());

    // The scale spans what is shown, not the whole curve: zoomed in, a small swing fills the
    // lane. The points just outside the range are left out of it.
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const PlotPoint& pt : points)
        if (std::isfinite(pt.v) && pt.t >= range.begin && pt.t <= range.end) {
            low = std::min(low, pt.v);
            high = std::max(high, pt.v);
        }
    const QRect curveArea = lane.adjusted(0, fm.height() + 2, 0, -3);
    p.setPen(kGrid);
    p.drawLine(lane.bottomLeft(), lane.bottomRight());
    if (low <= high && curveArea.height() > 2) {
        const ValueScale scale =
            valueScale(low, high, std::clamp(curveArea.height() / (fm.height() + 6), 1, 6));
        auto yOf = [&](double v) {
            return curveArea.bottom() -
                   (v - scale.low) / (scale.high - scale.low) * curveArea.height();
        };
        for (double tick : valueTicks(scale)) {
            const double y = yOf(tick);
            p.setPen(kGrid);
            p.drawLine(QPointF(curveArea.left(), y), QPointF(curveArea.right(), y));
            p.setPen(ink());
            p.drawText(QRectF(0, y - fm.height() / 2.0, Gutter - 6, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(tick, 'f', scale.decimals));
        }
        p.save();
        p.setClipRect(lane.adjusted(0, 0, 1, 0));
        paintCurve(p, points, c.rule, colour, [&](const PlotPoint& pt) {
            return QPointF(curveArea.left() +
                               (pt.t - range.begin) * curveArea.width() / (range.end - range.begin),
                           yOf(pt.v));
        });
        p.restore();
    }
    // The name, the unit and what the cursor reads, over the lane.
    QString title = c.name;
    if (!c.unit.isEmpty()) title += QStringLiteral(" [%1]").arg(c.unit);
    if (std::isfinite(m_cursor)) title += QStringLiteral("  ") + valueText(cursorValue(i));
    QFont bold = p.font();
    bold.setBold(true);
    p.save();
    p.setFont(bold);
    p.setPen(colour);
    p.drawText(lane.left() + 4, lane.top() + QFontMetrics(bold).ascent() + 1, title);
    p.restore();
}

// Zoomed out, a pixel column holds hundreds of samples of a restless curve (lambda swings
// every second): a polyline through them makes the painter rasterise the same column again and
// again, hundreds of milliseconds a repaint. Each column is drawn instead as one vertical span
// from its smallest to its largest value, and a line joins it to the next column. Zoomed in,
// the spans shrink to points and the joins are the curve's own segments.
void TimePlot::paintCurve(QPainter& p, const std::vector<PlotPoint>& points, ReadRule rule,
                          const QColor& colour,
                          const std::function<QPointF(const PlotPoint&)>& at) {
    std::vector<QRectF> spans;
    std::vector<QLineF> joins;
    bool open = false; // a column is being collected
    int column = 0;
    double top = 0, bottom = 0;
    QPointF last;
    auto closeColumn = [&] {
        if (open) spans.emplace_back(column, top, 1, std::max(1.0, bottom - top + 1));
    };
    for (const PlotPoint& pt : points) {
        if (!std::isfinite(pt.v)) {
            // A gap: nothing joins across it.
            closeColumn();
            open = false;
            continue;
        }
        const QPointF q = at(pt);
        const int x = int(std::floor(q.x()));
        if (open && x == column) {
            top = std::min(top, q.y());
            bottom = std::max(bottom, q.y());
            last = q;
            continue;
        }
        closeColumn();
        top = bottom = q.y();
        if (open) {
            if (rule == ReadRule::Step) {
                // A state holds until the next sample: flat, then straight up or down.
                joins.emplace_back(last, QPointF(q.x(), last.y()));
                top = std::min(top, last.y());
                bottom = std::max(bottom, last.y());
            } else {
                joins.emplace_back(last, q);
            }
        }
        open = true;
        column = x;
        last = q;
    }
    closeColumn();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRects(spans.data(), int(spans.size()));
    p.setPen(QPen(colour, 0));
    p.drawLines(joins.data(), int(joins.size()));
}

void TimePlot::paintBand(QPainter& p, const QRect& band) {
    const TimeRange range = m_view.range();
    const auto runs =
        stepRuns(decimate(m_fuel, m_fuelIndex ? *m_fuelIndex : m_noIndex, range, band.width()));
    p.save();
    p.setClipRect(band);
    p.fillRect(band, kGrid);
    for (const StepRun& run : runs) {
        const double x0 = std::max(double(band.left()), xOf(run.begin));
        const double x1 = std::min(double(band.right() + 1), xOf(run.end));
        if (x1 < x0) continue;
        const bool petrol = run.value >= 0.5;
        const QRectF r(x0, band.top(), std::max(1.0, x1 - x0), band.height());
        p.fillRect(r, lit() ? (petrol ? kPetrol : kGas) : ink().lighter(150));
        const QString name = petrol ? m_petrol : m_gas;
        if (fontMetrics().horizontalAdvance(name) + 8 < r.width()) {
            p.setPen(Qt::white);
            p.drawText(r, Qt::AlignCenter, name);
        }
    }
    p.restore();
}

void TimePlot::paintAxis(QPainter& p, const QRect& area) {
    const TimeRange range = m_view.range();
    const QFontMetrics fm = fontMetrics();
    const int y = rect().bottom() - fm.height() - 6;
    const QColor text = ink();
    p.setPen(text);
    p.drawLine(area.left(), y, area.right(), y);
    const TimeTicks ticks = timeTicks(range, area.width(), 90);
    for (double t : ticks.at) {
        const double x = xOf(t);
        p.drawLine(QPointF(x, y), QPointF(x, y + 4));
        const QString label = timeText(t, ticks.style, ticks.decimals);
        // Centred under its tick, but never cut by the plot's edge.
        const int w = fm.horizontalAdvance(label);
        p.drawText(
            QPointF(std::clamp(x - w / 2.0, 0.0, double(width() - w - 1)), y + 4 + fm.ascent()),
            label);
    }
    // The cursor's time, boxed over the tick labels.
    const double cx = xOf(m_cursor);
    if (std::isfinite(cx) && cx >= area.left() && cx <= area.right() + 1) {
        const QString label = timeText(m_cursor, ticks.style, ticks.decimals + 2);
        const int w = fm.horizontalAdvance(label) + 10;
        const QRectF box(std::clamp(cx - w / 2.0, 0.0, double(width() - w)), y + 2, w,
                         fm.height() + 2);
        p.fillRect(box, lit() ? kCursor : text);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, label);
    }
}

// ---------------------------------------------------------------- the fitter's hands

void TimePlot::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    m_dragButton = event->button();
    m_dragFrom = m_dragTo = int(event->position().x());
    m_panFrom = m_view.range();
}

void TimePlot::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragButton == Qt::NoButton) return;
    m_dragTo = int(event->position().x());
    if (m_dragButton == Qt::LeftButton) {
        update();
        return;
    }
    // Right or middle drag: the data follows the pointer.
    const double dt = (m_dragTo - m_dragFrom) * (m_panFrom.end - m_panFrom.begin) /
                      std::max(1, plotArea().width());
    m_view.show({m_panFrom.begin - dt, m_panFrom.end - dt});
    changed();
}

void TimePlot::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::MouseButton button = m_dragButton;
    m_dragButton = Qt::NoButton;
    if (button != Qt::LeftButton) return;
    m_dragTo = int(event->position().x());
    if (std::abs(m_dragTo - m_dragFrom) > DragSlack)
        m_view.show({timeAt(m_dragFrom), timeAt(m_dragTo)});
    else
        m_cursor = timeAt(m_dragTo);
    changed();
}

void TimePlot::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const double notches = (delta.y() != 0 ? delta.y() : delta.x()) / 120.0;
    if (notches == 0) return;
    if (delta.y() == 0 || event->modifiers().testFlag(Qt::ShiftModifier))
        m_view.pan(-0.1 * notches);
    else
        m_view.zoomBy(std::pow(WheelStep, notches), timeAt(event->position().x()));
    event->accept();
    changed();
}

void TimePlot::keyPressEvent(QKeyEvent* event) {
    const TimeRange r = m_view.range();
    const double at = std::isfinite(m_cursor) ? m_cursor : (r.begin + r.end) / 2;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const Series s = m_curves.empty() ? m_fuel : m_curves.front().series;
        const int direction = event->key() == Qt::Key_Right ? 1 : -1;
        // Without a cursor the first press puts it in the middle of the view.
        m_cursor = std::isfinite(m_cursor) ? neighbourTime(s, at, direction) : at;
        m_view.reveal(m_cursor);
        break;
    }
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_view.zoomBy(0.5, at);
        break;
    case Qt::Key_Minus:
        m_view.zoomBy(2, at);
        break;
    case Qt::Key_PageUp:
        m_view.pan(-0.5);
        break;
    case Qt::Key_PageDown:
        m_view.pan(0.5);
        break;
    case Qt::Key_Home:
        m_view.reset();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    changed();
}
