#include "common/World.h"

#include "app/Form2.h"
#include "app/Shape.h"
#include "calib/Form16.h"
#include "calib/MarkerGeometry.h"
#include "diag/LiveDecoding.h"
#include "link/Commands.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>

namespace {

// A warm car idling on gas, its ECU on a clock the test moves, and the program around it.
// The car is declared first so that it outlives the screens' links to it.
struct Rig {
    explicit Rig(FaultSettings faults = {}) : car(EcuMemory::factory(), warm(), faults) {
        car.useManualClock();
        w.context.linkFactory = [this] { return std::make_unique<InProcessLink>(car); };
        w.g.LostLinkText = QStringLiteral("NO LINK");
    }
    static EngineSettings warm() {
        EngineSettings s;
        s.start = EngineSettings::Start::Warm;
        return s;
    }

    // The page as the main menu opens it: the set uploaded, one calibration record read.
    Form16* open() {
        for (int k = 1; k <= ParameterCount; ++k)
            w.g.parameters.setValue(k, car.memory().words[k]);
        for (int j = 1; j <= TableSize; ++j)
            w.g.parameters.setKtar(j, car.memory().table[j]);
        LiveDecoding::decodeCalibrationLive(
            car.handle(Commands::calibrationLive(car.engine().kcor)), w.g.liveData);
        car.clearReceived();
        w.host.show(ScreenId::Form16);
        page = w.screen<Form16>(ScreenId::Form16);
        return page;
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            car.advance(200);
            page->Timer1Tick();
        }
    }
    template <class Done> bool tickUntil(Done done, int maxTicks = 600) {
        for (int i = 0; i < maxTicks && !done(); ++i)
            tick();
        return done();
    }
    QList<int> commandsSeen() const {
        QList<int> out;
        for (const QByteArray& f : car.received())
            out << static_cast<unsigned char>(f.at(4));
        return out;
    }
    QLineEdit* box(const QString& name) { return w.control<QLineEdit>(ScreenId::Form16, name); }
    QLineEdit* grid(int element) { return box(QStringLiteral("Text6_%1").arg(element)); }
    void click(const char* name) { w.click(ScreenId::Form16, QString::fromLatin1(name)); }

    VirtualEcu car;
    World w;
    Form16* page = nullptr;
};

// A calibration record (command 10) as the ECU sends it.
QByteArray calibrationRecord(int rpm, int petrolTinj, int fuelState, int kcor,
                             int temperature = 45) {
    QByteArray d;
    auto word = [&d](int v) { d.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF)); };
    word(450); // Lambda1
    word(450); // Lambda1Mean
    d.append(char(kcor));
    d.append(char(1)); // EcuState
    d.append(char(fuelState));
    word(1250); // Pressure1
    word(400);  // Pressure2
    word(temperature & 0xFFFF);
    word(rpm);
    word(petrolTinj);
    word(petrolTinj * 11 / 10);
    word(0);
    word(0);
    word(3100);
    return replyFrame(Commands::CalibrationLive, d);
}

// The page on scripted links, with the default set: the test plays the ECU.
Form16* scriptedPage(World& w, const std::function<void(ParameterSet&)>& adjust = {}) {
    SetParameterDefaults(w.g.parameters);
    if (adjust) adjust(w.g.parameters);
    w.g.liveData.Kcor = 105;
    w.g.LostLinkText = QStringLiteral("NO LINK");
    w.host.show(ScreenId::Form16);
    return w.screen<Form16>(ScreenId::Form16);
}

bool isShown(QWidget* w) {
    return w && !w->isHidden();
}

} // namespace

class TestCalPageScreen : public QObject {
    Q_OBJECT
private slots:
    // --- The verified write -----------------------------------------------------------------

