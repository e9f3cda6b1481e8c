#include "calib/CalibrationGraph.h"
#include "calib/CalibrationPageMachine.h"
#include "calib/CalibrationTexts.h"
#include "calib/Correctives.h"
#include "calib/MarkerGeometry.h"
#include "diag/LiveData.h"
#include "lang/LanguageTable.h"
#include "link/Commands.h"
#include "params/ParameterSet.h"

#include <QtTest>

namespace {

ParameterSet defaults() {
    ParameterSet s;
    SetParameterDefaults(s);
    return s;
}

const PageRequest Poll105{Commands::CalibrationLive, 105, false, false};
const PageRequest Enter{Commands::EnterCalibration, 0, false, false};
const PageRequest Leave{Commands::LeaveCalibration, 0, false, false};
const PageRequest Switch{Commands::SwitchFuel, 0, true, false};
const PageRequest WriteStep{0, 0, false, true};

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

PageAction leaving(PageExit to, bool warn = false, bool abandon = false) {
    return {to, warn, abandon};
}

} // namespace

class TestCalib : public QObject {
    Q_OBJECT
private slots:
    // --- Operating-point marker -------------------------------------------------------------

    void markerSitsOnTheDefaultBreakpoints() {
        const Breakpoints b = Breakpoints::of(defaults());
        const QList<QPair<int, float>> left{{0, 960},     {649, 960},   {650, 1320}, {1000, 2160},
                                            {1500, 2580}, {7000, 7200}, {7001, 7440}};
        for (const auto& [rpm, expected] : left)
            QCOMPARE(MarkerGeometry::markerLeft(rpm, b.rpm), expected);
        const QList<QPair<int, float>> top{
            {1999, 720}, {2000, 840}, {3500, 1320}, {15000, 4200}, {15001, 4320}};
        for (const auto& [tinj, expected] : top)
            QCOMPARE(MarkerGeometry::markerTop(tinj, b.tinj), expected);
        // Pixels at scale 1: the marker's far corner and the last table cell.
        QCOMPARE(MarkerGeometry::toPixels(QRectF(7440, 4320, 375, 375)), QRectF(496, 288, 25, 25));
        QCOMPARE(MarkerGeometry::textBox(79), QRect(6960, 4200, 735, 330));
        QCOMPARE(MarkerGeometry::textBox(8), QRect(120, 840, 855, 330));
        QCOMPARE(MarkerGeometry::textBox(80), QRect());
    }

    void markerStaysFiniteOnEqualOrDisorderedBreakpoints() {
        std::array<int, 8> b{800, 800, 2000, 3000, 4000, 5000, 6000, 7000};
        QCOMPARE(MarkerGeometry::markerLeft(800, b), 1320.0f);
        // Breakpoints out of order, as an ECU may hold them: still inside the grid.
        b = {650, 3000, 2000, 2000, 4000, 1000, 6000, 7000};
        for (int rpm : {650, 2000, 2500, 3000, 5000, 7000}) {
            const float left = MarkerGeometry::markerLeft(rpm, b);
            QVERIFY2(std::isfinite(left) && left >= 1320 && left <= 7200,
                     qPrintable(QString::number(rpm)));
        }
        QCOMPARE(MarkerGeometry::markerLeft(5000, b), 6192.0f); // between b5 = 1000 and b6 = 6000
    }

    // --- Correctives -----------------------------------------------------------------------

    void correctiveFiguresTruncateTowardZero() {
        ParameterSet s = defaults(); // CalibrationTemperature 70, CalibrationPressure 1300
        s.setValue(TemperatureCorrection, 3);
        s.setValue(TemperatureCorrectionInterval, 10);
        const QList<QPair<int, int>> temperature{{90, 6},  {72, 0},  {71, 0}, {70, 0},
                                                 {40, -9}, {65, -1}, {62, -2}};
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
        QCOMPARE(Correctives::pressureFigure(1330, 2000, s), -1);

        s.setValue(PressureCorrection, 0);
        QCOMPARE(Correctives::pressureFigure(0, 2000, s), 0);
        s.setValue(TemperatureCorrectionInterval, 0);
        QCOMPARE(Correctives::temperatureFigure(90, s), 0);
    }

    void correctiveFigureBeyondSixteenBitsIsNotWrapped() {
        ParameterSet s = defaults();
        s.setValue(PressureCorrection, 5);
        s.setValue(PressureCorrectionInterval, 1);
        QCOMPARE(Correctives::pressureFigure(65535, 8000, s), std::int64_t(-321175));
    }

