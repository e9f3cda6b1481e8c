#pragma once

#include "common/World.h"

#include "link/SerialEcuLink.h"
#include "screens/menu/Form2.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

// tarvex-ecu-sim in a process of its own, serving one pseudo-terminal.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args) {
        m_proc.setProgram(QCoreApplication::applicationDirPath() +
                          QStringLiteral("/tarvex-ecu-sim"));
        m_proc.setArguments(args);
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_proc.start();
        m_started.start();
        if (!m_proc.waitForStarted(5000)) return;
        while (!m_proc.canReadLine() && m_started.elapsed() < 5000)
            m_proc.waitForReadyRead(100);
        device = QString::fromUtf8(m_proc.readLine()).trimmed();
    }
    // Options as typed on its command line ("--start warm --seed 7"), then any holding a path.
    explicit SimProcess(const char* options, const QStringList& more = {})
        : SimProcess(QString::fromLatin1(options).split(QLatin1Char(' '), Qt::SkipEmptyParts) +
                     more) {}
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

// Runs the event loop until `done` holds or timeoutMs have passed, looking every 2 ms.
// QTest::qWaitFor sleeps 10 ms at a time with no timer firing, which delays every tick of the
// program's exchange by up to as much; here the program's timers keep their time.
template <class Done> bool waitFor(Done done, int timeoutMs) {
    if (done()) return true;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    look.start(2);
    loop.exec();
    return done();
}

// A program world whose screens open the given device.
inline void useDevice(World& w, const QString& device) {
    w.context.linkFactory = [device] { return std::make_unique<SerialEcuLink>(device); };
}

// MENU on the start screen; true once the main menu is up and has left its upload.
inline bool toReadyMenu(World& w, int timeoutMs, qint64* checkMs = nullptr,
                        qint64* uploadMs = nullptr) {
    QElapsedTimer t;
    t.start();
    w.host.show(ScreenId::Form1);
    w.click(ScreenId::Form1, QStringLiteral("Command1"));
    if (!waitFor([&w] { return w.host.isVisible(ScreenId::Form2); }, timeoutMs)) return false;
    if (checkMs) *checkMs = t.restart();
    auto* menu = w.screen<Form2>(ScreenId::Form2);
    const bool done =
        waitFor([menu] { return menu->phase() != Form2::Phase::Uploading; }, timeoutMs);
    if (uploadMs) *uploadMs = t.elapsed();
    return done;
}
