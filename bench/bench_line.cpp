// The program against tarvex-ecu-sim on a 9600-baud line behind a USB adapter whose latency
// timer is 5, 16 or 40 ms: how long the upload, the writes and the automatic calibration's
// store take against the intervals they are built on, and how many replies each polling
// screen misses. TARVEX_BENCH_LINE_SECONDS shortens the 60 s each screen is watched.
#include "BenchTools.h"

#include "common/AutoCalDrive.h"
#include "link/Commands.h"
#include "link/RequestPlan.h"
#include "screens/calib/Form16.h"
#include "screens/calib/Form8.h"
#include "screens/vehicle/Form5.h"

#include <QtTest>

namespace {

int watchMs() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TARVEX_BENCH_LINE_SECONDS", &ok);
    return (ok && seconds > 0 ? seconds : 60) * 1000;
}

// Every request one screen's exchange sends, and whether the next tick read its whole reply:
// one frame whose length byte matches and whose command byte is the request's.
class ReplyCounter {
public:
    explicit ReplyCounter(ExchangeCycle& cycle) {
        m_clock.start();
        QObject::connect(&cycle, &ExchangeCycle::frameReceived, &m_context,
                         [this](const QByteArray& bytes) {
                             if (m_pending >= 0 && bytes.size() >= 5 &&
                                 bytes.size() == static_cast<unsigned char>(bytes.at(3)) &&
                                 static_cast<unsigned char>(bytes.at(4)) == m_pending)
                                 ++m_answered;
                             m_pending = -1;
                         });
        QObject::connect(&cycle, &ExchangeCycle::frameSent, &m_context,
                         [this](const QByteArray& frame) {
                             // A request that got nothing before the next went out is lost too.
                             m_pending = Commands::commandOf(frame).value_or(-1);
                             // The exchange repeats an unanswered request on the next tick.
                             const bool repeat = !m_sent.empty() && m_last == frame;
                             m_last = frame;
                             m_sent.push_back({m_pending, m_clock.elapsed(), repeat});
                         });
    }
    // The request still on its way when the count is read is not counted as lost.
    int requests() const { return int(m_sent.size()) - (m_pending >= 0 ? 1 : 0); }
    int lost() const { return requests() - m_answered; }
    double lostPerThousand() const { return requests() ? 1000.0 * lost() / requests() : 0; }

    struct Sent {
        int command;
        qint64 atMs;
        bool repeat;
    };
    const std::vector<Sent>& sent() const { return m_sent; }

private:
    QObject m_context;
    QElapsedTimer m_clock;
    std::vector<Sent> m_sent;
    QByteArray m_last;
    int m_pending = -1;
    int m_answered = 0;
};

// The sum of the intervals a plan gives the requests from `from` on, before `until`, each
// counted once: what the exchange takes when every reply comes in time.
int intervalsOf(const RequestPlan& plan, const std::vector<ReplyCounter::Sent>& sent,
                std::size_t from, std::size_t until) {
    int sum = 0;
    for (std::size_t i = from; i < until && i < sent.size(); ++i)
        if (!sent[i].repeat) sum += plan.intervalOf(sent[i].command);
    return sum;
}

int repeatsOf(const std::vector<ReplyCounter::Sent>& sent, std::size_t from, std::size_t until) {
    int n = 0;
    for (std::size_t i = from; i < until && i < sent.size(); ++i)
        n += sent[i].repeat;
    return n;
}

QString line(int latencyMs, const char* what) {
    return QStringLiteral("  adapter %1 ms: %2").arg(latencyMs).arg(QLatin1String(what));
}
void say(const QString& what, double value, const char* unit) {
    figure(qPrintable(what), value, unit);
}

// A screen's exchange watched for watchMs(), once it has settled.
void watchPolling(int latencyMs, const char* name, ExchangeCycle& cycle) {
    runEventLoopFor(500);
    ReplyCounter counter(cycle);
    runEventLoopFor(watchMs());
    say(line(latencyMs, name) + QStringLiteral(", requests"), counter.requests(), "");
    say(line(latencyMs, name) + QStringLiteral(", lost replies per 1,000"),
        counter.lostPerThousand(), "");
}

template <class F> F* openFrom(World& w, ScreenId from, const char* button, ScreenId id) {
    w.click(from, QString::fromLatin1(button));
    if (!waitFor([&w, id] { return w.host.isVisible(id); }, 10000)) {
        if (!w.dialogs.messages.isEmpty())
            std::printf("  (the last message: %s)\n", qPrintable(w.dialogs.messages.last()));
        return nullptr;
    }
    return w.screen<F>(id);
}

