#include "screens/calib/Form16.h"

#include "calib/CalibrationFields.h"
#include "calib/CalibrationTexts.h"
#include "calib/Correctives.h"
#include "calib/MarkerGeometry.h"
#include "diag/LiveTexts.h"
#include "link/Commands.h"
#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "screen/Shape.h"
#include "screen/StatusLine.h"
#include "screens/calib/TableGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <utility>

namespace {

using Outcome = ExchangeCycle::Outcome;

const QColor kBoxBackground(0, 0, 0);
const QColor kPlainNumber(255, 255, 255); // not connected, or a box the fuel does not colour
const QColor kMarker(220, 134, 0);
const QColor kRejectedBackground(255, 0, 0);
const QColor kRejectedText(255, 255, 255);

// Controls whose caption comes from the language file. Label11 keeps its design caption: its
// language text only names the box in a rejection.
struct TranslatedCaption {
    const char* control;
    const char* key;
};
constexpr TranslatedCaption kCaptions[] = {
    {"Command1", "F01_C02"}, {"Command2", "F16_C02"}, {"Command5", "F16_C05"},
    {"Command7", "F16_C07"}, {"Command8", "F16_C08"}, {"Frame1", "F16_F01"},
    {"Frame2", "F16_F02"},   {"Frame4", "F16_F04"},   {"Frame5", "F16_F05"},
    {"Frame6", "F16_F06"},   {"Frame7", "F16_F07"},   {"Frame10", "F16_F10"},
    {"Frame11", "F16_F11"},  {"Frame12", "F16_F12"},  {"Frame17", "F16_F17"},
    {"Frame19", "F16_F19"},  {"Frame20", "F16_F20"},  {"Frame21", "F16_F21"},
    {"Label1", "F16_L01"},   {"Label2", "F16_L02"},   {"Label3", "F16_L03"},
    {"Label7", "F16_L07"},   {"Label8", "F16_L08"},   {"Label12", "F16_L12"},
    {"Label13", "F16_L13"},  {"Label14", "F16_L14"},  {"Label15", "F16_L15"},
};

void paint(QLineEdit* box, const QColor& text, const QColor& background) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::Text, text);
    box->setPalette(p);
}

QString number(std::int64_t value) {
    return QString::number(value);
}

// The largest font in which five digits fit a grid box: breakpoints reach 25000, and a
// number cut off at the edge of its box is worse than a smaller one.
QFont gridFont(const QLineEdit* sample, const QSize& box) {
    const int frame = sample->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int width = box.width() - 2 * frame - 4; // the line edit's own side margins
    const int height = box.height() - 2 * frame;
    QFont f = sample->font();
    for (int px = 16; px > 7; --px) {
        f.setPixelSize(px);
        const QFontMetrics m(f);
        if (m.horizontalAdvance(QStringLiteral("00000")) <= width && m.height() <= height) break;
    }
    return f;
}

QString gridName(int element) {
    if (element < 8) return QStringLiteral("RPM %1").arg(element + 1);
    if (element < 16) return QStringLiteral("TINJ %1").arg(element - 7);
    const int cell = element - 16;
    return QStringLiteral("KTAR TINJ %1 RPM %2").arg(cell / 8 + 1).arg(cell % 8 + 1);
}

} // namespace

