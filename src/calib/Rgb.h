#pragma once

// A colour as the page and the graphical view paint it. Core code has no QtGui, so the
// screens turn it into a QColor where they paint.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};
