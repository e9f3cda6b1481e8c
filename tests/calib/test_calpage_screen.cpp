#include "common/EcuRecords.h"
#include "common/Menu.h"

#include "calib/MarkerGeometry.h"
#include "calib/TableTexts.h"
#include "link/LiveDecoding.h"
#include "screen/Shape.h"
#include "screens/calib/Form16.h"
#include "screens/calib/TableGrid.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>

namespace {

EngineSettings warm() {
    EngineSettings s;
    s.start = EngineSettings::Start::Warm;
    return s;
}

QColor colour(QLineEdit* box, QPalette::ColorRole role = QPalette::Base) {
    return box->palette().color(role);
}

// The page in a world of its own, its controls found by name: either against a warm car
// idling on gas, on a clock the test moves, or on a scripted link where the test plays the
// ECU.
struct Page {
    Page() : w(World::Links::Scripted) { w.g.LostLinkText = QStringLiteral("NO LINK"); }
    explicit Page(const FaultSettings& faults) : w(warm(), faults) {
        w.g.LostLinkText = QStringLiteral("NO LINK");
    }

    // Against the car, as the main menu opens it: the set uploaded, one record read.
    Form16* open() {
        uploadFrom(w.ecu.memory(), w.g.parameters);
        LiveDecoding::decodeCalibrationLive(
            w.ecu.handle(Commands::calibrationLive(w.ecu.engine().kcor)), w.g.liveData);
        w.ecu.clearReceived();
        return show();
    }
    // On the scripted link, with the default set: Kcor 105.
    Form16* openScripted(const std::function<void(ParameterSet&)>& adjust = {}) {
        SetParameterDefaults(w.g.parameters);
        if (adjust) adjust(w.g.parameters);
        w.g.liveData.Kcor = 105;
        show();
        link = w.scripted.empty() ? nullptr : w.scripted.back();
        return page;
    }
    Form16* show() {
        w.host.show(ScreenId::Form16);
        return page = w.screen<Form16>(ScreenId::Form16);
    }

    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            if (!link) w.ecu.advance(200);
            page->Timer1Tick();
        }
    }
    // `reply` arrives, and the page takes it in one tick.
    void answer(const QByteArray& reply) {
        link->arriving = reply;
        page->Timer1Tick();
    }
    void answer(int command) { answer(replyFrame(command)); }
    // Manual calibration switched on, and the ECU's acknowledgement read.
    void switchManualOn() {
        click("Command9");
        tick();
        answer(Commands::EnterCalibration);
    }
    template <class Done> bool until(Done done, int maxTicks = 600) {
        return tickUntil([this] { tick(); }, done, maxTicks);
    }
    bool writeDone(int maxTicks = 600) {
        return until([this] { return !page->page().writing(); }, maxTicks);
    }

    template <class T = QWidget> T* control(const char* name) {
        return w.control<T>(ScreenId::Form16, QString::fromLatin1(name));
    }
    QLineEdit* grid(int element) {
        return w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text6_%1").arg(element));
    }
    QLineEdit* cell(int row, int column) { return grid(16 + TableOperations::cellOf(row, column)); }
    // A label's or a box's text.
    QString text(const char* name) {
        if (auto* label = control<QLabel>(name)) return label->text();
        return control<QLineEdit>(name)->text();
    }
    QString menuStatus() {
        return w.control<QLabel>(ScreenId::Form2, QStringLiteral("StatusText"))->text();
    }
    bool enabled(const char* name) { return control(name)->isEnabled(); }
    void click(const char* name) { w.click(ScreenId::Form16, QString::fromLatin1(name)); }

    World w;
    Form16* page = nullptr;
    ScriptedLink* link = nullptr;
};

} // namespace

class TestCalPageScreen : public QObject {
    Q_OBJECT
private slots:
    // --- The verified write -----------------------------------------------------------------

