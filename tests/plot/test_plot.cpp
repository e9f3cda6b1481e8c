#include "diag/LiveRing.h"
#include "plot/AxisTicks.h"
#include "plot/CursorReadout.h"
#include "plot/Decimation.h"
#include "plot/MinMaxIndex.h"
#include "plot/TimeView.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <limits>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// A noisy curve with runs of gaps and some repeated times, as a log of another program may
// have; seeded, so a failure repeats.
struct Curve {
    std::vector<double> t;
    std::vector<double> v;
    Series series() const { return {t, v}; }
};

Curve randomCurve(quint32 seed, int n) {
    QRandomGenerator rng(seed);
    Curve c;
    double t = rng.bounded(100.0) - 50;
    int gapLeft = 0;
    for (int i = 0; i < n; ++i) {
        t += rng.bounded(8) == 0 ? 0 : rng.bounded(1.0);
        if (gapLeft == 0 && rng.bounded(40) == 0)
            gapLeft = 1 + rng.bounded(rng.bounded(2) ? 3 : 80);
        c.t.push_back(t);
        c.v.push_back(gapLeft > 0 ? NaN : std::round(rng.bounded(2000.0)) - 1000);
        if (gapLeft > 0) --gapLeft;
    }
    return c;
}

// Per pixel column: the smallest and largest finite value in it (+inf and -inf where there
// is none), and how many finite points fell in it.
struct Extremes {
    std::vector<double> lo, hi;
    std::vector<int> count;
};

// The pixel columns of a plot, by the edges the decimation is documented to use.
struct Columns {
    TimeRange r;
    std::vector<double> edges; // where columns 1, 2, ... begin
    Columns(TimeRange range, int width) : r(range) {
        for (int c = 1; c < width; ++c)
            edges.push_back(r.begin + (r.end - r.begin) * (double(c) / width));
    }
    // The column a time falls into; -1 outside the range.
    int of(double t) const {
        if (t < r.begin || t > r.end) return -1;
        return int(std::upper_bound(edges.begin(), edges.end(), t) - edges.begin());
    }
    Extremes extremes(const std::vector<PlotPoint>& points) const {
        const std::size_t width = edges.size() + 1;
        const double inf = std::numeric_limits<double>::infinity();
        Extremes e{std::vector<double>(width, inf), std::vector<double>(width, -inf),
                   std::vector<int>(width, 0)};
        for (const PlotPoint& p : points) {
            const int col = of(p.t);
            if (col < 0 || std::isnan(p.v)) continue;
            e.lo[col] = std::min(e.lo[col], p.v);
            e.hi[col] = std::max(e.hi[col], p.v);
            ++e.count[col];
        }
        return e;
    }
};

// A view's range, to the microsecond: the arithmetic of a zoom leaves its last bits.
QString shown(const TimeView& v) {
    const auto at = [](double t) {
        return QString::number(std::round(t * 1e6) / 1e6 + 0.0, 'g', 12);
    };
    return at(v.range().begin) + QStringLiteral("..") + at(v.range().end);
}

LiveData record(int rpm, int fuel) {
    LiveData d;
    d.Rpm = rpm;
    d.FuelState = fuel;
    d.Lambda1 = rpm / 10;
    return d;
}

} // namespace

class TestPlot : public QObject {
    Q_OBJECT

private slots:
    // The index must name the same extremes as a plain scan for any stretch, whatever its
    // levels and wherever the gaps fall, or the decimation would drop peaks.
    void indexAgreesWithAScan() {
        for (int n : {0, 1, 15, 16, 17, 257, 5000}) {
            const Curve c = randomCurve(quint32(n) + 7, n);
            const MinMaxIndex index(c.v);
            QRandomGenerator rng{quint32(n)};
            for (int q = 0; q < 400; ++q) {
                const int a = n ? rng.bounded(n + 1) : 0;
                const int b = a + (n - a ? rng.bounded(n - a + 1) : 0);
                std::int64_t lo = -1, hi = -1, first = -1, last = -1;
                for (int i = a; i < b; ++i) {
                    if (std::isnan(c.v[i])) continue;
                    if (first < 0) first = i;
                    last = i;
                    if (lo < 0 || c.v[i] < c.v[lo]) lo = i;
                    if (hi < 0 || c.v[i] > c.v[hi]) hi = i;
                }
                const auto e = index.extremes(c.v, a, b);
                QCOMPARE(e.min, lo);
                QCOMPARE(e.max, hi);
                QCOMPARE(index.firstFinite(c.v, a, b), first);
                QCOMPARE(index.lastFinite(c.v, a, b), last);
            }
        }
        // Nothing finite at all, across several levels of blocks.
        const std::vector<double> gap(70000, NaN);
        const MinMaxIndex index(gap);
        QCOMPARE(index.extremes(gap, 0, 70000).min, std::int64_t(-1));
        QCOMPARE(index.firstFinite(gap, 3, 69999), std::int64_t(-1));
        QCOMPARE(index.lastFinite(gap, 0, 70000), std::int64_t(-1));
    }

