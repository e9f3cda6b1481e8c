// The log viewer's core: how long a long live log takes to read, what it holds in memory,
// and how long the points of a repaint take to work out at a laptop's width.
#include "BenchTools.h"

#include "diag/LogLines.h"
#include "diag/LogReader.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"
#include "plot/Decimation.h"
#include "plot/MinMaxIndex.h"
#include "screen/TimePlot.h"
#include "screens/diag/Form17.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

constexpr int ScreenWidth = 1366;

// A live log as the live screen writes it, a line every 50 ms: an engine driven round a
// cycle, switching to gas a minute in and back to petrol now and then.
bool writeLiveLog(const QString& path, int lines) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    ParameterSet parameters;
    const LanguageTable italian;
    QByteArray out =
        LogLines::headers(LogKind::Live, QStringLiteral("3.1.2"), {1, 4, 7}, parameters, italian);
    QRandomGenerator rng(72000);
    LiveData d;
    for (int i = 0; i < lines; ++i) {
        const double s = i * 0.05;
        const bool gas = s > 60 && std::fmod(s, 1800) > 30;
        d.EcuState = gas ? 12 : 3;
        d.Rpm = int(2200 + 1400 * std::sin(s / 7) + rng.bounded(40));
        d.Kcor = 100 + rng.bounded(9);
        d.Pressure1 = 1100 + rng.bounded(60) - (gas ? d.Rpm / 40 : 0);
        d.Pressure2 = 400 + rng.bounded(30);
        d.Temperature = std::min(85, 10 + i / 600);
        d.Lambda1 = 100 + rng.bounded(800);
        d.LevelInput = 3000 - i / 1000;
        for (int c = 0; c < 8; ++c)
            d.PetrolInjTime[c] = 2500 + d.Rpm / 2 + rng.bounded(100);
        out += LogLines::liveLine(50 + 50 * qint64(i), d);
        if (out.size() > (1 << 20)) {
            if (f.write(out) != out.size()) return false;
            out.clear();
        }
    }
    return f.write(out) == out.size();
}

// Forgets the peak so far, so the next reading of it is this log's own (Linux only).
void resetPeakRss() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

struct Indexed {
    std::vector<Series> curves;
    std::vector<MinMaxIndex> indexes;
};

Indexed indexAll(const LogFile& log) {
    Indexed x;
    for (int c = 0; c < int(log.columns.size()); ++c) {
        const Series s = log.series(c);
        if (s.t.empty()) continue;
        x.curves.push_back(s);
        x.indexes.emplace_back(s.v);
    }
    return x;
}

// Every value curve's points for one repaint.
std::size_t decimateAll(const Indexed& x, TimeRange range) {
    std::size_t points = 0;
    for (std::size_t i = 0; i < x.curves.size(); ++i)
        points += decimate(x.curves[i], x.indexes[i], range, ScreenWidth).size();
    return points;
}

// One curve's points on its own scale, in the pixels of an image: x from the time, y from
// the curve's smallest value at the bottom to its largest at the top. NaN stays NaN.
std::vector<QPointF> toPixels(const std::vector<PlotPoint>& points, TimeRange range,
                              const QImage& image) {
    double lo = 0, hi = 0;
    bool first = true;
    for (const PlotPoint& pt : points) {
        if (std::isnan(pt.v)) continue;
        lo = first ? pt.v : std::min(lo, pt.v);
        hi = first ? pt.v : std::max(hi, pt.v);
        first = false;
    }
    const double xScale = image.width() / (range.end - range.begin);
    const double yScale = (image.height() - 1) / std::max(1.0, hi - lo);
    std::vector<QPointF> out;
    out.reserve(points.size());
    for (const PlotPoint& pt : points)
        out.emplace_back((pt.t - range.begin) * xScale, (hi - pt.v) * yScale);
    return out;
}

QColor colourOf(std::size_t curve, std::size_t curves) {
    return QColor::fromHsv(int(curve * 360 / curves), 255, 200);
}

// A whole repaint with QPainter alone: each curve a polyline through its points, broken at
// the gaps, with a cosmetic (one pixel) pen.
void paintPolylines(QImage& image, const Indexed& x, TimeRange range, bool antialiased) {
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, antialiased);
    QPolygonF line;
    for (std::size_t i = 0; i < x.curves.size(); ++i) {
        p.setPen(QPen(colourOf(i, x.curves.size()), 0));
        line.clear();
        for (const QPointF& q :
             toPixels(decimate(x.curves[i], x.indexes[i], range, image.width()), range, image)) {
            if (!std::isnan(q.y())) {
                line << q;
                continue;
            }
            p.drawPolyline(line);
            line.clear();
        }
        p.drawPolyline(line);
    }
}