// EXIT, and a moment's pause as a fitter's hand makes. A screen left with its request still
// on the line gets its reply after it has closed the port; pressed at once, the next screen's
// button would open the port in time to read it as its own.
bool leave(World& w, ScreenId id, const char* button, ScreenId to) {
    w.click(id, QString::fromLatin1(button));
    if (!waitFor([&w, to] { return w.host.isVisible(to); }, 10000)) return false;
    runEventLoopFor(300);
    return true;
}

QStringList simArgs(int latencyMs) {
    // A warm car held at the steady speed of a calibration, whose gas needs 124 where the
    // table says 105: every screen works with it, and the automatic calibration stores.
    return {QStringLiteral("--start"),
            QStringLiteral("warm"),
            QStringLiteral("--rpm"),
            QStringLiteral("2500"),
            QStringLiteral("--true-coefficient"),
            QStringLiteral("124"),
            QStringLiteral("--line"),
            QStringLiteral("9600,n,8,1"),
            QStringLiteral("--latency"),
            QStringLiteral("5"),
            QStringLiteral("--chunk"),
            QStringLiteral("62/%1").arg(latencyMs)};
}

void uploads(int latencyMs) {
    std::vector<double> check, upload;
    for (int run = 0; run < 3; ++run) {
        SimProcess sim(simArgs(latencyMs));
        World w;
        useDevice(w, sim.device);
        qint64 checkMs = 0, uploadMs = 0;
        if (!toReadyMenu(w, 20000, &checkMs, &uploadMs))
            return say(line(latencyMs, "upload: FAILED"), 0, "");
        check.push_back(double(checkMs));
        upload.push_back(double(uploadMs));
    }
    // The check's version request and its reply read 100 ms later; the upload's first tick
    // after 50 ms, then commands 1 and 8 at 300 ms each.
    say(line(latencyMs, "connection check (median of 3)"), median(check), "ms");
    say(line(latencyMs, "  its intervals (2 x 100)"), 200, "ms");
    say(line(latencyMs, "upload of parameters and table (median of 3)"), median(upload), "ms");
    say(line(latencyMs, "  its intervals (50 + 2 x 300)"), 650, "ms");
}

// A write from its start to its end, against the intervals of the requests it sent.
void writeFigure(int latencyMs, const char* what, const ReplyCounter& counter, std::size_t first,
                 int firstDelayMs, qint64 startedAt, qint64 endedAt, const RequestPlan& plan,
                 std::size_t until = std::size_t(-1)) {
    const double took = double(endedAt - startedAt);
    const int sum = firstDelayMs + intervalsOf(plan, counter.sent(), first, until);
    say(line(latencyMs, what), took, "ms");
    say(line(latencyMs, "  first tick and the intervals of its requests"), sum, "ms");
    say(line(latencyMs, "  over the intervals (goal within 3 %)"), 100.0 * (took - sum) / sum, "%");
    say(line(latencyMs, "  requests repeated for a reply that did not come in time"),
        repeatsOf(counter.sent(), first, until), "");
}

