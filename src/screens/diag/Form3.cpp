#include "screens/diag/Form3.h"

#include "base/Version.h"
#include "diag/LiveTexts.h"
#include "link/Commands.h"
#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "screen/Shape.h"
#include "screen/StatusLine.h"
#include "screen/TimePlot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

using Outcome = ExchangeCycle::Outcome;

constexpr int GraphicRefreshMs = 300;
constexpr int LogTickMs = 50;

const QString kLoggingTo = QStringLiteral("Acquisizione in corso su:");
const QString kLogClosed = QStringLiteral("File di log chiuso:");

const RequestPlan& plan() {
    return RequestPlan::liveAcquisition();
}

QLabel* small(QLabel* label) {
    QFont f = label->font();
    f.setPointSize(8);
    label->setFont(f);
    return label;
}

} // namespace

Form3::Form3(FormContext& context)
    : PollingScreen(ScreenId::Form3, context), m_log(LogKind::Live, context.g.language) {
    m_clock.start();
    buildControls();
    buildChart();
    buildLayout();
    applyLanguageStrings();
    m_layout = liveLayout(g.parameters);
    applyLayout();
    setupExchange();
    showChart(g.trend.shown);
    // A stray key press must never land on the fuel switch.
    Text15->setFocus();
    // Whatever the menu read just before opening the screen is shown at once; without a
    // link nothing is shown as a value.
    if (startPolling(plan().request(Commands::LiveRecord))) showValues();
    updateLogButtons();
}

