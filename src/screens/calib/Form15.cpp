#include "screens/calib/Form15.h"

#include "calib/CalibrationTexts.h"
#include "screen/Shape.h"
#include "screens/calib/CalibrationPlot.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kBackground(225, 225, 225);

const QString kLegendStyle = QStringLiteral(
    "QPushButton { text-align: left; padding: 3px 8px; border: 1px solid transparent;"
    " background: transparent; }"
    "QPushButton:hover { border: 1px solid rgb(120,120,120); }"
    "QPushButton:checked { background: white; border: 1px solid black; font-weight: bold; }"
    "QPushButton:focus { border: 1px dotted black; }");

} // namespace

Form15::Form15(FormContext& context)
    : FormBase(ScreenId::Form15, context),
      m_graph(g.connected() ? CalibrationGraph::fromParameters(g.parameters)
                            : CalibrationGraph::demonstration()) {
    QPalette back = palette();
    back.setColor(QPalette::Window, kBackground);
    setPalette(back);
    setAutoFillBackground(true);

    m_plot = new CalibrationPlot(m_graph, this);
    connect(m_plot, &CalibrationPlot::pressed, this, [this](QPoint at) {
        m_keyPoint = -1;
        inspect(at);
    });
    connect(m_plot, &CalibrationPlot::stepped, this, &Form15::stepPoint);

    // Read-out: captions over the three boxes.
    Label1 = named(new QLabel(QStringLiteral("RPM"), this), QStringLiteral("Label1"));
    Label2 = named(new QLabel(QStringLiteral("TINJ"), this), QStringLiteral("Label2"));
    Label29 = named(new QLabel(QStringLiteral("KGB"), this), QStringLiteral("Label29"));
    Text1 = named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("Text1"));
    Text2 = named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("Text2"));
    Text3 = named(new QLineEdit(QStringLiteral("0"), this), QStringLiteral("Text3"));
    auto* readout = new QGridLayout;
    QLabel* captions[] = {Label1, Label2, Label29};
    QLineEdit* boxes[] = {Text1, Text2, Text3};
    for (int i = 0; i < 3; ++i) {
        captions[i]->setAlignment(Qt::AlignCenter);
        captions[i]->setBuddy(boxes[i]);
        // Read-only rather than disabled: greyed digits are hard to read beside a running
        // engine, and a screen reader skips a disabled box.
        boxes[i]->setReadOnly(true);
        boxes[i]->setAlignment(Qt::AlignCenter);
        boxes[i]->setFocusPolicy(Qt::ClickFocus);
        boxes[i]->setFixedWidth(66);
        boxes[i]->setStyleSheet(QStringLiteral("QLineEdit { background: rgb(225,225,225); }"));
        QFont f = boxes[i]->font();
        f.setPointSize(12);
        f.setBold(true);
        boxes[i]->setFont(f);
        readout->addWidget(captions[i], 0, i);
        readout->addWidget(boxes[i], 1, i);
    }

    // Legend: each curve's line in its colour beside a button with its rpm breakpoint.
    auto* legendBox = named(new QFrame(this), QStringLiteral("Shape2"));
    legendBox->setFrameShape(QFrame::Box);
    legendBox->setStyleSheet(kLegendStyle);
    auto* legend = new QGridLayout(legendBox);
    legend->setContentsMargins(8, 8, 8, 8);
    legend->setVerticalSpacing(2);
    for (int c = 0; c < CalibrationGraph::CurveCount; ++c) {
        auto* line = named(new Shape(Shape::Kind::Rectangle, legendBox),
                           QStringLiteral("Line%1").arg(4 + c));
        line->setFixedSize(36, 6);
        auto* label = named(new QPushButton(legendBox), QStringLiteral("Label%1").arg(23 + c));
        label->setCheckable(true);
        label->setFocusPolicy(Qt::StrongFocus);
        QFont f = label->font();
        f.setPointSize(11);
        label->setFont(f);
        connect(label, &QPushButton::clicked, this, [this, c] { selectCurve(c + 1); });
        legend->addWidget(line, c, 0);
        legend->addWidget(label, c, 1);
        m_legendLine[c] = line;
        m_legend[c] = label;
    }
    Label30 = named(new QPushButton(QStringLiteral("Deselezionare"), legendBox),
                    QStringLiteral("Label30"));
    Label30->setFocusPolicy(Qt::StrongFocus);
    connect(Label30, &QPushButton::clicked, this, &Form15::deselect);
    legend->addWidget(Label30, CalibrationGraph::CurveCount, 0, 1, 2);

    Command1 = named(new QPushButton(this), QStringLiteral("Command1"));
    Command1->setMinimumHeight(40);
    Command1->setCursor(Qt::PointingHandCursor);
    Command1->setStyleSheet(QStringLiteral("QPushButton { background: rgb(210,210,210); }"));
    connect(Command1, &QPushButton::clicked, this, &Form15::onCloseRequested);

    auto* side = new QVBoxLayout;
    side->setContentsMargins(0, 12, 12, 12);
    side->addLayout(readout);
    side->addSpacing(12);
    side->addWidget(legendBox);
    side->addStretch();
    side->addWidget(Command1);
    // The plot sits at the window's top left corner: its pixels are the window's pixels.
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(12);
    root->addWidget(m_plot, 1);
    root->addLayout(side, 0);

    QWidget* order[] = {m_legend[0], m_legend[1], m_legend[2], m_legend[3], m_legend[4],
                        m_legend[5], Label30,     m_plot,      Command1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(CalibrationGraph::BlinkIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &Form15::Timer1Tick);

    applyLanguageStrings();
    showCurves();
    // Opened at its natural size: the plot at scale 1, its pixels the window's.
    resize(sizeHint());
}

