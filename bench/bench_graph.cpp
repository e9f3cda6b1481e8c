// The graphical calibration view: how long it takes to open and to paint, and what its blink
// costs while the fitter looks at it.
#include "BenchTools.h"

#include "screens/calib/CalibrationPlot.h"
#include "screens/calib/Form15.h"

void benchGraph() {
    World w;
    for (int j = 1; j <= 64; ++j)
        w.g.parameters.setKtar(j, 100 + (j * 7) % 50);
    figure("graphical view: open and first paint (median of 20)",
           medianMs(20,
                    [&w] {
                        w.host.show(ScreenId::Form15);
                        w.screen<Form15>(ScreenId::Form15)->grab();
                        w.host.unload(ScreenId::Form15);
                        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                    }),
           "ms");

    w.host.show(ScreenId::Form15);
    auto* view = w.screen<Form15>(ScreenId::Form15);
    auto* plot = view->findChild<CalibrationPlot*>();
    figure("graphical view: plot paint at scale 1 (median of 50)",
           medianMs(50, [plot] { plot->grab(); }), "ms");
    view->resize(view->width() * 2, view->height() * 2);
    figure("graphical view: plot paint at scale 2 (median of 50)",
           medianMs(50, [plot] { plot->grab(); }), "ms");

    w.click(ScreenId::Form15, QStringLiteral("Label25"));
    figure("CPU with a curve blinking (4 s)", cpuShareDuring(4000), "% of a core");
}
