#include "screen/SetTopmost.h"

#include <QWidget>

void SetTopmost(QWidget* window, bool topmost) {
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost) return;
    // Changing a window flag re-creates the native window and hides it; keep where it was.
    const bool wasVisible = window->isVisible();
    const QPoint pos = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (wasVisible) {
        window->move(pos);
        window->show();
    }
}
