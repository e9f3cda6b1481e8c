// tarvex-ecu-sim: a virtual ECU on a pseudo-terminal, for running the tool end to end
// without a car.

#include "EcuMemory.h"
#include "PtyHost.h"
#include "VirtualEcu.h"
#include "base/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

struct Options {
    EngineSettings engine;
    FaultSettings faults;
    QString image;
    QString saveImage;
    QString link;
    LineModel line;
    int holdRow = 0; // 1..8 with --hold-cell
    int holdColumn = 0;
    bool trace = false;
};

class Reader {
public:
    explicit Reader(const QCommandLineParser& cli) : m_cli(cli) {}

    bool integer(const QCommandLineOption& o, long lo, long hi, long& out) {
        if (!m_cli.isSet(o)) return true;
        bool ok = false;
        const long v = m_cli.value(o).toLong(&ok);
        return check(ok && v >= lo && v <= hi, o,
                     QStringLiteral("a whole number %1 to %2").arg(lo).arg(hi), v, out);
    }
    // Two whole numbers joined by `separator` ("62/16", "3,4"), each within its range; both
    // are left alone when the option is not given.
    bool pair(const QCommandLineOption& o, QChar separator, const QString& wanted,
              std::array<int, 4> bounds, int& first, int& second) {
        if (!m_cli.isSet(o)) return true;
        const QStringList parts = m_cli.value(o).split(separator);
        bool firstOk = false, secondOk = false;
        const int a = parts.size() == 2 ? parts[0].trimmed().toInt(&firstOk) : 0;
        const int b = parts.size() == 2 ? parts[1].trimmed().toInt(&secondOk) : 0;
        const bool ok = firstOk && secondOk && a >= bounds[0] && a <= bounds[1] && b >= bounds[2] &&
                        b <= bounds[3];
        if (!check(ok, o, wanted, a, first)) return false;
        second = b;
        return true;
    }
    bool rate(const QCommandLineOption& o, double& out) {
        if (!m_cli.isSet(o)) return true;
        bool ok = false;
        const double v = m_cli.value(o).toDouble(&ok);
        return check(ok && v >= 0 && v <= 1, o, QStringLiteral("a share from 0 to 1"), v, out);
    }
    bool seconds(const QCommandLineOption& o, qint64& outMs) {
        if (!m_cli.isSet(o)) return true;
        bool ok = false;
        const double v = m_cli.value(o).toDouble(&ok);
        double ms = 0;
        if (!check(ok && v >= 0 && v <= 1e6, o, QStringLiteral("seconds, 0 or more"), v * 1000, ms))
            return false;
        outMs = static_cast<qint64>(ms + 0.5);
        return true;
    }
    QString error;

private:
    template <typename T, typename U>
    bool check(bool ok, const QCommandLineOption& o, const QString& wanted, T value, U& out) {
        if (!ok) {
            error = QStringLiteral("--%1 wants %2, not \"%3\"")
                        .arg(o.names().constFirst(), wanted, m_cli.value(o));
            return false;
        }
        out = static_cast<U>(value);
        return true;
    }
    const QCommandLineParser& m_cli;
};

