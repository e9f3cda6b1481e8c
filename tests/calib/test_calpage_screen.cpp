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

// The page against a warm car idling on gas, on a clock the test moves.
struct Rig {
    explicit Rig(FaultSettings faults = {}) : w(warm(), faults) {
        w.g.LostLinkText = QStringLiteral("NO LINK");
    }

    // The page as the main menu opens it: the set uploaded, one calibration record read.
    Form16* open() {
        uploadFrom(w.ecu.memory(), w.g.parameters);
        LiveDecoding::decodeCalibrationLive(
            w.ecu.handle(Commands::calibrationLive(w.ecu.engine().kcor)), w.g.liveData);
        w.ecu.clearReceived();
        w.host.show(ScreenId::Form16);
        page = w.screen<Form16>(ScreenId::Form16);
        return page;
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            w.ecu.advance(200);
            page->Timer1Tick();
        }
    }
    template <class Done> bool until(Done done, int maxTicks = 600) {
        return tickUntil([this] { tick(); }, done, maxTicks);
    }
    bool writeDone() {
        return until([this] { return !page->page().writing(); });
    }
    QLineEdit* box(const QString& name) { return w.control<QLineEdit>(ScreenId::Form16, name); }
    QLineEdit* grid(int element) { return box(QStringLiteral("Text6_%1").arg(element)); }
    void click(const char* name) { w.click(ScreenId::Form16, QString::fromLatin1(name)); }

    World w;
    Form16* page = nullptr;
};

// The page on a scripted link, with the default set: the test plays the ECU.
Form16* scriptedPage(World& w, const std::function<void(ParameterSet&)>& adjust = {}) {
    SetParameterDefaults(w.g.parameters);
    if (adjust) adjust(w.g.parameters);
    w.g.liveData.Kcor = 105;
    w.g.LostLinkText = QStringLiteral("NO LINK");
    w.host.show(ScreenId::Form16);
    return w.screen<Form16>(ScreenId::Form16);
}

// Manual calibration switched on, and the ECU's acknowledgement read.
void switchManualOn(World& w, Form16* page) {
    w.click(ScreenId::Form16, QStringLiteral("Command9"));
    page->Timer1Tick();
    w.scripted.back()->arriving = replyFrame(11);
    page->Timer1Tick();
}

QString labelText(World& w, ScreenId id, const char* name) {
    return w.control<QLabel>(id, QString::fromLatin1(name))->text();
}

QString boxText(World& w, const char* name) {
    return w.control<QLineEdit>(ScreenId::Form16, QString::fromLatin1(name))->text();
}

bool enabled(World& w, const char* name) {
    return w.control<QWidget>(ScreenId::Form16, QString::fromLatin1(name))->isEnabled();
}

QColor colour(QLineEdit* box, QPalette::ColorRole role = QPalette::Base) {
    return box->palette().color(role);
}

} // namespace

class TestCalPageScreen : public QObject {
    Q_OBJECT
private slots:
    // --- The verified write -----------------------------------------------------------------

    void manualOffWritesEverythingInOrderThenReadsBothBack() {
        Rig r;
        r.open();
        r.tick();
        r.grid(7)->setText(QStringLiteral("7200"));
        r.grid(16 + 5)->setText(QStringLiteral("130"));
        r.box(QStringLiteral("Text10"))->setText(QStringLiteral("150"));
        r.w.control<QScrollBar>(ScreenId::Form16, QStringLiteral("VScroll4"))->setValue(-3);
        r.w.ecu.clearReceived();
        r.click("Command7");
        QVERIFY(!enabled(r.w, "Command9"));
        QVERIFY(r.writeDone());

        // The seven correctives, the sixteen breakpoints, the table, then both read back.
        QList<QByteArray> expected;
        const QList<int> correctives{21, 22, 23, 26, 27, 24, 25};
        for (int id : correctives)
            expected << Commands::writeParameter(id, r.w.g.parameters.value(id));
        for (int id = 34; id <= 49; ++id)
            expected << Commands::writeParameter(id, r.w.g.parameters.value(id));
        for (int j = 1; j <= 64; ++j)
            expected << Commands::writeTableEntry(j, j == 6 ? 130 : 105);
        expected << Commands::frame(1) << Commands::frame(8);
        QCOMPARE(r.w.ecu.received().mid(0, 89), expected);

        QCOMPARE(int(r.w.ecu.memory().words[RpmBreakpoint1 + 7]), 7200);
        QCOMPARE(int(r.w.ecu.memory().words[PressureCorrection]), 3);
        QCOMPARE(r.w.g.parameters.value(PressureCorrectionInterval), 150);
        QCOMPARE(r.w.g.parameters.ktar(6), 130);
        QCOMPARE(labelText(r.w, ScreenId::Form16, "Label4"),
                 QStringLiteral("Parametri scritti e verificati"));
        QVERIFY(enabled(r.w, "Command9"));
    }

