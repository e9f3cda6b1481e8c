// Whole-program runs: the real serial link (QSerialPort) over a pseudo-terminal served by
// tarvex-ecu-sim, with the program's own timers running.
#include "common/SimProcess.h"

#include "screens/menu/Form1.h"
#include "screens/menu/Form2.h"

#include <QComboBox>
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

    // A USB adapter chosen in the settings dialog from the ports the system reports: the
    // connection check talks to it; a later choice cancelled keeps it.
    void aReportedPortChosenInTheDialogIsTheOneUsed() {
        SimProcess sim("--start warm");
        World w;
        const QString device = sim.device;
        w.context.serialPorts = [device] {
            return std::vector<SerialPortEntry>{{QStringLiteral("ttyUSB0"), device, QString()}};
        };
        w.context.linkFactory = [&w] {
            return std::make_unique<SerialEcuLink>([&w] { return w.g.portNameOverride; });
        };
        w.host.show(ScreenId::Form1);
        const auto choose = [&w](int entry, const char* button) {
            w.click(ScreenId::Form1, QStringLiteral("Command6"));
            w.control<QComboBox>(ScreenId::Form4, QStringLiteral("Combo1"))->activated(entry);
            w.click(ScreenId::Form4, QString::fromLatin1(button));
        };
        choose(8, "Command1");
        choose(2, "Command2"); // COM3, cancelled
        QCOMPARE(w.g.portNameOverride, device);
        w.click(ScreenId::Form1, QStringLiteral("Command1"));
        QTRY_VERIFY_WITH_TIMEOUT(w.host.isVisible(ScreenId::Form2), 5000);
        QCOMPARE(w.g.EcuVersion, (std::array<int, 3>{2, 4, 7}));
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