// A whole repaint as a plot of our own would do it: per pixel column one vertical span from
// its smallest to its largest value, written into the image directly, and the line from each
// column's last point to the next column's first drawn by QPainter. The painter rasterises a
// vertical line one pixel row per call, and a curve as restless as lambda spans the whole
// height in every column of a zoomed-out view. (Gaps are left out: these logs have none.)
void paintColumnSpans(QImage& image, const Indexed& x, TimeRange range) {
    image.fill(Qt::white);
    QPainter p(&image);
    const auto stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    QList<QLineF> joins;
    for (std::size_t i = 0; i < x.curves.size(); ++i) {
        const QColor colour = colourOf(i, x.curves.size());
        const QRgb rgb = colour.rgb();
        joins.clear();
        int column = -1;
        double top = 0, bottom = 0;
        QPointF last;
        auto span = [&] {
            const int cx = std::clamp(column, 0, image.width() - 1);
            const int y1 = std::clamp(int(bottom), 0, image.height() - 1);
            for (int y = std::clamp(int(top), 0, image.height() - 1); y <= y1; ++y)
                bits[y * stride + cx] = rgb;
        };
        for (const QPointF& q :
             toPixels(decimate(x.curves[i], x.indexes[i], range, image.width()), range, image)) {
            if (std::isnan(q.y())) continue;
            if (int(q.x()) != column) {
                if (column >= 0) {
                    span();
                    joins << QLineF(last, q);
                }
                column = int(q.x());
                top = bottom = q.y();
            }
            top = std::min(top, q.y());
            bottom = std::max(bottom, q.y());
            last = q;
        }
        if (column >= 0) span();
        p.setPen(QPen(colour, 0));
        p.drawLines(joins);
    }
}

void benchLog(const QString& path, const char* name, int runs, const LogHeadings& headings) {
    const QByteArray label(name);
    auto title = [&label](const char* what) {
        static QByteArray text;
        text = "viewer, " + label + ": " + what;
        return text.constData();
    };
    figure(title("file size"), double(QFileInfo(path).size()) / (1024 * 1024), "MiB");
    const double readMs = medianMs(runs, [&] { (void)readLogFile(path, headings); });
    figure(title("read"), readMs, "ms");

    const double before = residentMiB();
    resetPeakRss();
    QElapsedTimer open;
    open.start();
    const LogFile log = readLogFile(path, headings);
    const Indexed x = indexAll(log);
    const TimeRange all{log.time.front(), log.time.back()};
    const std::size_t fullPoints = decimateAll(x, all);
    const double openMs = double(open.nsecsElapsed()) / 1e6;
    if (!log.ok() || log.badLines != 0) return figure(title("READ FAILED"), 0, "");
    figure(title("open: read, index, points of all 16 curves"), openMs, "ms");
    figure(title("peak resident memory while opening"), peakRssMiB(), "MiB");
    figure(title("resident memory held by the log and its index"), residentMiB() - before, "MiB");

    figure(title("index of all 16 curves"), medianMs(runs, [&] { (void)indexAll(log); }), "ms");
    figure(title("repaint points, full view, 16 curves (median of 20)"),
           medianMs(20, [&] { (void)decimateAll(x, all); }), "ms");
    figure(title("points drawn, full view, 16 curves"), double(fullPoints), "");
    QImage image(ScreenWidth, 600, QImage::Format_RGB32);
    figure(title("repaint 1366x600, full view, 16 polylines (median of 10)"),
           medianMs(10, [&] { paintPolylines(image, x, all, false); }), "ms");
    figure(title("repaint 1366x600, full view, 16 polylines antialiased (median of 10)"),
           medianMs(10, [&] { paintPolylines(image, x, all, true); }), "ms");
    figure(title("repaint 1366x600, full view, 16 curves in column spans (median of 10)"),
           medianMs(10, [&] { paintColumnSpans(image, x, all); }), "ms");
    figure(title("repaint 1366x600, full view, 4 curves in column spans (median of 10)"),
           medianMs(10,
                    [&] {
                        Indexed four;
                        for (std::size_t i : {1u, 2u, 5u, 6u}) {
                            four.curves.push_back(x.curves[i]);
                            four.indexes.push_back(x.indexes[i]);
                        }
                        paintColumnSpans(image, four, all);
                    }),
           "ms");
    const double mid = (all.begin + all.end) / 2;
    figure(title("repaint points, 10 min zoom, 16 curves (median of 20)"),
           medianMs(20,
                    [&] {
                        (void)decimateAll(x, {mid, mid + 600});
                    }),
           "ms");
    figure(title("repaint points, 5 s zoom, 16 curves (median of 20)"),
           medianMs(20,
                    [&] {
                        (void)decimateAll(x, {mid, mid + 5});
                    }),
           "ms");
    // A pan: the view slides a tenth of its width per step.
    figure(title("repaint points, panning a 1 h view, 16 curves (median of 20)"),
           medianMs(20,
                    [&, step = 0]() mutable {
                        const double from = all.begin + 360.0 * (step++ % 50);
                        (void)decimateAll(x, {from, from + 3600});
                    }),
           "ms");
}