Form16::Form16(FormContext& context) : FormBase(ScreenId::Form16, context) {
    Text3 = numberBox(QStringLiteral("Text3"), false);
    Text3->setText(QStringLiteral("**.**.**"));
    Text3->setMinimumWidth(
        std::max(120, QFontMetrics(Text3->font()).horizontalAdvance(g.LostLinkText) + 24));
    auto* version = new QHBoxLayout;
    QLabel* label1 = label(1, QStringLiteral("VERSIONE SW ECU"));
    label1->setBuddy(Text3);
    version->addWidget(label1);
    version->addWidget(Text3);
    version->addStretch();

    Text15 = named(new QLineEdit(this), QStringLiteral("Text15"));
    Text15->setReadOnly(true);
    QFont statusFont = Text15->font();
    statusFont.setPointSize(12);
    statusFont.setBold(true);
    Text15->setFont(statusFont);

    Label4 = new StatusLine(QStringLiteral("Label4"), this);
    StatusText = new StatusLine(QStringLiteral("StatusText"), this);

    auto* right = new QVBoxLayout;
    right->addLayout(version);
    right->addWidget(buildLivePanel());
    right->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(buildGrid(), 0, Qt::AlignTop);
    top->addLayout(right, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildCorrectives(), 1);
    bottom->addWidget(buildButtons());

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(10, 8, 10, 8);
    root->addLayout(top);
    root->addWidget(m_grid->toolBar());
    root->addWidget(Text15);
    root->addLayout(bottom);
    root->addWidget(Label4);
    root->addWidget(StatusText);

    setupExchange();
    applyLanguageStrings();
    load();
}

// --- Building the page -----------------------------------------------------------------------