void benchLineAt(int latencyMs) {
    std::printf("-- 9600 baud 8N1, ECU latency 5 ms, adapter %d ms\n", latencyMs);
    uploads(latencyMs);

    SimProcess sim(simArgs(latencyMs));
    World w;
    w.g.traceLink = qEnvironmentVariableIsSet("TARVEX_BENCH_TRACE");
    useDevice(w, sim.device);
    if (!toReadyMenu(w, 20000)) return say(line(latencyMs, "menu: FAILED"), 0, "");
    QElapsedTimer clock;
    clock.start();

    // The main menu, ready: it sends nothing until a button is pressed.
    watchPolling(latencyMs, "main menu, ready", w.screen<Form2>(ScreenId::Form2)->cycle());

    // The parameter menu's bulk write: 126 writes and the read-back of both blocks.
    auto* menu = openFrom<Form5>(w, ScreenId::Form2, "Command4", ScreenId::Form5);
    if (!menu) return say(line(latencyMs, "parameter menu: FAILED"), 0, "");
    {
        ParameterSet configuration = w.g.parameters;
        configuration.setValue(SwitchRpm, 2500);
        for (int j = 1; j <= TableSize; ++j)
            configuration.setKtar(j, 100 + j % 40);
        ReplyCounter counter(menu->cycle());
        const qint64 start = clock.elapsed();
        if (!menu->startBulkWrite(configuration, false))
            return say(line(latencyMs, "bulk write: FAILED"), 0, "");
        const int firstDelay = menu->cycle().intervalMs();
        if (!waitFor([menu] { return menu->phase() == Form5::Phase::Idle; }, 60000) ||
            menu->bulkWrite().result() != WriteSequence::Result::Verified)
            return say(line(latencyMs, "bulk write: FAILED"), 0, "");
        writeFigure(latencyMs, "bulk write, 126 writes and 2 reads", counter, 0, firstDelay, start,
                    clock.elapsed(), RequestPlan::parameterMenu());
    }
    auto* level = openFrom<FormBase>(w, ScreenId::Form5, "Command4", ScreenId::Form14);
    if (!level) return say(line(latencyMs, "level page: FAILED"), 0, "");
    watchPolling(latencyMs, "level page", level->cycle());
    if (!leave(w, ScreenId::Form14, "Command1", ScreenId::Form5) ||
        !leave(w, ScreenId::Form5, "Command8", ScreenId::Form2))
        return say(line(latencyMs, "back to the menu: FAILED"), 0, "");

    const struct {
        const char* name;
        const char* button;
        ScreenId id;
    } polling[] = {{"live acquisition", "Command3", ScreenId::Form3},
                   {"diagnosis", "Command2", ScreenId::Form9}};
    for (const auto& p : polling) {
        auto* screen = openFrom<FormBase>(w, ScreenId::Form2, p.button, p.id);
        if (!screen) return say(line(latencyMs, p.name) + QStringLiteral(": FAILED"), 0, "");
        watchPolling(latencyMs, p.name, screen->cycle());
        if (!leave(w, p.id, "Command1", ScreenId::Form2))
            return say(line(latencyMs, "back to the menu: FAILED"), 0, "");
    }

    // The calibration page: its polling, then MODIFICA (every write and both read-backs).
    auto* page = openFrom<Form16>(w, ScreenId::Form2, "Command5", ScreenId::Form16);
    if (!page) return say(line(latencyMs, "calibration page: FAILED"), 0, "");
    watchPolling(latencyMs, "calibration page", page->cycle());
    {
        ReplyCounter counter(page->cycle());
        const qint64 start = clock.elapsed();
        w.click(ScreenId::Form16, QStringLiteral("Command7"));
        const int firstDelay = page->cycle().intervalMs();
        if (!waitFor([page] { return !page->page().writing(); }, 120000))
            return say(line(latencyMs, "MODIFICA: FAILED"), 0, "");
        // The requests of the write: up to the read-back of the table, the last.
        std::size_t until = 0;
        while (until < counter.sent().size() &&
               counter.sent()[until++].command != Commands::ReadTable) {
        }
        writeFigure(latencyMs, "calibration write (MODIFICA) with its read-back", counter, 0,
                    firstDelay, start, clock.elapsed(), RequestPlan::calibrationPage(), until);
    }

    // The automatic calibration: its polling, then a run and its store.
    auto* autocal = openFrom<Form8>(w, ScreenId::Form16, "Command8", ScreenId::Form8);
    if (!autocal) return say(line(latencyMs, "automatic calibration: FAILED"), 0, "");
    watchPolling(latencyMs, "automatic calibration", autocal->cycle());
    const AutoCalibrationRun& run = autocal->run();
    ReplyCounter counter(autocal->cycle());
    w.click(ScreenId::Form8, QStringLiteral("Command3"));
    if (!waitFor([&run] { return AutoCalDrive::finished(run); }, 600000))
        return say(line(latencyMs, "automatic calibration run: did not finish"), 0, "");
    const auto& sent = counter.sent();
    std::size_t first = 0;
    while (first < sent.size() && sent[first].command != Commands::WriteTableEntry)
        ++first;
    std::size_t end = first;
    while (end < sent.size() && sent[end].command != Commands::LeaveCalibration)
        ++end;
    if (end >= sent.size()) return say(line(latencyMs, "store: not found"), 0, "");
    say(line(latencyMs, "automatic calibration's store, first write to leaving calibration"),
        double(sent[end].atMs - sent[first].atMs), "ms");
    say(line(latencyMs, "  intervals of its requests"),
        intervalsOf(RequestPlan::autoCalibration(), sent, first, end), "ms");
    say(line(latencyMs, "  requests repeated"), repeatsOf(sent, first, end), "");
    say(line(latencyMs, "  lost replies during the run, per 1,000"), counter.lostPerThousand(), "");
    leave(w, ScreenId::Form8, "Command5", ScreenId::Form16);
}

} // namespace

void benchLine() {
    // TARVEX_BENCH_LINE_ADAPTER=40 runs one latency only.
    const int only = qEnvironmentVariableIntValue("TARVEX_BENCH_LINE_ADAPTER");
    for (int latencyMs : {5, 16, 40})
        if (only <= 0 || only == latencyMs) benchLineAt(latencyMs);
}