void Form15::applyLanguageStrings() {
    const auto captions =
        CalibrationTexts::graphCaptions(g.LanguageIndex, g.connected(), g.language);
    setWindowTitle(captions.title);
    Label1->setText(captions.label1);
    Label2->setText(captions.label2);
    Label29->setText(captions.label29);
    Label30->setText(captions.label30);
    m_plot->setCaptions(captions.label3, captions.label4);
    m_plot->setAccessibleName(captions.title);
    Command1->setText(lang("F01_C02", QStringLiteral("EXIT")));
    for (int c = 0; c < CalibrationGraph::CurveCount; ++c) {
        m_legend[c]->setText(m_graph.legendText(c, g.LanguageIndex));
        m_legendLine[c]->setAccessibleName(m_legend[c]->text());
    }
}

void Form15::showCurves() {
    for (int c = 0; c < CalibrationGraph::CurveCount; ++c) {
        m_legendLine[c]->setFill(m_graph.paintColour(c + 1));
        m_legend[c]->setChecked(m_graph.selectedCurve() == c + 1);
    }
    m_plot->update();
}

void Form15::selectCurve(int curve) {
    m_graph.selectCurve(curve);
    m_keyPoint = -1;
    m_plot->setMarker(-1, 0);
    // A full second in colour before the first white one, whatever the timer was doing.
    Timer1->start();
    showCurves();
}

void Form15::deselect() {
    // The running timer's next tick paints every curve in colour and stops.
    m_graph.deselect();
    m_keyPoint = -1;
    m_plot->setMarker(-1, 0);
    showCurves();
}

void Form15::Timer1Tick() {
    Timer1->stop();
    if (m_graph.blinkTick()) Timer1->start();
    showCurves();
}

void Form15::inspect(QPoint viewPixel) {
    const CalibrationGraph::Click click = m_graph.click(viewPixel);
    if (click.needsCurve) {
        Timer1->stop();
        showCurves();
        showSelectCurveMessage();
        return;
    }
    for (int i = 0; i < click.beeps; ++i)
        ctx.dialogs.beep();
    if (!click.readout) return;
    Text1->setText(QString::number(click.readout->rpm));
    Text2->setText(QString::number(click.readout->tinj));
    Text3->setText(QString::number(click.readout->value));
}

void Form15::mousePressEvent(QMouseEvent* event) {
    // Before a curve is chosen a click anywhere on the view asks for one, as on the plot:
    // a click beside the curves that did nothing would leave the fitter guessing. With a
    // curve chosen there is no point out here to read.
    event->accept();
    if (m_graph.selectedCurve() == 0) inspect({});
}

void Form15::stepPoint(int delta) {
    const int curve = m_graph.selectedCurve();
    if (curve == 0) {
        inspect({}); // nothing chosen yet: the same message as a click
        return;
    }
    const int last = CalibrationGraph::PointsPerCurve - 1;
    m_keyPoint = m_keyPoint < 0 ? (delta > 0 ? 0 : last) : std::clamp(m_keyPoint + delta, 0, last);
    m_plot->setMarker(curve - 1, m_keyPoint);
    inspect(m_graph.position(curve - 1, m_keyPoint));
}

void Form15::showSelectCurveMessage() {
    const auto message = CalibrationTexts::selectCurveMessage(g.LanguageIndex, g.language);
    Screen* screen = ctx.host.show(ScreenId::Form12);
    auto* box = screen ? qobject_cast<QWidget*>(screen->asObject()) : nullptr;
    if (!box) return;
    m_messageShown = true;
    screen->setMessage(message.caption, message.text);
    box->move(geometry().center() - box->rect().center());
}

void Form15::onUnload() {
    Timer1->stop();
    if (m_messageShown) ctx.host.unload(ScreenId::Form12);
    m_messageShown = false;
}

void Form15::onCloseRequested() {
    // Unloaded first: the calibration page takes the front again and resumes its polling.
    ctx.host.unload(ScreenId::Form15);
    ctx.host.show(ScreenId::Form16);
}
