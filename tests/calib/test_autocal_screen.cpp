// The automatic calibration screen through its controls: against the virtual ECU's car in
// engine time, and against a scripted link where the order of replies matters.

#include "common/AutoCalDrive.h"
#include "common/BrokenSync.h"
#include "common/EcuRecords.h"

#include "link/Commands.h"
#include "screens/calib/Form8.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <algorithm>

namespace {

using Run = AutoCalibrationRun;

int commandOf(const QByteArray& frame) {
    return Commands::commandOf(frame).value_or(-1);
}

// A calibration record from a warm engine with the coefficient at 105.
QByteArray record(int rpm, bool onPetrol) {
    return calibrationRecord(
        {.rpm = rpm, .pressure1 = 1300, .gasTemperature = 80, .kcor = 105, .onPetrol = onPetrol});
}

EngineSettings warmCar(int trueCoefficient) {
    EngineSettings engine;
    engine.start = EngineSettings::Start::Warm;
    engine.trueCoefficient = trueCoefficient;
    return engine;
}

QString textOf(World& w, const char* name) {
    if (auto* label = w.control<QLabel>(ScreenId::Form8, QString::fromLatin1(name)))
        return label->isHidden() ? QString() : label->text();
    if (auto* box = w.control<QLineEdit>(ScreenId::Form8, QString::fromLatin1(name)))
        return box->text();
    return QString();
}

bool enabled(World& w, const char* name) {
    auto* b = w.control<QPushButton>(ScreenId::Form8, QString::fromLatin1(name));
    return b && b->isEnabled();
}

int cellsHolding(const EcuMemory& memory, int value) {
    return static_cast<int>(
        std::count(memory.table.begin() + 1, memory.table.begin() + 1 + TableSize, value));
}

// The frames the ECU received from the first table write to the leave request, each run of
// repeats (a write sent again after a dropped reply) counted once.
QList<QByteArray> storeFrames(const QList<QByteArray>& received) {
    QList<QByteArray> out;
    bool storing = false;
    for (const QByteArray& f : received) {
        storing = storing || commandOf(f) == Commands::WriteTableEntry;
        if (storing && (out.isEmpty() || out.last() != f)) out << f;
        if (storing && commandOf(f) == Commands::LeaveCalibration) break;
    }
    return out;
}

// A screen on a scripted link: the tick answers what the test puts on the line.
struct Scripted {
    World w{World::Links::Scripted};
    Form8* screen = nullptr;
    ScriptedLink* link = nullptr;

    Scripted() {
        w.host.show(ScreenId::Form8);
        screen = w.screen<Form8>(ScreenId::Form8);
        link = w.scripted.back();
    }
    // One exchange: `reply` arrives, the screen answers; the command it sent (-1: nothing).
    int exchange(const QByteArray& reply = {}) {
        const auto before = link->written.size();
        link->arriving = reply;
        screen->Timer1Tick();
        return link->written.size() > before ? commandOf(link->written.last()) : -1;
    }
    // Polled, started, and in calibration mode measuring on petrol.
    void inCalibrationMode() {
        exchange();
        exchange(record(2500, true));
        w.click(ScreenId::Form8, QStringLiteral("Command3"));
        QCOMPARE(exchange(record(2500, true)), int(Commands::EnterCalibration));
        QCOMPARE(exchange(replyFrame(Commands::EnterCalibration)), int(Commands::CalibrationLive));
        screen->Timer3Tick();
        QCOMPARE(screen->run().phase(), 3);
    }
};

} // namespace

