// Whole-program runs: the real serial link (QSerialPort) over a pseudo-terminal served by
// tarvex-ecu-sim, with the program's own timers running.
#include "common/SimProcess.h"

#include "app/Form1.h"
#include "app/Form2.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

class TestE2E : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(QCoreApplication::applicationDirPath() +
                              QStringLiteral("/tarvex-ecu-sim")));
    }

    // An ECU out of range on a bad line: the repair still gets through.
    void droppedLateAndMangledRepliesRecover() {
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"), QStringLiteral("--seed"),
                        QStringLiteral("7"), QStringLiteral("--drop-rate"), QStringLiteral("0.25"),
                        QStringLiteral("--bad-length-rate"), QStringLiteral("0.1"),
                        QStringLiteral("--late-ms"), QStringLiteral("400"),
                        QStringLiteral("--late-rate"), QStringLiteral("0.15"),
                        QStringLiteral("--out-of-range")});
        World w;
        useDevice(w, sim.device);
        QVERIFY(toReadyMenu(w, 60000));
        QCOMPARE(w.screen<Form2>(ScreenId::Form2)->phase(), Form2::Phase::Ready);
        QVERIFY(!w.control<QWidget>(ScreenId::Form2, QStringLiteral("Text4"))->isHidden());
        QCOMPARE(w.g.parameters.value(CalibrationPressure), 1300);
        QCOMPARE(w.g.parameters.ktar(64), 105);
    }

    // The cable is pulled while the live request is under way: the version box says so,
    // the menu polls every 2 s, and the exchange finishes once the cable is back.
    void pulledCableIsToldAndTheExchangeResumes() {
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"),
                        QStringLiteral("--silence-after"), QStringLiteral("6"),
                        QStringLiteral("--silence-for"), QStringLiteral("6")});
        World w;
        useDevice(w, sim.device);
        QVERIFY(toReadyMenu(w, 10000));
        QVERIFY(w.control<QWidget>(ScreenId::Form2, QStringLiteral("Text4"))->isHidden());
        QVERIFY2(sim.elapsedMs() < 6000, "the menu must be ready before the cable is pulled");
        sim.waitUntil(6300);
        w.click(ScreenId::Form2, QStringLiteral("Command3"));
        auto* version = w.control<QLineEdit>(ScreenId::Form2, QStringLiteral("Text1"));
        QTRY_COMPARE_WITH_TIMEOUT(version->text(), w.g.LostLinkText, 6000);
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QTRY_VERIFY_WITH_TIMEOUT(w.host.isVisible(ScreenId::Form3), 10000);
        QVERIFY(w.g.liveData.Rpm > 0);
    }

    // The USB adapter is pulled while the menu is polling: a clear message, no busy loop,
    // and once the adapter is back under the same name the exchange carries on.
    void vanishedDeviceIsToldWithoutABusyLoopAndComesBack() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("ttyECU"));
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"), QStringLiteral("--link"),
                        name, QStringLiteral("--silence-after"), QStringLiteral("3"),
                        QStringLiteral("--silence-for"), QStringLiteral("5"),
                        QStringLiteral("--vanish-after"), QStringLiteral("5"),
                        QStringLiteral("--vanish-for"), QStringLiteral("7")});
        World w;
        useDevice(w, name);
        QVERIFY(toReadyMenu(w, 10000));
        sim.waitUntil(3300);
        w.click(ScreenId::Form2, QStringLiteral("Command3"));
        auto* status = w.control<QLabel>(ScreenId::Form2, QStringLiteral("StatusText"));
        QTRY_VERIFY_WITH_TIMEOUT(!status->isHidden(), 6000);
        QVERIFY(!status->text().isEmpty());

        // While the device is gone the menu stays where it is, looking for it every 2 s.
        sim.waitUntil(10500);
        QVERIFY(w.host.isVisible(ScreenId::Form2));

        QTRY_VERIFY_WITH_TIMEOUT(w.host.isVisible(ScreenId::Form3), 10000);
    }
};

QTEST_MAIN(TestE2E)
#include "test_e2e.moc"
