// The parameter menu's bulk write and a page's write, over a pseudo-terminal to
// tarvex-ecu-sim with the real serial link and the program's own timers.
#include "BenchTools.h"

#include "screens/pages/Form11.h"
#include "screens/vehicle/Form5.h"

#include <QLineEdit>

void benchPages() {
    std::vector<double> bulk, page;
    for (int run = 0; run < 3; ++run) {
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm")});
        World w;
        useDevice(w, sim.device);
        if (!toReadyMenu(w, 10000)) return figure("bulk write: FAILED to reach the menu", 0, "");
        w.click(ScreenId::Form2, QStringLiteral("Command4"));
        auto* menu = w.screen<Form5>(ScreenId::Form5);
        ParameterSet configuration = w.g.parameters;
        configuration.setValue(SwitchRpm, 2500);
        for (int j = 1; j <= TableSize; ++j)
            configuration.setKtar(j, 100 + j % 40);
        QElapsedTimer t;
        t.start();
        if (!menu->startBulkWrite(configuration, false) ||
            !QTest::qWaitFor([menu] { return menu->phase() == Form5::Phase::Idle; }, 30000) ||
            menu->bulkWrite().result() != WriteSequence::Result::Verified)
            return figure("bulk write: FAILED", 0, "");
        bulk.push_back(double(t.elapsed()));

        w.click(ScreenId::Form5, QStringLiteral("Command3"));
        auto* switching = w.screen<Form11>(ScreenId::Form11);
        w.click(ScreenId::Form11, QStringLiteral("Option2"));
        w.control<QLineEdit>(ScreenId::Form11, QStringLiteral("Text1"))
            ->setText(QStringLiteral("2600"));
        t.restart();
        w.click(ScreenId::Form11, QStringLiteral("Command2"));
        if (!QTest::qWaitFor(
                [switching] { return switching->phase() == ParameterPageForm::Phase::Read; },
                10000))
            return figure("switching page write: FAILED", 0, "");
        page.push_back(double(t.elapsed()));
    }
    // The intervals alone: 126 writes at 50 ms and two reads at 300 ms.
    figure("bulk write, 126 writes + 2 reads (median of 3)", median(bulk), "ms");
    figure("  sum of its intervals (126 x 50 + 2 x 300)", 126 * 50 + 2 * 300, "ms");
    // Seven writes and the read-back, each at the page's 200 ms.
    figure("switching page write, 7 writes + read-back (median of 3)", median(page), "ms");
    figure("  sum of its intervals (8 x 200)", 8 * 200, "ms");
}