    void manualOffWritesEverythingInOrderThenReadsBothBack() {
        Rig r;
        Form16* page = r.open();
        r.tick();
        r.grid(7)->setText(QStringLiteral("7200"));
        r.grid(16 + 5)->setText(QStringLiteral("130"));
        r.box(QStringLiteral("Text10"))->setText(QStringLiteral("150"));
        r.w.control<QScrollBar>(ScreenId::Form16, QStringLiteral("VScroll4"))->setValue(-3);
        r.car.clearReceived();
        r.click("Command7");
        QVERIFY(page->page().writing());
        QVERIFY(!r.w.control(ScreenId::Form16, QStringLiteral("Command9"))->isEnabled());
        QVERIFY(r.tickUntil([page] { return !page->page().writing(); }));

        const QList<QByteArray>& sent = r.car.received();
        QList<int> ids;
        for (int i = 0; i < 23; ++i) {
            QCOMPARE(int(sent[i].at(4)), int(Commands::WriteParameter));
            ids << static_cast<unsigned char>(sent[i].at(6));
        }
        QList<int> expected{21, 22, 23, 26, 27, 24, 25};
        for (int id = 34; id <= 49; ++id)
            expected << id;
        QCOMPARE(ids, expected);
        for (int j = 1; j <= 64; ++j)
            QCOMPARE(sent[22 + j], Commands::writeTableEntry(j, j == 6 ? 130 : 105));
        QCOMPARE(r.commandsSeen().mid(87), (QList<int>{1, 8, 10}));

        QCOMPARE(page->writes().result(), WriteSequence::Result::Verified);
        QCOMPARE(int(r.car.memory().words[RpmBreakpoint1 + 7]), 7200);
        QCOMPARE(int(r.car.memory().words[PressureCorrection]), 3);
        QCOMPARE(int(r.car.memory().table[6]), 130);
        QCOMPARE(r.w.g.parameters.value(PressureCorrectionInterval), 150);
        QCOMPARE(r.w.g.parameters.ktar(6), 130);
        QCOMPARE(r.w.control<QLabel>(ScreenId::Form16, QStringLiteral("Label4"))->text(),
                 QStringLiteral("Parametri scritti e verificati"));
        QVERIFY(r.w.control(ScreenId::Form16, QStringLiteral("Command9"))->isEnabled());
    }