    // --- Page state machine ----------------------------------------------------------------

    void manualCalibrationChangesOnlyWithTheAcknowledgement() {
        LanguageTable english;
        english.store(QStringLiteral("F16_C09"), QStringLiteral("CALIBRATION NOT ACTIVE"));
        CalibrationPageMachine m = connectedPage();
        QCOMPARE(m.takeRequest(), Poll105);
        QVERIFY(!m.setManualKgb(120)); // spinner is not the source while ManualOff
        QVERIFY(m.liveCoefficient(130));
        QCOMPARE(m.request().coefficient, 130);

        QVERIFY(m.manualToggleClicked());
        QCOMPARE(m.state(), CalibrationPageState::ManualOn);
        QCOMPARE(m.takeRequest(), Enter);
        QVERIFY(!m.controls().manualToggle && !m.controls().modifica && !m.controls().manualKgb);
        QCOMPARE(CalibrationTexts::command9Caption(m, english),
                 QStringLiteral("CALIBRATION NOT ACTIVE"));
        QCOMPARE(m.takeRequest(), Enter); // no reply: repeated

        QCOMPARE(m.acknowledged(Commands::EnterCalibration), PageAction{});
        QCOMPARE(CalibrationTexts::command9Caption(m, english), QStringLiteral("TARATURA ATTIVA"));
        QVERIFY(m.controls().manualToggle && m.controls().manualKgb);
        QVERIFY(!m.liveCoefficient(105)); // the fitter's coefficient holds
        QVERIFY(m.setManualKgb(151));
        QCOMPARE(m.takeRequest(), (PageRequest{Commands::CalibrationLive, 150, false, false}));

        QVERIFY(m.manualToggleClicked());
        QCOMPARE(m.state(), CalibrationPageState::ManualOff);
        QCOMPARE(m.takeRequest(), Leave);
        QVERIFY(!m.controls().manualKgb);
        m.acknowledged(Commands::LeaveCalibration);
        QCOMPARE(CalibrationTexts::command9Caption(m, english),
                 QStringLiteral("TARATURA NON ATTIVA"));
        QVERIFY(m.liveCoefficient(107));
        QCOMPARE(m.takeRequest(), (PageRequest{Commands::CalibrationLive, 107, false, false}));
    }

    void lateAndForeignAcknowledgementsAreIgnored() {
        const LanguageTable italian;
        CalibrationPageMachine m = connectedPage();
        m.manualToggleClicked();
        m.takeRequest();                            // 11 outstanding
        m.acknowledged(Commands::LeaveCalibration); // foreign
        m.acknowledged(Commands::SwitchFuel);       // foreign
        QVERIFY(!m.modeAcknowledged());
        QCOMPARE(m.request(), Enter);
        m.acknowledged(Commands::EnterCalibration);
        m.takeRequest();                            // polling again
        m.acknowledged(Commands::LeaveCalibration); // nobody asked the ECU to leave
        QCOMPARE(CalibrationTexts::command9Caption(m, italian), QStringLiteral("TARATURA ATTIVA"));
        QVERIFY(m.controls().manualKgb);

        // A stray 12 before EXIT's own request went out must not let the page leave.
        QCOMPARE(m.exitClicked(), PageAction{});
        QCOMPARE(m.acknowledged(Commands::LeaveCalibration), PageAction{});
        QCOMPARE(m.takeRequest(), Leave);
        QCOMPARE(m.acknowledged(Commands::EnterCalibration), PageAction{}); // late duplicate
        QCOMPARE(m.acknowledged(Commands::LeaveCalibration), leaving(PageExit::ToMainMenu));
    }

    // Also: ManualKgb starts within the spinner's range whatever Kcor the ECU last reported.
    void twoManualClicksInOneTickSendTheFirstOnly() {
        CalibrationPageMachine m;
        m.load(true, 0); // engine stopped: Kcor 0
        QVERIFY(m.manualToggleClicked());
        QVERIFY(!m.manualToggleClicked());
        QCOMPARE(m.state(), CalibrationPageState::ManualOn);
        QCOMPARE(m.takeRequest(), Enter);
        m.acknowledged(Commands::EnterCalibration);
        QCOMPARE(m.takeRequest(), (PageRequest{Commands::CalibrationLive, 100, false, false}));
        QVERIFY(m.manualToggleClicked()); // next tick, acknowledged: goes out in turn
        QCOMPARE(m.takeRequest(), Leave);
    }

