// The calibration page against tarvex-ecu-sim over a pseudo-terminal: how long the whole
// MODIFICA takes (87 writes and the read-back of both blocks), how soon the ECU applies a
// coefficient moved on the spinner, and what polling costs.
#include "BenchTools.h"

#include "screens/calib/Form16.h"

#include <QScrollBar>

void benchCalibrationPage() {
    SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm")});
    World w;
    useDevice(w, sim.device);
    if (!toReadyMenu(w, 10000)) return figure("calibration page: FAILED (menu)", 0, "");
    w.click(ScreenId::Form2, QStringLiteral("Command5"));
    if (!QTest::qWaitFor([&w] { return w.host.isVisible(ScreenId::Form16); }, 10000))
        return figure("calibration page: FAILED (page)", 0, "");
    auto* page = w.screen<Form16>(ScreenId::Form16);
    QTest::qWait(1000);
    figure("CPU on the calibration page, polling (4 s)", cpuShareDuring(4000), "% of a core");

    QElapsedTimer t;
    t.start();
    w.click(ScreenId::Form16, QStringLiteral("Command7"));
    if (!QTest::qWaitFor([page] { return !page->page().writing(); }, 60000))
        return figure("MODIFICA: FAILED", 0, "");
    figure("MODIFICA: 87 writes, read-back of parameters and table", double(t.elapsed()), "ms");

    w.click(ScreenId::Form16, QStringLiteral("Command9"));
    if (!QTest::qWaitFor([page] { return page->page().ecuManual(); }, 10000))
        return figure("manual calibration: FAILED", 0, "");
    auto* spinner = w.control<QScrollBar>(ScreenId::Form16, QStringLiteral("VScroll1"));
    std::vector<double> follow;
    for (int k : {110, 130, 120, 140, 115}) {
        t.restart();
        spinner->setValue(-k);
        if (!QTest::qWaitFor([&w, k] { return w.g.liveData.Kcor == k; }, 5000))
            return figure("spinner to ECU: FAILED", 0, "");
        follow.push_back(double(t.elapsed()));
    }
    figure("spinner moved to the ECU's Kcor shown (median of 5)", median(follow), "ms");
    // EXIT asks the ECU to leave manual calibration first.
    t.restart();
    w.click(ScreenId::Form16, QStringLiteral("Command1"));
    if (!QTest::qWaitFor([&w] { return w.host.isVisible(ScreenId::Form2); }, 10000))
        return figure("EXIT from manual calibration: FAILED", 0, "");
    figure("EXIT from manual calibration to the main menu", double(t.elapsed()), "ms");
}