    // Each pixel column keeps the smallest and largest value of the data in it, in time
    // order, with at most four points; at any zoom and width.
    void decimationKeepsEveryMinAndMaxPerPixelColumn() {
        for (int n : {1, 40, 3000, 60000}) {
            const Curve c = randomCurve(quint32(n), n);
            const MinMaxIndex index(c.v);
            std::vector<PlotPoint> samples;
            for (int i = 0; i < n; ++i)
                samples.push_back({c.t[i], c.v[i]});
            const double t0 = c.t.front(), t1 = c.t.back();
            const TimeRange ranges[] = {{t0, t1},
                                        {t0 - 10, t1 + 10},
                                        {t0 + (t1 - t0) * 0.3, t0 + (t1 - t0) * 0.31},
                                        {t0 + 1, t0 + 1.5}};
            for (const TimeRange& r : ranges) {
                if (!(r.end > r.begin)) continue; // one sample: nothing to divide
                for (int width : {1, 7, 300, 1366}) {
                    const Columns columns(r, width);
                    const Extremes data = columns.extremes(samples);
                    const auto points = decimate(c.series(), index, r, width);
                    for (std::size_t k = 1; k < points.size(); ++k)
                        QVERIFY(points[k].t >= points[k - 1].t);
                    const Extremes drawn = columns.extremes(points);
                    QCOMPARE(drawn.lo, data.lo);
                    QCOMPARE(drawn.hi, data.hi);
                    QVERIFY(*std::max_element(drawn.count.begin(), drawn.count.end()) <= 4);
                }
            }
        }
    }