    void switchGoesOutOncePerPressAndIsDroppedWhenTheLinkIsLost() {
        CalibrationPageMachine m = connectedPage();
        QVERIFY(m.commutaClicked());
        QVERIFY(m.commutaClicked()); // same tick: still one switch
        QCOMPARE(m.takeRequest(), Switch);
        QCOMPARE(m.takeRequest(), Poll105); // no acknowledgement: never repeated

        m.manualToggleClicked();
        m.commutaClicked();
        QCOMPARE(m.takeRequest(), Switch);
        QCOMPARE(m.takeRequest(), Enter); // back to the request it was repeating

        m.commutaClicked();
        m.linkLost();
        QVERIFY(!m.commutaClicked());
        m.linkFound();
        QCOMPARE(m.takeRequest(), Enter);
    }

    void exitLeavesAtOnceOnlyWhenTheEcuIsOutOfManual() {
        CalibrationPageMachine m = connectedPage();
        QCOMPARE(m.exitClicked(), leaving(PageExit::ToMainMenu));
        m = connectedPage();
        QCOMPARE(m.autoCalibrationClicked(), leaving(PageExit::ToAutoCalibration));

        m = manualPage();
        QCOMPARE(m.exitClicked(), PageAction{});
        QCOMPARE(m.state(), CalibrationPageState::LeavingForMenu);
        QCOMPARE(m.takeRequest(), Leave);
        QCOMPARE(m.controls(), PageControls{}); // EXIT only
        QCOMPARE(m.autoCalibrationClicked(), PageAction{});
        QCOMPARE(m.acknowledged(Commands::LeaveCalibration), leaving(PageExit::ToMainMenu));

        m = manualPage();
        m.autoCalibrationClicked();
        QCOMPARE(m.state(), CalibrationPageState::LeavingForAutoCalibration);
        m.takeRequest();
        QCOMPARE(m.acknowledged(Commands::LeaveCalibration), leaving(PageExit::ToAutoCalibration));
        QCOMPARE(m.state(), CalibrationPageState::ManualOff);

        // Switched off but not yet acknowledged: the ECU may still be in manual calibration.
        m = manualPage();
        m.manualToggleClicked();
        m.takeRequest();
        QCOMPARE(m.exitClicked(), PageAction{});
        QCOMPARE(m.state(), CalibrationPageState::LeavingForMenu);
        QCOMPARE(m.acknowledged(Commands::LeaveCalibration), leaving(PageExit::ToMainMenu));
    }

    void exitWithTheEcuSilentLeavesOnASecondPressOnceTheLinkIsLost() {
        CalibrationPageMachine m = manualPage();
        m.exitClicked();
        m.takeRequest();
        QCOMPARE(m.exitClicked(), PageAction{}); // link not yet lost: keeps asking
        QCOMPARE(m.notice(), PageNotice::None);
        m.linkLost();
        QCOMPARE(m.notice(), PageNotice::ExitAgainToLeave);
        m.linkFound(); // the ECU is back: request 12 resumes
        QCOMPARE(m.takeRequest(), Leave);
        m.linkLost();
        QCOMPARE(m.exitClicked(), leaving(PageExit::ToMainMenu, true));
    }

    void leavingWaitsForARunningWrite() {
        CalibrationPageMachine m = connectedPage();
        QVERIFY(m.startWrite());
        QCOMPARE(m.takeRequest(), WriteStep);
        QVERIFY(!m.controls().commuta && !m.controls().manualToggle && !m.controls().graphicalView);
        QCOMPARE(m.exitClicked(), PageAction{});
        QCOMPARE(m.notice(), PageNotice::ExitAfterWrite);
        m.acknowledged(Commands::SwitchFuel); // stray reply during the write
        QCOMPARE(m.takeRequest(), WriteStep);
        QCOMPARE(m.writeFinished(), leaving(PageExit::ToMainMenu));

        // In manual calibration the deferred EXIT becomes the manual-off request.
        m = manualPage();
        QVERIFY(m.writesManualKgbTable());
        m.startWrite();
        m.exitClicked();
        QCOMPARE(m.writeFinished(), PageAction{});
        QCOMPARE(m.takeRequest(), Leave);

        // Link lost: EXIT interrupts the write.
        m = connectedPage();
        m.startWrite();
        m.linkLost();
        QCOMPARE(m.exitClicked(), leaving(PageExit::ToMainMenu, false, true));

        m = manualPage();
        m.startWrite();
        m.exitClicked();
        m.linkLost();
        QCOMPARE(m.notice(), PageNotice::ExitAgainToLeave);
        QCOMPARE(m.exitClicked(), leaving(PageExit::ToMainMenu, true, true));

        m = connectedPage();
        m.writeFinished();
        QCOMPARE(m.takeRequest(), Poll105);
        m.manualToggleClicked();
        QVERIFY(!m.startWrite()); // mode change not yet acknowledged
    }