QLineEdit* Form16::numberBox(const QString& name, bool editable) {
    QLineEdit* box = editable ? digitField(name, 5) : named(new QLineEdit(this), name);
    box->setReadOnly(!editable);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

QLabel* Form16::label(int number, const QString& text) {
    return named(new QLabel(text, this), QStringLiteral("Label%1").arg(number));
}

QGroupBox* Form16::frame(int number, const QString& title, QWidget* content) {
    auto* box = named(new QGroupBox(title, this), QStringLiteral("Frame%1").arg(number));
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->addWidget(content);
    return box;
}

QGroupBox* Form16::frame(int number, const QString& title, QLineEdit* box) {
    QGroupBox* f = frame(number, title, static_cast<QWidget*>(box));
    QFont big = box->font();
    big.setPointSize(14);
    big.setBold(true);
    box->setFont(big);
    box->setMinimumWidth(90);
    return f;
}

QScrollBar* Form16::spinner(const QString& name, int low, int high, QLineEdit* shows) {
    auto* bar = named(new QScrollBar(Qt::Vertical, this), name);
    // Held negated: a vertical bar's top is its minimum, and the upper arrow, the Up key and
    // the wheel must all raise the value, as on every spinner fitters know.
    bar->setRange(-high, -low);
    bar->setPageStep(1);
    bar->setFixedSize(20, 36);
    bar->setFocusPolicy(Qt::StrongFocus);
    connect(bar, &QScrollBar::valueChanged, shows, [bar, shows](int v) {
        shows->setText(QString::number(-v));
        bar->setAccessibleDescription(QString::number(-v));
    });
    return bar;
}

int Form16::spun(const QScrollBar* bar) {
    return -bar->value();
}

void Form16::spin(QScrollBar* bar, int value) {
    const QSignalBlocker quiet(bar);
    bar->setValue(-value);
    bar->setAccessibleDescription(QString::number(spun(bar)));
}

QWidget* Form16::buildGrid() {
    using namespace MarkerGeometry;
    auto* canvas = named(new QWidget(this), QStringLiteral("Grid"));
    // The page's grid in its own twips; the marker may reach past the last cell.
    canvas->setFixedSize(int(toPixels(7440 + MarkerSize)) + 2,
                         int(toPixels(4320 + MarkerSize)) + 2);

    for (int i = 0; i < CalibrationFields::GridSize; ++i) {
        QLineEdit* box = numberBox(CalibrationFields::gridControl(i), true);
        box->setParent(canvas);
        box->show();
        box->setGeometry(toPixels(QRectF(textBox(i))).toRect());
        box->setAccessibleName(gridName(i));
        connect(box, &QLineEdit::textEdited, this, [this, box] { clearRejected(box); });
        Text6[i] = box;
        m_coloured << box;
    }
    const QFont font = gridFont(Text6[16], Text6[16]->size());
    for (QLineEdit* box : Text6)
        box->setFont(font);

    auto* rpm = named(new QLabel(QStringLiteral("RPM"), canvas), QStringLiteral("Label10"));
    auto* tinj = named(new QLabel(QStringLiteral("TINJ"), canvas), QStringLiteral("Label9"));
    QFont axis = rpm->font();
    axis.setBold(true);
    rpm->setFont(axis);
    tinj->setFont(axis);
    // "RPM" over the breakpoint row, "TINJ" in the corner over the injection-time column.
    rpm->setGeometry(QRect(int(toPixels(1080)), 0, int(toPixels(840 * 8)), int(toPixels(240))));
    rpm->setAlignment(Qt::AlignCenter);
    tinj->setGeometry(
        toPixels(QRectF(textBox(8).left(), textBox(0).top(), TinjBoxWidth, BoxHeight)).toRect());
    tinj->setAlignment(Qt::AlignCenter);

    Shape1 = named(new Shape(Shape::Kind::Circle, canvas), QStringLiteral("Shape1"));
    // Drawn over the cells, see-through, so the number under it stays legible.
    QColor fill = kMarker;
    fill.setAlpha(150);
    Shape1->setFill(fill);
    Shape1->setBorder(kMarker);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape1->resize(int(toPixels(MarkerSize)), int(toPixels(MarkerSize)));
    Shape1->hide();
    m_grid = new TableGrid(canvas, std::span(Text6).subspan<16>(), g.language);
    connect(m_grid, &TableGrid::boxRewritten, this, &Form16::clearRejected);
    return canvas;
}

QWidget* Form16::buildLivePanel() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);

    Text1 = numberBox(QStringLiteral("Text1"), false);
    Text2 = numberBox(QStringLiteral("Text2"), false);
    Text7 = numberBox(QStringLiteral("Text7"), false);
    Text16 = numberBox(QStringLiteral("Text16"), false);
    Text22 = numberBox(QStringLiteral("Text22"), false);
    Text5 = numberBox(QStringLiteral("Text5"), false);
    Text12 = numberBox(QStringLiteral("Text12"), false);
    Text4 = numberBox(QStringLiteral("Text4"), false);
    Text14 = numberBox(QStringLiteral("Text14"), false);
    Text11 = numberBox(QStringLiteral("Text11"), false);
    m_coloured << Text1 << Text2 << Text7 << Text16 << Text22 << Text5 << Text14 << Text11;
    // The two injection times keep their own colour whatever the fuel.
    paint(Text12, kPlainNumber, kBoxBackground);
    paint(Text4, kPlainNumber, kBoxBackground);

    VScroll1 = spinner(QStringLiteral("VScroll1"), CalibrationPageMachine::ManualKgbMin,
                       CalibrationPageMachine::ManualKgbMax, Text11);
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] {
        if (m_page.setManualKgb(spun(VScroll1))) syncRequest();
    });
    Frame19 = frame(19, QStringLiteral("Pressione2 mBar"), Text16);
    grid->addWidget(frame(6, QStringLiteral("Lambda1 mV"), Text1), 0, 0);
    grid->addWidget(frame(4, QStringLiteral("Media l1 mV"), Text2), 0, 1);
    grid->addWidget(frame(11, QStringLiteral("RPM xmin"), Text5), 0, 2);
    grid->addWidget(frame(5, QStringLiteral("Pressione1 mBar"), Text7), 1, 0);
    grid->addWidget(frame(7, QStringLiteral("Temperatura1 °C"), Text22), 1, 1);
    grid->addWidget(Frame19, 1, 2);
    grid->addWidget(frame(1, QStringLiteral("Tinj_Benzina msec"), Text12), 2, 0);
    grid->addWidget(frame(2, QStringLiteral("Tinj_GAS msec"), Text4), 2, 1);
    grid->addWidget(frame(12, QStringLiteral("KGB IN USO"), Text14), 3, 0);
    QGroupBox* manual = frame(10, QStringLiteral("KGB"), Text11);
    manual->layout()->addWidget(VScroll1);
    grid->addWidget(manual, 3, 1);
    return panel;
}