    void decimationStopsTheLineAtGapsAndReachesTheEdges() {
        const std::vector<double> t{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        const std::vector<double> v{1, 2, 3, NaN, NaN, 6, 7, 8, 9, 10};
        const MinMaxIndex index(v);
        // One sample per column: every sample, and the gap once between 3 and 6.
        auto p = decimate({t, v}, index, {0, 9}, 10);
        QCOMPARE(p.size(), std::size_t(9));
        QCOMPARE(p[2].v, 3.0);
        QVERIFY(std::isnan(p[3].v));
        QCOMPARE(p[4].v, 6.0);
        // Zoomed on 4.5..6.5: the samples just outside carry the line to both edges.
        p = decimate({t, v}, index, {5.5, 6.5}, 100);
        QCOMPARE(p.front().t, 5.0);
        QCOMPARE(p.back().t, 7.0);
        // Nothing to draw, rather than nonsense, for ranges the arithmetic cannot hold.
        QVERIFY(decimate({t, v}, index, {5, 5}, 100).empty());
        QVERIFY(decimate({t, v}, index, {6, 5}, 100).empty());
        QVERIFY(decimate({t, v}, index, {0, 9}, 0).empty());
        QVERIFY(decimate({t, v}, index, {-1e308, 1e308}, 100).empty());
        QVERIFY(decimate({t, v}, index, {NaN, 9}, 100).empty());
        // A width beyond any screen costs what the samples cost, not what the pixels would.
        QCOMPARE(decimate({t, v}, index, {0, 9}, std::numeric_limits<int>::max()).size(),
                 std::size_t(9));
    }

    void fuelBandRunsFromStepPoints() {
        const std::vector<PlotPoint> p{{0, 1}, {1, 1}, {2, 0}, {3, 0}, {4, NaN}, {5, 0}, {6, 1}};
        QStringList runs; // begin-end:value
        for (const auto& r : stepRuns(p))
            runs << QStringLiteral("%1-%2:%3").arg(r.begin).arg(r.end).arg(r.value);
        // Petrol until the first gas sample; a gap ends a run at its last sample.
        QCOMPARE(runs.join(QLatin1Char(' ')), QStringLiteral("0-2:1 2-3:0 5-6:0 6-6:1"));
    }

    void cursorReadsBetweenSamples() {
        const std::vector<double> t{1, 2, 2, 4, 5, 6};
        const std::vector<double> v{10, 20, 30, 50, NaN, 70};
        const Series s{t, v};
        // Linear from the later of two equal times; nothing next to a gap, inside it, or
        // outside the samples.
        const ReadRule Linear = ReadRule::Linear, Step = ReadRule::Step;
        const std::tuple<double, ReadRule, double> reads[] = {
            {1.5, Linear, 15}, {3, Linear, 40},    {3, Step, 30},
            {4, Linear, 50},   {6, Linear, 70},    {4.5, Linear, NaN},
            {5.5, Step, NaN},  {0.5, Linear, NaN}, {6.5, Step, NaN}};
        for (const auto& [at, rule, value] : reads) // "nan" for nothing
            QCOMPARE(QString::number(readAt(s, at, rule)), QString::number(value));
        QVERIFY(std::isnan(readAt({}, 1, ReadRule::Step)));
        // The next sample's time either way, skipping equal times; the ends stay where they are.
        const std::tuple<double, int, double> neighbours[] = {
            {2, +1, 4}, {2, -1, 1}, {3, -1, 2}, {6, +1, 6}, {1, -1, 1}};
        for (const auto& [at, direction, next] : neighbours)
            QCOMPARE(neighbourTime(s, at, direction), next);
    }

    void timeAxisTicks() {
        // 60 s over 1000 px, labels at least 80 px apart: 4.8 s at least, so every 5 s.
        auto ticks = timeTicks({0, 60}, 1000, 80);
        QCOMPARE(ticks.step, 5.0);
        QCOMPARE(ticks.at.size(), std::size_t(13));
        QCOMPARE(ticks.at.back(), 60.0);
        QCOMPARE(ticks.style, TimeStyle::Seconds);
        // Ten hours on a laptop screen: hours.
        ticks = timeTicks({0, 36000}, 1366, 80);
        QCOMPARE(ticks.step, 3600.0);
        QCOMPARE(ticks.style, TimeStyle::Hours);
        // A zoom on 100 ms at 62.3 s: hundredths, in minutes and seconds.
        ticks = timeTicks({62.3, 62.4}, 1000, 80);
        QCOMPARE(ticks.step, 0.01);
        QCOMPARE(ticks.decimals, 2);
        QCOMPARE(ticks.style, TimeStyle::Minutes);
        QCOMPARE(timeText(ticks.at.front(), ticks.style, ticks.decimals),
                 QStringLiteral("1:02.30"));
        // 7 minutes in 700 px at 80 px: 48 s at least, so a minute, not 50 s.
        QCOMPARE(timeTicks({0, 420}, 700, 80).step, 60.0);
        QVERIFY(timeTicks({10, 10}, 1000, 80).at.empty());
        QVERIFY(timeTicks({0, 10}, 0, 80).at.empty());
        // A step below the precision of the times yields a tick, not an endless loop.
        QVERIFY(timeTicks({1e15, 1e15 + 1e-3}, 1000, 10).at.size() <= 1000);

        QCOMPARE(timeText(75.5, TimeStyle::Minutes, 1), QStringLiteral("1:15.5"));
        QCOMPARE(timeText(59.96, TimeStyle::Minutes, 1), QStringLiteral("1:00.0"));
        QCOMPARE(timeText(3725, TimeStyle::Hours, 0), QStringLiteral("1:02:05"));
        QCOMPARE(timeText(-5, TimeStyle::Minutes, 0), QStringLiteral("-0:05"));
    }

    // The fitter's moves on a 100 s log, each from the view the move before it left.
    void timeViewStaysOnTheData() {
        TimeView v;
        v.setExtent({0, 100});
        QCOMPARE(shown(v), QStringLiteral("0..100"));
        v.zoomBy(0.5, 20); // zoom in: 20 keeps its place
        QCOMPARE(shown(v), QStringLiteral("10..60"));
        v.pan(0.5); // later by half
        QCOMPARE(shown(v), QStringLiteral("35..85"));
        v.pan(3); // past the end: stops at it
        QCOMPARE(shown(v), QStringLiteral("50..100"));
        v.zoomBy(10, 70); // out beyond the whole: the whole
        QCOMPARE(shown(v), QStringLiteral("0..100"));
        v.show({42, 40}); // a range dragged right to left
        QCOMPARE(shown(v), QStringLiteral("40..42"));
        v.zoomBy(1e-9, 41); // zoomed to nothing: the narrowest, MinSpan
        QCOMPARE(shown(v), QStringLiteral("40.9..41.1"));
        v.show({70, 70}); // a drag of no width widens around it
        QCOMPARE(shown(v), QStringLiteral("69.9..70.1"));
        v.show({40, 50});
        v.reveal(30); // a time before the view
        QCOMPARE(shown(v), QStringLiteral("30..40"));
        v.reveal(35); // a time shown moves nothing
        QCOMPARE(shown(v), QStringLiteral("30..40"));
        v.setExtent({0, 200}); // the extent grows: the view keeps its place
        QCOMPARE(shown(v), QStringLiteral("30..40"));
        v.setExtent({0, 35}); // the extent shrinks under it: held inside
        QCOMPARE(shown(v), QStringLiteral("25..35"));
        // Nonsense is ignored.
        v.zoomBy(NaN, 5);
        v.zoomBy(-1, 5);
        v.pan(NaN);
        v.show({NaN, 3});
        v.reveal(NaN);
        v.setExtent({5, 1});
        QCOMPARE(shown(v), QStringLiteral("25..35"));
        v.follow(60); // the window up to the end, before the data too
        QCOMPARE(shown(v), QStringLiteral("-25..35"));
        v.setExtent({0, 90}); // following, the extent moves it
        QCOMPARE(shown(v), QStringLiteral("30..90"));
        v.zoomBy(0.5, 90); // a zoom stops following
        v.setExtent({0, 99});
        QCOMPARE(shown(v), QStringLiteral("60..90"));
        QVERIFY(!v.following());
        v.reset();
        QCOMPARE(shown(v), QStringLiteral("0..99"));
        // A single sample: the narrowest view centred on it.
        TimeView one;
        one.setExtent({5, 5});
        QCOMPARE(shown(one), QStringLiteral("4.9..5.1"));
    }

    void valueAxisScale() {
        ValueScale s = valueScale(0, 940, 5);
        QCOMPARE(s.step, 200.0);
        QCOMPARE(s.low, 0.0);
        QCOMPARE(s.high, 1000.0);
        QCOMPARE(valueTicks(s).size(), std::size_t(6));
        s = valueScale(0.93, 1.07, 4);
        QCOMPARE(s.step, 0.05);
        QCOMPARE(s.decimals, 2);
        QVERIFY(s.low <= 0.93 && s.high >= 1.07);
        // A flat curve still gets an axis around its value.
        s = valueScale(450, 450, 5);
        QVERIFY(s.low < 450 && s.high > 450 && s.step > 0);
        s = valueScale(NaN, 3, 5);
        QCOMPARE(s.low, 0.0);
        QCOMPARE(s.high, 1.0);
        QVERIFY(valueTicks(valueScale(-1e308, 1e308, 5)).size() <= 1000);
        QVERIFY(valueTicks(valueScale(1e15, 1e15 + 1e-3, 5)).size() <= 1000);
    }

    void liveRingWrapsAndMarksGaps() {
        LiveRing ring(5);
        QVERIFY(!ring.receiving());
        for (int i = 0; i < 12; ++i)
            ring.addRecord(1000 + i * 150, record(1000 + i, i < 10 ? 1 : 0), 4);
        // Twice round and more: bounded, the oldest kept first, in order.
        QCOMPARE(ring.size(), qsizetype(5));
        const auto kept = ring.times();
        QCOMPARE(std::vector<double>(kept.begin(), kept.end()),
                 (std::vector<double>{2.05, 2.2, 2.35, 2.5, 2.65})); // records 7 to 11
        QCOMPARE(ring.values(LiveCurve::Rpm).back(), 1011.0);
        QCOMPARE(ring.values(LiveCurve::FuelState)[2], 1.0);
        QCOMPARE(ring.values(LiveCurve::FuelState)[3], 0.0);
        QVERIFY(ring.receiving());

        // A silent link: one gap however many polls go unanswered.
        ring.addNoRecord(2900);
        ring.addNoRecord(3050);
        QCOMPARE(ring.size(), qsizetype(5));
        QVERIFY(!ring.receiving());
        QVERIFY(std::isnan(ring.values(LiveCurve::Rpm).back()));
        QCOMPARE(ring.times().back(), 2.9);
        ring.addRecord(3200, record(2000, 1), 4);
        QVERIFY(ring.receiving());
        const Series rpm = ring.series(LiveCurve::Rpm);
        QVERIFY(std::isnan(readAt(rpm, 3.0, ReadRule::Linear))); // within the gap
        QCOMPARE(readAt(rpm, 2.575, ReadRule::Linear), 1010.5);
        QCOMPARE(
            readAt(ring.series(LiveCurve::FuelState), 2.8, liveCurveRule(LiveCurve::FuelState)),
            0.0);

        // A clock that steps back is held, so the times stay in order.
        ring.addRecord(100, record(3000, 1), 4);
        QCOMPARE(ring.times().back(), 3.2);
    }

    void liveRingMeansOnlyTheFittedCylinders() {
        LiveRing ring;
        LiveData d;
        d.PetrolInjTime = {3000, 3100, 3200, 3300, 9999, 9999, 9999, 9999};
        d.GasInjTime = {4000, 4000, 4200, 4200, 0, 0, 0, 0};
        d.FuelState = 7; // anything but 1 is gas
        ring.addRecord(0, d, 4);
        ring.addRecord(150, d, 0); // a corrupt count reads as one cylinder
        QCOMPARE(ring.values(LiveCurve::PetrolTimeMean)[0], 3150.0);
        QCOMPARE(ring.values(LiveCurve::GasTimeMean)[0], 4100.0);
        QCOMPARE(ring.values(LiveCurve::PetrolTimeMean)[1], 3000.0);
        QCOMPARE(ring.values(LiveCurve::FuelState)[0], 0.0);
    }
};

QTEST_GUILESS_MAIN(TestPlot)
#include "test_plot.moc"