void Form3::buildControls() {
    auto button = [this](const QString& text, const QString& name) {
        auto* b = named(new QPushButton(text, this), name);
        b->setMinimumHeight(36);
        return b;
    };
    Command1 = button(QStringLiteral("EXIT"), QStringLiteral("Command1"));
    Command2 = button(QStringLiteral("Commuta"), QStringLiteral("Command2"));
    Command3 = button(QStringLiteral("START Acquisizione"), QStringLiteral("Command3"));
    Command4 = button(QStringLiteral("STOP Acquisizione"), QStringLiteral("Command4"));
    Label3 = named(new QLabel(QStringLiteral("Log file"), this), QStringLiteral("Label3"));
    Text15 = named(new QLineEdit(this), QStringLiteral("Text15"));
    Label3->setBuddy(Text15);
    LogFileText = named(new QLabel(this), QStringLiteral("LogFileText"));
    LogFileText->setWordWrap(true);
    LogFileText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    LogFileText->hide();

    Label4 = named(new QLabel(QStringLiteral("VERSIONE SW ECU"), this), QStringLiteral("Label4"));
    Text17 = named(new QLineEdit(this), QStringLiteral("Text17"));
    Text17->setReadOnly(true);
    Text17->setAlignment(Qt::AlignCenter);
    // Wide enough for the lost-link text of any language, not only for a version number.
    const QFontMetrics metrics(Text17->font());
    Text17->setFixedWidth(std::max(metrics.horizontalAdvance(QStringLiteral("888.888.888")),
                                   metrics.horizontalAdvance(g.LostLinkText)) +
                          24);
    Label4->setBuddy(Text17);
    Label10 = named(new QLabel(QStringLiteral("Stato ECU"), this), QStringLiteral("Label10"));
    Text1 = valueBox(QStringLiteral("Text1"), 40);
    Text1->setMaximumWidth(QWIDGETSIZE_MAX);
    Text1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Text1->setStyleSheet(QStringLiteral("color: rgb(0,50,140);"));
    Label10->setBuddy(Text1);

    Label6 = named(new QLabel(QStringLiteral("RPM"), this), QStringLiteral("Label6"));
    Label7 = named(new QLabel(QStringLiteral("x min"), this), QStringLiteral("Label7"));
    Text6 = valueBox(QStringLiteral("Text6"), 5);
    QFont rpmFont = Text6->font();
    rpmFont.setPointSize(22);
    Text6->setFont(rpmFont);
    Text6->setFixedWidth(QFontMetrics(rpmFont).horizontalAdvance(QStringLiteral("88888")) + 16);
    Label6->setBuddy(Text6);

    Frame1 = frame(QStringLiteral("Frame1"), QStringLiteral("Tempi Iniezione"));
    for (int i = 0; i < 16; ++i)
        Text5[i] = valueBox(QStringLiteral("Text5_%1").arg(i), 5);
    for (int i = 0; i < 8; ++i) {
        CylinderLabel[i] = new QLabel(QString::number(i + 1), this);
        CylinderLabel[i]->setAlignment(Qt::AlignCenter);
    }
    Label11 = named(new QLabel(QStringLiteral("Benzina"), this), QStringLiteral("Label11"));
    Label5 = named(new QLabel(QStringLiteral("METANO"), this), QStringLiteral("Label5"));
    Label12 = named(new QLabel(QStringLiteral("GPL"), this), QStringLiteral("Label12"));

    Frame7 = frame(QStringLiteral("Frame7"), QStringLiteral("Pressione"));
    Text10 = valueBox(QStringLiteral("Text10"), 5);
    Shape3 = makeBar(QStringLiteral("Shape3"));
    Frame11 = frame(QStringLiteral("Frame11"), QStringLiteral("Pressione2"));
    Text12 = valueBox(QStringLiteral("Text12"), 5);
    Shape4 = makeBar(QStringLiteral("Shape4"));
    Frame2 = frame(QStringLiteral("Frame2"), QStringLiteral("LAMBDA"));
    Text3 = valueBox(QStringLiteral("Text3"), 5);
    Shape1 = makeBar(QStringLiteral("Shape1"));
    Label28 = named(new QLabel(QStringLiteral("MAGRA"), this), QStringLiteral("Label28"));
    Label29 = named(new QLabel(QStringLiteral("RICCA"), this), QStringLiteral("Label29"));
    Frame5 = frame(QStringLiteral("Frame5"), QStringLiteral("Media lambda"));
    Text2 = valueBox(QStringLiteral("Text2"), 5);
    Frame3 = frame(QStringLiteral("Frame3"), QStringLiteral("Temperatura"));
    Text8 = valueBox(QStringLiteral("Text8"), 6);
    Frame9 = frame(QStringLiteral("Frame9"), QStringLiteral("KTAB"));
    Text7 = valueBox(QStringLiteral("Text7"), 3);
    Frame6 = frame(QStringLiteral("Frame6"), QStringLiteral("KCOR"));
    Text9 = valueBox(QStringLiteral("Text9"), 3);

    Frame4 = frame(QStringLiteral("Frame4"), QStringLiteral("Livello"));
    Shape2 = named(new Shape(Shape::Kind::Circle, this), QStringLiteral("Shape2"));
    Shape2->setFixedSize(22, 22);
    for (int i = 0; i < LevelLamps::BarCount; ++i) {
        LevelBar[i] =
            named(new Shape(Shape::Kind::Rectangle, this), QStringLiteral("Shape%1").arg(8 + i));
        LevelBar[i]->setFixedSize(44, 14);
    }
    const char* scale[] = {"1/4", "2/4", "3/4", "4/4", "  0", "1/3", "2/3", "3/3"};
    for (int i = 0; i < 8; ++i)
        Label2[i] = small(named(new QLabel(QString::fromLatin1(scale[i]), this),
                                QStringLiteral("Label2_%1").arg(i)));
    Text4 = valueBox(QStringLiteral("Text4"), 5);

    Shape6 = named(new Shape(Shape::Kind::Circle, this), QStringLiteral("Shape6"));
    Shape7 = named(new Shape(Shape::Kind::Circle, this), QStringLiteral("Shape7"));
    PetrolLampLabel = named(new QLabel(this), QStringLiteral("PetrolLampLabel"));
    GasLampLabel = named(new QLabel(this), QStringLiteral("GasLampLabel"));
    for (Shape* lamp : {Shape6, Shape7})
        lamp->setFixedSize(34, 34);

    m_values = {Text1, Text6, Text10, Text12, Text3, Text2, Text8, Text7, Text9, Text4};

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(GraphicRefreshMs);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(LogTickMs);
    // A repeating precise timer keeps the log's 50 ms cadence: one stopped and restarted in
    // each tick would drift by the time the tick itself takes.
    Timer3->setTimerType(Qt::PreciseTimer);
    connect(Timer2, &QTimer::timeout, this, &Form3::Timer2Tick);
    connect(Timer3, &QTimer::timeout, this, &Form3::Timer3Tick);

    connect(Command1, &QPushButton::clicked, this, &Form3::onCloseRequested);
    // The switch toggles the fuel, so it goes out once per press and is never repeated: a
    // lost acknowledgement must not switch the engine back. The fuel lamps show the outcome.
    connect(Command2, &QPushButton::clicked, this,
            [this] { cycle().sendOnce(plan().request(Commands::SwitchFuel)); });
    connect(Command3, &QPushButton::clicked, this, &Form3::startLogging);
    connect(Command4, &QPushButton::clicked, this, &Form3::stopLogging);
}