    // The grid as the fitter left it (a box typed in, a block pasted from a spreadsheet at
    // the selected cell), the correctives and breakpoints go out in the ECU's order and are
    // read back; the write starts a new history. A refused field after it sends nothing.
    void modificaWritesEverythingInOrderThenReadsBothBack() {
        Page car{FaultSettings{}};
        car.open();
        car.tick();
        car.grid(7)->setText(QStringLiteral("7200"));
        car.control<QLineEdit>("Text10")->setText(QStringLiteral("150"));
        car.control<QScrollBar>("VScroll4")->setValue(-3);
        QGuiApplication::clipboard()->setText(QStringLiteral("121\t122\t123\r\n131\t132\t133\r\n"));
        QTest::mouseClick(car.cell(2, 1), Qt::LeftButton);
        QTest::keyClick(car.cell(2, 1), Qt::Key_V, Qt::ControlModifier);
        const QMap<int, int> pasted{{17, 121}, {18, 122}, {19, 123},
                                    {25, 131}, {26, 132}, {27, 133}};
        for (auto [cell, value] : pasted.asKeyValueRange())
            QCOMPARE(car.grid(16 + cell)->text(), QString::number(value));
        auto* tools = car.page->findChild<TableGrid*>();
        QCOMPARE(tools->selection(), (TableSelection{2, 1, 3, 3}));
        QCOMPARE(car.text("TableStatus"),
                 QStringLiteral("Celle modificate, non ancora scritte: 6"));
        car.w.ecu.clearReceived();
        car.click("Command7"); // manual calibration off: no question
        QVERIFY(car.w.dialogs.messages.isEmpty());
        QVERIFY(!car.enabled("Command9"));
        QVERIFY(car.writeDone());

        // The 87 writes (their order is the fields' test), then both blocks read back.
        QCOMPARE(car.w.ecu.received().mid(87, 2),
                 (QList<QByteArray>{Commands::frame(1), Commands::frame(8)}));
        QCOMPARE(int(car.w.ecu.memory().words[RpmBreakpoint1 + 7]), 7200);
        QCOMPARE(int(car.w.ecu.memory().words[PressureCorrection]), 3);
        QCOMPARE(car.w.g.parameters.value(PressureCorrectionInterval), 150);
        for (auto [cell, value] : pasted.asKeyValueRange()) {
            QCOMPARE(int(car.w.ecu.memory().table[cell + 1]), value);
            QCOMPARE(car.w.g.parameters.ktar(cell + 1), value);
        }
        QCOMPARE(car.text("Label4"), QStringLiteral("Parametri scritti e verificati"));
        QVERIFY(car.enabled("Command9"));
        QVERIFY(tools->history().edited().none());
        QVERIFY(!tools->history().canUndo());
        QVERIFY(car.text("TableStatus").isEmpty());

        // Which fields are refused, and why, is the fields' test; here the page shows the
        // message, sends nothing, and marks a refused box until the fitter edits it, whatever
        // colour the fuel gives the others.
        car.grid(1)->setText(QStringLiteral("500"));      // below breakpoint 0 (650)
        car.grid(16 + 9)->setText(QStringLiteral("151")); // one over
        car.w.ecu.clearReceived();
        car.click("Command7");
        QVERIFY2(car.text("Label4").contains(QStringLiteral("TAB KTAR 100-150")),
                 qPrintable(car.text("Label4")));
        QVERIFY(!car.page->page().writing());
        car.tick(3);
        QCOMPARE(car.w.commandsSeen(), (QList<int>{10, 10, 10}));
        QCOMPARE(colour(car.grid(25)), QColor(255, 0, 0));
        QCOMPARE(colour(car.grid(26)), QColor(0, 0, 0));
        QTest::keyClick(car.grid(25), Qt::Key_Backspace);
        QCOMPARE(colour(car.grid(25)), QColor(0, 0, 0));
        QCOMPARE(colour(car.grid(25), QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(colour(car.grid(1)), QColor(255, 0, 0));
    }

    // The keys reach the tools from the boxes, where a text box would keep them: Shift+arrows
    // select, "+" raises, typing is one step, Ctrl+Z / Ctrl+Y, Ctrl+C; a paste that does not
    // fit changes nothing and says why. (What each tool does is the table tools' test.) Then
    // the graphical view, which pauses polling.
    void keysInTheBoxesWorkTheTable() {
        Page p;
        Form16* page = p.openScripted();
        const auto texts = [&p] {
            QStringList out;
            for (int row = 0; row < 2; ++row)
                for (int column = 0; column < 2; ++column)
                    out << p.cell(row, column)->text();
            return out.join(QLatin1Char(' '));
        };
        const auto key = [page](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            QTest::keyClick(page->focusWidget(), k, mods);
        };
        QTest::mouseClick(p.cell(0, 0), Qt::LeftButton);
        key(Qt::Key_Right, Qt::ShiftModifier);
        key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(page->focusWidget(), p.cell(1, 1));
        key(Qt::Key_Plus);
        QCOMPARE(texts(), QStringLiteral("106 106 106 106"));
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("106\t106\n106\t106\n"));

        QTest::keyClicks(p.cell(1, 1), QStringLiteral("14"));
        QCOMPARE(p.cell(1, 1)->text(), QStringLiteral("14"));
        QTest::keyClicks(p.cell(1, 1), QStringLiteral("0"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(texts(), QStringLiteral("106 106 106 106"));
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(texts(), QStringLiteral("106 106 106 140"));

        QGuiApplication::clipboard()->setText(QStringLiteral("120\t120\t120\n120\t120\t120\n"));
        QTest::mouseClick(p.cell(0, 7), Qt::LeftButton);
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(texts(), QStringLiteral("106 106 106 140"));
        QVERIFY(p.text("TableStatus")
                    .startsWith(QStringLiteral("Dati non incollati: un blocco di 2 righe per 3 "
                                               "colonne dalla cella TINJ 1 RPM 8")));

        // The view pauses polling. The ECU went silent before it opened: once the view closes
        // and the ECU answers, the page says so instead of keeping the old lost-link text.
        p.w.g.EcuVersion = {2, 4, 7};
        p.tick(18);
        QCOMPARE(p.text("Text3"), QStringLiteral("NO LINK"));
        p.click("Command5");
        QVERIFY(p.w.host.isVisible(ScreenId::Form15));
        QVERIFY(!page->cycle().isRunning() && p.link->isOpen());
        p.link->written.clear();
        p.w.host.show(ScreenId::Form16); // the view closes
        p.tick();
        QCOMPARE(p.link->written, (QList<QByteArray>{Commands::calibrationLive(105)}));
        p.answer(calibrationRecord({.rpm = 1500, .kcor = 105}));
        QCOMPARE(p.text("Text5"), QStringLiteral("1500"));
        QCOMPARE(p.text("Text3"), QStringLiteral("2.4.7"));
    }

    // Manual calibration at 120 drives the ECU live; MODIFICA then makes 120 the whole table,
    // only when the fitter says so.
    void manualCalibrationDrivesTheEcuAndWritesItsCoefficient() {
        Page car{FaultSettings{}};
        Form16* page = car.open();
        car.tick(3);
        auto* spinner = car.control<QScrollBar>("VScroll1");
        QVERIFY(!spinner->isEnabled());
        car.click("Command9");
        QVERIFY(car.until([page] { return page->page().ecuManual(); }, 5));
        QVERIFY(spinner->isEnabled());
        // The upper arrow and the Up key raise the coefficient; it stops at 100.
        QTest::keyClick(spinner, Qt::Key_Up);
        QTest::mouseClick(spinner, Qt::LeftButton, {}, QPoint(spinner->width() / 2, 3));
        QCOMPARE(car.text("Text11"), QStringLiteral("107"));
        for (int i = 0; i < 50; ++i)
            QTest::keyClick(spinner, Qt::Key_Down);
        QCOMPARE(car.text("Text11"), QStringLiteral("100"));
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(spinner, Qt::Key_Up);
        car.tick(5);
        QCOMPARE(car.w.ecu.engine().kcor, 120);
        QCOMPARE(car.text("Text14"), QStringLiteral("120"));

        car.w.dialogs.answer = false;
        car.w.ecu.clearReceived();
        car.click("Command7");
        QCOMPARE(car.w.dialogs.messages.size(), 1);
        QVERIFY(car.w.dialogs.messages.last().contains(QStringLiteral("120")));
        QVERIFY(car.w.dialogs.messages.last().contains(QStringLiteral("64")));
        QVERIFY(!page->page().writing());
        car.tick(3);
        QCOMPARE(car.w.commandsSeen(), QList<int>(3, Commands::CalibrationLive));
        car.w.dialogs.answer = true;
        car.click("Command7");
        QVERIFY(car.writeDone());
        const auto& table = car.w.ecu.memory().table;
        QCOMPARE(std::count(table.begin() + 1, table.begin() + 1 + TableSize, 120), TableSize);
        QCOMPARE(car.w.g.parameters.ktar(TableSize), 120);
        QCOMPARE(page->writes().result(), WriteSequence::Result::Verified);
    }

    // --- What the page shows ----------------------------------------------------------------

    void liveRecordPaintsValuesColoursMarkerAndCorrectives() {
        Page p;
        p.openScripted([](ParameterSet& s) {
            s.setValue(PressureSensorType, 1);
            s.setValue(TemperatureCorrection, 3);
            s.setValue(TemperatureCorrectionInterval, 10);
        });
        p.tick();
        p.answer(calibrationRecord({.rpm = 1000,
                                    .gasTemperature = -5,
                                    .kcor = 107,
                                    .onPetrol = false,
                                    .petrolTinjMean = 3500}));
        QCOMPARE(p.text("Text5"), QStringLiteral("1000"));
        QCOMPARE(p.text("Text22"), QStringLiteral("-5"));
        QCOMPARE(p.text("Text27"), QStringLiteral("-22")); // (-5 - 70) * 3 / 10, toward zero
        QCOMPARE(p.text("Text11"), QStringLiteral("107")); // ManualKgb follows Kcor
        QCOMPARE(p.link->written.last(), Commands::calibrationLive(107));
        QVERIFY(!p.control("Frame19")->isHidden());
        auto* marker = p.control<Shape>("Shape1");
        QCOMPARE(marker->geometry(),
                 MarkerGeometry::toPixels(QRectF(2160, 1320, 375, 375)).toRect());
        QCOMPARE(colour(p.grid(40), QPalette::Text), QColor(0, 255, 0));

        p.answer(calibrationRecord({.rpm = 0, .kcor = 107, .onPetrol = true, .petrolTinjMean = 0}));
        QCOMPARE(colour(p.grid(40), QPalette::Text), QColor(255, 0, 0));
        QVERIFY(p.text("Text15").endsWith(QStringLiteral("SAFETY  CUTOFF")));
        QCOMPARE(marker->pos(),
                 MarkerGeometry::toPixels(QRectF(960, 720, 0, 0)).topLeft().toPoint());

        // Every grid number fits its box, and is not tiny.
        for (int i = 0; i < 80; ++i) {
            QLineEdit* box = p.grid(i);
            QStyleOptionFrame opt;
            opt.initFrom(box);
            opt.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            const QRect area = box->style()->subElementRect(QStyle::SE_LineEditContents, &opt, box);
            QVERIFY(box->fontInfo().pixelSize() >= 11);
            QVERIFY(box->fontMetrics().horizontalAdvance(QStringLiteral("25000")) <=
                    area.width() - 4); // the line edit keeps 2 pixels each side
            QVERIFY(box->fontMetrics().height() <= area.height());
        }
    }

    // Offline the page shows the set and sends nothing; connected with a port that will not
    // open, it names the port's error and has nothing to write.
    void withoutALinkThePageShowsTheSetAndSendsNothing() {
        Page p;
        p.w.g.ConnectedMode = WorkMode::NotConnected;
        p.openScripted();
        QCOMPARE(p.text("Text3"), QStringLiteral("NO LINK"));
        QCOMPARE(p.text("Text6_0"), QStringLiteral("650"));
        for (const char* c :
             {"Command2", "Command7", "Command9", "VScroll1", "VScroll2", "VScroll3", "VScroll4"})
            QVERIFY2(!p.enabled(c), c);
        QVERIFY(!p.link || p.link->opens == 0);
        p.click("Command1");
        QVERIFY(p.w.host.isVisible(ScreenId::Form2));
        QVERIFY(!p.w.host.loaded(ScreenId::Form16));

        Page failing;
        failing.w.failOpenWith = EcuLink::ErrorPortAlreadyOpen;
        Form16* page = failing.openScripted();
        QCOMPARE(failing.text("StatusText"), QStringLiteral("scripted error"));
        QVERIFY(!page->page().connected());
        QVERIFY(!failing.enabled("Command7"));
    }

    // A corrective the ECU reported beyond its spinner shows, and is written as, the spinner's
    // end; while the write runs the spinners wait for it.
    void correctiveBoxesShowWhatTheWriteSends() {
        Page p;
        p.openScripted([](ParameterSet& s) {
            s.setValue(PressureCorrection, 7);
            s.setValue(TemperatureCorrection, 4);
            s.setValue(LambdaMaxVariation, 9);
        });
        QCOMPARE(p.text("Text23") + p.text("Text19") + p.text("Text20"), QStringLiteral("538"));
        p.tick();
        p.click("Command7");
        p.tick();
        QCOMPARE(p.link->written.last(), Commands::writeParameter(PressureCorrection, 5));
        for (const char* locked : {"VScroll2", "VScroll3", "VScroll4", "VScroll1", "Text11"})
            QVERIFY2(!p.enabled(locked), locked);
    }

    // --- Requests and acknowledgements ------------------------------------------------------

    // Which acknowledgement counts is the page machine's test; here the button waits for the
    // ECU's and then takes its caption, and COMMUTA goes out once a press, never repeated.
    // The ECU then silent in manual calibration, EXIT's leave request goes unanswered until
    // the link is lost; a second EXIT then leaves, and the menu warns of the ECU's mode.
    void manualButtonAndCommutaFollowTheEcu() {
        Page p;
        p.openScripted();
        auto* toggle = p.control<QAbstractButton>("Command9");
        p.tick();
        toggle->click();
        QVERIFY(!toggle->isEnabled());
        p.tick();
        QCOMPARE(p.link->written.last(), Commands::frame(11));
        p.answer(12); // foreign
        QCOMPARE(toggle->text(), QStringLiteral("TARATURA NON ATTIVA"));
        p.answer(11);
        QCOMPARE(toggle->text(), QStringLiteral("TARATURA ATTIVA"));
        QVERIFY(toggle->isEnabled());

        p.click("Command2");
        p.click("Command2");
        p.link->written.clear();
        p.tick(2);
        QCOMPARE(p.link->written,
                 (QList<QByteArray>{Commands::frame(4), Commands::calibrationLive(105)}));

        p.click("Command1");
        p.tick(17);
        QCOMPARE(p.link->written.last(), Commands::frame(7));
        QCOMPARE(p.text("Text3"), QStringLiteral("NO LINK"));
        QVERIFY(p.text("StatusText").contains(QStringLiteral("PREMERE DI NUOVO EXIT")));
        p.click("Command1");
        QVERIFY(p.w.host.isVisible(ScreenId::Form2));
        QVERIFY(!p.w.host.loaded(ScreenId::Form16));
        QVERIFY(p.menuStatus().contains(QStringLiteral("ANCORA IN TARATURA MANUALE")));
    }

    // --- Leaving ----------------------------------------------------------------------------

    // EXIT, or the way to the automatic calibration, waits for the ECU to leave manual
    // calibration; EXIT during a write waits for its end. (What each waits for is the page
    // machine's test.)
    void leavingWaitsForTheEcu() {
        Page car{FaultSettings{}};
        const std::tuple<bool, const char*, ScreenId> ways[] = {
            {true, "Command1", ScreenId::Form2},
            {true, "Command8", ScreenId::Form8},
            {false, "Command1", ScreenId::Form2}};
        for (const auto& [manual, button, next] : ways) {
            Form16* page = car.open();
            if (manual) {
                car.click("Command9");
                QVERIFY(car.until([page] { return page->page().ecuManual(); }, 5));
            } else {
                car.grid(16)->setText(QStringLiteral("140"));
                car.click("Command7");
                car.tick(10);
            }
            car.click(button);
            QVERIFY(car.w.host.isVisible(ScreenId::Form16));
            QVERIFY(!car.enabled(manual ? "Command7" : "Command8"));
            QCOMPARE(car.w.ecu.model().inCalibration(), manual);
            if (!manual)
                QVERIFY(car.text("StatusText").contains(QStringLiteral("TERMINE DELLA SCRITTURA")));
            QVERIFY(car.until([&car] { return !car.w.host.loaded(ScreenId::Form16); },
                              manual ? 5 : 600));
            QVERIFY(!car.w.ecu.model().inCalibration());
            QVERIFY(car.w.host.isVisible(next));
        }
        QCOMPARE(int(car.w.ecu.memory().table[1]), 140);
    }

    // Manual calibration, the table being written, the link lost, EXIT: the rest of the table
    // is not sent, the leave request takes its place, the page says what the ECU took, and
    // the set holds exactly that. The close box during a write asks first, then leaves as a
    // second EXIT does, and the main menu says how far the write got.
    void exitDuringAManualWriteStopsItForTheLeaveRequest() {
        Page p;
        Form16* page = p.openScripted();
        p.control<QLineEdit>("Text24")->setText(QStringLiteral("2000"));
        p.switchManualOn();
        p.click("Command7");
        // The correctives, the breakpoints and 7 cells acknowledged, then silence.
        p.link->respond = [](const QByteArray& request) {
            const auto command = Commands::commandOf(request);
            return command == Commands::CalibrationLive ? QByteArray() : replyFrame(*command);
        };
        p.tick(30);
        p.link->respond = nullptr;
        p.tick(17);
        QVERIFY(page->cycle().isLost());
        p.click("Command1");
        QVERIFY(!page->page().writing());
        QVERIFY(p.text("Label4").contains(QStringLiteral("30 scritture su 87")));
        QVERIFY(!p.w.g.parametersFromEcu);
        p.answer(replyFrame(7, bytes({1, 2, 3})));
        QCOMPARE(p.link->written.last(), Commands::frame(12));
        p.answer(12);
        QVERIFY(p.w.host.isVisible(ScreenId::Form2));
        QVERIFY(p.menuStatus().contains(QStringLiteral("30 scritture su 87")));
        QCOMPARE(p.link->written.count(Commands::writeTableEntry(64, 105)), 0);
        QCOMPARE(p.w.g.parameters.value(LambdaCorrectionRpm), 2000);

        Page closed;
        Form16* page2 = closed.openScripted();
        closed.click("Command7");
        closed.tick();
        closed.w.dialogs.answer = false;
        page2->close();
        QVERIFY(page2->page().writing());
        closed.w.dialogs.answer = true;
        page2->close();
        QCOMPARE(closed.w.dialogs.messages.size(), 2);
        QVERIFY(closed.w.host.isVisible(ScreenId::Form2));
        QVERIFY(closed.menuStatus().contains(QStringLiteral("0 scritture su 87")));
    }
};

QTEST_MAIN(TestCalPageScreen)
#include "test_calpage_screen.moc"