QWidget* Form16::buildCorrectives() {
    Text23 = numberBox(QStringLiteral("Text23"), false);
    Text10 = numberBox(QStringLiteral("Text10"), true);
    Text13 = numberBox(QStringLiteral("Text13"), false);
    Text25 = numberBox(QStringLiteral("Text25"), true);
    Text19 = numberBox(QStringLiteral("Text19"), false);
    Text26 = numberBox(QStringLiteral("Text26"), true);
    Text27 = numberBox(QStringLiteral("Text27"), false);
    Text20 = numberBox(QStringLiteral("Text20"), false);
    Text24 = numberBox(QStringLiteral("Text24"), true);
    VScroll4 = spinner(QStringLiteral("VScroll4"), 0, 5, Text23);
    VScroll3 = spinner(QStringLiteral("VScroll3"), 0, 3, Text19);
    VScroll2 = spinner(QStringLiteral("VScroll2"), 0, 8, Text20);
    for (QLineEdit* box :
         {Text23, Text10, Text13, Text25, Text19, Text26, Text27, Text20, Text24}) {
        box->setFixedWidth(64);
        m_coloured << box;
    }
    for (QLineEdit* box : {Text10, Text25, Text26, Text24})
        connect(box, &QLineEdit::textEdited, this, [this, box] { clearRejected(box); });

    struct Row {
        int label;
        const char* text;
        QLineEdit* box;
        QScrollBar* spin;
    };
    auto group = [this](int number, const char* title, std::initializer_list<Row> rows) {
        auto* box = named(new QGroupBox(QString::fromUtf8(title), this),
                          QStringLiteral("Frame%1").arg(number));
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 4, 6, 4);
        int r = 0;
        for (const Row& row : rows) {
            QLabel* l = label(row.label, QString::fromUtf8(row.text));
            l->setBuddy(row.box);
            grid->addWidget(l, r, 0);
            grid->addWidget(row.box, r, 1);
            if (row.spin) grid->addWidget(row.spin, r, 2);
            ++r;
        }
        grid->setRowStretch(r, 1);
        return box;
    };
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(group(21, "Pressione",
                         {{15, "Correttivo pressione", Text23, VScroll4},
                          {7, "Intervallo pressione", Text10, nullptr},
                          {8, "Valore correzione", Text13, nullptr},
                          {3, "Soglia giri inserimento ", Text25, nullptr}}));
    row->addWidget(group(17, "Temperatura",
                         {{13, "Correttivo temperatura", Text19, VScroll3},
                          {11, "Intervallo temperatura ", Text26, nullptr},
                          {12, "Valore correzione", Text27, nullptr}}));
    row->addWidget(group(20, "Lambda",
                         {{14, "Massima variazione ", Text20, VScroll2},
                          {2, "Soglia giri inserimento ", Text24, nullptr}}));
    return panel;
}

QWidget* Form16::buildButtons() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    auto button = [this, column](const char* name, const char* text) {
        auto* b = named(new QPushButton(QString::fromUtf8(text), this), QString::fromLatin1(name));
        b->setMinimumHeight(34);
        b->setMinimumWidth(220);
        QFont f = b->font();
        f.setPointSize(11);
        f.setBold(true);
        b->setFont(f);
        column->addWidget(b);
        return b;
    };
    Command9 = button("Command9", "TARATURA NON ATTIVA");
    Command2 = button("Command2", "COMMUTA");
    Command7 = button("Command7", "MODIFICA");
    Command5 = button("Command5", "Visualizzazione grafica");
    Command8 = button("Command8", "TARATURA AUTOMATICA");
    column->addSpacing(8);
    Command1 = button("Command1", "EXIT");
    column->addStretch();

    connect(Command1, &QPushButton::clicked, this, &Form16::onCloseRequested);
    connect(Command2, &QPushButton::clicked, this, [this] {
        // One switch per press, never repeated: a second one would undo the first.
        if (m_page.commutaClicked()) syncRequest();
    });
    connect(Command9, &QPushButton::clicked, this, [this] {
        if (!m_page.manualToggleClicked()) return;
        // Starting manual calibration clamps the coefficient into the spinner's range.
        spin(VScroll1, m_page.manualKgb());
        Text11->setText(QString::number(m_page.manualKgb()));
        refreshControls();
        syncRequest();
    });
    connect(Command7, &QPushButton::clicked, this, &Form16::modificaClicked);
    connect(Command5, &QPushButton::clicked, this, [this] {
        if (!m_page.graphicalViewOpened()) return;
        // The view reads the parameter set; the page keeps its port and waits behind it.
        cycle().stop();
        ctx.host.show(ScreenId::Form15);
        ctx.host.hide(ScreenId::Form16);
    });
    connect(Command8, &QPushButton::clicked, this, [this] {
        if (carryOut(m_page.autoCalibrationClicked())) return;
        refreshControls();
        syncRequest();
    });
    return panel;
}

