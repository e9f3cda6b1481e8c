#pragma once

#include <array>

// A colour as the screens paint it, red/green/blue 0..255. Kept free of QtGui so the
// painting rules stay in the core library; a widget turns it into a QColor.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

namespace Colours {
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb DarkRed{150, 0, 0};
inline constexpr Rgb Green{0, 255, 0};
inline constexpr Rgb DarkGreen{0, 150, 0};
inline constexpr Rgb DimRed{192, 0, 0};   // reserve lamp off
inline constexpr Rgb DimGreen{0, 192, 0}; // level bar off
} // namespace Colours

// The three bars of the live screen have 20 segments each, segment 0 at the left.
inline constexpr int BarSegments = 20;
using SegmentColours = std::array<Rgb, BarSegments>;
