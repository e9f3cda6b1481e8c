// The virtual ECU judged from outside: request bytes in, reply bytes out, read at the
// positions the ECU's protocol gives them. Nothing here uses the tool's own encoders.
#include "common/ScriptedLink.h"

#include "EcuMemory.h"
#include "InProcessLink.h"
#include "RequestFramer.h"
#include "VirtualEcu.h"
#include "link/LineTiming.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Requests are framed as replies are: "P", "C", 0, length, command, data.
QByteArray request(int command, const QByteArray& payload = {}) {
    return replyFrame(command, payload);
}

// 1-based positions, as the protocol counts them.
int byteAt(const QByteArray& reply, int pos) {
    return static_cast<unsigned char>(reply.at(pos - 1));
}
int wordAt(const QByteArray& reply, int pos) {
    return byteAt(reply, pos) * 256 + byteAt(reply, pos + 1);
}

// What the tests read from a live record (command 3).
struct Live {
    int rpm, temperature, ecuState, fuelState, levelInput, levelCode;
};
Live live(VirtualEcu& ecu) {
    const QByteArray r = ecu.handle(request(3));
    int t = wordAt(r, 16);
    if (t > 32768) t -= 65536;
    return {wordAt(r, 28), t, byteAt(r, 64), byteAt(r, 65), wordAt(r, 22), byteAt(r, 67)};
}

EngineSettings warm() {
    EngineSettings s;
    s.start = EngineSettings::Start::Warm;
    return s;
}