    // A block copied from a spreadsheet, pasted at the selected cell, goes into the grid and
    // from there, with MODIFICA, into the ECU, verified; the write starts a new history.
    void pastedBlockIsWrittenVerified() {
        Rig r;
        r.open();
        r.tick();
        QGuiApplication::clipboard()->setText(QStringLiteral("121\t122\t123\r\n131\t132\t133\r\n"));
        QLineEdit* at = r.grid(16 + TableOperations::cellOf(2, 1));
        QTest::mouseClick(at, Qt::LeftButton);
        QTest::keyClick(at, Qt::Key_V, Qt::ControlModifier);
        const QList<int> cells{17, 18, 19, 25, 26, 27};
        const QList<int> values{121, 122, 123, 131, 132, 133};
        for (int i = 0; i < cells.size(); ++i)
            QCOMPARE(r.grid(16 + cells[i])->text(), QString::number(values[i]));
        auto* tools = r.page->findChild<TableGrid*>();
        QCOMPARE(tools->selection(), (TableSelection{2, 1, 3, 3}));
        QCOMPARE(labelText(r.w, ScreenId::Form16, "TableStatus"),
                 QStringLiteral("Celle modificate, non ancora scritte: 6"));

        r.click("Command7");
        QVERIFY(r.writeDone());
        QCOMPARE(labelText(r.w, ScreenId::Form16, "Label4"),
                 QStringLiteral("Parametri scritti e verificati"));
        for (int i = 0; i < cells.size(); ++i)
            QCOMPARE(int(r.w.ecu.memory().table[cells[i] + 1]), values[i]);
        QVERIFY(tools->history().edited().none());
        QVERIFY(!tools->history().canUndo());
        QVERIFY(labelText(r.w, ScreenId::Form16, "TableStatus").isEmpty());
    }