void Form3::buildChart() {
    Command5 = named(new QPushButton(QStringLiteral("Grafico"), this), QStringLiteral("Command5"));
    Command5->setCheckable(true);
    Command5->setChecked(g.trend.shown);
    Command7 = named(new QPushButton(QStringLiteral("Apri nel visualizzatore"), this),
                     QStringLiteral("Command7"));
    Command7->setMinimumHeight(36);
    Command7->hide();
    TrendPanel = named(new QWidget(this), QStringLiteral("TrendPanel"));
    Plot1 = named(new TimePlot(TrendPanel), QStringLiteral("Plot1"));
    Plot1->setMinimumSize(440, 360);
    Combo1 = named(new QComboBox(TrendPanel), QStringLiteral("Combo1"));
    for (int seconds : {10, 30, 60, 300}) {
        Combo1->addItem(QStringLiteral("%1 s").arg(seconds), seconds);
        if (seconds == g.trend.windowSeconds) Combo1->setCurrentIndex(Combo1->count() - 1);
    }
    Command6 =
        named(new QPushButton(QStringLiteral("Pausa"), TrendPanel), QStringLiteral("Command6"));
    Command6->setCheckable(true);
    auto* panel = new QGridLayout(TrendPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < int(Check1.size()); ++i) {
        Check1[i] = named(new QCheckBox(TrendPanel), QStringLiteral("Check1_%1").arg(i));
        Check1[i]->setChecked((g.trend.curves & (1u << i)) != 0);
        panel->addWidget(Check1[i], i / 3, i % 3);
        connect(Check1[i], &QCheckBox::toggled, this, [this, i](bool on) {
            g.trend.curves = on ? g.trend.curves | (1u << i) : g.trend.curves & ~(1u << i);
            refreshChart();
        });
    }
    auto* controls = new QHBoxLayout;
    controls->addWidget(Combo1);
    controls->addStretch();
    controls->addWidget(Command6);
    panel->addLayout(controls, 3, 0, 1, 3);
    panel->addWidget(Plot1, 4, 0, 1, 3);
    panel->setRowStretch(4, 1);

    connect(Command5, &QPushButton::toggled, this, &Form3::showChart);
    connect(Command6, &QPushButton::toggled, this, &Form3::pauseChart);
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] {
        g.trend.windowSeconds = Combo1->currentData().toInt();
        if (!Command6->isChecked()) Plot1->follow(g.trend.windowSeconds);
    });
    // A look at a moment (a click, a zoom, the arrow keys) holds the chart still.
    connect(Plot1, &TimePlot::moved, this, [this] { Command6->setChecked(true); });
    connect(Command7, &QPushButton::clicked, this,
            [this] { showFileIn(ScreenId::Form17, m_log.filePath()); });
    Plot1->follow(g.trend.windowSeconds);
}

void Form3::showChart(bool shown) {
    g.trend.shown = shown;
    TrendPanel->setVisible(shown);
    if (shown) refreshChart();
    adjustSize();
}

