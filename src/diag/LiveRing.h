#pragma once

#include "link/LiveData.h"
#include "plot/PlotSeries.h"

#include <QtGlobal>
#include <array>
#include <span>
#include <vector>

// The curves of the live trend chart.
enum class LiveCurve {
    Rpm,
    Lambda1,
    Lambda1Mean,
    Pressure1,
    Temperature,
    PetrolTimeMean, // mean petrol injection time of the fitted cylinders
    GasTimeMean,    // mean gas injection time of the fitted cylinders
    Ktab,
    Kcor,
    FuelState, // 1 petrol, 0 gas
};
inline constexpr int LiveCurveCount = 10;

// The unit a curve's values are in ("" for the ECU's own factors and times, shown as they
// come), and how the cursor reads it between two records.
const char* liveCurveUnit(LiveCurve curve);
ReadRule liveCurveRule(LiveCurve curve);

// The last few minutes of live records, for the trend chart: a bounded ring of time-stamped
// values, oldest first.
//
// The samples are kept as plain arrays, one per curve, so that the drawing code reads them
// as curves without copying: new samples go at the end of a buffer twice the capacity, and
// when it is full the newest half moves to the front, once per `capacity` samples.
class LiveRing {
public:
    // 300 s of records at the live screen's poll of 150 ms is 2,000; room besides for the
    // gap markers and for a faster poll.
    static constexpr int DefaultCapacity = 3000;

    explicit LiveRing(int capacity = DefaultCapacity);

    // A decoded live record at `ms` on a monotonic clock. Only the first `cylinders` (held to
    // 1..8) injection times count towards the means: the others hold whatever an earlier
    // record or a wider engine left there.
    void addRecord(qint64 ms, const LiveData& live, int cylinders);
    // A poll that brought no record: a gap, where every curve stops and the cursor reads
    // nothing. A run of such polls is one gap, marked where it began.
    void addNoRecord(qint64 ms);
    void clear();

    int capacity() const { return m_capacity; }
    qsizetype size() const { return m_end - m_begin; }
    // Whether the newest entry is a record (false while the link is silent, or empty).
    bool receiving() const;

    // Seconds on the clock addRecord was given, never decreasing: a clock that steps back
    // is held at the newest time, so the times stay searchable.
    std::span<const double> times() const;
    std::span<const double> values(LiveCurve curve) const;
    Series series(LiveCurve curve) const { return {times(), values(curve)}; }

private:
    void push(qint64 ms, const std::array<double, LiveCurveCount>& values);

    int m_capacity;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    std::vector<double> m_times;
    std::array<std::vector<double>, LiveCurveCount> m_values;
};
