#include "common/TestData.h"

#include "calib/CalibrationGraph.h"
#include "calib/CalibrationPageMachine.h"
#include "calib/CalibrationTexts.h"
#include "calib/Correctives.h"
#include "calib/MarkerGeometry.h"
#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"
#include "link/Commands.h"
#include "link/LiveData.h"
#include "params/ParameterSet.h"

#include <QtTest>
#include <tuple>

namespace {

const PageRequest Enter{Commands::EnterCalibration, 0, false, false};
const PageRequest Leave{Commands::LeaveCalibration, 0, false, false};

// A connected page whose ECU reported Kcor 105.
CalibrationPageMachine connectedPage() {
    CalibrationPageMachine m;
    m.load(true, 105);
    return m;
}

// Manual calibration switched on and acknowledged.
CalibrationPageMachine manualPage() {
    CalibrationPageMachine m = connectedPage();
    m.manualToggleClicked();
    m.takeRequest();
    m.acknowledged(Commands::EnterCalibration);
    return m;
}

PageRequest poll(int coefficient) {
    return {Commands::CalibrationLive, coefficient, false, false};
}

// Plays a script of events on the machine, one word each, and gives the script back with what
// each "event=result" word gave in place of the result, so that a case compares the two:
// - exit, auto (Command8), finished (the write ended), ack<command>: the action, "-" to stay,
//   "menu" or "auto", with "+warn" (manual calibration may still be on) and "+abandon";
// - take: the request, its command ("w" a write step), ":<coefficient>" if any, "!" when it
//   goes out once;
// - write, commuta, kgb<value> (the spinner): taken or not, "yes" / "no";
// - notice, state, controls ("exit" when EXIT is all there is), spinners ("yes" / "no" for
//   the coefficient and the corrective spinners together, "some" when they differ), writing,
//   manualTable (a write fills the table with the coefficient), kgb;
// - toggle (Command9), lost, found: nothing to give.
QString played(CalibrationPageMachine m, const QString& script) {
    const auto yes = [](bool b) { return QString::fromLatin1(b ? "yes" : "no"); };
    const auto action = [](const PageAction& a) {
        QString out = a.leave == PageExit::Stay         ? QStringLiteral("-")
                      : a.leave == PageExit::ToMainMenu ? QStringLiteral("menu")
                                                        : QStringLiteral("auto");
        return out + (a.manualMayStillBeOn ? "+warn" : "") + (a.abandonWrite ? "+abandon" : "");
    };
    const char* const notices[] = {"none", "afterWrite", "again", "atAck"};
    const char* const states[] = {"manualOn", "manualOff", "toMenu", "toAuto"};
    QStringList out;
    for (const QString& word : script.split(QLatin1Char(' '))) {
        const QString event = word.section(QLatin1Char('='), 0, 0);
        QString gave;
        const QStringList known{"exit",     "auto",     "finished", "ack",         "take",
                                "write",    "commuta",  "kgb",      "notice",      "state",
                                "controls", "spinners", "writing",  "manualTable", "toggle",
                                "lost",     "found"};
        if (!known.contains(QString(event).remove(QRegularExpression(QStringLiteral("\\d+$")))))
            return QStringLiteral("unknown event: ") + word;
        if (event == "exit") gave = action(m.exitClicked());
        if (event == "auto") gave = action(m.autoCalibrationClicked());
        if (event == "finished") gave = action(m.writeFinished());
        if (event.startsWith("ack")) gave = action(m.acknowledged(event.mid(3).toInt()));
        if (event == "take") {
            const PageRequest r = m.takeRequest();
            gave = r.writeStep ? QStringLiteral("w") : QString::number(r.command);
            if (r.coefficient != 0) gave += ":" + QString::number(r.coefficient);
            if (r.oneShot) gave += "!";
        }
        if (event == "write") gave = yes(m.startWrite());
        if (event == "commuta") gave = yes(m.commutaClicked());
        if (event.startsWith("kgb") && event.size() > 3)
            gave = yes(m.setManualKgb(event.mid(3).toInt()));
        if (event == "kgb") gave = QString::number(m.manualKgb());
        if (event == "notice") gave = notices[int(m.notice())];
        if (event == "state") gave = states[int(m.state())];
        if (event == "controls") gave = m.controls() == PageControls{} ? "exit" : "more";
        if (event == "spinners") {
            const PageControls c = m.controls();
            gave = c.manualKgb == c.correctiveSpinners ? yes(c.manualKgb) : QStringLiteral("some");
        }
        if (event == "writing") gave = yes(m.writing());
        if (event == "manualTable") gave = yes(m.writesManualKgbTable());
        if (event == "toggle") m.manualToggleClicked();
        if (event == "lost") m.linkLost();
        if (event == "found") m.linkFound();
        out << (word.contains(QLatin1Char('=')) ? event + "=" + gave : event);
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestCalib : public QObject {
    Q_OBJECT
private slots:
    // The operating-point marker stays on the grid, whatever breakpoints the ECU holds.
    void markerFollowsTheBreakpointsAndStaysOnTheGrid() {
        const Breakpoints b = Breakpoints::of(defaultSet());
        const QList<QPair<int, float>> left{{0, 960},     {649, 960},   {650, 1320},
                                            {1500, 2580}, {7000, 7200}, {7001, 7440}};
        for (const auto& [rpm, expected] : left)
            QCOMPARE(MarkerGeometry::markerLeft(rpm, b.rpm), expected);
        const QList<QPair<int, float>> top{{1999, 720}, {3500, 1320}, {15001, 4320}};
        for (const auto& [tinj, expected] : top)
            QCOMPARE(MarkerGeometry::markerTop(tinj, b.tinj), expected);

        // Equal neighbours would divide by zero; out of order they must not leave the grid.
        std::array<int, 8> odd{800, 800, 2000, 3000, 4000, 5000, 6000, 7000};
        QCOMPARE(MarkerGeometry::markerLeft(800, odd), 1320.0f);
        odd = {650, 3000, 2000, 2000, 4000, 1000, 6000, 7000};
        for (int rpm : {650, 2000, 2500, 3000, 5000, 7000}) {
            const float x = MarkerGeometry::markerLeft(rpm, odd);
            QVERIFY2(std::isfinite(x) && x >= 1320 && x <= 7200, qPrintable(QString::number(rpm)));
        }
    }

    void correctiveFiguresTruncateTowardZeroAndDoNotWrap() {
        ParameterSet s = defaultSet(); // CalibrationTemperature 70, CalibrationPressure 1300
        s.setValue(TemperatureCorrection, 3);
        s.setValue(TemperatureCorrectionInterval, 10);
        const QList<QPair<int, int>> temperature{{90, 6}, {72, 0}, {70, 0}, {40, -9}, {62, -2}};
        for (const auto& [t, shown] : temperature)
            QCOMPARE(Correctives::temperatureFigure(t, s), shown);

        s.setValue(PressureCorrection, 5);
        s.setValue(PressureCorrectionInterval, 100);
        LiveData live;
        live.Pressure1 = 1000;
        live.Rpm = 2000;
        live.Temperature = 65;
        QCOMPARE(Correctives::figures(live, s), (Correctives::Figures{-1, 15}));
        QCOMPARE(Correctives::pressureFigure(1000, 1100, s), 15); // at the threshold: on
        QCOMPARE(Correctives::pressureFigure(1000, 1099, s), 0);
        s.setValue(PressureCorrectionInterval, 1);
        QCOMPARE(Correctives::pressureFigure(65535, 8000, s), std::int64_t(-321175));
        s.setValue(TemperatureCorrectionInterval, 0); // no division by an empty interval
        QCOMPARE(Correctives::temperatureFigure(90, s), 0);
    }

    // The coefficient starts within the spinner's range whatever Kcor the ECU reported, and
    // holds the fitter's value against the live one while the ECU is in manual calibration.
    void manualCoefficientFollowsTheAcknowledgedMode() {
        LanguageTable english;
        english.store(QStringLiteral("F16_C09"), QStringLiteral("CALIBRATION NOT ACTIVE"));
        english.store(QStringLiteral("F16_T93"), QStringLiteral("CALIBRATION ACTIVE"));
        CalibrationPageMachine m;
        m.load(true, 0);               // engine stopped: Kcor 0
        QVERIFY(!m.setManualKgb(120)); // the spinner is not the source while ManualOff
        m.takeRequest();
        QVERIFY(m.manualToggleClicked());
        QCOMPARE(m.takeRequest(), Enter);
        QVERIFY(!m.controls().manualToggle && !m.controls().modifica && !m.controls().manualKgb);
        QCOMPARE(CalibrationTexts::command9Caption(m, english),
                 QStringLiteral("CALIBRATION NOT ACTIVE"));

        m.acknowledged(Commands::EnterCalibration);
        QCOMPARE(CalibrationTexts::command9Caption(m, english),
                 QStringLiteral("CALIBRATION ACTIVE"));
        QVERIFY(!m.liveCoefficient(107));
        QCOMPARE(m.takeRequest(), poll(100));
        QVERIFY(m.setManualKgb(151));
        QCOMPARE(m.takeRequest(), poll(150));

        QVERIFY(m.manualToggleClicked());
        QCOMPARE(m.takeRequest(), Leave);
        m.acknowledged(Commands::LeaveCalibration);
        QCOMPARE(CalibrationTexts::command9Caption(m, english),
                 QStringLiteral("CALIBRATION NOT ACTIVE"));
        QVERIFY(m.liveCoefficient(107));
        QCOMPARE(m.takeRequest(), poll(107));
    }

    // COMMUTA interrupts the request being repeated, and goes back to it; a switch not yet
    // sent when the link is lost is dropped. EXIT and the automatic calibration leave at once
    // only with the ECU out of manual calibration, otherwise on the acknowledgement of their
    // own leave request; during a write they wait for its end, and the spinners too, since
    // what a write sends was taken at MODIFICA.
    void leavingAndSwitchingWaitForTheEcu() {
        const std::pair<CalibrationPageMachine, QString> cases[] = {
            {connectedPage(),
             "toggle commuta take=4! take=11 commuta lost commuta=no found take=11"},
            {connectedPage(), "exit=menu"},
            {connectedPage(), "auto=auto"},
            // A stray 12 before EXIT's own request went out must not let the page leave, nor
            // a late duplicate of 11.
            {manualPage(), "exit=- controls=exit auto=- ack12=- take=12 ack11=- ack12=menu"},
            {manualPage(), "auto take ack12=auto"},
            // Switched off but not yet acknowledged: the ECU may still be in manual
            // calibration. Back from a lost link, request 12 resumes.
            {manualPage(),
             "toggle take exit=- state=toMenu lost notice=again found take=12 ack12=menu"},
            {manualPage(),
             "spinners=yes write=yes spinners=no kgb130=no kgb=105 finished spinners=yes"},
            // A stray reply during the write.
            {connectedPage(),
             "write=yes take=w exit=- notice=afterWrite ack4 take=w finished=menu"},
            // In manual calibration the deferred EXIT becomes the manual-off request.
            {manualPage(), "manualTable=yes write exit finished=- take=12"},
            // Link lost: EXIT interrupts the write, with the warning when manual may be on.
            {connectedPage(), "write lost exit=menu+abandon"},
            {manualPage(), "write exit lost exit=menu+warn+abandon"},
            {connectedPage(), "toggle write=no"}, // mode change not yet acknowledged
            // Manual calibration, the write under way and the link lost: EXIT stops the write
            // (nothing more of the table goes out) and asks the ECU to leave manual calibration.
            {manualPage(), "write take lost exit=-+abandon writing=no found take=12"},
            // EXIT asked again leaves at once, whatever the ECU does: during a write with the
            // link alive the write is stopped first, and a leave not yet confirmed is warned of.
            {manualPage(), "write exit=- exit=-+abandon notice=atAck take=12 exit=menu+warn"},
        };
        for (const auto& [machine, script] : cases)
            QCOMPARE(played(machine, script), script);
    }

    void graphMapsTheTableToPixels() {
        const QList<QPair<int, int>> y{{150, 208}, {100, 368}, {90, 400}, {101, 365}, {103, 358}};
        for (const auto& [v, pixel] : y)
            QCOMPARE(CalibrationGraph::valueY(v), pixel);
        QCOMPARE(CalibrationGraph::valueY(2'000'000'000), -32768); // no overflow

        ParameterSet s = defaultSet();
        s.setKtar(27, 150); // cell 26: row 3, column 2
        const CalibrationGraph g = CalibrationGraph::fromParameters(s);
        QCOMPARE(g.position(2, 3), QPoint(280, 208));
        QCOMPARE(g.position(3, 2), QPoint(216, 352)); // the default 105, not the 150
        QCOMPARE(g.legendText(0, 2), QStringLiteral("650 RPM"));
        // A language number the view does not know gets the Italian captions.
        const LanguageTable none;
        QCOMPARE(CalibrationTexts::graphCaptions(9, true, none),
                 CalibrationTexts::graphCaptions(1, true, none));
        // The third language's blanks come from the language file, else the design text: a
        // deselect entry nobody could see would leave a chosen curve blinking.
        LanguageTable turkish;
        QVERIFY(SetLingua(turkish, QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt"),
                          QStringLiteral("[TUR]")));
        QCOMPARE(CalibrationTexts::graphCaptions(3, true, turkish).label30,
                 QStringLiteral("Seçimi kaldır"));
        QVERIFY(!CalibrationTexts::selectCurveMessage(3, turkish).text.isEmpty());
        QVERIFY(!CalibrationTexts::graphCaptions(3, true, none).label30.isEmpty());
    }

    // A press reaches every point within two pixels, of any curve (a beep each), and reads only
    // the chosen curve's; the chosen curve is white every other tick, and a deselection or a
    // press without a curve leaves none white.
    void graphPressesAndBlinks() {
        ParameterSet s = defaultSet();
        for (int cell = 0; cell < TableSize; ++cell) // no two curves share a pixel...
            s.setKtar(cell + 1, 102 + 7 * (cell % 8) + cell / 8);
        s.setKtar(8 * 5 + 3 + 1, s.ktar(8 * 5 + 1 + 1)); // ...but curves 4 and 2 on point 5
        CalibrationGraph g = CalibrationGraph::fromParameters(s);
        const QPoint met = g.position(1, 5);
        QVERIFY(g.click(met).needsCurve);
        g.selectCurve(2);
        using Readout = CalibrationGraph::PointReadout;
        const Readout reading{s.value(RpmBreakpoint1 + 1), s.value(TinjBreakpoint1 + 5),
                              s.ktar(42)};
        const std::tuple<QPoint, int, std::optional<Readout>> presses[] = {
            {met + QPoint(2, -2), 2, reading},
            {g.position(5, 0), 1, {}},
            {met + QPoint(3, 0), 0, {}}};
        for (const auto& [at, beeps, readout] : presses) {
            const CalibrationGraph::Click c = g.click(at);
            QVERIFY(!c.needsCurve);
            QCOMPARE(c.beeps, beeps);
            QVERIFY(c.readout == readout);
        }
        QString white;
        for (int tick = 0; tick < 3; ++tick)
            white += QString::number(g.blinkTick() ? g.whiteCurve() : -1);
        QCOMPARE(white, QStringLiteral("202"));
        g.deselect();
        QVERIFY(!g.blinkTick() && g.whiteCurve() == 0);
        g.selectCurve(3);
        g.blinkTick();
        g.deselect();
        QVERIFY(g.click(met).needsCurve && !g.blinkRunning() && g.whiteCurve() == 0);
    }
};

QTEST_GUILESS_MAIN(TestCalib)
#include "test_calib.moc"