void Form3::pauseChart(bool paused) {
    if (paused) {
        Plot1->view().follow(0);
        return;
    }
    Plot1->setCursor(std::numeric_limits<double>::quiet_NaN());
    Plot1->follow(g.trend.windowSeconds);
}

void Form3::refreshChart() {
    if (!g.trend.shown) return;
    std::vector<TimePlot::Curve> curves;
    for (int i = 0; i < int(Check1.size()); ++i) {
        if (!(g.trend.curves & (1u << i))) continue;
        const auto curve = static_cast<LiveCurve>(i);
        curves.push_back({Check1[i]->text(), QString::fromUtf8(liveCurveUnit(curve)),
                          TimePlot::colourOf(i), m_ring.series(curve), liveCurveRule(curve)});
    }
    Plot1->setCurves(std::move(curves));
    Plot1->setFuel(m_ring.series(LiveCurve::FuelState), Label11->text(), GasLampLabel->text());
}

QGroupBox* Form3::frame(const QString& name, const QString& title) {
    return named(new QGroupBox(title, this), name);
}

Form3::Bar Form3::makeBar(const QString& name) {
    Bar bar{};
    for (int i = 0; i < BarSegments; ++i) {
        bar[i] =
            named(new Shape(Shape::Kind::Rectangle, this), name + QStringLiteral("_%1").arg(i));
        bar[i]->setFixedSize(14, 22);
    }
    return bar;
}

