// Figures of the automatic calibration screen: how many coefficient updates a run needs and
// how long it takes, on the virtual car in engine time for each true coefficient, and once in
// real time over a pseudo-terminal with the program's own timers and serial link.
#include "BenchTools.h"

#include "common/AutoCalDrive.h"

#include <QtTest>

namespace {

void engineTimeRun(int trueK, double dropRate) {
    EngineSettings engine;
    engine.start = EngineSettings::Start::Warm;
    engine.trueCoefficient = trueK;
    FaultSettings faults;
    faults.dropRate = dropRate;
    World w(engine, faults);
    AutoCalDrive drive(w);
    const Form8* screen = drive.open();
    const AutoCalibrationRun& run = screen->run();
    const QString label = QStringLiteral("autocal, true K %1%2")
                              .arg(trueK)
                              .arg(dropRate > 0 ? QStringLiteral(", 1/10 dropped") : QString());
    if (!drive.start()) return figure(qPrintable(label + QStringLiteral(": FAILED")), 0, "");
    const qint64 start = drive.nowMs();
    if (!drive.runUntil([&] { return AutoCalDrive::finished(run); }, 15 * 60 * 1000))
        return figure(qPrintable(label + QStringLiteral(": did not finish")), 0, "");
    figure(qPrintable(label + QStringLiteral(": updates")), run.updates(), "");
    if (run.result() == AutoCalibrationRun::Result::Converged)
        figure(qPrintable(label + QStringLiteral(": KTAR found")), run.ktar(), "");
    else
        figure(qPrintable(label + QStringLiteral(": ended at a limit")), 1, "");
    figure(qPrintable(label + QStringLiteral(": run (engine time)")),
           double(drive.nowMs() - start) / 1000, "s");
}

} // namespace

void benchAutoCalibration() {
    for (double drop : {0.0, 0.1})
        for (int k : {100, 118, 135, 150})
            engineTimeRun(k, drop);

    // The same run in real time: the program's timers, its serial link, the simulator's clock.
    SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"), QStringLiteral("--rpm"),
                    QStringLiteral("2500"), QStringLiteral("--true-coefficient"),
                    QStringLiteral("124")});
    World w;
    useDevice(w, sim.device);
    if (!toReadyMenu(w, 10000)) return figure("autocal real time: FAILED", 0, "");
    // The calibration page's road: it holds the port until it opens the calibration screen.
    w.click(ScreenId::Form2, QStringLiteral("Command5"));
    if (!QTest::qWaitFor([&w] { return w.host.isVisible(ScreenId::Form16); }, 5000))
        return figure("autocal real time: no calibration page", 0, "");
    w.host.show(ScreenId::Form8);
    w.host.unload(ScreenId::Form16);
    const Form8* screen = w.screen<Form8>(ScreenId::Form8);
    const AutoCalibrationRun& run = screen->run();
    if (!QTest::qWaitFor([&run] { return run.live().Rpm > 0; }, 5000))
        return figure("autocal real time: no live record", 0, "");
    QElapsedTimer wall;
    wall.start();
    w.click(ScreenId::Form8, QStringLiteral("Command3"));
    figure("CPU during an automatic calibration run (4 s)", cpuShareDuring(4000), "% of a core");
    if (!QTest::qWaitFor([&run] { return AutoCalDrive::finished(run); }, 300000))
        return figure("autocal real time: did not finish", 0, "");
    figure("autocal real time, true K 124: updates", run.updates(), "");
    figure("autocal real time, true K 124: KTAR found", run.ktar(), "");
    figure("autocal real time, true K 124: run", double(wall.elapsed()) / 1000, "s");
}
