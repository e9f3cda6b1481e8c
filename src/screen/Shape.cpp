#include "screen/Shape.h"

#include <QPainter>

Shape::Shape(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void Shape::setFill(const QColor& colour) {
    if (colour == m_fill) return;
    m_fill = colour;
    update();
}

void Shape::setBorder(const QColor& colour) {
    m_border = colour;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, m_kind != Kind::Rectangle);
    p.setPen(QPen(m_border, 1));
    p.setBrush(m_fill);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    switch (m_kind) {
    case Kind::Rectangle:
        p.drawRect(r);
        break;
    case Kind::Circle:
        p.drawEllipse(r);
        break;
    case Kind::RoundedRectangle:
        p.drawRoundedRect(r, 4, 4);
        break;
    }
}
