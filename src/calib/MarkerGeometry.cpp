#include "MarkerGeometry.h"

namespace {

struct Axis {
    double below;      // the value lies under the first breakpoint
    double above;      // the value lies over the last breakpoint
    double firstStart; // where segment 0 starts
    double step;       // width of one segment
};

constexpr Axis RpmAxis{960, 7440, 1320, 840};
constexpr Axis TinjAxis{720, 4320, 840, 480};

// Linear position between the two breakpoints around `value`. Segment 0 runs from b0 to b1
// with both ends included; segment i (1..6) from just above b(i) to b(i+1). Breakpoints come
// from the ECU and need not be increasing: b1 < value <= b7 still always has a crossing pair,
// and the fraction stays within 0..1. The only zero width left is b0 == b1 == value, which puts
// the marker at the start of the segment.
struct Place {
    enum class Where { Below, Within, Above } where;
    int segment = 0;
    double fraction = 0; // 0..1
};

Place place(int value, const std::array<int, 8>& b) {
    if (value > b[7]) return {Place::Where::Above};
    if (value < b[0]) return {Place::Where::Below};
    int i = 0;
    if (value > b[1]) {
        i = 1;
        while (i < 6 && !(b[i] < value && value <= b[i + 1]))
            ++i;
    }
    const double from = b[i];
    const double width = double(b[i + 1]) - from;
    return {Place::Where::Within, i, width > 0 ? (value - from) / width : 0.0};
}

double position(int value, const std::array<int, 8>& b, const Axis& axis) {
    const Place p = place(value, b);
    if (p.where == Place::Where::Above) return axis.above;
    if (p.where == Place::Where::Below) return axis.below;
    return axis.firstStart + axis.step * p.segment + axis.step * p.fraction;
}

int cellOnAxis(int value, const std::array<int, 8>& b) {
    const Place p = place(value, b);
    if (p.where == Place::Where::Above) return 7;
    if (p.where == Place::Where::Below) return 0;
    // The fraction is exactly 1 at the segment's upper breakpoint (value == width).
    return p.segment + (p.fraction >= 1.0 ? 1 : 0);
}

} // namespace

namespace MarkerGeometry {

double toPixels(double twips) {
    return twips / TwipsPerPixel;
}

QRectF toPixels(const QRectF& twips) {
    return {toPixels(twips.x()), toPixels(twips.y()), toPixels(twips.width()),
            toPixels(twips.height())};
}

QRect textBox(int element) {
    if (element >= 0 && element < 8) return {1080 + 840 * element, 240, BoxWidth, BoxHeight};
    if (element >= 8 && element < 16)
        return {120, 840 + 480 * (element - 8), TinjBoxWidth, BoxHeight};
    if (element >= 16 && element < 80) {
        const int cell = element - 16;
        return {1080 + 840 * (cell % 8), 840 + 480 * (cell / 8), BoxWidth, BoxHeight};
    }
    return {};
}

float markerLeft(int rpm, const std::array<int, 8>& rpmBreakpoints) {
    return float(position(rpm, rpmBreakpoints, RpmAxis));
}

float markerTop(int petrolTinj, const std::array<int, 8>& tinjBreakpoints) {
    return float(position(petrolTinj, tinjBreakpoints, TinjAxis));
}

QPointF marker(int rpm, int petrolTinj, const Breakpoints& breakpoints) {
    return {markerLeft(rpm, breakpoints.rpm), markerTop(petrolTinj, breakpoints.tinj)};
}

int column(int rpm, const std::array<int, 8>& rpmBreakpoints) {
    return cellOnAxis(rpm, rpmBreakpoints);
}

int row(int petrolTinj, const std::array<int, 8>& tinjBreakpoints) {
    return cellOnAxis(petrolTinj, tinjBreakpoints);
}

TableCell cellAt(int rpm, int petrolTinj, const Breakpoints& breakpoints) {
    return {row(petrolTinj, breakpoints.tinj), column(rpm, breakpoints.rpm)};
}

} // namespace MarkerGeometry