// The log viewer screen itself at a laptop's 1366 x 768: the file opened and drawn, then
// zoomed and panned, each step painted.
void benchViewerScreen(const QString& path, const char* name) {
    const QByteArray label(name);
    auto title = [&label](const char* what) {
        static QByteArray text;
        text = "viewer screen, " + label + ": " + what;
        return text.constData();
    };
    World w;
    w.host.show(ScreenId::Form17);
    auto* viewer = w.screen<Form17>(ScreenId::Form17);
    auto* plot = w.control<TimePlot>(ScreenId::Form17, QStringLiteral("Plot1"));
    viewer->resize(1366, 768);
    runEventLoopFor(100);
    const double before = residentMiB();
    resetPeakRss();
    QElapsedTimer open;
    open.start();
    viewer->openFile(path);
    plot->repaint();
    figure(title("open and draw"), double(open.nsecsElapsed()) / 1e6, "ms");
    figure(title("peak resident memory while opening, whole process"), peakRssMiB(), "MiB");
    figure(title("resident memory held by the open log"), residentMiB() - before, "MiB");
    if (!viewer->log().ok()) return figure(title("READ FAILED"), 0, "");
    const TimeRange all = plot->view().range();
    figure(title("repaint, whole log (median of 20)"), medianMs(20, [plot] { plot->repaint(); }),
           "ms");
    const double mid = (all.begin + all.end) / 2;
    double worst = 0;
    for (double span : {3600.0, 600.0, 60.0, 5.0}) {
        plot->view().show({mid, mid + span});
        worst = std::max(worst, medianMs(10, [plot] { plot->repaint(); }));
    }
    figure(title("zoom repaint, worst of 1 h, 10 min, 1 min, 5 s (median of 10)"), worst, "ms");
    figure(title("wheel zoom step and repaint (median of 20)"),
           medianMs(20,
                    [plot, mid, step = 0]() mutable {
                        plot->view().zoomBy(step++ % 2 ? 1.25 : 0.8, mid);
                        plot->repaint();
                    }),
           "ms");
    plot->view().show({all.begin, all.begin + (all.end - all.begin) / 10});
    figure(title("pan a tenth of the view and repaint (median of 20)"),
           medianMs(20,
                    [plot] {
                        plot->view().pan(0.1);
                        plot->repaint();
                    }),
           "ms");
    w.click(ScreenId::Form17, QStringLiteral("Command4"));
}

} // namespace

void benchViewer() {
    QTemporaryDir dir;
    const QString hour = dir.filePath(QStringLiteral("hour.log"));
    const QString tenHours = dir.filePath(QStringLiteral("ten-hours.log"));
    if (!writeLiveLog(hour, 72000) || !writeLiveLog(tenHours, 720000))
        return figure("viewer: cannot write the logs", 0, "");
    const LogHeadings headings = knownLogHeadings(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Stringhe312.txt")));
    benchLog(hour, "1 h live log (72,000 lines)", 5, headings);
    benchLog(tenHours, "10 h live log (720,000 lines)", 3, headings);
    benchViewerScreen(hour, "1 h live log (72,000 lines)");
    benchViewerScreen(tenHours, "10 h live log (720,000 lines)");
}
