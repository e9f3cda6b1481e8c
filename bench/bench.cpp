// Figures of the program against tarvex-ecu-sim over a pseudo-terminal, with the real serial
// link and the program's own timers: how long exchanges take, CPU and memory. Run by
// scripts/bench.sh; one line per figure. Not a test: nothing here passes or fails, so a busy
// machine never turns a build red.
#include "BenchTools.h"

#include <QApplication>
#include <functional>

void benchUpload() {
    std::vector<double> check, upload;
    for (int run = 0; run < 5; ++run) {
        SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm")});
        World w;
        useDevice(w, sim.device);
        qint64 checkMs = 0, uploadMs = 0;
        if (!toReadyMenu(w, 10000, &checkMs, &uploadMs))
            return figure("connection check and upload: FAILED", 0, "");
        check.push_back(double(checkMs));
        upload.push_back(double(uploadMs));
    }
    figure("connection check (median of 5)", median(check), "ms");
    figure("upload of parameters and table (median of 5)", median(upload), "ms");
}

void benchRepair() {
    SimProcess sim(
        {QStringLiteral("--start"), QStringLiteral("warm"), QStringLiteral("--out-of-range")});
    World w;
    useDevice(w, sim.device);
    qint64 uploadMs = 0;
    if (!toReadyMenu(w, 20000, nullptr, &uploadMs))
        return figure("upload with repair rounds: FAILED", 0, "");
    figure("upload with repair rounds", double(uploadMs), "ms");
}

void benchIdle() {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("ttyECU"));
    SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm"), QStringLiteral("--link"),
                    name, QStringLiteral("--vanish-after"), QStringLiteral("8")});
    World w;
    useDevice(w, sim.device);
    if (!toReadyMenu(w, 10000)) return figure("main menu: FAILED", 0, "");
    figure("CPU at the main menu, ready (4 s)", cpuShareDuring(4000), "% of a core");
    w.click(ScreenId::Form2, QStringLiteral("Command3")); // an exchange the vanish interrupts
    sim.waitUntil(9000);
    figure("CPU while the adapter is gone (4.5 s)", cpuShareDuring(4500), "% of a core");
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<std::pair<const char*, std::function<void()>>> benches = {
        {"upload", benchUpload},
        {"repair", benchRepair},
        {"idle", benchIdle},
        {"graph", benchGraph},
        {"calpage", benchCalibrationPage},
        {"autocal", benchAutoCalibration},
        {"pages", benchPages},
        {"live", benchLive},
        {"line", benchLine},
        {"viewer", benchViewer},
        {"pty", benchPtyHost},
    };
    const QStringList only = app.arguments().mid(1);
    for (const auto& [name, run] : benches)
        if (only.isEmpty() || only.contains(QString::fromLatin1(name))) run();
    figure("peak resident memory", peakRssMiB(), "MiB");
    return 0;
}