    // Manual calibration at 120 drives the ECU live; MODIFICA then makes 120 the whole table.
    void manualCalibrationDrivesTheEcuAndWritesItsCoefficient() {
        Rig r;
        Form16* page = r.open();
        r.tick(3);
        QVERIFY(r.w.g.liveData.FuelState == 0 && r.w.g.liveData.GasTinj > 0);
        auto* spinner = r.w.control<QScrollBar>(ScreenId::Form16, QStringLiteral("VScroll1"));
        QVERIFY(!spinner->isEnabled());
        r.click("Command9");
        QVERIFY(r.tickUntil([page] { return page->page().ecuManual(); }, 5));
        QVERIFY(spinner->isEnabled());
        QCOMPARE(r.w.control(ScreenId::Form16, QStringLiteral("Command9"))->text(),
                 QStringLiteral("TARATURA ATTIVA"));
        // The upper arrow and the Up key raise the coefficient.
        QCOMPARE(r.box(QStringLiteral("Text11"))->text(), QStringLiteral("105"));
        QTest::keyClick(spinner, Qt::Key_Up);
        QTest::mouseClick(spinner, Qt::LeftButton, {}, QPoint(spinner->width() / 2, 3));
        QCOMPARE(r.box(QStringLiteral("Text11"))->text(), QStringLiteral("107"));
        for (int i = 0; i < 50; ++i)
            QTest::keyClick(spinner, Qt::Key_Down);
        QCOMPARE(r.box(QStringLiteral("Text11"))->text(), QStringLiteral("100"));
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(spinner, Qt::Key_Up);
        r.tick(5);
        QCOMPARE(r.car.engine().kcor, 120);
        QCOMPARE(r.w.g.liveData.Kcor, 120);
        QCOMPARE(r.box(QStringLiteral("Text14"))->text(), QStringLiteral("120"));
        const LiveData& live = r.w.g.liveData;
        QVERIFY2(qAbs(live.GasTinj - live.PetrolTinj * 120 / 100) <= live.PetrolTinj / 50,
                 qPrintable(QStringLiteral("%1 %2").arg(live.GasTinj).arg(live.PetrolTinj)));

        r.car.clearReceived();
        r.click("Command7");
        QVERIFY(r.tickUntil([page] { return !page->page().writing(); }));
        const QList<int> seen = r.commandsSeen();
        QCOMPARE(seen.count(Commands::WriteTableEntry), 64);
        QCOMPARE(seen.mid(87, 2), (QList<int>{1, 8}));
        for (int j = 1; j <= 64; ++j) {
            QCOMPARE(int(r.car.memory().table[j]), 120);
            QCOMPARE(r.w.g.parameters.ktar(j), 120);
            QCOMPARE(r.grid(15 + j)->text(), QStringLiteral("120"));
        }
        QCOMPARE(page->writes().result(), WriteSequence::Result::Verified);
    }

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
        r.box(QStringLiteral("Text26"))->setText(QStringLiteral("12"));
        r.click("Command7");
        QVERIFY(r.tickUntil([page] { return !page->page().writing(); }, 2000));
        QVERIFY(r.car.line().counts().dropped > 10);
        QCOMPARE(page->writes().result(), WriteSequence::Result::Verified);
        for (int c = 0; c < 64; ++c) {
            QCOMPARE(r.grid(16 + c)->text(), QString::number(r.car.memory().table[c + 1]));
            QCOMPARE(int(r.car.memory().table[c + 1]), 100 + (c * 7) % 51);
        }
        for (int i = 0; i < 16; ++i)
            QCOMPARE(r.grid(i)->text(), QString::number(r.car.memory().words[RpmBreakpoint1 + i]));
        QCOMPARE(int(r.car.memory().words[TemperatureCorrectionInterval]), 12);
        for (int k = 1; k <= ParameterCount; ++k)
            QCOMPARE(r.w.g.parameters.value(k), int(r.car.memory().words[k]));
    }

    void rejectedFieldsAreListedAndNothingIsSent() {
        Rig r;
        Form16* page = r.open();
        r.tick();
        r.grid(1)->setText(QStringLiteral("500"));       // below breakpoint 0 (650)
        r.grid(16 + 9)->setText(QStringLiteral("151"));  // one over
        r.grid(16 + 10)->setText(QStringLiteral("150")); // passes
        r.box(QStringLiteral("Text10"))->clear();
        r.car.clearReceived();
        r.click("Command7");
        const QString message =
            r.w.control<QLabel>(ScreenId::Form16, QStringLiteral("Label4"))->text();
        for (const char* part :
             {"Intervallo pressione 10-1000", "RPM 500-500", "RPM 650-2000", "TAB KTAR 100-150"})
            QVERIFY2(message.contains(QLatin1String(part)), qPrintable(message));
        QCOMPARE(message.count(QStringLiteral("TAB KTAR")), 1);
        QVERIFY(!page->page().writing());
        r.tick(3);
        QCOMPARE(r.commandsSeen(), (QList<int>{10, 10, 10}));

        // Marked until the fitter edits the box, whatever colour the fuel gives the others.
        auto background = [](QLineEdit* b) { return b->palette().color(QPalette::Base); };
        QCOMPARE(background(r.grid(25)), QColor(255, 0, 0));
        QCOMPARE(background(r.grid(26)), QColor(0, 0, 0));
        QTest::keyClick(r.grid(25), Qt::Key_Backspace);
        QCOMPARE(background(r.grid(25)), QColor(0, 0, 0));
        QCOMPARE(r.grid(25)->palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(background(r.grid(1)), QColor(255, 0, 0));
    }

    // --- What the page shows ----------------------------------------------------------------

    void liveRecordPaintsValuesColoursMarkerAndCorrectives() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w, [](ParameterSet& p) { p.setValue(PressureSensorType, 1); });
        w.g.parameters.setValue(TemperatureCorrection, 3);
        w.g.parameters.setValue(TemperatureCorrectionInterval, 10);
        ScriptedLink* link = w.scripted.back();
        page->Timer1Tick();
        link->arriving = calibrationRecord(1000, 3500, 0, 107, 65535 - 4); // -5 degrees
        page->Timer1Tick();
        auto text = [&w](const char* name) {
            return w.control<QLineEdit>(ScreenId::Form16, QString::fromLatin1(name))->text();
        };
        QCOMPARE(text("Text5"), QStringLiteral("1000"));
        QCOMPARE(text("Text22"), QStringLiteral("-5"));
        QCOMPARE(text("Text27"), QStringLiteral("-22")); // (-5 - 70) * 3 / 10, toward zero
        QCOMPARE(text("Text11"), QStringLiteral("107")); // ManualKgb follows Kcor
        QCOMPARE(link->written.last(), Commands::calibrationLive(107));
        QVERIFY(isShown(w.control<QWidget>(ScreenId::Form16, QStringLiteral("Frame19"))));
        auto* marker = w.control<Shape>(ScreenId::Form16, QStringLiteral("Shape1"));
        QCOMPARE(marker->geometry(),
                 MarkerGeometry::toPixels(QRectF(2160, 1320, 375, 375)).toRect());
        auto* cell = w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text6_40"));
        QCOMPARE(cell->palette().color(QPalette::Text), QColor(0, 255, 0));

        link->arriving = calibrationRecord(0, 0, 1, 107);
        page->Timer1Tick();
        QCOMPARE(cell->palette().color(QPalette::Text), QColor(255, 0, 0));
        QVERIFY(text("Text15").endsWith(QStringLiteral("SAFETY  CUTOFF")));
        QCOMPARE(marker->pos(),
                 MarkerGeometry::toPixels(QRectF(960, 720, 0, 0)).topLeft().toPoint());

        // Every grid number fits its box at the page's geometry, and is not tiny.
        for (int i = 0; i < 80; ++i) {
            auto* box = w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text6_%1").arg(i));
            QCOMPARE(box->size(),
                     MarkerGeometry::toPixels(QRectF(MarkerGeometry::textBox(i))).toRect().size());
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

    void notConnectedShowsTheStoredSetAndSendsNothing() {
        World w(World::Links::Scripted);
        w.g.ConnectedMode = 0;
        Form16* page = scriptedPage(w);
        QVERIFY(page);
        QCOMPARE(w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text3"))->text(),
                 QStringLiteral("NO LINK"));
        QCOMPARE(w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text6_0"))->text(),
                 QStringLiteral("650"));
        for (const char* c : {"Command2", "Command7", "Command9"})
            QVERIFY(!w.control(ScreenId::Form16, QString::fromLatin1(c))->isEnabled());
        for (const char* s : {"VScroll1", "VScroll2", "VScroll3", "VScroll4"})
            QVERIFY(!w.control<QWidget>(ScreenId::Form16, QString::fromLatin1(s))->isEnabled());
        QVERIFY(w.scripted.empty() || w.scripted.back()->opens == 0);
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QVERIFY(!w.host.loaded(ScreenId::Form16));
    }

    void portThatCannotOpenIsNamedAndThePageStaysQuiet() {
        World w(World::Links::Scripted);
        w.failOpenWith = EcuLink::ErrorPortAlreadyOpen;
        Form16* page = scriptedPage(w);
        QVERIFY(isShown(w.control<QWidget>(ScreenId::Form16, QStringLiteral("StatusText"))));
        QCOMPARE(w.control<QLabel>(ScreenId::Form16, QStringLiteral("StatusText"))->text(),
                 QStringLiteral("scripted error"));
        QVERIFY(!page->page().connected());
        QVERIFY(!w.control(ScreenId::Form16, QStringLiteral("Command7"))->isEnabled());
    }

    // The adapter is pulled and put back; MODIFICA opens the port before the cycle's own
    // reopen does: the page must leave its lost state, or no acknowledgement ever counts again.
    void portOpenedAgainByModificaEndsTheLostState() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        page->Timer1Tick();
        link->vanish();
        link->failOpenWith = EcuLink::ErrorOther;
        page->Timer1Tick();
        QVERIFY(page->page().isLinkLost());
        link->failOpenWith = EcuLink::ErrorNone;
        w.click(ScreenId::Form16, QStringLiteral("Command7"));
        QVERIFY(link->isOpen());
        QVERIFY(!page->page().isLinkLost());
        QVERIFY(w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text3"))->text() !=
                QStringLiteral("NO LINK"));
    }

    // --- Requests and acknowledgements ------------------------------------------------------

    void acknowledgementsCountOnlyForTheRequestOutstanding() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        auto* toggle = w.control(ScreenId::Form16, QStringLiteral("Command9"));
        page->Timer1Tick();
        // Two clicks before the tick: the second finds the button disabled.
        w.click(ScreenId::Form16, QStringLiteral("Command9"));
        QVERIFY(!toggle->isEnabled());
        toggle->click();
        page->Timer1Tick();
        page->Timer1Tick(); // no answer: repeated
        QCOMPARE(link->written.mid(1),
                 (QList<QByteArray>{Commands::frame(11), Commands::frame(11)}));
        link->arriving = replyFrame(12); // foreign
        page->Timer1Tick();
        link->arriving = replyFrame(4); // foreign
        page->Timer1Tick();
        QVERIFY(!page->page().modeAcknowledged());
        QCOMPARE(toggle->text(), QStringLiteral("TARATURA NON ATTIVA"));
        QCOMPARE(link->written.last(), Commands::frame(11));
        link->arriving = replyFrame(11);
        page->Timer1Tick();
        QCOMPARE(toggle->text(), QStringLiteral("TARATURA ATTIVA"));
        QVERIFY(toggle->isEnabled());
        QCOMPARE(link->written.last(), Commands::calibrationLive(105));
        link->arriving = replyFrame(11); // late duplicate
        page->Timer1Tick();
        link->arriving = replyFrame(12); // nobody asked
        page->Timer1Tick();
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

    void exitInManualCalibrationWaitsForTheEcuToLeaveIt() {
        Rig r;
        Form16* page = r.open();
        r.click("Command9");
        QVERIFY(r.tickUntil([page] { return page->page().ecuManual(); }, 5));
        r.click("Command1");
        QVERIFY(r.w.host.isVisible(ScreenId::Form16));
        QVERIFY(!r.w.control(ScreenId::Form16, QStringLiteral("Command7"))->isEnabled());
        QVERIFY(r.car.model().inCalibration());
        QVERIFY(r.tickUntil([&r] { return !r.w.host.loaded(ScreenId::Form16); }, 5));
        QVERIFY(!r.car.model().inCalibration());
        QVERIFY(r.w.host.isVisible(ScreenId::Form2));

        // The same way to the automatic calibration, which loads the page anew on its return.
        page = r.open();
        r.click("Command9");
        QVERIFY(r.tickUntil([page] { return page->page().ecuManual(); }, 5));
        r.click("Command8");
        QVERIFY(r.tickUntil([&r] { return !r.w.host.loaded(ScreenId::Form16); }, 5));
        QVERIFY(r.w.host.isVisible(ScreenId::Form8));
        QVERIFY(!r.car.model().inCalibration());
    }

    void exitWithTheEcuSilentLeavesOnASecondPressWithAWarning() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        w.click(ScreenId::Form16, QStringLiteral("Command9"));
        page->Timer1Tick();
        link->arriving = replyFrame(11);
        page->Timer1Tick();
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        for (int i = 0; i < 17; ++i)
            page->Timer1Tick();
        // With the poll before it, sixteen requests went unanswered.
        QCOMPARE(link->written.count(Commands::frame(12)), 15);
        QCOMPARE(link->written.last(), Commands::frame(7));
        QCOMPARE(w.control<QLineEdit>(ScreenId::Form16, QStringLiteral("Text3"))->text(),
                 QStringLiteral("NO LINK"));
        QVERIFY(w.control<QLabel>(ScreenId::Form16, QStringLiteral("StatusText"))
                    ->text()
                    .contains(QStringLiteral("PREMERE DI NUOVO EXIT")));
        w.click(ScreenId::Form16, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QVERIFY(!w.host.loaded(ScreenId::Form16));
        QVERIFY(w.control<QLabel>(ScreenId::Form2, QStringLiteral("StatusText"))
                    ->text()
                    .contains(QStringLiteral("ANCORA IN TARATURA MANUALE")));
    }

    void leavingDuringAWriteWaitsWhileTheEcuAnswers() {
        Rig r;
        Form16* page = r.open();
        r.grid(16)->setText(QStringLiteral("140"));
        r.click("Command7");
        r.tick(10);
        r.page->close(); // the close box: EXIT
        QVERIFY(r.w.host.isVisible(ScreenId::Form16));
        QVERIFY(r.w.control<QLabel>(ScreenId::Form16, QStringLiteral("StatusText"))
                    ->text()
                    .contains(QStringLiteral("TERMINE DELLA SCRITTURA")));
        QVERIFY(!r.w.control(ScreenId::Form16, QStringLiteral("Command8"))->isEnabled());
        QVERIFY(r.tickUntil([&r] { return !r.w.host.loaded(ScreenId::Form16); }));
        QVERIFY(r.w.host.isVisible(ScreenId::Form2));
        QCOMPARE(int(r.car.memory().table[1]), 140);
        Q_UNUSED(page);
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
        QVERIFY(w.control<QLabel>(ScreenId::Form2, QStringLiteral("StatusText"))
                    ->text()
                    .contains(QStringLiteral("7 scritture su 87")));
    }

    void graphicalViewPausesPollingUntilItCloses() {
        World w(World::Links::Scripted);
        Form16* page = scriptedPage(w);
        ScriptedLink* link = w.scripted.back();
        page->Timer1Tick();
        w.click(ScreenId::Form16, QStringLiteral("Command5"));
        QVERIFY(w.host.isVisible(ScreenId::Form15));
        QVERIFY(!page->cycle().isRunning());
        QVERIFY(link->isOpen());
        w.g.link.LinkRetryCount = 9;
        link->written.clear();
        w.host.show(ScreenId::Form16); // the view closes
        QVERIFY(page->cycle().isRunning());
        QCOMPARE(page->cycle().intervalMs(), 200);
        QCOMPARE(w.g.link.LinkRetryCount, 0);
        page->Timer1Tick();
        QCOMPARE(link->written, (QList<QByteArray>{Commands::calibrationLive(105)}));
    }
};

QTEST_MAIN(TestCalPageScreen)
#include "test_calpage_screen.moc"
