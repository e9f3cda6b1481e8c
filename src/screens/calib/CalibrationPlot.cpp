#include "screens/calib/CalibrationPlot.h"

#include "calib/CalibrationGraph.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QColor kBackground(225, 225, 225);
const QColor kGrid(96, 96, 96);

// Where the plot's lines and captions go, in view pixels at scale 1.
constexpr int kColumnTop = 40;
constexpr int kGridBottom = 400;
constexpr int kRowLeft = 56;
constexpr int kRowRight = 536;
const QRect kFrame(4, 4, 591, 447);
const QRect kAxisCaption(56, 426, 480, 20);
const QRect kValueCaption(26, 12, 60, 18);
constexpr int kLabelHeight = 18;
constexpr int kFontPixels = 12;

} // namespace

CalibrationPlot::CalibrationPlot(const CalibrationGraph& graph, QWidget* parent)
    : QWidget(parent), m_graph(graph) {
    setObjectName(QStringLiteral("Plot"));
    // A click on the plot inspects a point; the arrows step along the chosen curve.
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Label3 = makeLabel(QStringLiteral("Label3"), QString(), Qt::AlignCenter);
    Label4 = makeLabel(QStringLiteral("Label4"), QStringLiteral("KGB"), Qt::AlignCenter);
    for (std::size_t i = 0; i < m_scale.size(); ++i)
        m_scale[i] =
            makeLabel(QStringLiteral("Label%1").arg(5 + i), QString::number(100 + 10 * int(i)),
                      Qt::AlignRight | Qt::AlignVCenter);
    for (std::size_t j = 0; j < m_tinj.size(); ++j)
        m_tinj[j] = makeLabel(QStringLiteral("Label%1").arg(16 + j), QString(), Qt::AlignCenter);
    for (QLabel* l : {Label3, Label4}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    showBreakpoints();
    placeLabels();
}

QLabel* CalibrationPlot::makeLabel(const QString& name, const QString& text, Qt::Alignment align) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setAlignment(align);
    // Clicks on a caption belong to the plot, as they would on a painted one.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

void CalibrationPlot::setCaptions(const QString& horizontal, const QString& vertical) {
    Label3->setText(horizontal);
    Label4->setText(vertical);
}

void CalibrationPlot::showBreakpoints() {
    for (std::size_t j = 0; j < m_tinj.size(); ++j)
        m_tinj[j]->setText(QString::number(m_graph.tinjBreakpoint(int(j))));
}

void CalibrationPlot::setMarker(int column, int point) {
    m_markerColumn = column;
    m_markerPoint = point;
    update();
}

double CalibrationPlot::scale() const {
    if (width() <= 0 || height() <= 0) return 1.0;
    return std::min(double(width()) / BaseWidth, double(height()) / BaseHeight);
}

QPointF CalibrationPlot::origin() const {
    const double s = scale();
    return {(width() - BaseWidth * s) / 2, (height() - BaseHeight * s) / 2};
}

QPoint CalibrationPlot::toView(QPointF widgetPosition) const {
    const double s = scale();
    const QPointF at = (widgetPosition - origin()) / s;
    return {qRound(at.x()), qRound(at.y())};
}

QPoint CalibrationPlot::fromView(QPoint viewPixel) const {
    const QPointF at = QPointF(viewPixel) * scale() + origin();
    return {qRound(at.x()), qRound(at.y())};
}

void CalibrationPlot::placeLabels() {
    const double s = scale();
    auto place = [this, s](QLabel* label, QRect base) {
        QFont f = label->font();
        f.setPixelSize(std::max(1, qRound(kFontPixels * s)));
        label->setFont(f);
        label->setGeometry(QRect(fromView(base.topLeft()), fromView(base.bottomRight())));
    };
    place(Label3, kAxisCaption);
    place(Label4, kValueCaption);
    for (std::size_t i = 0; i < m_scale.size(); ++i) {
        const int y = CalibrationGraph::valueY(100 + 10 * int(i));
        place(m_scale[i], QRect(8, y - kLabelHeight / 2, 42, kLabelHeight));
    }
    for (std::size_t j = 0; j < m_tinj.size(); ++j) {
        const int x = CalibrationGraph::pointX(int(j));
        place(m_tinj[j], QRect(x - 32, 404, 64, kLabelHeight));
    }
}

void CalibrationPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.translate(origin());
    p.scale(scale(), scale());

    // Frame, grid and axes are straight lines on whole pixels: crisp without smoothing.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(kFrame);
    p.setPen(QPen(kGrid, 1, Qt::DotLine));
    for (int j = 0; j < CalibrationGraph::PointsPerCurve; ++j) {
        const int x = CalibrationGraph::pointX(j);
        p.drawLine(x, kColumnTop, x, kGridBottom);
    }
    for (int v = 100; v <= 200; v += 10) {
        const int y = CalibrationGraph::valueY(v);
        p.drawLine(kRowLeft, y, kRowRight, y);
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(48, 400, 584, 400); // Line1
    p.drawLine(56, 408, 56, 32);   // Line2

    // Curves 1..6 in order: a curve blinking white covers, for that second, the lower
    // numbered curves it crosses, as it always has.
    p.setRenderHint(QPainter::Antialiasing);
    for (int curve = 1; curve <= CalibrationGraph::CurveCount; ++curve) {
        const auto rgb = m_graph.paintColour(curve);
        const QColor colour(rgb.red, rgb.green, rgb.blue);
        const int c = curve - 1;
        p.setPen(QPen(colour, 1));
        for (int j = 0; j + 1 < CalibrationGraph::PointsPerCurve; ++j)
            p.drawLine(m_graph.position(c, j), m_graph.position(c, j + 1));
        p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap));
        for (int j = 0; j < CalibrationGraph::PointsPerCurve; ++j)
            p.drawPoint(m_graph.position(c, j));
    }

    if (!hasFocus()) return;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    if (m_markerColumn >= 0) {
        const QPoint at = m_graph.position(m_markerColumn, m_markerPoint);
        p.drawRect(QRect(at - QPoint(6, 6), QSize(12, 12)));
    } else {
        p.drawRect(kFrame.adjusted(3, 3, -3, -3));
    }
}

void CalibrationPlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeLabels();
}

void CalibrationPlot::mousePressEvent(QMouseEvent* event) {
    event->accept();
    setMarker(-1, 0);
    emit pressed(toView(event->position()));
}

void CalibrationPlot::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        emit stepped(-1);
        break;
    case Qt::Key_Right:
        emit stepped(1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