void Form16::applyLanguageStrings() {
    for (const TranslatedCaption& c : kCaptions) {
        QWidget* w = findChild<QWidget*>(QString::fromLatin1(c.control));
        if (auto* group = qobject_cast<QGroupBox*>(w))
            group->setTitle(lang(c.key, group->title()));
        else if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(lang(c.key, l->text()));
        else if (auto* b = qobject_cast<QPushButton*>(w))
            b->setText(lang(c.key, b->text()));
    }
    // A screen reader names a live box by its frame.
    for (QGroupBox* group : findChildren<QGroupBox*>()) {
        const auto boxes = group->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
        if (boxes.size() == 1) boxes.front()->setAccessibleName(group->title());
    }
}

// --- Loading --------------------------------------------------------------------------------

void Form16::load() {
    fillCorrectives();
    fillGrid(true);
    Frame19->setVisible(g.parameters.value(PressureSensorType) == 1);

    bool connected = g.connected();
    if (connected && !openLink()) {
        // Without its port the page can only show what is stored, like a page not connected.
        StatusText->tell(link().errorString());
        connected = false;
    }
    m_page.load(connected, g.liveData.Kcor);
    spin(VScroll1, m_page.manualKgb());
    if (!connected) {
        Text3->setText(g.LostLinkText);
        colourNumbers(kPlainNumber);
        refreshControls();
        return;
    }
    Text3->setText(versionText(g.EcuVersion));
    // The record the main menu read just before handing over.
    showLive();
    refreshControls();
    syncRequest();
    cycle().start(plan().startDelayOf(m_page.request().command));
}

void Form16::fillCorrectives() {
    const ParameterSet& p = g.parameters;
    spin(VScroll2, p.value(LambdaMaxVariation));
    spin(VScroll3, p.value(TemperatureCorrection));
    spin(VScroll4, p.value(PressureCorrection));
    // Each box shows its spinner's value, the one MODIFICA writes: a value the ECU reported
    // beyond the spinner's range is held at its end, and a box showing the ECU's figure would
    // promise a write that never happens.
    Text20->setText(number(spun(VScroll2)));
    Text19->setText(number(spun(VScroll3)));
    Text23->setText(number(spun(VScroll4)));
    Text24->setText(number(p.value(LambdaCorrectionRpm)));
    Text25->setText(number(p.value(PressureCorrectionRpm)));
    Text10->setText(number(p.value(PressureCorrectionInterval)));
    Text26->setText(number(p.value(TemperatureCorrectionInterval)));
    Text13->setText(QStringLiteral("0"));
    Text27->setText(QStringLiteral("0"));
}

void Form16::fillGrid(bool verified) {
    const ParameterSet& p = g.parameters;
    for (int i = 0; i < 8; ++i) {
        Text6[i]->setText(number(p.value(RpmBreakpoint1 + i)));
        Text6[8 + i]->setText(number(p.value(TinjBreakpoint1 + i)));
    }
    m_grid->showEcu(TableOperations::fromSet(p), verified);
}

// --- Live values ----------------------------------------------------------------------------