void Form3::buildLayout() {
    // A bar with its value box, and its scale labels spread under it.
    auto barRow = [](QGroupBox* box, QLineEdit* value, const Bar& bar, QList<QLabel*> scale) {
        auto* grid = new QGridLayout(box);
        auto* segments = new QHBoxLayout;
        segments->setSpacing(2);
        for (Shape* s : bar)
            segments->addWidget(s);
        grid->addLayout(segments, 0, 0);
        grid->addWidget(value, 0, 1);
        auto* labels = new QHBoxLayout;
        for (int i = 0; i < scale.size(); ++i) {
            if (i > 0) labels->addStretch();
            labels->addWidget(small(scale[i]));
        }
        grid->addLayout(labels, 1, 0);
        grid->setColumnStretch(2, 1);
    };
    auto labels = [this](std::initializer_list<const char*> texts) {
        QList<QLabel*> out;
        for (const char* t : texts)
            out << new QLabel(QString::fromLatin1(t), this);
        return out;
    };
    barRow(Frame7, Text10, Shape3, labels({"0", "1000", "2000", "3000"}));
    barRow(Frame11, Text12, Shape4, labels({"0", "500", "1000", "1500"}));
    // Segment 0 is full scale on a straight probe and 0 V on an inverted one: the rich end.
    barRow(Frame2, Text3, Shape1, {Label29, Label28});

    auto single = [](QGroupBox* box, QWidget* value) {
        auto* l = new QHBoxLayout(box);
        l->addWidget(value);
    };
    single(Frame5, Text2);
    single(Frame3, Text8);
    single(Frame9, Text7);
    single(Frame6, Text9);

    // Level: the bars stacked over the reserve lamp, Shape8 lowest; the quarter and third
    // labels share a row, and the sender type shows one of them.
    auto* level = new QGridLayout(Frame4);
    level->setVerticalSpacing(3);
    for (int i = 0; i < LevelLamps::BarCount; ++i) {
        const int row = LevelLamps::BarCount - 1 - i;
        level->addWidget(LevelBar[i], row, 0, Qt::AlignCenter);
        level->addWidget(Label2[i], row, 1);
        if (i < 3) level->addWidget(Label2[5 + i], row, 1);
    }
    level->addWidget(Shape2, LevelLamps::BarCount, 0, Qt::AlignCenter);
    level->addWidget(Label2[4], LevelLamps::BarCount, 1);
    level->addWidget(Text4, 0, 2, LevelLamps::BarCount + 1, 1, Qt::AlignVCenter);

    auto* injection = new QGridLayout(Frame1);
    for (int i = 0; i < 8; ++i) {
        injection->addWidget(CylinderLabel[i], 0, i + 1);
        injection->addWidget(Text5[i], 1, i + 1);
        injection->addWidget(Text5[i + 8], 2, i + 1);
    }
    injection->addWidget(Label11, 1, 0);
    injection->addWidget(Label5, 2, 0);
    injection->addWidget(Label12, 2, 0);
    injection->setColumnStretch(9, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(Label4);
    top->addWidget(Text17);
    top->addSpacing(20);
    top->addWidget(Label10);
    top->addWidget(Text1, 1);

    auto* lamps = new QGridLayout;
    lamps->addWidget(Shape6, 0, 0, Qt::AlignCenter);
    lamps->addWidget(Shape7, 0, 1, Qt::AlignCenter);
    lamps->addWidget(small(PetrolLampLabel), 1, 0, Qt::AlignCenter);
    lamps->addWidget(small(GasLampLabel), 1, 1, Qt::AlignCenter);
    auto* engine = new QHBoxLayout;
    engine->addWidget(Label6);
    engine->addWidget(Text6);
    engine->addWidget(Label7);
    engine->addSpacing(30);
    engine->addWidget(Command5);
    engine->addStretch();
    engine->addLayout(lamps);
    engine->addWidget(Command2);

    auto* left = new QVBoxLayout;
    left->addWidget(Frame7);
    left->addWidget(Frame11);
    left->addWidget(Frame2);
    left->addStretch();
    auto* right = new QGridLayout;
    right->addWidget(Frame5, 0, 0);
    right->addWidget(Frame3, 0, 1);
    right->addWidget(Frame9, 1, 0);
    right->addWidget(Frame6, 1, 1);
    right->addWidget(Frame4, 2, 0, 1, 2);
    right->setRowStretch(3, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 3);
    middle->addLayout(right, 2);

    auto* log = new QHBoxLayout;
    log->addWidget(Label3);
    log->addWidget(Text15, 1);
    log->addWidget(Command3);
    log->addWidget(Command4);
    log->addSpacing(30);
    log->addWidget(Command1);

    auto* root = new QVBoxLayout;
    root->addLayout(top);
    root->addLayout(engine);
    root->addLayout(middle);
    root->addWidget(Frame1);
    root->addLayout(log);
    auto* closed = new QHBoxLayout;
    closed->addWidget(LogFileText, 1);
    closed->addWidget(Command7);
    root->addLayout(closed);
    root->addWidget(messageLine());
    root->addStretch();
    auto* sides = new QHBoxLayout(this);
    sides->addLayout(root);
    sides->addWidget(TrendPanel, 1);
}

void Form3::applyLanguageStrings() {
    struct Keyed {
        const char* key;
        QWidget* control;
    };
    const Keyed captions[] = {
        {"F03_C02", Command2}, {"F03_C03", Command3}, {"F03_C04", Command4}, {"F03_L04", Label4},
        {"F03_L05", Label5},   {"F03_L06", Label6},   {"F03_L07", Label7},   {"F03_L10", Label10},
        {"F03_L11", Label11},  {"F03_L12", Label12},  {"F03_L28", Label28},  {"F03_L29", Label29},
        {"F03_F01", Frame1},   {"F03_F02", Frame2},   {"F03_F03", Frame3},   {"F03_F04", Frame4},
        {"F03_F05", Frame5},   {"F03_F06", Frame6},   {"F03_F07", Frame7},   {"F03_F09", Frame9},
        {"F03_F11", Frame11},
    };
    for (const Keyed& c : captions) {
        if (auto* b = qobject_cast<QPushButton*>(c.control))
            b->setText(lang(c.key, b->text()));
        else if (auto* l = qobject_cast<QLabel*>(c.control))
            l->setText(lang(c.key, l->text()));
        else if (auto* f = qobject_cast<QGroupBox*>(c.control))
            f->setTitle(lang(c.key, f->title()));
    }
    Command1->setText(lang("F01_C02", Command1->text()));
    Command5->setText(lang("F03_C05", Command5->text()));
    Command6->setText(lang("F03_C06", Command6->text()));
    Command7->setText(lang("F03_C07", Command7->text()));
    const QString checks[] = {Label6->text(),
                              Frame2->title(),
                              Frame5->title(),
                              Frame7->title(),
                              Frame3->title(),
                              lang("F03_T70", QStringLiteral("Tinj benzina")),
                              lang("F03_T71", QStringLiteral("Tinj gas")),
                              Frame9->title(),
                              Frame6->title()};
    for (int i = 0; i < int(Check1.size()); ++i)
        Check1[i]->setText(checks[i]);
    PetrolLampLabel->setText(Label11->text());
    Shape6->setAccessibleName(Label11->text());
}

void Form3::applyLayout() {
    const LiveLayout& l = m_layout;
    for (int i = 0; i < 8; ++i) {
        const bool fitted = i < l.cylinders;
        for (QWidget* w : {static_cast<QWidget*>(Text5[i]), static_cast<QWidget*>(Text5[i + 8]),
                           static_cast<QWidget*>(CylinderLabel[i])}) {
            w->setVisible(fitted);
            w->setEnabled(fitted);
        }
        if (fitted) m_values.insert(m_values.end(), {Text5[i], Text5[i + 8]});
    }
    const bool threeStep = l.levelBars == 3;
    for (int i = 0; i < 4; ++i)
        Label2[i]->setVisible(!threeStep);
    for (int i = 5; i < 8; ++i)
        Label2[i]->setVisible(threeStep);
    LevelBar[3]->setVisible(!threeStep);
    Frame11->setVisible(l.showPressure2);
    Label5->setVisible(l.methane);
    Label12->setVisible(!l.methane);
    GasLampLabel->setText(l.methane ? Label5->text() : Label12->text());
    Shape7->setAccessibleName(GasLampLabel->text());
}

void Form3::setupExchange() {
    ExchangeCycle& c = cycle();
    c.on(Commands::LiveRecord, [this](const QByteArray& reply) {
        if (!LiveDecoding::decodeLiveRecord(reply, g.liveData, g.parameters.value(InjectorCount)))
            return Outcome::Rejected;
        ++m_records;
        m_ring.addRecord(m_clock.elapsed(), g.liveData, m_layout.cylinders);
        refreshChart();
        showValues();
        received();
        return Outcome::Next;
    });
    // The switch was taken: back to the live data, whose fuel state tells when it happened.
    c.on(Commands::SwitchFuel, [](const QByteArray&) { return Outcome::Next; });
}

void Form3::showValues() {
    const LiveTexts t = liveTexts(g.liveData);
    setValue(Text10, t.pressure1);
    setValue(Text12, t.pressure2);
    setValue(Text3, t.lambda1);
    setValue(Text2, t.lambda1Mean);
    setValue(Text8, t.temperature);
    setValue(Text4, t.levelInput);
    setValue(Text6, t.rpm);
    for (int i = 0; i < 16; ++i)
        setValue(Text5[i], t.injection[i]);
    setValue(Text7, t.ktab);
    setValue(Text9, t.kcor);
    const FuelLamps lamps = fuelLamps(g.liveData.FuelState);
    Shape6->setFill(lamps.petrol);
    Shape7->setFill(lamps.gas);
}

void Form3::Timer2Tick() {
    const ParameterSet& p = g.parameters;
    const LiveData& d = g.liveData;
    setValue(Text1, statusLine(d, p.value(SwitchRpm), p.value(SwitchTemperature), g.language));
    paintLevel(m_level.update(d.LevelCode, p.value(LevelSenderType)));
    paint(Shape3, pressureBar(d.Pressure1, Pressure1Step));
    paint(Shape4, pressureBar(d.Pressure2, Pressure2Step));
    paint(Shape1, lambdaBar(d.Lambda1, m_layout.lambda).colours);
}

void Form3::paint(const Bar& bar, const SegmentColours& colours) {
    for (int i = 0; i < BarSegments; ++i)
        bar[i]->setFill(colours[i]);
}

void Form3::paintLevel(const LevelLamps::Lamps& lamps) {
    Shape2->setFill(lamps.reserve);
    for (int i = 0; i < LevelLamps::BarCount; ++i)
        LevelBar[i]->setFill(lamps.bars[i]);
}

void Form3::showLive(bool live) {
    for (QLineEdit* box : m_values)
        box->setEnabled(live);
    Command2->setEnabled(live);
    Plot1->setGreyed(!live);
    if (!live) {
        // The curves stop where the records did.
        m_ring.addNoRecord(m_clock.elapsed());
        refreshChart();
    }
    updateLogButtons();
    if (live) {
        Timer2Tick();
        Timer2->start();
        return;
    }
    // Not live: the marks that say so, and no lamp lit from an old record.
    Timer2->stop();
    const NotConnectedLook look = notConnectedLook();
    paint(Shape3, look.pressure1);
    paint(Shape4, look.pressure2);
    paint(Shape1, look.lambda);
    Shape6->setFill(look.lamps.petrol);
    Shape7->setFill(look.lamps.gas);
    paintLevel(LevelLamps().lamps());
}

void Form3::showLinkLost(const QString& reason) {
    Text17->setText(lostLinkNotice(g.LostLinkText));
    if (reason.isEmpty())
        clearMessage();
    else
        showMessage(reason);
}

void Form3::showLinkBack() {
    Text17->setText(versionText(g.EcuVersion));
    clearMessage();
}

LogWriter::Start Form3::logStart() const {
    return {Text15->text(), g.folders.userFolder(), programVersion(), g.EcuVersion, g.parameters};
}

void Form3::startLogging() {
    g.AcquisitionState = LogWriter::StartRequested;
    // The file opens and takes its headers now; the first data line follows one tick later.
    Timer3Tick();
    if (g.AcquisitionState == LogWriter::Logging) {
        showLogLine(lang("F03_T80", kLoggingTo) + QLatin1Char(' ') + m_log.filePath(), false);
        Timer3->start();
    }
    updateLogButtons();
    // The button pressed may have just been disabled: the keyboard goes on from the other.
    (Command4->isEnabled() ? Command4 : Command3)->setFocus();
}

void Form3::stopLogging() {
    g.AcquisitionState = LogWriter::Stopped;
    Timer3Tick();
    if (Command3->isEnabled()) Command3->setFocus();
}

void Form3::Timer3Tick() {
    const LogWriter::Tick result = m_log.tick(g.AcquisitionState, logStart(), g.liveData);
    if (result == LogWriter::Tick::Running) return;
    Timer3->stop();
    if (result == LogWriter::Tick::Failed)
        showLogLine(m_log.errorString(), true);
    else
        showLogLine(lang("F03_T81", kLogClosed) + QLatin1Char(' ') + m_log.filePath(), false);
    updateLogButtons();
}

void Form3::showLogLine(const QString& text, bool error) {
    LogFileText->setText(text);
    LogFileText->setStyleSheet(error ? StatusLine::toneStyle(StatusLine::Tone::Problem)
                                     : QStringLiteral("color: rgb(0,50,140);"));
    LogFileText->show();
}

void Form3::updateLogButtons() {
    const bool idle = g.AcquisitionState == LogWriter::Stopped;
    // Nothing is logged that was not received: no log starts while no live record comes.
    Command3->setEnabled(idle && isLive());
    Command4->setEnabled(!idle);
    Text15->setEnabled(idle);
    // The log just closed can be looked at at once.
    Command7->setVisible(idle && !m_log.isOpen() && !m_log.filePath().isEmpty() &&
                         QFileInfo::exists(m_log.filePath()));
}

bool Form3::stopEverything() {
    Timer2->stop();
    Timer3->stop();
    // Closing forces the lines onto the disk and ends the file where the last whole line does.
    const bool closed = m_log.close();
    g.AcquisitionState = LogWriter::Stopped;
    return closed;
}

void Form3::onUnload() {
    stopEverything();
}

void Form3::onCloseRequested() {
    const QString logLost = stopEverything() ? QString() : m_log.errorString();
    // A log the disk did not take whole is told on the menu: this screen is gone.
    leaveFor(ScreenId::Form2, logLost);
}
