// Whole-program runs: the real serial link (QSerialPort) over a pseudo-terminal served by
// tarvex-ecu-sim, with the program's own timers running.
#include "common/SimProcess.h"

#include "screens/menu/Form1.h"
#include "screens/menu/Form2.h"

#include <QLabel>
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
        SimProcess sim("--start warm --seed 7 --drop-rate 0.25 --bad-length-rate 0.1 --late-ms 400 "
                       "--late-rate 0.15 --out-of-range");
        World w;
        useDevice(w, sim.device);
        QVERIFY(toReadyMenu(w, 60000));
        QCOMPARE(w.screen<Form2>(ScreenId::Form2)->phase(), Form2::Phase::Ready);
        QVERIFY(!w.control<QWidget>(ScreenId::Form2, QStringLiteral("Text4"))->isHidden());
        QCOMPARE(w.g.parameters.value(CalibrationPressure), 1300);
        QCOMPARE(w.g.parameters.ktar(64), 105);
    }

    // The cable is pulled while the live request is under way, then the USB adapter: each is
    // told, the menu stays and looks for the ECU without a busy loop, and once the adapter is
    // back under the same name the exchange carries on. (The texts are the menu's own test.)
    void vanishedDeviceIsToldWithoutABusyLoopAndComesBack() {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("ttyECU"));
        SimProcess sim("--start warm --silence-after 3 --silence-for 5 --vanish-after 5 "
                       "--vanish-for 7",
                       {QStringLiteral("--link"), name});
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
