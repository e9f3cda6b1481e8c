// The live screen against tarvex-ecu-sim over a pseudo-terminal: log cadence, CPU and memory
// while it polls and logs, and what forcing each log line onto the disk costs.
#include "BenchTools.h"

#include "diag/LogWriter.h"
#include "params/ParameterSet.h"
#include "screen/TimePlot.h"
#include "screens/diag/Form3.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <cmath>

namespace {

constexpr int LogRunMs = 60000;

// The log writer alone on a 50 ms timer, as the live screen drives it: the price of a line,
// and whether forcing each one onto the disk costs cadence or CPU.
struct WriterRun {
    double linesPerSecond = 0;
    double worstGapMs = 0;
    double cpu = 0; // % of a core
    double medianLineMs = 0;
    double worstLineMs = 0;
};
WriterRun writerRun(bool syncToDisk, const QString& folder, int ms) {
    LanguageTable language;
    ParameterSet parameters;
    LogWriter writer(LogKind::Live, language);
    writer.setSyncToDisk(syncToDisk);
    const QString name = syncToDisk ? QStringLiteral("synced") : QStringLiteral("flushed");
    if (!writer.start({name, folder, QStringLiteral("bench"), {1, 0, 0}, parameters})) return {};
    LiveData live;
    std::vector<double> lineMs;
    QElapsedTimer wall, line;
    qint64 previous = -1;
    double worstGap = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = wall.elapsed();
        if (previous >= 0) worstGap = std::max(worstGap, double(now - previous));
        previous = now;
        ++live.Rpm;
        line.start();
        writer.writeLine(live);
        lineMs.push_back(double(line.nsecsElapsed()) / 1e6);
    });
    wall.start();
    tick.start();
    const double cpu = cpuShareDuring(ms);
    tick.stop();
    const double seconds = double(wall.elapsed()) / 1000.0;
    writer.close();
    if (lineMs.empty()) return {};
    return {double(lineMs.size()) / seconds, worstGap, cpu, median(lineMs),
            *std::max_element(lineMs.begin(), lineMs.end())};
}

} // namespace

void benchLive() {
    SimProcess sim({QStringLiteral("--start"), QStringLiteral("warm")});
    World w;
    useDevice(w, sim.device);
    if (!toReadyMenu(w, 10000)) return figure("live screen: FAILED (menu)", 0, "");
    w.click(ScreenId::Form2, QStringLiteral("Command3"));
    if (!QTest::qWaitFor([&w] { return w.host.isVisible(ScreenId::Form3); }, 5000))
        return figure("live screen: FAILED (never opened)", 0, "");
    auto* live = w.screen<Form3>(ScreenId::Form3);
    runEventLoopFor(1000);
    figure("CPU polling live data, no log (10 s)", cpuShareDuring(10000), "% of a core");

    // The trend chart shown from here on: what it costs while the screen polls and logs.
    w.click(ScreenId::Form3, QStringLiteral("Command5"));
    runEventLoopFor(1000);
    figure("CPU polling live data, trend chart shown, no log (10 s)", cpuShareDuring(10000),
           "% of a core");
    auto* plot = w.control<TimePlot>(ScreenId::Form3, QStringLiteral("Plot1"));
    figure("  trend chart: one repaint, 4 curves (median of 50)",
           medianMs(50, [plot] { plot->repaint(); }), "ms");
    figure("  trend chart: samples held", double(live->trend().size()), "");

    w.control<QLineEdit>(ScreenId::Form3, QStringLiteral("Text15"))
        ->setText(QStringLiteral("bench"));
    const int records0 = live->liveRecords();
    QElapsedTimer wall;
    wall.start();
    w.click(ScreenId::Form3, QStringLiteral("Command3"));
    if (w.g.AcquisitionState != LogWriter::Logging) return figure("log: FAILED to start", 0, "");
    const double cpu = cpuShareDuring(LogRunMs);
    w.click(ScreenId::Form3, QStringLiteral("Command4"));
    const double seconds = double(wall.elapsed()) / 1000.0;
    const int records = live->liveRecords() - records0;

    QFile file(w.dir.filePath(QStringLiteral("bench.log")));
    if (!file.open(QIODevice::ReadOnly)) return figure("log: FAILED (no file)", 0, "");
    const QList<QByteArray> lines = file.readAll().split('\n').mid(9);
    std::vector<qint64> elapsed;
    for (const QByteArray& line : lines)
        if (!line.isEmpty()) elapsed.push_back(line.left(line.indexOf(';')).toLongLong());
    double worstGap = 0;
    int lateLines = 0;
    for (std::size_t i = 1; i < elapsed.size(); ++i) {
        const double gap = double(elapsed[i] - elapsed[i - 1]);
        worstGap = std::max(worstGap, gap);
        lateLines += gap > 60;
    }
    const double perSecond = double(elapsed.size()) / seconds;
    figure("log lines per second over 60 s (goal 20.0 +-1 %)", perSecond, "lines/s");
    figure("  deviation from 20.0", 100.0 * std::abs(perSecond - 20.0) / 20.0, "%");
    if (elapsed.size() > 1)
        figure("  mean line spacing (elapsed ms column)",
               double(elapsed.back() - elapsed.front()) / double(elapsed.size() - 1), "ms");
    figure("  longest gap between two lines", worstGap, "ms");
    figure("  gaps over 60 ms", lateLines, "lines");
    figure("live records per second while logging (150 ms poll)", records / seconds, "records/s");
    figure("CPU polling live data, trend chart shown, log running (60 s)", cpu, "% of a core");
    figure("resident memory with the live screen logging", residentMiB(), "MiB");
    w.click(ScreenId::Form3, QStringLiteral("Command1"));

    // The price of a line on disk: the writer alone, on the same file system.
    QTemporaryDir beside(QDir(w.g.folders.userFolder()).filePath(QStringLiteral("sync-XXXXXX")));
    for (const bool sync : {false, true}) {
        const WriterRun r = writerRun(sync, beside.path(), 30000);
        const char* how = sync ? "fdatasync each line" : "flush to the system";
        auto line = [how](const char* what) {
            return QStringLiteral("log writer alone, %1: %2")
                .arg(QLatin1String(how), QLatin1String(what))
                .toStdString();
        };
        figure(line("lines/s over 30 s").c_str(), r.linesPerSecond, "lines/s");
        figure(line("longest gap").c_str(), r.worstGapMs, "ms");
        figure(line("CPU").c_str(), r.cpu, "% of a core");
        figure(line("median line").c_str(), r.medianLineMs, "ms");
        figure(line("worst line").c_str(), r.worstLineMs, "ms");
    }
}
