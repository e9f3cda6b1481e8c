#include "screens/pages/Form14.h"

#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "pages/LevelThresholdRanges.h"
#include "pages/PageLayouts.h"
#include "params/FieldCheck.h"
#include "screen/Shape.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

using Outcome = ExchangeCycle::Outcome;

// A dark lamp is clearly dark: at 0,192,0 against 0,255,0 a fitter could not tell a lit step
// from an unlit one on a laptop screen in a workshop, nor the reserve's dim red from its
// bright red.
constexpr Rgb kStepDark{0, 80, 0};
constexpr Rgb kReserveDark{110, 0, 0};

const RequestPlan& plan() {
    return RequestPlan::parameterPage();
}

QScrollBar* thresholdBar(QWidget* parent, const QString& name) {
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(name);
    // The larger percentage at the top, as on the tank.
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(false);
    bar->setPageStep(5);
    bar->setFixedHeight(130);
    return bar;
}

} // namespace

Form14::Form14(FormContext& context)
    : ParameterPageForm(ScreenId::Form14, context, PageLayouts::levelIndicator()) {
    // The thresholds are set with their scroll bars only.
    for (const char* t : {"Text3", "Text4", "Text5"})
        keepLocked(QString::fromLatin1(t));

    Text6 = named(new QLineEdit(this), QStringLiteral("Text6"));
    Text6->setReadOnly(true);
    Text6->setStyleSheet(QStringLiteral("QLineEdit { background-color: rgb(232,232,232); }"));
    Text6->setMinimumWidth(80);
    Text6->setMaximumWidth(90);
    Text6->setAlignment(Qt::AlignRight);
    auto* label19 = named(new QLabel(lang("F14_L19", QStringLiteral("LIVELLO ATTUALE")), this),
                          QStringLiteral("Label19"));
    label19->setBuddy(Text6);
    Text6->setAccessibleName(label19->text());
    Command3 = named(new QPushButton(lang("F14_C03", QStringLiteral("Imposta come max")), this),
                     QStringLiteral("Command3"));
    Command4 = named(new QPushButton(lang("F14_C04", QStringLiteral("Imposta come min")), this),
                     QStringLiteral("Command4"));
    connect(Command3, &QPushButton::clicked, this,
            [this] { box(QStringLiteral("Text2"))->setText(Text6->text()); });
    connect(Command4, &QPushButton::clicked, this,
            [this] { box(QStringLiteral("Text1"))->setText(Text6->text()); });

    auto* readings = new QGridLayout;
    readings->setHorizontalSpacing(10);
    int row = 0;
    for (const auto& [control, button] : {std::pair{QStringLiteral("Text1"), Command4},
                                          std::pair{QStringLiteral("Text2"), Command3}}) {
        readings->addWidget(labelOf(control), row, 0);
        readings->addWidget(box(control), row, 1);
        readings->addWidget(unitOf(control), row, 2);
        readings->addWidget(button, row, 3);
        ++row;
    }
    readings->addWidget(label19, row, 0);
    readings->addWidget(Text6, row, 1);
    readings->addWidget(new QLabel(QStringLiteral("mV"), this), row, 2);
    Shape6 = new Shape(Shape::Kind::Circle, this);
    Shape6->setObjectName(QStringLiteral("Shape6"));
    Shape6->setFixedSize(22, 22);
    Shape6->setAccessibleName(QStringLiteral("Shape6"));
    readings->addWidget(Shape6, row, 3, Qt::AlignLeft);
    readings->setColumnStretch(0, 1);

    auto* top = new QVBoxLayout;
    top->addWidget(choice(QStringLiteral("Option4")));
    top->addLayout(readings);

    auto* body = new QHBoxLayout;
    body->addLayout(top, 3);
    body->addSpacing(18);
    body->addLayout(buildIndicator(), 4);
    arrange(body);
    m_indicator.configure(g.parameters);
    showLayout();
    startPolling();
}