void Form16::showLive() {
    const LiveData& live = g.liveData;
    Text1->setText(number(live.Lambda1));
    Text2->setText(number(live.Lambda1Mean));
    Text14->setText(number(live.Kcor));
    if (m_page.state() == CalibrationPageState::ManualOff) {
        Text11->setText(number(m_page.manualKgb()));
        spin(VScroll1, m_page.manualKgb());
    }
    Text15->setText(statusLine(live, g.parameters.value(SwitchRpm),
                               g.parameters.value(SwitchTemperature), g.language));
    colourNumbers(Shape::toColour(Correctives::numberColour(live.FuelState)));
    Text7->setText(number(live.Pressure1));
    Text16->setText(number(live.Pressure2));
    Text22->setText(number(live.Temperature));
    Text5->setText(number(live.Rpm));
    Text12->setText(number(live.PetrolTinj));
    Text4->setText(number(live.GasTinj));
    const Correctives::Figures f = Correctives::figures(live, g.parameters);
    Text27->setText(number(f.temperature));
    Text13->setText(number(f.pressure));
    moveMarker();
}

void Form16::colourNumbers(const QColor& colour) {
    if (colour == m_numberColour) return;
    m_numberColour = colour;
    for (QLineEdit* box : m_coloured)
        if (!m_rejected.contains(box->objectName())) paint(box, colour, kBoxBackground);
}

void Form16::moveMarker() {
    using namespace MarkerGeometry;
    const LiveData& live = g.liveData;
    const QPointF at = marker(live.Rpm, live.PetrolTinj, Breakpoints::of(g.parameters));
    Shape1->move(toPixels(QRectF(at, QSizeF(MarkerSize, MarkerSize))).topLeft().toPoint());
    Shape1->setAccessibleDescription(
        QStringLiteral("RPM %1  TINJ %2").arg(live.Rpm).arg(live.PetrolTinj));
    Shape1->show();
    Shape1->raise();
}

// --- The machine's view ---------------------------------------------------------------------

void Form16::refreshControls() {
    const PageControls c = m_page.controls();
    Command1->setEnabled(c.exit);
    Command2->setEnabled(c.commuta);
    Command5->setEnabled(c.graphicalView);
    Command7->setEnabled(c.modifica);
    Command8->setEnabled(c.autoCalibration);
    Command9->setEnabled(c.manualToggle);
    Command9->setText(CalibrationTexts::command9Caption(m_page, g.language));
    VScroll1->setEnabled(c.manualKgb);
    Text11->setEnabled(c.manualKgb);
    for (QScrollBar* s : {VScroll2, VScroll3, VScroll4})
        s->setEnabled(c.correctiveSpinners);
    // What was typed is what a running write sends; the read-back fills the boxes at its end.
    for (QLineEdit* box : Text6)
        box->setReadOnly(m_page.writing());
    for (QLineEdit* box : {Text10, Text25, Text24, Text26})
        box->setReadOnly(m_page.writing());
    m_grid->setEditable(!m_page.writing());
    const QString notice = CalibrationTexts::notice(m_page.notice(), g.language);
    if (!notice.isEmpty())
        StatusText->tell(notice);
    else if (StatusText->property("notice").toBool())
        StatusText->quiet();
    StatusText->setProperty("notice", !notice.isEmpty());
}

void Form16::syncRequest() {
    const PageRequest r = m_page.request();
    // A running write sends its own steps; a stopped or offline page sends nothing.
    if (r.writeStep || r.command == 0) return;
    if (r.oneShot) {
        // The request in force is put back once the switch has gone out.
        cycle().sendOnce(plan().request(r.command));
        return;
    }
    cycle().send(r.command == Commands::CalibrationLive ? plan().calibrationLive(r.coefficient)
                                                        : plan().request(r.command));
}

const RequestPlan& Form16::plan() {
    return RequestPlan::calibrationPage();
}