    // The keys reach the tools from the boxes, where a text box would keep them: Shift+arrows
    // select, "+" raises, typing is one step, Ctrl+Z / Ctrl+Y, Ctrl+C; a paste that does not
    // fit changes nothing and says why.
    void keysInTheBoxesWorkTheTable() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        const auto box = [&w](int row, int column) {
            return w.control<QLineEdit>(
                ScreenId::Form16,
                QStringLiteral("Text6_%1").arg(16 + TableOperations::cellOf(row, column)));
        };
        const auto texts = [&box] {
            QStringList out;
            for (int row = 0; row < 2; ++row)
                for (int column = 0; column < 2; ++column)
                    out << box(row, column)->text();
            return out.join(QLatin1Char(' '));
        };
        const auto key = [page](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            QTest::keyClick(page->focusWidget(), k, mods);
        };
        QTest::mouseClick(box(0, 0), Qt::LeftButton);
        key(Qt::Key_Right, Qt::ShiftModifier);
        key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(page->focusWidget(), box(1, 1));
        key(Qt::Key_Plus);
        QCOMPARE(texts(), QStringLiteral("106 106 106 106"));
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("106\t106\n106\t106\n"));

        QTest::keyClicks(box(1, 1), QStringLiteral("14"));
        QCOMPARE(box(1, 1)->text(), QStringLiteral("14"));
        QTest::keyClicks(box(1, 1), QStringLiteral("0"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(texts(), QStringLiteral("106 106 106 106"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(texts(), QStringLiteral("105 105 105 105"));
        key(Qt::Key_Y, Qt::ControlModifier);
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(texts(), QStringLiteral("106 106 106 140"));

        QGuiApplication::clipboard()->setText(QStringLiteral("120\t120\t120\n120\t120\t120\n"));
        QTest::mouseClick(box(0, 7), Qt::LeftButton);
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(texts(), QStringLiteral("106 106 106 140"));
        QVERIFY(labelText(w, ScreenId::Form16, "TableStatus")
                    .startsWith(QStringLiteral("Dati non incollati: un blocco di 2 righe per 3 "
                                               "colonne dalla cella TINJ 1 RPM 8")));
    }

    // Manual calibration at 120 drives the ECU live; MODIFICA then makes 120 the whole table.
    void manualCalibrationDrivesTheEcuAndWritesItsCoefficient() {
        Rig r;
        Form16* page = r.open();
        r.tick(3);
        auto* spinner = r.w.control<QScrollBar>(ScreenId::Form16, QStringLiteral("VScroll1"));
        QVERIFY(!spinner->isEnabled());
        r.click("Command9");
        QVERIFY(r.until([page] { return page->page().ecuManual(); }, 5));
        QVERIFY(spinner->isEnabled());
        // The upper arrow and the Up key raise the coefficient; it stops at 100.
        QTest::keyClick(spinner, Qt::Key_Up);
        QTest::mouseClick(spinner, Qt::LeftButton, {}, QPoint(spinner->width() / 2, 3));
        QCOMPARE(r.box(QStringLiteral("Text11"))->text(), QStringLiteral("107"));
        for (int i = 0; i < 50; ++i)
            QTest::keyClick(spinner, Qt::Key_Down);
        QCOMPARE(r.box(QStringLiteral("Text11"))->text(), QStringLiteral("100"));
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(spinner, Qt::Key_Up);
        r.tick(5);
        QCOMPARE(r.w.ecu.engine().kcor, 120);
        QCOMPARE(r.box(QStringLiteral("Text14"))->text(), QStringLiteral("120"));

        r.click("Command7");
        QVERIFY(r.writeDone());
        for (int j = 1; j <= 64; ++j) {
            QCOMPARE(int(r.w.ecu.memory().table[j]), 120);
            QCOMPARE(r.w.g.parameters.ktar(j), 120);
        }
        QCOMPARE(page->writes().result(), WriteSequence::Result::Verified);
    }

    // A fifth of the replies lost: the ECU still ends up holding exactly what the page shows.
    void droppedRepliesStillLeaveTheEcuHoldingWhatThePageShows() {
        FaultSettings faults;
        faults.seed = 7;
        faults.dropRate = 0.2;
        Rig r(faults);
        Form16* page = r.open();
        r.tick(2);
        for (int c = 0; c < 64; ++c)
            r.grid(16 + c)->setText(QString::number(100 + (c * 7) % 51));
        r.grid(8)->setText(QStringLiteral("1800"));
        r.click("Command7");
        QVERIFY(r.until([page] { return !page->page().writing(); }, 2000));
        QVERIFY(r.w.ecu.line().counts().dropped > 10);
        QCOMPARE(page->writes().result(), WriteSequence::Result::Verified);
        for (int c = 0; c < 64; ++c) {
            QCOMPARE(int(r.w.ecu.memory().table[c + 1]), 100 + (c * 7) % 51);
            QCOMPARE(r.grid(16 + c)->text(), QString::number(r.w.ecu.memory().table[c + 1]));
        }
        QCOMPARE(int(r.w.ecu.memory().words[RpmBreakpoint1 + 8]), 1800);
    }

    void rejectedFieldsAreListedAndNothingIsSent() {
        Rig r;
        Form16* page = r.open();
        r.tick();
        r.grid(1)->setText(QStringLiteral("500"));       // below breakpoint 0 (650)
        r.grid(16 + 9)->setText(QStringLiteral("151"));  // one over
        r.grid(16 + 10)->setText(QStringLiteral("150")); // passes
        r.box(QStringLiteral("Text10"))->clear();
        r.w.ecu.clearReceived();
        r.click("Command7");
        const QString message = labelText(r.w, ScreenId::Form16, "Label4");
        for (const char* part :
             {"Intervallo pressione 10-1000", "RPM 500-500", "RPM 650-2000", "TAB KTAR 100-150"})
            QVERIFY2(message.contains(QLatin1String(part)), qPrintable(message));
        QCOMPARE(message.count(QStringLiteral("TAB KTAR")), 1);
        QVERIFY(!page->page().writing());
        r.tick(3);
        QCOMPARE(r.w.commandsSeen(), (QList<int>{10, 10, 10}));

        // Marked until the fitter edits the box, whatever colour the fuel gives the others.
        QCOMPARE(colour(r.grid(25)), QColor(255, 0, 0));
        QCOMPARE(colour(r.grid(26)), QColor(0, 0, 0));
        QTest::keyClick(r.grid(25), Qt::Key_Backspace);
        QCOMPARE(colour(r.grid(25)), QColor(0, 0, 0));
        QCOMPARE(colour(r.grid(25), QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(colour(r.grid(1)), QColor(255, 0, 0));
    }

    // --- What the page shows ----------------------------------------------------------------

    void liveRecordPaintsValuesColoursMarkerAndCorrectives() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w, [](ParameterSet& p) {
            p.setValue(PressureSensorType, 1);
            p.setValue(TemperatureCorrection, 3);
            p.setValue(TemperatureCorrectionInterval, 10);
        });
        ScriptedLink* link = w.scripted.back();
        page->Timer1Tick();
        link->arriving = calibrationRecord({.rpm = 1000,
                                            .gasTemperature = -5,
                                            .kcor = 107,
                                            .onPetrol = false,
                                            .petrolTinjMean = 3500});
        page->Timer1Tick();
        const auto text = [&w](const char* name) { return boxText(w, name); };
        QCOMPARE(text("Text5"), QStringLiteral("1000"));
        QCOMPARE(text("Text22"), QStringLiteral("-5"));
        QCOMPARE(text("Text27"), QStringLiteral("-22")); // (-5 - 70) * 3 / 10, toward zero
        QCOMPARE(text("Text11"), QStringLiteral("107")); // ManualKgb follows Kcor
        QCOMPARE(link->written.last(), Commands::calibrationLive(107));
        QVERIFY(!w.control<QWidget>(ScreenId::Form16, QStringLiteral("Frame19"))->isHidden());
        auto* marker = w.control<Shape>(ScreenId::Form16, QStringLiteral("Shape1"));
        QCOMPARE(marker->geometry(),
                 MarkerGeometry::toPixels(QRectF(2160, 1320, 375, 375)).toRect());
        auto* cell = w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text6_40"));
        QCOMPARE(colour(cell, QPalette::Text), QColor(0, 255, 0));

        link->arriving =
            calibrationRecord({.rpm = 0, .kcor = 107, .onPetrol = true, .petrolTinjMean = 0});
        page->Timer1Tick();
        QCOMPARE(colour(cell, QPalette::Text), QColor(255, 0, 0));
        QVERIFY(text("Text15").endsWith(QStringLiteral("SAFETY  CUTOFF")));
        QCOMPARE(marker->pos(),
                 MarkerGeometry::toPixels(QRectF(960, 720, 0, 0)).topLeft().toPoint());

        // Every grid number fits its box, and is not tiny.
        for (int i = 0; i < 80; ++i) {
            auto* box = w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text6_%1").arg(i));
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

    void withoutALinkThePageShowsTheSetAndSendsNothing() {
        World w(World::Links::Scripted);
        w.g.ConnectedMode = WorkMode::NotConnected;
        scriptedPage(w);
        QCOMPARE(boxText(w, "Text3"), QStringLiteral("NO LINK"));
        QCOMPARE(boxText(w, "Text6_0"), QStringLiteral("650"));
        for (const char* c :
             {"Command2", "Command7", "Command9", "VScroll1", "VScroll2", "VScroll3", "VScroll4"})
            QVERIFY2(!enabled(w, c), c);
        QVERIFY(w.scripted.empty() || w.scripted.back()->opens == 0);
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QVERIFY(!w.host.loaded(ScreenId::Form16));

        // Connected, but the port will not open: named on the page, and nothing to write.
        World failing(World::Links::Scripted);
        failing.failOpenWith = EcuLink::ErrorPortAlreadyOpen;
        Form16* page = scriptedPage(failing);
        QCOMPARE(labelText(failing, ScreenId::Form16, "StatusText"),
                 QStringLiteral("scripted error"));
        QVERIFY(!page->page().connected());
        QVERIFY(!enabled(failing, "Command7"));
    }

    // A corrective the ECU reported beyond its spinner shows, and is written as, the spinner's
    // end; while the write runs the spinners wait for it.
    void correctiveBoxesShowWhatTheWriteSends() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w, [](ParameterSet& p) {
            p.setValue(PressureCorrection, 7);
            p.setValue(TemperatureCorrection, 4);
            p.setValue(LambdaMaxVariation, 9);
        });
        ScriptedLink* link = w.scripted.back();
        QCOMPARE(boxText(w, "Text23") + boxText(w, "Text19") + boxText(w, "Text20"),
                 QStringLiteral("538"));
        page->Timer1Tick();
        w.click(ScreenId::Form16, QStringLiteral("Command7"));
        page->Timer1Tick();
        QCOMPARE(link->written.last(), Commands::writeParameter(PressureCorrection, 5));
        for (const char* locked : {"VScroll2", "VScroll3", "VScroll4", "VScroll1", "Text11"})
            QVERIFY2(!enabled(w, locked), locked);
    }

    // In manual calibration MODIFICA puts the coefficient into every cell: only when the
    // fitter says so.
    void manualModificaAsksBeforeTheTableIsReplaced() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        page->Timer1Tick();
        w.click(ScreenId::Form16, QStringLiteral("Command7")); // manual off: no question
        QVERIFY(w.dialogs.messages.isEmpty());
        QVERIFY(page->page().writing());
        QCOMPARE(page->writes().total(), 87);

        World m(World::Links::Scripted);
        page = scriptedPage(m);
        link = m.scripted.back();
        m.click(ScreenId::Form16, QStringLiteral("Command9"));
        page->Timer1Tick();
        link->arriving = replyFrame(Commands::EnterCalibration);
        page->Timer1Tick();
        QVERIFY(page->page().ecuManual());
        m.dialogs.answer = false;
        m.click(ScreenId::Form16, QStringLiteral("Command7"));
        QCOMPARE(m.dialogs.messages.size(), 1);
        QVERIFY(m.dialogs.messages.last().contains(QStringLiteral("105")));
        QVERIFY(m.dialogs.messages.last().contains(QStringLiteral("64")));
        QVERIFY(!page->page().writing());
        page->Timer1Tick();
        QCOMPARE(link->written.last(), Commands::calibrationLive(105));
        m.dialogs.answer = true;
        m.click(ScreenId::Form16, QStringLiteral("Command7"));
        QVERIFY(page->page().writing());
    }

    // --- Requests and acknowledgements ------------------------------------------------------

    void acknowledgementsCountOnlyForTheRequestOutstanding() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        auto* toggle = w.control(ScreenId::Form16, QStringLiteral("Command9"));
        const auto answer = [&](int command) {
            link->arriving = replyFrame(command);
            page->Timer1Tick();
        };
        page->Timer1Tick();
        // Two clicks before the tick: the second finds the button disabled.
        toggle->click();
        QVERIFY(!toggle->isEnabled());
        toggle->click();
        page->Timer1Tick();
        page->Timer1Tick(); // no answer: repeated
        QCOMPARE(link->written.mid(1),
                 (QList<QByteArray>{Commands::frame(11), Commands::frame(11)}));
        answer(12); // foreign
        answer(4);  // foreign
        QVERIFY(!page->page().modeAcknowledged());
        QCOMPARE(toggle->text(), QStringLiteral("TARATURA NON ATTIVA"));
        QCOMPARE(link->written.last(), Commands::frame(11));
        answer(11);
        QCOMPARE(toggle->text(), QStringLiteral("TARATURA ATTIVA"));
        QVERIFY(toggle->isEnabled());
        QCOMPARE(link->written.last(), Commands::calibrationLive(105));
        answer(11); // late duplicate
        answer(12); // nobody asked
        QCOMPARE(toggle->text(), QStringLiteral("TARATURA ATTIVA"));
        QCOMPARE(page->page().state(), CalibrationPageState::ManualOn);

        // COMMUTA: one switch per press, however many presses, never repeated.
        w.click(ScreenId::Form16, QStringLiteral("Command2"));
        w.click(ScreenId::Form16, QStringLiteral("Command2"));
        link->written.clear();
        page->Timer1Tick();
        page->Timer1Tick();
        QCOMPARE(link->written,
                 (QList<QByteArray>{Commands::frame(4), Commands::calibrationLive(105)}));
    }

    // --- Leaving ----------------------------------------------------------------------------

    // EXIT, or the way to the automatic calibration, waits for the ECU to leave manual
    // calibration.
    void leavingManualCalibrationWaitsForTheEcu() {
        Rig r;
        const std::pair<const char*, ScreenId> ways[] = {{"Command1", ScreenId::Form2},
                                                         {"Command8", ScreenId::Form8}};
        for (const auto& [button, next] : ways) {
            Form16* page = r.open();
            r.click("Command9");
            QVERIFY(r.until([page] { return page->page().ecuManual(); }, 5));
            r.click(button);
            QVERIFY(r.w.host.isVisible(ScreenId::Form16));
            QVERIFY(!enabled(r.w, "Command7"));
            QVERIFY(r.w.ecu.model().inCalibration());
            QVERIFY(r.until([&r] { return !r.w.host.loaded(ScreenId::Form16); }, 5));
            QVERIFY(!r.w.ecu.model().inCalibration());
            QVERIFY(r.w.host.isVisible(next));
        }
    }

    void exitWithTheEcuSilentLeavesOnASecondPressWithAWarning() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        switchManualOn(w, page);
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        for (int i = 0; i < 17; ++i)
            page->Timer1Tick();
        // With the poll before it, sixteen requests went unanswered.
        QCOMPARE(link->written.count(Commands::frame(12)), 15);
        QCOMPARE(link->written.last(), Commands::frame(7));
        QCOMPARE(boxText(w, "Text3"), QStringLiteral("NO LINK"));
        QVERIFY(labelText(w, ScreenId::Form16, "StatusText")
                    .contains(QStringLiteral("PREMERE DI NUOVO EXIT")));
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QVERIFY(!w.host.loaded(ScreenId::Form16));
        QVERIFY(labelText(w, ScreenId::Form2, "StatusText")
                    .contains(QStringLiteral("ANCORA IN TARATURA MANUALE")));
    }

    void leavingDuringAWriteWaitsWhileTheEcuAnswers() {
        Rig r;
        r.open();
        r.grid(16)->setText(QStringLiteral("140"));
        r.click("Command7");
        r.tick(10);
        r.click("Command1");
        QVERIFY(r.w.host.isVisible(ScreenId::Form16));
        QVERIFY(labelText(r.w, ScreenId::Form16, "StatusText")
                    .contains(QStringLiteral("TERMINE DELLA SCRITTURA")));
        QVERIFY(!enabled(r.w, "Command8"));
        QVERIFY(r.until([&r] { return !r.w.host.loaded(ScreenId::Form16); }));
        QVERIFY(r.w.host.isVisible(ScreenId::Form2));
        QCOMPARE(int(r.w.ecu.memory().table[1]), 140);
    }

    // Manual calibration, the table being written, the link lost, EXIT: the rest of the table
    // is not sent, the leave request takes its place, and the page says what the ECU took.
    // The close box during a write asks first, then leaves as a second EXIT does.
    void exitDuringAManualWriteStopsItForTheLeaveRequest() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        switchManualOn(w, page);
        w.click(ScreenId::Form16, QStringLiteral("Command7"));
        // The correctives, the breakpoints and 7 cells acknowledged, then silence.
        link->respond = [](const QByteArray& request) {
            const auto command = Commands::commandOf(request);
            return command == Commands::CalibrationLive ? QByteArray() : replyFrame(*command);
        };
        for (int i = 0; i < 30; ++i)
            page->Timer1Tick();
        link->respond = nullptr;
        for (int i = 0; i < 17; ++i)
            page->Timer1Tick();
        QVERIFY(page->cycle().isLost());
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(!page->page().writing());
        QVERIFY(labelText(w, ScreenId::Form16, "Label4").contains(QStringLiteral("su 87")));
        QVERIFY(!w.g.parametersFromEcu);
        link->arriving = replyFrame(7, bytes({1, 2, 3}));
        page->Timer1Tick();
        QCOMPARE(link->written.last(), Commands::frame(12));
        link->arriving = replyFrame(12);
        page->Timer1Tick();
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QCOMPARE(link->written.count(Commands::writeTableEntry(64, 105)), 0);

        // A read-back that never ends: the first EXIT waits, a second one leaves.
        World w3(World::Links::Scripted);
        Form16* page3 = scriptedPage(w3);
        w3.scripted.back()->respond = acknowledgeButGarbleReads;
        w3.click(ScreenId::Form16, QStringLiteral("Command7"));
        for (int i = 0; i < 95; ++i)
            page3->Timer1Tick();
        QCOMPARE(page3->writes().acknowledged(), 87);
        QVERIFY(page3->page().writing());
        w3.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(w3.host.isVisible(ScreenId::Form16));
        w3.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(w3.host.isVisible(ScreenId::Form2));
        QVERIFY(labelText(w3, ScreenId::Form2, "StatusText")
                    .contains(QStringLiteral("87 scritture su 87")));

        World w2(World::Links::Scripted);
        Form16* page2 = scriptedPage(w2);
        w2.click(ScreenId::Form16, QStringLiteral("Command7"));
        page2->Timer1Tick();
        w2.dialogs.answer = false;
        page2->close();
        QVERIFY(page2->page().writing());
        w2.dialogs.answer = true;
        page2->close();
        QCOMPARE(w2.dialogs.messages.size(), 2);
        QVERIFY(w2.host.isVisible(ScreenId::Form2));
    }

    // The link is lost in the middle of a write and the fitter leaves: the main menu says
    // how far it got, and the set holds exactly what the ECU confirmed.
    void leavingAnInterruptedWriteKeepsWhatWasAcknowledged() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        page->Timer1Tick();
        w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text24"))
            ->setText(QStringLiteral("2000"));
        w.click(ScreenId::Form16, QStringLiteral("Command7"));
        page->Timer1Tick();
        for (int i = 0; i < 7; ++i) { // the seven correctives are acknowledged
            link->arriving = replyFrame(2);
            page->Timer1Tick();
        }
        for (int i = 0; i < 17; ++i)
            page->Timer1Tick();
        QVERIFY(page->cycle().isLost());
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QCOMPARE(w.g.parameters.value(LambdaCorrectionRpm), 2000);
        QCOMPARE(page->writes().acknowledged(), 7);
        QVERIFY(labelText(w, ScreenId::Form2, "StatusText")
                    .contains(QStringLiteral("7 scritture su 87")));
    }

    // The view pauses polling. The ECU went silent before it opened: once the view closes
    // and the ECU answers, the page says so instead of keeping the old lost-link text.
    void graphicalViewPausesPollingAndTheOldLossIsNotShownAfterIt() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        w.g.EcuVersion = {2, 4, 7};
        for (int i = 0; i < 18; ++i)
            page->Timer1Tick();
        QCOMPARE(boxText(w, "Text3"), QStringLiteral("NO LINK"));
        w.click(ScreenId::Form16, QStringLiteral("Command5"));
        QVERIFY(w.host.isVisible(ScreenId::Form15));
        QVERIFY(!page->cycle().isRunning() && link->isOpen());
        link->written.clear();
        w.host.show(ScreenId::Form16); // the view closes
        page->Timer1Tick();
        QCOMPARE(link->written, (QList<QByteArray>{Commands::calibrationLive(105)}));
        link->arriving = calibrationRecord({.rpm = 1500, .kcor = 105});
        page->Timer1Tick();
        QCOMPARE(boxText(w, "Text5"), QStringLiteral("1500"));
        QCOMPARE(boxText(w, "Text3"), QStringLiteral("2.4.7"));
    }
};

QTEST_MAIN(TestCalPageScreen)
#include "test_calpage_screen.moc"