class TestAutoCalScreen : public QObject {
    Q_OBJECT

private slots:
    // The whole run through the screen and its link, from a table of 105.
    void runFindsTheCoefficient_data() {
        QTest::addColumn<int>("trueK");
        QTest::addColumn<double>("dropRate");
        QTest::addColumn<qint64>("silenceAfterMs"); // a pulled cable, for 8 s
        for (double drop : {0.0, 0.1})
            for (int k : {100, 118, 135, 150})
                QTest::addRow("%d%s", k, drop > 0 ? ", a tenth dropped" : "")
                    << k << drop << qint64(-1);
        QTest::newRow("118, cable pulled for 8 s mid-run") << 118 << 0.0 << qint64(20000);
    }
    void runFindsTheCoefficient() {
        QFETCH(int, trueK);
        QFETCH(double, dropRate);
        QFETCH(qint64, silenceAfterMs);
        FaultSettings faults;
        faults.dropRate = dropRate;
        faults.silenceAfterMs = silenceAfterMs;
        faults.silenceForMs = 8000;
        World w(warmCar(trueK), faults);
        w.g.LostLinkText = QStringLiteral("NO COMUNICAZIONE");
        AutoCalDrive drive(w);
        Form8* screen = drive.open();
        const Run& run = screen->run();
        QVERIFY(drive.start());
        const qint64 startMs = drive.nowMs();

        bool sawLost = false;
        QVERIFY(drive.runUntil(
            [&] {
                sawLost = sawLost || textOf(w, "StatusText") == w.g.LostLinkText;
                return AutoCalDrive::finished(run);
            },
            15 * 60 * 1000));
        qInfo("true coefficient %d: %d updates, KTAR %d, %.1f s", trueK, run.updates(), run.ktar(),
              double(drive.nowMs() - startMs) / 1000);
        QVERIFY(!w.ecu.model().inCalibration());
        QVERIFY2(run.updates() <= 3, qPrintable(QString::number(run.updates())));
        QCOMPARE(sawLost, silenceAfterMs >= 0);
        QCOMPARE(textOf(w, "Text30"), QString::number(run.ktar()));
        QVERIFY(!w.dialogs.busy);

        if (trueK == 100 || trueK == 150) {
            QCOMPARE(run.result(), Run::Result::Limit);
            QCOMPARE(textOf(w, "Label2"), trueK == 100 ? QStringLiteral("KTAR AL LIMITE MINIMO")
                                                       : QStringLiteral("KTAR AL LIMITE MASSIMO"));
            // A limit is not a result: nothing was written.
            QCOMPARE(cellsHolding(w.ecu.memory(), 105), TableSize);
            QVERIFY(storeFrames(w.ecu.received()).isEmpty());
            return;
        }
        QCOMPARE(run.result(), Run::Result::Converged);
        const int k = run.ktar();
        QVERIFY2(std::abs(k - trueK) <= 1, qPrintable(QString::number(k)));
        QCOMPARE(textOf(w, "Label2"), QStringLiteral("TARATURA TERMINATA"));
        QCOMPARE(textOf(w, "StoreText"), QStringLiteral("Parametri scritti e verificati"));
        QCOMPARE(cellsHolding(w.ecu.memory(), k), TableSize);
        for (int j = 1; j <= TableSize; ++j)
            QCOMPARE(w.g.parameters.ktar(j), k);
        const int pressure = w.ecu.memory().words[CalibrationPressure];
        const int temperature = w.ecu.memory().words[CalibrationTemperature];
        QCOMPARE(w.g.parameters.value(CalibrationPressure), pressure);
        QCOMPARE(w.g.parameters.value(CalibrationTemperature), temperature);
        QVERIFY(pressure != 1300 && temperature >= 75); // measured, not the factory values

        // The store, frame by frame: 64 cells, the table read back, the two references, the
        // parameters read back, and calibration mode left.
        QList<QByteArray> expected;
        for (int j = 1; j <= TableSize; ++j)
            expected << Commands::writeTableEntry(j, k);
        expected << Commands::frame(Commands::ReadTable)
                 << Commands::writeParameter(CalibrationPressure, pressure)
                 << Commands::writeParameter(CalibrationTemperature, temperature)
                 << Commands::frame(Commands::ReadParameters)
                 << Commands::frame(Commands::LeaveCalibration);
        QCOMPARE(storeFrames(w.ecu.received()), expected);
    }

    // A cell the ECU acknowledges but does not keep: written again once, then named; the run
    // says the store is not verified, the set holds what the ECU holds, and calibration mode
    // is left all the same.
    void storeNotKeptIsSaidSo() {
        FaultSettings faults;
        faults.refusedIds = {ParameterCount + 5};
        World w(warmCar(118), faults);
        AutoCalDrive drive(w);
        const Run& run = drive.open()->run();
        QVERIFY(drive.start());
        QVERIFY(drive.runUntil([&] { return AutoCalDrive::finished(run); }, 15 * 60 * 1000));
        QCOMPARE(textOf(w, "Label1"), QStringLiteral("MEMORIZZAZIONE KGB NON VERIFICATA"));
        QCOMPARE(textOf(w, "StoreText"),
                 QStringLiteral("La centralina non ha memorizzato: KTAR 5"));
        QCOMPARE(w.g.parameters.ktar(5), 105);
        QCOMPARE(w.g.parameters.ktar(6), run.ktar());
        QCOMPARE(w.ecu.received().count(Commands::writeTableEntry(5, run.ktar())), 2);
        QVERIFY(!w.ecu.model().inCalibration());
    }

