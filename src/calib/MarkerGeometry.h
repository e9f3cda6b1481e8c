#pragma once

#include "Breakpoints.h"
#include "TableCell.h"

#include <QPointF>
#include <QRect>
#include <QRectF>

// Geometry of the calibration page's grid and of the operating-point marker. The page is laid
// out in twips, as it was designed; toPixels() is the one place where twips become pixels.
namespace MarkerGeometry {

inline constexpr int TwipsPerPixel = 15;
inline constexpr int MarkerSize = 375; // the marker circle, twips
inline constexpr int BoxHeight = 330;
inline constexpr int BoxWidth = 735;
inline constexpr int TinjBoxWidth = 855; // the left column of injection-time breakpoints

double toPixels(double twips);
QRectF toPixels(const QRectF& twips);

// Text6 element 0..79 in twips: 0..7 rpm breakpoints (top row), 8..15 injection-time
// breakpoints (left column), 16 + 8 * row + column the table cells. Empty for other numbers.
QRect textBox(int element);

// Marker left edge for an engine speed, and top edge for a petrol injection time, in twips.
float markerLeft(int rpm, const std::array<int, 8>& rpmBreakpoints);
float markerTop(int petrolTinj, const std::array<int, 8>& tinjBreakpoints);
// Top-left corner of the marker, twips.
QPointF marker(int rpm, int petrolTinj, const Breakpoints& breakpoints);

// The cell the marker shows: between two breakpoints the marker slides from one column (row)
// to the next and reaches it at the breakpoint, so the cell is the last one whose breakpoint
// the value has reached; below the first breakpoint the first, above the last the last.
// With rising breakpoints this is also the cell the ECU applies.
int column(int rpm, const std::array<int, 8>& rpmBreakpoints);
int row(int petrolTinj, const std::array<int, 8>& tinjBreakpoints);
TableCell cellAt(int rpm, int petrolTinj, const Breakpoints& breakpoints);

} // namespace MarkerGeometry