QLayout* Form14::buildIndicator() {
    VScroll1 = thresholdBar(this, QStringLiteral("VScroll1"));
    VScroll2 = thresholdBar(this, QStringLiteral("VScroll2"));
    VScroll3 = thresholdBar(this, QStringLiteral("VScroll3"));
    const auto moved = [this](QScrollBar* bar, const char* control) {
        connect(bar, &QScrollBar::valueChanged, this, [this, control](int value) {
            if (m_settingBars) return;
            box(QString::fromLatin1(control))->setText(QString::number(value));
            thresholdMoved();
        });
    };
    moved(VScroll3, "Text3");
    moved(VScroll2, "Text4");
    moved(VScroll1, "Text5");

    Text7 = named(new QLineEdit(this), QStringLiteral("Text7"));
    Text7->setReadOnly(true);
    Text7->setStyleSheet(QStringLiteral("QLineEdit { background-color: rgb(232,232,232); }"));
    Text7->setMaximumWidth(60);
    const auto fourStep = [this](const char* name, const char* key, const char* design) {
        auto* l = named(new QLabel(lang(key, QString::fromUtf8(design)), this),
                        QString::fromLatin1(name));
        l->setWordWrap(true);
        return l;
    };
    // Column by column from the reserve up; each threshold has a three-step and a four-step
    // label in the same place, and the sender's layout shows one of them.
    struct Column {
        QLabel* threeStep;
        QLabel* fourStep;
        QScrollBar* bar;
        QLineEdit* box;
        QLabel* unit;
    };
    const Column columns[] = {
        {nullptr, fourStep("Label22", "F14_L22", "SOGLIA Ris->1/4"), nullptr, Text7,
         named(new QLabel(QStringLiteral("%"), this), QStringLiteral("Label16"))},
        {labelOf(QStringLiteral("Text3")), fourStep("Label7", "F14_L07", "SOGLIA 1/4 -> 2/4"),
         VScroll3, box(QStringLiteral("Text3")), unitOf(QStringLiteral("Text3"))},
        {labelOf(QStringLiteral("Text4")), fourStep("Label8", "F14_L08", "SOGLIA 2/4 -> 3/4"),
         VScroll2, box(QStringLiteral("Text4")), unitOf(QStringLiteral("Text4"))},
        {labelOf(QStringLiteral("Text5")), fourStep("Label10", "F14_L10", "SOGLIA 3/4 -> 4/4"),
         VScroll1, box(QStringLiteral("Text5")), unitOf(QStringLiteral("Text5"))},
    };
    for (const Column& c : columns)
        if (c.threeStep) c.threeStep->setWordWrap(true);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setRowMinimumHeight(1, 136);
    int col = 0;
    for (const Column& c : columns) {
        if (c.threeStep) grid->addWidget(c.threeStep, 0, col, Qt::AlignBottom);
        grid->addWidget(c.fourStep, 0, col, Qt::AlignBottom);
        if (c.bar) grid->addWidget(c.bar, 1, col, Qt::AlignHCenter);
        c.box->setMinimumWidth(60);
        c.box->setMaximumWidth(70);
        auto* boxRow = new QHBoxLayout;
        boxRow->addWidget(c.box);
        boxRow->addWidget(c.unit);
        grid->addLayout(boxRow, 2, col);
        grid->setColumnMinimumWidth(col, 96);
        ++col;
    }

    // The lamps as the car shows them, a staircase from the reserve (bottom) up.
    auto* lamps = new QVBoxLayout;
    lamps->setSpacing(6);
    int width = 72;
    for (const char* name : {"Shape4", "Shape3", "Shape2", "Shape5", "Shape1"}) {
        auto* lamp = new Shape(Shape::Kind::RoundedRectangle, this);
        lamp->setObjectName(QString::fromLatin1(name));
        lamp->setAccessibleName(QString::fromLatin1(name));
        lamp->setFixedSize(width, 22);
        width -= 10;
        lamps->addWidget(lamp, 0, Qt::AlignHCenter);
        m_lamps.insert(QString::fromLatin1(name), lamp);
    }
    lamps->addStretch();
    for (Shape* lamp : m_lamps)
        lamp->setFill(lamp->objectName() == QLatin1String("Shape1") ? kReserveDark : kStepDark);

    auto* indicator = new QHBoxLayout;
    indicator->addLayout(grid);
    indicator->addSpacing(12);
    indicator->addLayout(lamps);
    return indicator;
}

