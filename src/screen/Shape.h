#pragma once

#include "base/Rgb.h"

#include <QColor>
#include <QWidget>

// A filled shape the screens light and dim: lamps, bar segments, the operating-point marker.
// Painted, so its colour is exactly the one asked for on every style; its accessible name and
// description carry what it shows for a screen reader.
class Shape : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Rectangle, Circle, RoundedRectangle };

    explicit Shape(Kind kind = Kind::Rectangle, QWidget* parent = nullptr);

    void setFill(const QColor& colour);
    void setFill(const Rgb& colour) { setFill(toColour(colour)); }
    QColor fill() const { return m_fill; }
    void setBorder(const QColor& colour);

    static QColor toColour(const Rgb& c) { return QColor(c.red, c.green, c.blue); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QColor m_fill = Qt::lightGray;
    QColor m_border = Qt::black;
};