bool parse(QCoreApplication& app, Options& opt, QString& error) {
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "A virtual TARVEX ECU on a pseudo-terminal. Prints the device to open (one line on\n"
        "stdout) and answers the tool's requests on it, with an engine that keys on, cranks,\n"
        "warms up, drives a repeating cycle and switches to gas as the ECU's parameters say.\n"
        "Replies take the time a 9600-baud line and a USB adapter give them (see --line).\n"
        "Faults can be switched on to test how the tool copes with a bad line.\n"
        "Times are given in seconds (fractions allowed) unless the option says ms.\n"
        "Stop it with Ctrl-C or SIGTERM."));
    cli.addHelpOption();
    cli.addVersionOption();

    const QCommandLineOption image(
        QStringLiteral("image"),
        QStringLiteral("Start from the ECU image in FILE (lines id=value, ktar=64 numbers, "
                       "version=a.b.c) instead of the factory set."),
        QStringLiteral("FILE"));
    const QCommandLineOption saveImage(
        QStringLiteral("save-image"),
        QStringLiteral("On exit (Ctrl-C, SIGTERM) write the ECU's memory, with everything the "
                       "tool wrote, to FILE in the same format."),
        QStringLiteral("FILE"));
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Also make PATH a symbolic link to the device, kept pointing at it if "
                       "the device comes back after --vanish-for."),
        QStringLiteral("PATH"));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        QStringLiteral("Seed for the engine's noise and the faults; the same seed gives the "
                       "same run (default 1)."),
        QStringLiteral("N"));
    const QCommandLineOption start(
        QStringLiteral("start"),
        QStringLiteral("How the engine starts: cold (key on and crank at once, the default), "
                       "warm (already idling warm on gas) or stopped (key on, engine still)."),
        QStringLiteral("MODE"));
    const QCommandLineOption rpm(
        QStringLiteral("rpm"),
        QStringLiteral("Hold the engine at N rpm instead of driving the repeating cycle. "
                       "Automatic switching still follows SwitchRpm and the deceleration "
                       "setting, so a fixed speed may never switch by itself."),
        QStringLiteral("N"));
    const QCommandLineOption trueK(
        QStringLiteral("true-coefficient"),
        QStringLiteral("The gas coefficient at which gas feeds the engine exactly like petrol, "
                       "i.e. the answer an automatic calibration must find (default 118)."),
        QStringLiteral("N"));
    const QCommandLineOption trueMap(
        QStringLiteral("true-map"),
        QStringLiteral("A true coefficient per cell of the ECU's table instead of one for "
                       "every speed and load: LOW-HIGH for a smooth map rising from LOW at the "
                       "lowest speed and load to HIGH at the highest (e.g. 112-134), or 64 "
                       "numbers separated by commas, row by row (rows of petrol injection "
                       "time, columns of rpm)."),
        QStringLiteral("MAP"));
    const QCommandLineOption hold(
        QStringLiteral("hold"),
        QStringLiteral("Hold the engine at RPM and at the load where the petrol unit commands "
                       "TINJ on petrol, as on a roller bench, calibration mode or not."),
        QStringLiteral("RPM/TINJ"));
    const QCommandLineOption holdCell(
        QStringLiteral("hold-cell"),
        QStringLiteral("Hold the engine in the middle of a cell of the ECU's table (row 1-8 of "
                       "injection time, column 1-8 of rpm), by its breakpoints at start."),
        QStringLiteral("ROW,COLUMN"));
    const QCommandLineOption lineOption(
        QStringLiteral("line"),
        QStringLiteral("The line's speed and framing as the tool's settings string gives them "
                       "(default 9600,n,8,1): each byte takes start, data, parity and stop bits "
                       "on the wire, requests and replies alike. A pseudo-terminal carries "
                       "bytes at once; the host holds each reply back as the line would."),
        QStringLiteral("SETTINGS"));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("The line's speed, over the one in --line. 0: no line, each reply whole "
                       "and at once after the ECU's latency."),
        QStringLiteral("N"));
    const QCommandLineOption latency(
        {QStringLiteral("latency"), QStringLiteral("answer-ms")},
        QStringLiteral("The ECU starts each answer MS ms after the request's last byte "
                       "(default 5)."),
        QStringLiteral("MS"));
    const QCommandLineOption chunk(
        QStringLiteral("chunk"),
        QStringLiteral("The USB adapter hands bytes over once it holds BYTES of them, or MS ms "
                       "after the first it holds arrived (its latency timer), whichever comes "
                       "first (default 62/16)."),
        QStringLiteral("BYTES/MS"));
    const QCommandLineOption drop(
        QStringLiteral("drop-rate"),
        QStringLiteral("Fault: leave this share of requests unanswered (0 to 1)."),
        QStringLiteral("P"));
    const QCommandLineOption split(
        QStringLiteral("split"),
        QStringLiteral("Fault: send every reply in two parts, the second --split-gap-ms later."));
    const QCommandLineOption splitGap(
        QStringLiteral("split-gap-ms"),
        QStringLiteral("Gap between the two parts of a split reply (default 250 ms, longer "
                       "than one poll of the tool, so the parts land on two reads)."),
        QStringLiteral("N"));
    const QCommandLineOption badLength(
        QStringLiteral("bad-length-rate"),
        QStringLiteral("Fault: give this share of replies a length byte one too many (0 to 1)."),
        QStringLiteral("P"));
    const QCommandLineOption late(
        QStringLiteral("late-ms"),
        QStringLiteral("Fault: hold replies back N ms, so they arrive after the tool has given "
                       "up on them (all replies, or the share set by --late-rate)."),
        QStringLiteral("N"));
    const QCommandLineOption lateRate(
        QStringLiteral("late-rate"),
        QStringLiteral("Share of replies --late-ms delays (default 1)."), QStringLiteral("P"));
    const QCommandLineOption silenceAfter(
        QStringLiteral("silence-after"),
        QStringLiteral("Fault: the cable is pulled S seconds after start; nothing gets through."),
        QStringLiteral("S"));
    const QCommandLineOption silenceFor(
        QStringLiteral("silence-for"),
        QStringLiteral("With --silence-after: the cable is put back S seconds later "
                       "(default: never)."),
        QStringLiteral("S"));
    const QCommandLineOption vanishAfter(
        QStringLiteral("vanish-after"),
        QStringLiteral("Fault: the device disappears S seconds after start, as a USB adapter "
                       "pulled out: the pseudo-terminal is closed and the link removed."),
        QStringLiteral("S"));
    const QCommandLineOption vanishFor(
        QStringLiteral("vanish-for"),
        QStringLiteral("With --vanish-after: the device comes back S seconds later as a new "
                       "pseudo-terminal, whose path is printed on a new line (default: never)."),
        QStringLiteral("S"));
    const QCommandLineOption refuse(
        QStringLiteral("refuse"),
        QStringLiteral("Fault: acknowledge writes of these parameter ids but keep the old "
                       "value (1-62; 63-126 are KTAR cells 1-64)."),
        QStringLiteral("ID[,ID...]"));
    const QCommandLineOption outOfRange(
        QStringLiteral("out-of-range"),
        QStringLiteral("Fault: start with several parameters and KTAR cells out of range."));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Write every request and reply, in hex, to stderr."));
    cli.addOptions({image,   saveImage,  link,         seed,       start,       rpm,
                    trueK,   trueMap,    hold,         holdCell,   lineOption,  baud,
                    latency, chunk,      drop,         split,      splitGap,    badLength,
                    late,    lateRate,   silenceAfter, silenceFor, vanishAfter, vanishFor,
                    refuse,  outOfRange, trace});
    cli.process(app); // --help, --version and unknown options end here

    Reader r(cli);
    long seedValue = 1;
    long rpmValue = 0;
    long trueKValue = opt.engine.trueCoefficient;
    long latencyValue = opt.line.latencyMs;
    long baudValue = -1;
    long splitGapValue = 250;
    long lateValue = 0;
    qint64 silenceForMs = -1;
    qint64 vanishForMs = 0;
    const bool ok =
        r.integer(seed, 0, 4294967295L, seedValue) && r.integer(rpm, 0, 9000, rpmValue) &&
        r.integer(trueK, 1, 255, trueKValue) && r.integer(latency, 0, 10000, latencyValue) &&
        r.integer(baud, 0, 4000000, baudValue) && r.integer(splitGap, 0, 60000, splitGapValue) &&
        r.integer(late, 0, 600000, lateValue) && r.rate(drop, opt.faults.dropRate) &&
        r.rate(badLength, opt.faults.badLengthRate) && r.rate(lateRate, opt.faults.lateRate) &&
        r.seconds(silenceAfter, opt.faults.silenceAfterMs) && r.seconds(silenceFor, silenceForMs) &&
        r.seconds(vanishAfter, opt.faults.vanishAfterMs) && r.seconds(vanishFor, vanishForMs);
    if (!ok) {
        error = r.error;
        return false;
    }
    opt.engine.seed = opt.faults.seed = static_cast<std::uint32_t>(seedValue);
    opt.engine.fixedRpm = static_cast<int>(rpmValue);
    opt.engine.trueCoefficient = static_cast<int>(trueKValue);
    if (cli.isSet(lineOption)) {
        const QString settings = cli.value(lineOption);
        bool isNumber = false;
        const int speed = settings.section(QLatin1Char(','), 0, 0).trimmed().toInt(&isNumber);
        if (!isNumber || speed <= 0) {
            error = QStringLiteral("--line wants settings such as 9600,n,8,1, not \"%1\"")
                        .arg(settings);
            return false;
        }
        opt.line = opt.line.withPort(settings);
    }
    if (baudValue >= 0) opt.line.baud = static_cast<int>(baudValue);
    opt.line.latencyMs = static_cast<int>(latencyValue);
    if (!r.pair(chunk, QLatin1Char('/'), QStringLiteral("BYTES/MS, 1-4096 bytes and 0-1000 ms"),
                {1, 4096, 0, 1000}, opt.line.chunkBytes, opt.line.chunkMs) ||
        !r.pair(hold, QLatin1Char('/'), QStringLiteral("RPM/TINJ, 1-9000 rpm and a time 1-60000"),
                {1, 9000, 1, 60000}, opt.engine.holdRpm, opt.engine.holdPetrolTinj) ||
        !r.pair(holdCell, QLatin1Char(','), QStringLiteral("ROW,COLUMN, each 1 to 8"), {1, 8, 1, 8},
                opt.holdRow, opt.holdColumn)) {
        error = r.error;
        return false;
    }
    opt.faults.splitRate = cli.isSet(split) ? 1.0 : 0.0;
    opt.faults.splitGapMs = static_cast<int>(splitGapValue);
    opt.faults.lateMs = static_cast<int>(lateValue);
    // Without --silence-for the cable stays out.
    opt.faults.silenceForMs =
        silenceForMs < 0 ? std::numeric_limits<qint64>::max() / 2 : silenceForMs;
    opt.faults.vanishForMs = vanishForMs;
    opt.faults.outOfRange = cli.isSet(outOfRange);

    if (cli.isSet(start)) {
        const QString mode = cli.value(start).toLower();
        if (mode == QLatin1String("cold"))
            opt.engine.start = EngineSettings::Start::Cold;
        else if (mode == QLatin1String("warm"))
            opt.engine.start = EngineSettings::Start::Warm;
        else if (mode == QLatin1String("stopped"))
            opt.engine.start = EngineSettings::Start::Stopped;
        else {
            error = QStringLiteral("--start wants cold, warm or stopped, not \"%1\"")
                        .arg(cli.value(start));
            return false;
        }
    }
    if (cli.isSet(trueMap)) {
        const QString text = cli.value(trueMap);
        const QStringList range = text.split(QLatin1Char('-'));
        const QStringList cells = text.split(QLatin1Char(','));
        bool mapOk = true;
        std::array<int, 64> map{};
        if (range.size() == 2) {
            bool lowOk = false, highOk = false;
            const int low = range[0].trimmed().toInt(&lowOk);
            const int high = range[1].trimmed().toInt(&highOk);
            mapOk = lowOk && highOk && low >= 1 && low <= 255 && high >= 1 && high <= 255;
            if (mapOk) map = EngineModel::risingMap(low, high);
        } else if (cells.size() == 64) {
            for (int i = 0; i < 64 && mapOk; ++i) {
                map[static_cast<std::size_t>(i)] = cells[i].trimmed().toInt(&mapOk);
                mapOk = mapOk && map[static_cast<std::size_t>(i)] >= 1 &&
                        map[static_cast<std::size_t>(i)] <= 255;
            }
        } else {
            mapOk = false;
        }
        if (!mapOk) {
            error = QStringLiteral("--true-map wants LOW-HIGH or 64 numbers 1 to 255 separated "
                                   "by commas, not \"%1\"")
                        .arg(text);
            return false;
        }
        opt.engine.trueMap = map;
    }
    if (cli.isSet(refuse)) {
        for (const QString& part : cli.value(refuse).split(QLatin1Char(','))) {
            bool isNumber = false;
            const int id = part.trimmed().toInt(&isNumber);
            if (!isNumber || id < 1 || id > 126) {
                error = QStringLiteral("--refuse wants ids 1 to 126, not \"%1\"").arg(part);
                return false;
            }
            opt.faults.refusedIds.insert(id);
        }
    }
    opt.image = cli.value(image);
    opt.saveImage = cli.value(saveImage);
    opt.link = cli.value(link);
    opt.trace = cli.isSet(trace);
    return true;
}