void Form16::setupExchange() {
    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));
    // The machine learns what went out, so that only the answer to it counts.
    connect(&c, &ExchangeCycle::frameSent, this, [this] {
        if (m_page.isLinkLost()) return;
        m_page.takeRequest();
        syncRequest();
    });

    c.on(Commands::CalibrationLive, [this](const QByteArray& reply) {
        if (!LiveDecoding::decodeCalibrationLive(reply, g.liveData)) return Outcome::Rejected;
        // In ManualOff the page's coefficient follows the ECU's.
        if (m_page.liveCoefficient(g.liveData.Kcor)) syncRequest();
        showLive();
        return Outcome::Next;
    });
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return Outcome::Rejected;
        g.EcuVersion = *version;
        Text3->setText(versionText(g.EcuVersion));
        // The ECU is back: the request that was being repeated goes out again.
        return Outcome::Next;
    });
    c.on(Commands::SwitchFuel, [this](const QByteArray&) {
        m_page.acknowledged(Commands::SwitchFuel);
        syncRequest();
        return Outcome::Next;
    });
    c.on(Commands::EnterCalibration, [this](const QByteArray&) {
        m_page.acknowledged(Commands::EnterCalibration);
        refreshControls();
        syncRequest();
        return Outcome::Next;
    });
    c.on(Commands::LeaveCalibration, [this](const QByteArray&) {
        const PageAction a = m_page.acknowledged(Commands::LeaveCalibration);
        if (carryOut(a)) return Outcome::HandOver;
        refreshControls();
        syncRequest();
        return Outcome::Next;
    });

    LinkWatch watch;
    watch.lost = [this](const QString& why) {
        // A vanished adapter is named; a silent ECU is told in the version box.
        if (!why.isEmpty()) StatusText->tell(why);
        linkLost();
    };
    watch.found = [this] {
        // What failed before is over; a notice still in force comes back with the controls.
        StatusText->quiet();
        linkFound();
    };
    watchLink(watch);
}

void Form16::linkLost() {
    Text3->setText(lostLinkNotice(g.LostLinkText));
    m_page.linkLost();
    refreshControls();
}

void Form16::linkFound() {
    Text3->setText(versionText(g.EcuVersion));
    m_page.linkFound();
    refreshControls();
}

// --- MODIFICA -------------------------------------------------------------------------------

CalibrationInput Form16::typedInput() const {
    CalibrationInput in;
    for (QLineEdit* box : {Text10, Text25, Text24, Text26})
        in.texts.insert(box->objectName(), box->text());
    for (QLineEdit* box : Text6)
        in.texts.insert(box->objectName(), box->text());
    in.pressureCorrection = spun(VScroll4);
    in.temperatureCorrection = spun(VScroll3);
    in.lambdaMaxVariation = spun(VScroll2);
    in.manual = m_page.writesManualKgbTable();
    in.manualKgb = m_page.manualKgb();
    return in;
}

void Form16::modificaClicked() {
    if (!m_page.controls().modifica) return;
    for (const QString& name : std::exchange(m_rejected, {}))
        if (auto* box = findChild<QLineEdit*>(name)) paint(box, m_numberColour, kBoxBackground);
    Label4->quiet();

    const PreparedWrite prepared = CalibrationFields::prepareWrite(typedInput(), g.language);
    if (!prepared.accepted()) {
        markRejected(prepared.report.rejected);
        Label4->tell(prepared.report.message.trimmed());
        return;
    }
    // Every cell then takes the coefficient being tried: the table tuned so far is gone.
    if (m_page.writesManualKgbTable() &&
        (!ctx.dialogs.question(
             this, QString::fromLatin1(Caption),
             CalibrationTexts::manualTableQuestion(m_page.manualKgb(), g.language)) ||
         !m_page.controls().modifica))
        return;
    if (!ensureLinkOpen()) {
        StatusText->tell(link().errorString());
        return;
    }
    m_page.startWrite();
    m_abandonedWriteNotes.clear();
    m_writes.start(prepared.writes, WriteSequence::ReadBack::Both, plan().writeTiming());
    VerifiedWrite write;
    // The parameter set then holds what the ECU answered, not what was typed: the graphical
    // view and a later archive save see what the car has.
    write.wholeSet = true;
    write.progress = [this](const QString& text) {
        Label4->tell(text, StatusLine::Tone::Progress);
    };
    write.ended = [this](bool verified, const QString& outcome) {
        return writeFinished(verified, outcome);
    };
    runVerifiedWrite(m_writes, write);
    ctx.dialogs.setBusy(true);
    refreshControls();
    // While the ECU is silent the exchange keeps its slower look-out; the write waits for it.
    const bool tableFirst = !prepared.writes.empty() && prepared.writes.front().table;
    if (!cycle().isLost())
        cycle().start(
            plan().startDelayOf(tableFirst ? Commands::WriteTableEntry : Commands::WriteParameter));
}

