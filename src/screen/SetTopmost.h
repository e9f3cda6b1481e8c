#pragma once

class QWidget;

// Puts a window above all ordinary windows (true) or back among them (false), without
// moving or resizing it.
void SetTopmost(QWidget* window, bool topmost);