    // STOP ends the run at once: calibration mode left, nothing measured on, nothing stored,
    // and a fuel switch the run had asked for but not yet sent never goes out.
    void stopEndsTheRun_data() {
        QTest::addColumn<int>("stopIn");
        QTest::newRow("the switch to gas asked for, not sent") << 4;
        QTest::newRow("measuring on gas") << 5;
    }
    void stopEndsTheRun() {
        QFETCH(int, stopIn);
        World w(warmCar(135), {});
        AutoCalDrive drive(w);
        Form8* screen = drive.open();
        const Run& run = screen->run();
        QVERIFY(!enabled(w, "Command1"));
        QVERIFY(drive.start());
        QVERIFY(drive.runUntil([&] { return run.phase() == stopIn; }, 120000));
        QVERIFY(enabled(w, "Command1"));
        const auto before = w.ecu.received().size();

        w.click(ScreenId::Form8, QStringLiteral("Command1"));
        QCOMPARE(run.phase(), 0);
        QVERIFY(!enabled(w, "Command1"));
        drive.runFor(30000);
        const QList<QByteArray> after = w.ecu.received().mid(before);
        QCOMPARE(commandOf(after.value(0)), int(Commands::LeaveCalibration));
        for (const QByteArray& f : after.mid(1))
            QCOMPARE(commandOf(f), int(Commands::CalibrationLive));
        QVERIFY(!w.ecu.model().inCalibration());
        QCOMPARE(run.phase(), 0);
        QCOMPARE(textOf(w, "Label1"), QStringLiteral("PREMERE START TARATURA "));
        QCOMPARE(textOf(w, "Label2"), QString());
        QCOMPARE(cellsHolding(w.ecu.memory(), 105), TableSize);
        QVERIFY(enabled(w, "Command3"));
        QVERIFY(!w.dialogs.busy);
    }

    // A port that cannot be opened is said on the screen; START tries it again, and with the
    // engine stopped sends nothing and says why.
    void startNeedsAnOpenPortAndATurningEngine() {
        World w(World::Links::Scripted);
        w.failOpenWith = EcuLink::ErrorOther;
        w.host.show(ScreenId::Form8);
        QCOMPARE(textOf(w, "StatusText"), QStringLiteral("scripted error"));
        ScriptedLink* link = w.scripted.back();
        QVERIFY(!link->isOpen());
        link->failOpenWith = EcuLink::ErrorNone;
        w.click(ScreenId::Form8, QStringLiteral("Command3"));
        QVERIFY(link->isOpen());
        auto* screen = w.screen<Form8>(ScreenId::Form8);
        QVERIFY(screen->cycle().isRunning());
        screen->Timer1Tick();
        QCOMPARE(commandOf(link->written.value(0)), int(Commands::CalibrationLive));

        link->arriving = record(0, true);
        screen->Timer1Tick();
        w.click(ScreenId::Form8, QStringLiteral("Command3"));
        screen->Timer1Tick();
        QCOMPARE(commandOf(link->written.last()), int(Commands::CalibrationLive));
        QCOMPARE(screen->run().phase(), 0);
        QVERIFY(textOf(w, "StatusText").startsWith(QStringLiteral("MOTORE SPENTO")));
    }

    // EXIT in calibration mode leaves only on the ECU's acknowledgement of the leave request;
    // a late or foreign reply, or one with a wrong length byte, is not that.
    void exitInCalibrationModeWaitsForTheAcknowledgement() {
        Scripted s;
        s.inCalibrationMode();
        s.w.click(ScreenId::Form8, QStringLiteral("Command5"));
        QVERIFY(s.w.host.isVisible(ScreenId::Form8));
        QCOMPARE(textOf(s.w, "StatusText"),
                 QStringLiteral("USCITA ALLA CONFERMA DELLA CENTRALINA\n"
                                "Premere di nuovo EXIT per uscire subito"));
        QVERIFY(!enabled(s.w, "Command3"));

        QCOMPARE(s.exchange(record(2500, true)), int(Commands::LeaveCalibration));
        QCOMPARE(s.exchange(replyFrame(Commands::EnterCalibration)),
                 int(Commands::LeaveCalibration));
        QByteArray wrongLength = replyFrame(Commands::LeaveCalibration);
        wrongLength[3] = 9;
        // It waits for the bytes its length byte promises, which never come: asked again.
        QCOMPARE(s.exchange(wrongLength), -1);
        QCOMPARE(s.exchange(), int(Commands::LeaveCalibration));
        QCOMPARE(s.exchange(record(2500, true)), int(Commands::LeaveCalibration));
        QVERIFY(s.w.host.isVisible(ScreenId::Form8));

        QCOMPARE(s.exchange(replyFrame(Commands::LeaveCalibration)), -1);
        QVERIFY(!s.w.host.isVisible(ScreenId::Form8));
        QVERIFY(s.w.host.isVisible(ScreenId::Form16));
        QVERIFY(!s.link->isOpen());
        QVERIFY(s.w.dialogs.messages.isEmpty());
    }