    void graphicalViewPausesPolling() {
        CalibrationPageMachine m = connectedPage();
        m.commutaClicked();
        m.linkLost();
        QVERIFY(m.graphicalViewOpened());
        QCOMPARE(m.request(), PageRequest{});
        QVERIFY(m.graphicalViewClosed());
        QVERIFY(!m.isLinkLost());
        QCOMPARE(m.takeRequest(), Poll105);
        QVERIFY(!m.graphicalViewClosed());
        m.startWrite();
        QVERIFY(!m.graphicalViewOpened());
    }

    void offlinePageSendsNothingAndLeavesAtOnce() {
        CalibrationPageMachine m;
        m.load(false, 0);
        QCOMPARE(m.takeRequest(), PageRequest{});
        PageControls offline;
        offline.graphicalView = offline.autoCalibration = true;
        QCOMPARE(m.controls(), offline);
        QVERIFY(!m.manualToggleClicked() && !m.commutaClicked() && !m.startWrite());
        QVERIFY(m.graphicalViewOpened());
        QVERIFY(!m.graphicalViewClosed()); // nothing to resume
        QCOMPARE(m.exitClicked(), leaving(PageExit::ToMainMenu));
    }

    // --- Graphical view ----------------------------------------------------------------------

    void graphMapsTheTableToPixels() {
        const QList<QPair<int, int>> y{{150, 208}, {100, 368}, {90, 400}, {101, 365},
                                       {103, 358}, {200, 48},  {99, 371}};
        for (const auto& [v, pixel] : y)
            QCOMPARE(CalibrationGraph::valueY(v), pixel);
        QCOMPARE(CalibrationGraph::valueY(2'000'000'000), -32768);
        QCOMPARE(CalibrationGraph::pointX(0), 88);
        QCOMPARE(CalibrationGraph::pointX(6), 472);
        QCOMPARE(CalibrationGraph::cellIndex(2, 3), 26);
        QCOMPARE(CalibrationGraph::cellIndex(5, 6), 53);

        ParameterSet s = defaults();
        s.setKtar(27, 150); // cell 26: row 3, column 2
        const CalibrationGraph g = CalibrationGraph::fromParameters(s);
        QCOMPARE(g.position(2, 3), QPoint(280, 208));
        QCOMPARE(g.position(3, 2), QPoint(216, 352)); // the default 105, not the 150
        QCOMPARE(g.rpmBreakpoint(5), 5000);
        QCOMPARE(g.tinjBreakpoint(6), 13000);
        QCOMPARE(g.legendText(0, 2), QStringLiteral("650 RPM"));
        QCOMPARE(g.legendText(0, 1), QStringLiteral("650"));

        const CalibrationGraph demo = CalibrationGraph::demonstration();
        QCOMPARE(demo.position(0, 1), QPoint(152, 400));
        QCOMPARE(demo.position(5, 5), QPoint(408, 112));
        QCOMPARE(demo.tinjBreakpoint(0), 3000);
        QCOMPARE(demo.legendText(5, 2), QStringLiteral("6000"));
    }

    void clickBeepsForEveryPointInReachAndFillsFromTheSelectedCurve() {
        ParameterSet s = defaults();
        for (int c = 0; c < 6; ++c)
            s.setKtar(CalibrationGraph::cellIndex(c, 4) + 1, 110 + 5 * c); // column j = 4 apart
        s.setKtar(CalibrationGraph::cellIndex(3, 4) + 1, 115); // curve 4 meets curve 2 there
        CalibrationGraph g = CalibrationGraph::fromParameters(s);
        const QPoint p = g.position(1, 4); // (344, 320)
        QCOMPARE(p, QPoint(344, 320));

        QVERIFY(g.click(p).needsCurve);
        g.selectCurve(4);
        CalibrationGraph::Click c = g.click(p + QPoint(2, -2));
        QCOMPARE(c.beeps, 2);
        QCOMPARE(c.readout, (CalibrationGraph::PointReadout{3000, 9000, 115}));
        g.selectCurve(5);
        c = g.click(p + QPoint(-2, 2));
        QCOMPARE(c.beeps, 2);
        QVERIFY(!c.readout);
        QCOMPARE(g.click(p + QPoint(3, 0)).beeps, 0);
        QCOMPARE(g.click(p + QPoint(0, -3)).beeps, 0);
        // Every curve is 105 at point 0: one click, six beeps.
        QCOMPARE(g.click(g.position(0, 0)).beeps, 6);
    }

    void selectedCurveBlinksAndDeselectionStopsWithinASecond() {
        CalibrationGraph g = CalibrationGraph::fromParameters(defaults());
        g.selectCurve(3);
        QVERIFY(g.blinkRunning());
        QCOMPARE(g.whiteCurve(), 0); // nothing repainted before the first tick
        const QList<int> white{3, 0, 3, 0};
        for (int expected : white) {
            QVERIFY(g.blinkTick());
            QCOMPARE(g.whiteCurve(), expected);
        }
        QVERIFY(g.blinkTick());
        QCOMPARE(g.paintColour(3), (Rgb{255, 255, 255}));
        QCOMPARE(g.paintColour(4), (Rgb{0, 0, 0}));
        g.deselect();
        QVERIFY(!g.blinkTick());
        QCOMPARE(g.whiteCurve(), 0);
        QCOMPARE(g.paintColour(3), (Rgb{255, 255, 0}));

        // Chosen and deselected within the same second.
        g.selectCurve(6);
        g.deselect();
        QVERIFY(!g.blinkTick());
        QCOMPARE(g.whiteCurve(), 0);

        // A click on the plot with nothing chosen stops the timer with every curve in colour.
        g.selectCurve(2);
        g.blinkTick();
        g.deselect();
        QVERIFY(g.click(QPoint(88, 368)).needsCurve);
        QVERIFY(!g.blinkRunning());
        QCOMPARE(g.whiteCurve(), 0);
    }

    // --- Texts ------------------------------------------------------------------------------

    void textsFollowLanguageAndConnection() {
        LanguageTable none;
        QCOMPARE(CalibrationTexts::graphCaptions(1, false, none).title,
                 QStringLiteral("TARVEX - Taratura grafica Non connesso"));
        QCOMPARE(CalibrationTexts::graphCaptions(9, true, none),
                 CalibrationTexts::graphCaptions(1, true, none));
        QCOMPARE(CalibrationTexts::selectCurveMessage(2, none).text,
                 QStringLiteral("Please, select the curve, before reaching the graph."));

        // The third language has no fixed read-out captions, deselect entry or message: they
        // come from the language file, Italian when it was not loaded; the fixed ones stay.
        LanguageTable turkish;
        QVERIFY(turkish.store(QStringLiteral("F15_T83"), QStringLiteral("Seçimi kaldır")));
        QVERIFY(turkish.store(QStringLiteral("F15_T85"), QStringLiteral("Bir eğri seçin.")));
        const CalibrationTexts::GraphCaptions third =
            CalibrationTexts::graphCaptions(3, false, turkish);
        QCOMPARE(third.title, QStringLiteral("TARVEX - Pas connecté"));
        QCOMPARE(third.label30, QStringLiteral("Seçimi kaldır"));
        QCOMPARE(third.label1, QStringLiteral("RPM"));
        QCOMPARE(CalibrationTexts::selectCurveMessage(3, turkish),
                 (CalibrationTexts::Message{QStringLiteral("TARVEX - Seleziona curva"),
                                            QStringLiteral("Bir eğri seçin.")}));
        QCOMPARE(CalibrationTexts::graphCaptions(2, true, turkish).label30,
                 QStringLiteral("Deactivate"));

        LanguageTable t;
        QCOMPARE(CalibrationTexts::notice(PageNotice::ExitAfterWrite, t),
                 QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA"));
        QVERIFY(t.store(QStringLiteral("F16_T92"), QStringLiteral("MAY STILL BE ON")));
        QCOMPARE(CalibrationTexts::manualMayStillBeOn(t), QStringLiteral("MAY STILL BE ON"));
    }
};

QTEST_GUILESS_MAIN(TestCalib)
#include "test_calib.moc"