// A virtual ECU with these line faults, its clock stopped, and a link open to it at 9600
// baud, 8N1.
struct Line {
    explicit Line(const FaultSettings& faults = {}, const QString& settings = "9600,n,8,1")
        : ecu(EcuMemory::factory(), {}, faults) {
        ecu.useManualClock();
        link.open("1", settings);
    }
    // Long enough for a short reply to cross the line and the adapter.
    QByteArray readLater() {
        ecu.advance(50);
        return link.readAll();
    }
    // Reads at each of these times after now; what each read brought.
    QList<QByteArray> readsAt(std::initializer_list<int> times) {
        QList<QByteArray> out;
        const qint64 start = ecu.nowMs();
        for (int t : times) {
            ecu.advance(start + t - ecu.nowMs());
            out << link.readAll();
        }
        return out;
    }
    VirtualEcu ecu;
    InProcessLink link{ecu};
};

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    // An image survives a save and a load; a bad one is refused and leaves the memory as it
    // was, even when a good line came before the bad one.
    void imagesSurviveSaveAndLoadAndBadOnesAreRefused() {
        QTemporaryDir dir;
        EcuMemory m = EcuMemory::factory();
        m.words[12] = 3100;
        m.words[22] = 65535; // out of range, but the ECU can hold it
        m.table[7] = 99;
        m.table[64] = 255;
        m.version = {3, 0, 12};
        QString error;
        QVERIFY2(m.saveImage(dir.filePath("ecu.txt"), error), qPrintable(error));
        EcuMemory back = EcuMemory::factory();
        QVERIFY2(back.loadImage(dir.filePath("ecu.txt"), error), qPrintable(error));
        QCOMPARE(back.words, m.words);
        QCOMPARE(back.table, m.table);
        QCOMPARE(back.version, m.version);

        // A partial image with Windows line ends changes only what it names.
        EcuMemory partial = EcuMemory::factory();
        QVERIFY(partial.readImageText("# edited by hand\r\n13 = 60\r\nversion=2.5.0\r\n", error));
        QCOMPARE(int(partial.words[13]), 60);
        QCOMPARE(int(partial.words[12]), 2300);
        QCOMPARE(int(partial.version[1]), 5);

        QString ktar63;
        for (int i = 0; i < 63; ++i)
            ktar63 += "105 ";
        const std::pair<QByteArray, QString> cases[] = {
            {"", "no ECU image"},
            {"just some words", "key=value"},
            {"1=4\n12=abc", "line 3: parameter 12"},
            {"12=70000", "0-65535"},
            {"12=-5", "0-65535"},
            {"99=1", "unknown key"},
            {"12=1\n12=2", "twice"},
            {"ktar=1 2 3", "64 numbers, found 3"},
            {"ktar=" + ktar63.toLatin1() + "300", "cell 64"},
            {"version=2.4", "version"},
            {"version=2.4.256", "version"},
        };
        for (const auto& [text, expected] : cases) {
            m.words[12] = 1234;
            const EcuMemory before = m;
            error.clear();
            // A good line first: it must not be kept when a later one fails.
            const QByteArray image = text.isEmpty() ? text : "13=77\n" + text;
            QVERIFY2(!m.readImageText(image, error), text.constData());
            QVERIFY2(error.contains(expected), qPrintable(error));
            QCOMPARE(m.words, before.words);
            QCOMPARE(m.table, before.table);
        }

        const std::tuple<const char*, QByteArray, const char*> files[] = {
            {"missing.txt", {}, "cannot open"},
            {"binary.img", QByteArray("12=1\n\0\x01\x02", 8), "not a text image"},
            {"huge.txt", QByteArray(200000, '#'), "too large"}};
        for (const auto& [name, content, expected] : files) {
            QFile f(dir.filePath(name));
            if (!content.isNull()) QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) > 0);
            f.close();
            error.clear();
            QVERIFY(!m.loadImage(f.fileName(), error));
            QVERIFY2(error.contains(expected), qPrintable(error));
        }
        error.clear();
        QVERIFY(!m.saveImage(dir.filePath("no/such/dir/ecu.txt"), error));
        QVERIFY(!error.isEmpty());
    }

    // The switch follows SwitchRpm: not below it, and not well past it once warm.
    void switchesToGasOnlyWhenWarmAndFastEnough() {
        VirtualEcu ecu;
        ecu.useManualClock();
        ecu.memory().words[12] = 2500;
        ecu.memory().words[13] = 55;
        ecu.memory().words[59] = 0;
        bool sawWaitRpm = false;
        Live l{};
        for (int t = 0; t < 300000; t += 100) {
            ecu.advance(100);
            l = live(ecu);
            if (l.ecuState == 11 || l.fuelState == 0) break;
            sawWaitRpm |= l.ecuState == 7;
            QVERIFY2(!(l.temperature > 55 && l.rpm > 2560), "missed the switch");
        }
        QVERIFY(sawWaitRpm && l.temperature >= 55 && l.rpm >= 2470);
    }

    void commandFourSwitchesAfterItsDelay() {
        VirtualEcu ecu(EcuMemory::factory(), warm());
        ecu.useManualClock();
        ecu.memory().words[1] = 6;    // six cylinders to hand over
        ecu.memory().words[14] = 300; // gas -> petrol overlap
        InProcessLink link(ecu);
        QVERIFY(link.open("1", "9600,n,8,1"));
        ecu.advance(1000);
        QCOMPARE(live(ecu).fuelState, 0);
        QVERIFY(link.write(request(4)));
        ecu.advance(880);
        QCOMPARE(link.readAll(), request(4)); // the acknowledgement came before the switch
        QCOMPARE(live(ecu).fuelState, 0);
        ecu.advance(40);
        QCOMPARE(live(ecu).fuelState, 1);
        QCOMPARE(live(ecu).ecuState, 16); // forced to petrol: it stays there
        ecu.advance(60000);
        QCOMPARE(live(ecu).fuelState, 1);

        link.write(request(4));
        ecu.advance(100);
        QCOMPARE(live(ecu).ecuState, 11);
        ecu.advance(600);
        QCOMPARE(live(ecu).fuelState, 0);

        // A cold engine is not put on gas, whoever asks.
        VirtualEcu cold;
        cold.useManualClock();
        cold.advance(8000);
        cold.handle(request(4));
        cold.advance(3000);
        QCOMPARE(live(cold).fuelState, 1);
        QCOMPARE(live(cold).ecuState, 4);
    }

    // Only fitted cylinders inject, and only their injectors are diagnosed.
    void recordsDescribeOnlyTheFittedCylinders() {
        VirtualEcu ecu(EcuMemory::factory(), warm());
        ecu.useManualClock();
        ecu.memory().words[1] = 3;
        ecu.advance(5000);
        const QByteArray r = ecu.handle(request(3));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(wordAt(r, 30 + 2 * i) > 0, i < 3);
            QCOMPARE(wordAt(r, 46 + 2 * i) > 0, i < 3);
        }
        const QByteArray d = ecu.handle(request(15));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(wordAt(d, 18 + 2 * i), i < 3 ? 1 : 0);
    }

    // At 9600 baud 8N1 a byte takes 1.04 ms. A request for the parameter block (5 bytes)
    // reaches the ECU after 5.2 ms, the ECU answers 5 ms later, and its 129 bytes reach the
    // adapter from 11.3 ms to 144.6 ms. The adapter's 16 ms timer runs out long before it
    // holds 62 bytes: it hands over 16 at a time, the last byte alone at 160.6 ms.
    void lineCarriesRepliesAtItsSpeed() {
        {
            Line line;
            line.link.write(request(1));
            const QList<QByteArray> reads = line.readsAt({27, 28, 143, 144, 160, 161});
            QList<qsizetype> sizes;
            for (const QByteArray& r : reads)
                sizes << r.size();
            QCOMPARE(sizes, (QList<qsizetype>{0, 16, 6 * 16, 16, 0, 1}));
            QCOMPARE(reads.join(), line.ecu.handle(request(1)));
        }
        // The port's settings make the line: with even parity and two stop bits a byte takes
        // twelve bits, 13 of them in the adapter's first 16 ms; at 115200 baud the adapter's
        // 62 bytes fill before its timer runs out.
        const struct {
            const char* settings;
            int firstChunkMs, firstChunkBytes;
        } ports[] = {{"9600,e,8,2", 29, 13}, {"115200,n,8,1", 11, 62}};
        for (const auto& port : ports) {
            Line line({}, QString::fromLatin1(port.settings));
            line.link.write(request(1));
            const QList<QByteArray> reads =
                line.readsAt({port.firstChunkMs - 1, port.firstChunkMs});
            QCOMPARE(reads[0].size(), 0);
            QCOMPARE(reads[1].size(), port.firstChunkBytes);
        }
        // The ECU answers one request at a time: the second reply starts when the first has
        // left. The table's last 5 bytes (from 77.9 ms) and the version (83.2 to 90.4 ms)
        // share the adapter's chunk, handed over at 93.9 ms.
        {
            Line line;
            line.link.write(request(8));
            line.link.write(request(7));
            const QList<QByteArray> reads = line.readsAt({93, 94});
            QCOMPARE(reads[0].size(), 64);
            QCOMPARE(reads[1], line.ecu.handle(request(8)).mid(64) + line.ecu.handle(request(7)));
        }
        // Never later than the tool expects at worst, which its intervals are built on.
        for (int command : {1, 2, 3, 7, 8, 9, 10, 15}) {
            Line line;
            QByteArray payload;
            if (command == 2) payload = bytes({0, 12, 9, 196});
            if (command == 9) payload = bytes({5, 110});
            if (command == 10) payload = bytes({110});
            line.link.write(request(command, payload));
            const int due = LineTiming::fromSettings("9600,n,8,1").replyDueMs(command);
            line.ecu.advance(due - 1);
            const QByteArray reply = line.link.readAll();
            QVERIFY2(!reply.isEmpty() && reply.size() == static_cast<unsigned char>(reply.at(3)),
                     qPrintable(QString::number(command)));
        }
    }

    // The clock of a test's world moves with the exchange's ticks; time the test moved it on
    // by hand since the last tick counts towards the wait, so the two never add up.
    void steppedClockFollowsTheExchange() {
        VirtualEcu ecu;
        ecu.useSteppedClock();
        const std::pair<int, int> steps[] = {{0, 200}, {150, 400}, {500, 900}}; // by hand, now
        for (const auto& [advancedMs, nowMs] : steps) {
            ecu.advance(advancedMs);
            ecu.waited(200);
            QCOMPARE(ecu.nowMs(), nowMs);
        }
        ecu.useManualClock();
        ecu.waited(200);
        QCOMPARE(ecu.nowMs(), 900);
    }

    void lineFaultsShapeReplies() {
        const QByteArray version = bytes({'P', 'C', 0, 8, 7, 2, 4, 7});
        // Dropped: about the share asked for, the same ones for the same seed.
        {
            const FaultSettings f{.seed = 5, .dropRate = 0.3};
            Line a(f), b(f);
            int lost = 0;
            for (int i = 0; i < 400; ++i) {
                a.link.write(request(7));
                b.link.write(request(7));
                const QByteArray ra = a.readLater();
                QCOMPARE(ra, b.readLater());
                lost += ra.isEmpty();
            }
            QVERIFY2(lost > 90 && lost < 150, qPrintable(QString::number(lost)));
        }
        // Split: half on this read, the rest on the next, on the line as without it.
        for (const LineModel& model : {LineModel{}, LineModel::instant()}) {
            Line line({.splitRate = 1});
            line.ecu.setLine(model);
            line.link.write(request(7));
            const QByteArray first = line.readLater();
            QCOMPARE(first, version.left(4));
            QCOMPARE(first + line.link.readAll(), version);
            QVERIFY(line.link.readAll().isEmpty());
        }
        // Wrong length byte: the rest is intact.
        {
            Line line({.badLengthRate = 1});
            line.link.write(request(7));
            QByteArray expected = version;
            expected[3] = 9;
            QCOMPARE(line.readLater(), expected);
        }
        // Late: nothing until the time is up (the version's 8 bytes reach the adapter from
        // 511 ms and are handed over at 527.3 ms), and replies keep their order.
        {
            Line line({.lateMs = 500});
            line.link.write(request(7));
            line.ecu.advance(200);
            line.link.write(request(4));
            QVERIFY(line.link.readAll().isEmpty());
            line.ecu.advance(327);
            QVERIFY(line.link.readAll().isEmpty());
            line.ecu.advance(1);
            QCOMPARE(line.link.readAll(), version);
            line.ecu.advance(200);
            QCOMPARE(line.link.readAll(), request(4));
        }
    }

    void cablePulledAndDeviceVanished() {
        {
            Line line({.lateMs = 400, .silenceAfterMs = 1000, .silenceForMs = 2000});
            line.link.write(request(7)); // sent at 0, due at 428: arrives
            line.ecu.advance(800);
            line.link.write(request(7)); // due at 1228, inside the silence: lost
            line.ecu.advance(700);
            line.link.write(request(7)); // not heard at all
            QCOMPARE(line.link.readAll().size(), 8);
            line.ecu.advance(3000);
            QVERIFY(line.link.readAll().isEmpty());
            line.link.write(request(7));
            line.ecu.advance(450);
            QCOMPARE(line.link.readAll().size(), 8);
        }
        {
            Line line({.vanishAfterMs = 1000});
            InProcessLink& link = line.link;
            QVERIFY(link.isOpen());
            link.write(request(7));
            line.ecu.advance(1000);
            QVERIFY(!link.isOpen());
            QVERIFY(link.deviceLost());
            QVERIFY(!link.write(request(7)));
            QVERIFY(link.readAll().isEmpty()); // the reply in flight went with the device
            QVERIFY(!link.open("1", ""));
            QCOMPARE(link.errorCode(), EcuLink::ErrorInvalidPort);
            line.ecu.plugIn();
            QVERIFY(link.deviceLost()); // until the port is opened again
            QVERIFY(link.open("1", ""));
            QVERIFY(!link.deviceLost());
            link.write(request(7));
            QCOMPARE(line.readLater().size(), 8);
        }
        {
            Line line({.vanishAfterMs = 1000, .vanishForMs = 500});
            line.ecu.advance(3000); // gone and back inside one step: the open link is still lost
            QVERIFY(line.link.deviceLost() && !line.link.isOpen());
            QVERIFY(line.link.open("1", ""));
        }
    }

    void framerCutsRequestsFromAStream() {
        RequestFramer framer;
        QList<QByteArray> frames = framer.feed(QByteArray("\xFF\x13PC\0", 5), 0);
        frames += framer.feed(QByteArray("\x05\x07PC\0\x09\x02\0\x0c", 9), 1);
        frames += framer.feed(QByteArray("\x0b\xb8", 2), 2);
        QCOMPARE(frames, (QList<QByteArray>{request(7), request(2, bytes({0, 12, 11, 184}))}));
        // A length byte that promises too much must not swallow the next request.
        QVERIFY(framer.feed(bytes({'P', 'C', 0, 40, 7}), 100).isEmpty());
        QCOMPARE(framer.feed(request(3), 300), QList<QByteArray>{request(3)});
        QCOMPARE(framer.pending(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
