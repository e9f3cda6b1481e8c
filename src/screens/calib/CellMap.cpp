#include "screens/calib/CellMap.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {

// Fills as the calibration page's fitter reads them: green done, amber done but not
// confirmed, red stopped at a limit, yellow about to change.
const QColor kCalibrated(170, 230, 170);
const QColor kUnverified(255, 205, 120);
const QColor kAtLimit(255, 170, 170);
const QColor kChanged(255, 240, 110);
const QColor kPlain(250, 250, 250);
const QColor kHeader(225, 225, 235);
const QColor kMarker(220, 134, 0); // the calibration page's operating-point marker
const QColor kTarget(0, 0, 160);
// The header column is this many cells wide: it holds five-digit injection times.
constexpr double HeaderColumns = 1.4;

// The base font at the largest size (no more than 40 % above its own) at which `sample` fits
// a width and height.
QFont fitted(QFont f, const QString& sample, double width, double height) {
    double size = f.pointSizeF() * 1.4;
    f.setPointSizeF(size);
    while (size > 6) {
        const QFontMetricsF m(f);
        if (m.horizontalAdvance(sample) <= width && m.height() <= height) break;
        size -= 0.5;
        f.setPointSizeF(size);
    }
    return f;
}

QColor fillOf(const CellCoverage::Result& r) {
    switch (r.outcome) {
    case CellCoverage::Outcome::Calibrated:
        return kCalibrated;
    case CellCoverage::Outcome::Unverified:
        return kUnverified;
    case CellCoverage::Outcome::AtMinimum:
    case CellCoverage::Outcome::AtMaximum:
        return kAtLimit;
    case CellCoverage::Outcome::None:
        break;
    }
    return kPlain;
}

} // namespace

CellMap::CellMap(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CellMap"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CellMap::show(const View& view) {
    m_view = view;
    update();
}

void CellMap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A header column for the injection-time breakpoints (five digits) and a header row for
    // the rpm ones, then eight cells each way.
    const double w = width() / (TableSide + HeaderColumns);
    const double h = height() / (TableSide + 1.0);
    const double headerWidth = w * HeaderColumns;
    const auto box = [w, h, headerWidth](int row, int column) {
        const double left = column < 0 ? 0 : headerWidth + w * column;
        return QRectF(left, h * (row + 1), column < 0 ? headerWidth : w, h).adjusted(1, 1, -1, -1);
    };
    QFont plain = fitted(font(), QStringLiteral("150"), w * 0.7, h * 0.6);
    QFont bold = plain;
    bold.setBold(true);
    const QFont header =
        fitted(font(), QStringLiteral("15000"), std::min(w, headerWidth) * 0.9, h * 0.5);

    p.setFont(header);
    p.setPen(Qt::black);
    for (int i = 0; i < TableSide; ++i) {
        p.fillRect(box(-1, i), kHeader);
        p.fillRect(box(i, -1), kHeader);
        p.drawText(box(-1, i), Qt::AlignCenter, QString::number(m_view.breakpoints.rpm[i]));
        p.drawText(box(i, -1), Qt::AlignCenter, QString::number(m_view.breakpoints.tinj[i]));
    }

    for (int row = 0; row < TableSide; ++row) {
        for (int column = 0; column < TableSide; ++column) {
            const TableCell cell{row, column};
            const QRectF r = box(row, column);
            const bool changed = m_view.proposal && m_view.changed[std::size_t(cell.index())];
            p.fillRect(r, changed ? kChanged : fillOf(m_view.results[std::size_t(cell.index())]));
            p.setPen(QPen(QColor(160, 160, 160), 1));
            p.drawRect(r);
            p.setPen(Qt::black);
            p.setFont(changed ? bold : plain);
            p.drawText(r, Qt::AlignCenter, QString::number(m_view.values[cell.index()]));
        }
    }

    if (m_view.target) {
        p.setPen(QPen(kTarget, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box(m_view.target->row, m_view.target->column).adjusted(1, 1, -1, -1));
    }
    if (m_view.engine) {
        // The page's marker, small, in the corner of the engine's cell.
        const QRectF r = box(m_view.engine->row, m_view.engine->column);
        const double d = std::min(r.width(), r.height()) / 3;
        p.setPen(Qt::NoPen);
        p.setBrush(kMarker);
        p.drawEllipse(QRectF(r.left() + 3, r.top() + 3, d, d));
        p.setPen(QPen(kMarker, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
    }
}