void Form14::startPolling() {
    cycle().on(Commands::CalibrationLive,
               [this](const QByteArray& reply) { return liveReading(reply); });
    // Without a connection the page neither polls nor shows a reading.
    if (!connected() || !ensureOpen()) return;
    cycle().send(plan().calibrationLive(0));
    cycle().start(plan().intervalOf(Commands::CalibrationLive));
}

ExchangeCycle::Outcome Form14::liveReading(const QByteArray& reply) {
    if (!LiveDecoding::decodeCalibrationLive(reply, g.liveData)) return Outcome::Rejected;
    Text6->setText(QString::number(g.liveData.LevelInput));
    const LevelIndicatorLamps lit = m_indicator.show(g.liveData.LevelInput);
    for (const QString& step : LevelIndicator::stepLamps(m_indicator.layout()))
        m_lamps.value(step)->setFill(lit.lit.contains(step) ? Colours::Green : kStepDark);
    m_lamps.value(QStringLiteral("Shape1"))
        ->setFill(lit.reserveBright ? Colours::Red : kReserveDark);
    Shape6->setFill(g.liveData.FuelState == 1 ? Colours::Red : Colours::Green);
    if (!m_haveReading) {
        m_haveReading = true;
        Text6->setEnabled(true);
        modeChanged();
    }
    return Outcome::Next;
}

void Form14::linkLost() {
    // As the live screen does: the last reading greyed, no lamp lit from it, and nothing to
    // set empty or full from until the ECU sends a reading again.
    m_haveReading = false;
    Text6->setEnabled(false);
    for (Shape* lamp : m_lamps)
        lamp->setFill(lamp->objectName() == QLatin1String("Shape1") ? kReserveDark : kStepDark);
    Shape6->setFill(QColor(Qt::lightGray));
    modeChanged();
}

void Form14::showValues(const PageValues& values) {
    ParameterPageForm::showValues(values);
    const auto t1 = FieldCheck::readNumber(values.texts.value(QStringLiteral("Text3")));
    const auto t2 = FieldCheck::readNumber(values.texts.value(QStringLiteral("Text4")));
    const auto t3 = FieldCheck::readNumber(values.texts.value(QStringLiteral("Text5")));
    if (t1 && t2 && t3) setBars(*t1, *t2, *t3);
}

void Form14::setBars(int threshold1, int threshold2, int threshold3) {
    // Each bar's range holds the value it shows, so setting a range never moves a value.
    m_settingBars = true;
    const LevelThresholdRanges r = LevelThresholdRanges::around(threshold1, threshold2, threshold3);
    VScroll3->setRange(r.first.low, r.first.high);
    VScroll3->setValue(threshold1);
    VScroll2->setRange(r.second.low, r.second.high);
    VScroll2->setValue(threshold2);
    VScroll1->setRange(r.third.low, r.third.high);
    VScroll1->setValue(threshold3);
    m_settingBars = false;
}

void Form14::thresholdMoved() {
    setBars(VScroll3->value(), VScroll2->value(), VScroll1->value());
}

void Form14::modeChanged() {
    const bool editing = isWriteMode();
    for (QScrollBar* bar : {VScroll1, VScroll2, VScroll3})
        bar->setEnabled(editing);
    // Nothing to copy until the ECU has sent a reading.
    Command3->setEnabled(editing && m_haveReading);
    Command4->setEnabled(editing && m_haveReading);
}

void Form14::committed() {
    m_indicator.configure(g.parameters);
    showLayout();
}

ExchangeCycle::Outcome Form14::afterWrite() {
    cycle().send(plan().calibrationLive(0));
    return Outcome::Next;
}

ExchangeCycle::Outcome Form14::whenIdleAndFound() {
    return Outcome::Next;
}

void Form14::showLayout() {
    // The layout follows the sender the ECU holds, not one chosen and not yet written.
    const LevelLayout layout = m_indicator.layout();
    const LevelLayout other =
        layout == LevelLayout::ThreeStep ? LevelLayout::FourStep : LevelLayout::ThreeStep;
    for (const QString& name : LevelIndicator::layoutControls(other))
        if (auto* w = findChild<QWidget*>(name)) w->hide();
    for (const QString& name : LevelIndicator::layoutControls(layout))
        if (auto* w = findChild<QWidget*>(name)) w->show();
}
