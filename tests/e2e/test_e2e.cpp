// Whole-program runs: the real serial link (QSerialPort) over a pseudo-terminal served by
// tarvex-ecu-sim, with the program's own timers running.
#include "common/World.h"

#include "app/Form1.h"
#include "app/Form2.h"
#include "link/SerialEcuLink.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

// tarvex-ecu-sim in a process of its own, for one test.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args) {
        m_proc.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/tarvex-ecu-sim"));
        m_proc.setArguments(args);
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_proc.start();
        m_started.start();
        if (!m_proc.waitForStarted(5000))
            return;
        while (!m_proc.canReadLine() && m_started.elapsed() < 5000)
            m_proc.waitForReadyRead(100);
        device = QString::fromUtf8(m_proc.readLine()).trimmed();
    }
    ~SimProcess() {
        m_proc.terminate();
        if (!m_proc.waitForFinished(3000)) {
            m_proc.kill();
            m_proc.waitForFinished(3000);
        }
    }
    // Milliseconds since the simulator started: its faults are timed from then.
    qint64 elapsedMs() const { return m_started.elapsed(); }
    void waitUntil(qint64 ms) const {
        while (elapsedMs() < ms)
            QTest::qWait(50);
    }
    QString device;

private:
    QProcess m_proc;
    QElapsedTimer m_started;
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A program world whose screens open the given device.
void useDevice(World& w, const QString& device) {
    w.context.linkFactory = [device] { return std::make_unique<SerialEcuLink>(device); };
}

} // namespace

class TestE2E : public QObject {
    Q_OBJECT

    // MENU on the start screen; true once the main menu is up and has left its upload.
    static bool toReadyMenu(World& w, int timeoutMs, qint64* checkMs = nullptr,
                            qint64* uploadMs = nullptr) {
        QElapsedTimer t;
        t.start();
        w.host.show(ScreenId::Form1);
        w.click(ScreenId::Form1, QStringLiteral("Command1"));
        if (!QTest::qWaitFor([&w] { return w.host.isVisible(ScreenId::Form2); }, timeoutMs))
            return false;
        if (checkMs)
            *checkMs = t.restart();
        auto* menu = w.screen<Form2>(ScreenId::Form2);
        const bool done = QTest::qWaitFor(
            [menu] { return menu->phase() != Form2::Phase::Uploading; }, timeoutMs);
        if (uploadMs)
            *uploadMs = t.elapsed();
        return done;
    }

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(QCoreApplication::applicationDirPath() +
                              QStringLiteral("/tarvex-ecu-sim")));
    }

    void checkAndUploadOverAPseudoTerminal() {
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm")});
        QVERIFY(!sim.device.isEmpty());
        World w;
        useDevice(w, sim.device);
        qint64 checkMs = 0, uploadMs = 0;
        QVERIFY(toReadyMenu(w, 10000, &checkMs, &uploadMs));
        auto* menu = w.screen<Form2>(ScreenId::Form2);
        QCOMPARE(menu->phase(), Form2::Phase::Ready);
        QVERIFY(w.control<QWidget>(ScreenId::Form2, QStringLiteral("Text4"))->isHidden());
        QCOMPARE(w.g.parameters.value(SwitchRpm), 2300);
        qInfo("connection check %lld ms, upload of parameters and table %lld ms", checkMs, uploadMs);
        QVERIFY(uploadMs < 3000);
    }

    void outOfRangeEcuIsRepairedOverTheLine() {
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"),
                        QStringLiteral("--out-of-range")});
        World w;
        useDevice(w, sim.device);
        qint64 uploadMs = 0;
        QVERIFY(toReadyMenu(w, 20000, nullptr, &uploadMs));
        QCOMPARE(w.screen<Form2>(ScreenId::Form2)->phase(), Form2::Phase::Ready);
        QVERIFY(!w.control<QWidget>(ScreenId::Form2, QStringLiteral("Text4"))->isHidden());
        QCOMPARE(w.g.parameters.value(SwitchTemperature), 50);
        QCOMPARE(w.g.parameters.ktar(64), 105);
        qInfo("upload with repair rounds %lld ms", uploadMs);
    }

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
        QCOMPARE(w.g.parameters.value(CalibrationPressure), 1300);
    }

    void refusedDefaultEndsInTheNamedMessage() {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("ecu.txt"));
        QFile f(image);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# an ECU whose switching speed cell will not take a new value\n12=9000\n");
        f.close();
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"), QStringLiteral("--image"),
                        image, QStringLiteral("--refuse"), QStringLiteral("12")});
        World w;
        useDevice(w, sim.device);
        QVERIFY(toReadyMenu(w, 20000));
        QCOMPARE(w.screen<Form2>(ScreenId::Form2)->phase(), Form2::Phase::Stopped);
        auto* status = w.control<QLabel>(ScreenId::Form2, QStringLiteral("StatusText"));
        QVERIFY(!status->isHidden());
        QVERIFY(status->text().contains(QStringLiteral("(12)")));
        QVERIFY(!w.control(ScreenId::Form2, QStringLiteral("Command3"))->isEnabled());
    }

    // The cable is pulled while the live request is under way: the version box says so,
    // the menu polls every 2 s, and the exchange finishes once the cable is back.
    void pulledCableIsToldAndTheExchangeResumes() {
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"),
                        QStringLiteral("--silence-after"), QStringLiteral("3"),
                        QStringLiteral("--silence-for"), QStringLiteral("6")});
        World w;
        useDevice(w, sim.device);
        QVERIFY(toReadyMenu(w, 10000));
        QVERIFY(sim.elapsedMs() < 3000);
        sim.waitUntil(3300);
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

        // While the device is gone the program sleeps between its 2 s looks for it.
        sim.waitUntil(6000);
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        sim.waitUntil(10500);
        const double share = (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0);
        qInfo("CPU while the device is gone: %.2f %% of one core", share * 100.0);
        QVERIFY(share < 0.05);
        QVERIFY(w.host.isVisible(ScreenId::Form2));

        QTRY_VERIFY_WITH_TIMEOUT(w.host.isVisible(ScreenId::Form3), 10000);
    }
};

QTEST_MAIN(TestE2E)
#include "test_e2e.moc"