void Form16::markRejected(const QStringList& controls) {
    // Red on a red page would not stand out: a rejected box is turned round instead.
    m_rejected = controls;
    for (const QString& name : controls)
        if (auto* box = findChild<QLineEdit*>(name)) paint(box, kRejectedText, kRejectedBackground);
}

void Form16::clearRejected(QLineEdit* box) {
    if (m_rejected.removeAll(box->objectName()) > 0) paint(box, m_numberColour, kBoxBackground);
}

ExchangeCycle::Outcome Form16::writeFinished(bool verified, const QString& outcome) {
    ctx.dialogs.setBusy(false);
    fillCorrectives();
    fillGrid(verified);
    Frame19->setVisible(g.parameters.value(PressureSensorType) == 1);
    Label4->tell(outcome, verified ? StatusLine::Tone::Done : StatusLine::Tone::Problem);
    if (carryOut(m_page.writeFinished(), verified ? QString() : outcome)) return Outcome::HandOver;
    refreshControls();
    syncRequest();
    return Outcome::Next;
}

// --- Leaving --------------------------------------------------------------------------------

bool Form16::carryOut(const PageAction& action, const QString& writeNote) {
    QStringList notes;
    if (!writeNote.isEmpty()) notes << writeNote;
    if (action.abandonWrite) {
        // The rest of the table is not sent: the request in force becomes the page's own
        // (leaving manual calibration first, if the ECU is in it).
        notes << cutWrites(m_writes);
        m_grid->ecuHolds(TableOperations::fromSet(g.parameters));
        ctx.dialogs.setBusy(false);
    }
    if (action.leave == PageExit::Stay) {
        if (action.abandonWrite) {
            Label4->tell(notes.join(QLatin1Char('\n')));
            // The page leaves once the ECU is out of manual calibration; the menu must still
            // hear how far the write got.
            m_abandonedWriteNotes = notes;
        }
        return false;
    }
    notes = m_abandonedWriteNotes + notes;
    if (action.manualMayStillBeOn) notes << CalibrationTexts::manualMayStillBeOn(g.language);
    if (action.leave == PageExit::ToAutoCalibration) {
        leaveFor(ScreenId::Form8);
        return true;
    }
    leaveFor(ScreenId::Form2, notes.join(QLatin1Char('\n')));
    return true;
}

void Form16::onCloseRequested() {
    // The first EXIT gives the write (or the ECU's leave of manual calibration) its time; a
    // second one, or that time running out, is carried out by the page at once.
    const bool first = exitMayWait();
    PageAction action = m_page.exitClicked();
    // The close box confirmed during a write is a second EXIT: the rest is not waited for.
    if (!first && action == PageAction{} && m_page.writing()) action = m_page.exitClicked();
    if (carryOut(action)) return;
    if (!first) restartExitPatience();
    refreshControls();
    syncRequest();
}

void Form16::onUnload() {
    ctx.dialogs.setBusy(false);
    if (cycle().runningSequence()) {
        m_writes.interrupt();
        cycle().detach();
    }
}

void Form16::showScreen() {
    FormBase::showScreen();
    if (!m_page.graphicalViewClosed()) return;
    // The exchange starts over and tells a silent ECU or a missing adapter again; what it told
    // before the view opened would otherwise stay up beside live values.
    Text3->setText(versionText(g.EcuVersion));
    StatusText->quiet();
    refreshControls();
    syncRequest();
    cycle().start(plan().intervalOf(Commands::CalibrationLive));
}