void say(const QString& text, std::FILE* to) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

} // namespace

int main(int argc, char* argv[]) {
    // Blocked before Qt can start a thread, so every thread inherits the mask and the two
    // signalFd wait in the signalfd for the event loop to read, instead of killing us
    // before the image is saved.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvex-ecu-sim"));
    QCoreApplication::setApplicationVersion(programVersion());

    Options opt;
    QString error;
    if (!parse(app, opt, error)) {
        say(QStringLiteral("tarvex-ecu-sim: ") + error, stderr);
        return 2;
    }

    EcuMemory memory = EcuMemory::factory();
    if (!opt.image.isEmpty() && !memory.loadImage(opt.image, error)) {
        say(QStringLiteral("tarvex-ecu-sim: ") + error, stderr);
        return 1;
    }

    VirtualEcu ecu(memory, opt.engine, opt.faults);
    ecu.setLine(opt.line);
    if (opt.holdRow > 0) ecu.model().holdInCell(opt.holdRow - 1, opt.holdColumn - 1);

    PtyHost host(ecu, opt.link);
    host.setTrace(opt.trace);
    QObject::connect(&host, &PtyHost::deviceReady, [](const QString& path) { say(path, stdout); });
    QObject::connect(&host, &PtyHost::deviceGone,
                     [] { say(QStringLiteral("tarvex-ecu-sim: device gone"), stderr); });
    QObject::connect(&host, &PtyHost::failed, &app, [](const QString& message) {
        say(QStringLiteral("tarvex-ecu-sim: ") + message, stderr);
        QCoreApplication::exit(1);
    });

    const int signalFd = signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0) {
        say(QStringLiteral("tarvex-ecu-sim: cannot watch for signalFd"), stderr);
        return 1;
    }
    QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [signalFd] {
        signalfd_siginfo info{};
        while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        QCoreApplication::quit();
    });

    if (!host.start(error)) {
        say(QStringLiteral("tarvex-ecu-sim: ") + error, stderr);
        ::close(signalFd);
        return 1;
    }
    int code = QCoreApplication::exec();
    host.stop();
    signalNotifier.setEnabled(false);
    ::close(signalFd);

    if (!opt.saveImage.isEmpty() && !ecu.memory().saveImage(opt.saveImage, error)) {
        say(QStringLiteral("tarvex-ecu-sim: ") + error, stderr);
        code = 1;
    }
    return code;
}
