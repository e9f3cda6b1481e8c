#include "screens/calib/CellMap.h"

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
    // One header column and row for the breakpoints, then eight cells each way.
    const double w = width() / 9.0;
    const double h = height() / 9.0;
    const auto box = [w, h](int row, int column) {
        return QRectF(w * (column + 1), h * (row + 1), w, h).adjusted(1, 1, -1, -1);
    };
    QFont plain = font();
    plain.setPointSizeF(std::max(7.0, std::min(w, h) / 3.2));
    QFont bold = plain;
    bold.setBold(true);

    p.setFont(plain);
    for (int i = 0; i < TableSide; ++i) {
        for (const QRectF& r : {box(-1, i), box(i, -1)}) {
            p.fillRect(r, kHeader);
        }
        p.setPen(Qt::black);
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