    // With the ECU silent the leave cannot be confirmed: the screen says so once the link is
    // lost, keeps polling with the coefficient in use, and a second EXIT leaves with a warning.
    void secondExitAfterALostLinkLeaves() {
        Scripted s;
        s.w.g.LostLinkText = QStringLiteral("NO COMUNICAZIONE");
        s.inCalibrationMode();
        s.w.click(ScreenId::Form8, QStringLiteral("Command5"));
        // The poll that followed the enter acknowledgement went unanswered too: 16 in all.
        for (int i = 0; i < 15; ++i)
            QCOMPARE(s.exchange(), int(Commands::LeaveCalibration));
        QVERIFY(!textOf(s.w, "StatusText").contains(QStringLiteral("DI NUOVO EXIT")));
        QCOMPARE(s.exchange(), int(Commands::CalibrationLive));
        QCOMPARE(s.screen->cycle().intervalMs(), 2000);
        QCOMPARE(static_cast<unsigned char>(s.link->written.last().at(5)), 105);
        QVERIFY(textOf(s.w, "StatusText").contains(QStringLiteral("DI NUOVO EXIT")));
        QVERIFY(!s.w.control<QWidget>(ScreenId::Form8, QStringLiteral("Frame8"))->isEnabled());
        s.screen->Timer3Tick();
        QCOMPARE(s.screen->run().phase(), 0);

        s.w.click(ScreenId::Form8, QStringLiteral("Command5"));
        QVERIFY(!s.w.host.isVisible(ScreenId::Form8));
        QVERIFY(s.w.host.isVisible(ScreenId::Form16));
        QCOMPARE(s.w.dialogs.messages.size(), 1);
        QVERIFY(s.w.dialogs.messages.first().contains(
            QStringLiteral("POTREBBE ESSERE ANCORA IN MODALITÀ TARATURA")));
    }

    // EXIT during the store waits for it and for the leave; a second EXIT leaves at once,
    // with the link alive or lost, and the set keeps exactly the cells the ECU confirmed.
    void exitDuringTheStore_data() {
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<bool>("twice");
        QTest::newRow("link alive") << false << false;
        QTest::newRow("link alive, EXIT twice") << false << true;
        QTest::newRow("adapter pulled") << true << false;
    }
    void exitDuringTheStore() {
        QFETCH(bool, unplug);
        QFETCH(bool, twice);
        World w(warmCar(118), {});
        AutoCalDrive drive(w);
        Form8* screen = drive.open();
        const Run& run = screen->run();
        QVERIFY(drive.start());
        QVERIFY(drive.runUntil([&] { return screen->tableStore().acknowledged() >= 10; },
                               15 * 60 * 1000));
        const int k = run.ktar();
        QVERIFY(textOf(w, "StoreText").startsWith(QStringLiteral("Scrittura in corso: 10 / 64")));
        QVERIFY(!enabled(w, "Command3") && !enabled(w, "Command1"));
        if (unplug) {
            w.ecu.unplug();
            drive.runFor(200);
        }
        w.click(ScreenId::Form8, QStringLiteral("Command5"));
        QVERIFY(w.host.isVisible(ScreenId::Form8));

        if (!unplug && !twice) {
            QCOMPARE(textOf(w, "StatusText"),
                     QStringLiteral("USCITA AL TERMINE DELLA MEMORIZZAZIONE\n"
                                    "Premere di nuovo EXIT per uscire subito"));
            QVERIFY(drive.runUntil([&] { return !w.host.isVisible(ScreenId::Form8); }, 30000));
            QVERIFY(w.host.isVisible(ScreenId::Form16));
            QCOMPARE(cellsHolding(w.ecu.memory(), k), TableSize);
            QVERIFY(!w.ecu.model().inCalibration());
            QVERIFY(w.dialogs.messages.isEmpty());
            return;
        }
        QVERIFY(
            textOf(w, "StatusText").contains(QStringLiteral("di nuovo EXIT"), Qt::CaseInsensitive));
        const int confirmed = screen->tableStore().acknowledged();
        w.click(ScreenId::Form8, QStringLiteral("Command5"));
        QVERIFY(w.host.isVisible(ScreenId::Form16));
        QCOMPARE(w.dialogs.messages.size(), 1);
        // Left in the middle of the store, the ECU is still in calibration mode.
        if (twice) QVERIFY(w.ecu.model().inCalibration());
        QVERIFY(w.dialogs.messages.first().contains(
            QStringLiteral("la centralina ha confermato %1 scritture su 64").arg(confirmed)));
        for (int j = 1; j <= TableSize; ++j)
            QCOMPARE(w.g.parameters.ktar(j), j <= confirmed ? k : 105);
        // The last write may have reached the ECU with its acknowledgement lost on the way.
        const int held = cellsHolding(w.ecu.memory(), k);
        QVERIFY(held == confirmed || held == confirmed + 1);
    }

    // The second pressure only with a second sensor, as on the live screen.
    void secondPressureOnlyWithASecondSensor() {
        for (const int sensor : {0, 1}) {
            World w(World::Links::Scripted);
            w.g.parameters.setValue(PressureSensorType, sensor);
            w.host.show(ScreenId::Form8);
            QCOMPARE(w.control<QWidget>(ScreenId::Form8, QStringLiteral("Frame5"))->isHidden(),
                     sensor == 0);
        }
    }

    // The disk does not take the log's last lines as the screen is left: said on the way out.
    void aLogTheDiskDidNotTakeIsToldOnLeaving() {
#ifndef Q_OS_LINUX
        QSKIP("the descriptor is found through /proc");
#else
        Scripted s;
        s.w.control<QLineEdit>(ScreenId::Form8, QStringLiteral("Text28"))
            ->setText(QStringLiteral("taratura.log"));
        s.w.click(ScreenId::Form8, QStringLiteral("Command6"));
        s.screen->Timer2Tick(); // the file opens with its headers
        s.screen->Timer2Tick();
        QVERIFY(breakSyncOf(s.w.dir.filePath(QStringLiteral("taratura.log"))));
        s.w.click(ScreenId::Form8, QStringLiteral("Command5"));
        QVERIFY(s.w.host.isVisible(ScreenId::Form16));
        QCOMPARE(s.w.dialogs.messages.size(), 1);
        QVERIFY2(s.w.dialogs.messages.first().startsWith(
                     QStringLiteral("Errore di scrittura sul file di log")),
                 qPrintable(s.w.dialogs.messages.first()));
#endif
    }

    // The log, started before the run: one line of 11 fields per 50 ms step with the phase in
    // the ninth; the name box trimmed; STOP Acquisizione closes the file.
    void logRecordsTheRun() {
        World w(warmCar(118), {});
        AutoCalDrive drive(w);
        Form8* screen = drive.open();
        QVERIFY(drive.runUntil([&] { return screen->run().live().Rpm > 0; }, 3000));
        w.control<QLineEdit>(ScreenId::Form8, QStringLiteral("Text28"))
            ->setText(QStringLiteral("  taratura  "));
        w.click(ScreenId::Form8, QStringLiteral("Command6"));
        QVERIFY(!enabled(w, "Command6") && enabled(w, "Command7"));
        drive.runFor(1000);
        w.click(ScreenId::Form8, QStringLiteral("Command3"));
        drive.runFor(3000);
        w.click(ScreenId::Form8, QStringLiteral("Command7"));
        drive.runFor(500);
        QCOMPARE(w.g.AcquisitionState, Acquisition::Stopped);

        QFile f(w.dir.filePath(QStringLiteral("taratura.log")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY(lines.first().startsWith("SW PC "));
        QVERIFY(lines.at(8).startsWith("Tempo ms;Stato ECU;RPM"));
        const QList<QByteArray> data = lines.mid(9, lines.size() - 10);
        QVERIFY2(data.size() >= 75 && data.size() <= 82, qPrintable(QString::number(data.size())));
        QSet<QByteArray> phases;
        for (const QByteArray& line : data) {
            const QList<QByteArray> fields = line.trimmed().split(';');
            QCOMPARE(fields.size(), 11);
            phases << fields.at(8);
        }
        // The warm car idles on gas: the run has it switched to petrol (1) before measuring (3).
        QCOMPARE(phases, (QSet<QByteArray>{"0", "1", "3"}));
    }
};

QTEST_MAIN(TestAutoCalScreen)
#include "test_autocal_screen.moc"
