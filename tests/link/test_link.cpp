#include "common/EcuRecords.h"
#include "common/ScriptedLink.h"
#include "common/TestData.h"

#include "InProcessLink.h"
#include "VirtualEcu.h"
#include "lang/LanguageTable.h"
#include "link/Commands.h"
#include "link/ExchangeCycle.h"
#include "link/LineTiming.h"
#include "link/LinkState.h"
#include "link/LiveDecoding.h"
#include "link/ParameterUpload.h"
#include "link/ParameterUploadCycle.h"
#include "link/RequestPlan.h"
#include "link/SerialEcuLink.h"
#include "link/WordCodec.h"
#include "link/WriteSequence.h"
#include "params/FuelChoice.h"
#include "params/ParameterSet.h"

#include <QtTest>

using Outcome = ExchangeCycle::Outcome;

class TestLink : public QObject {
    Q_OBJECT

    // A cycle sending command 1 every 300 ms, with a handler for 1 and for 8 that count calls.
    struct Rig {
        ScriptedLink link;
        LinkState state;
        ExchangeCycle cycle{link, state};
        int lostNotices = 0;
        QList<int> handled;
        Outcome answer = Outcome::Next;

        Rig() {
            link.opened = true;
            cycle.send({1, Commands::frame(1), 300});
            for (int command : {1, 8})
                cycle.on(command, [this, command](const QByteArray&) {
                    handled << command;
                    return answer;
                });
            ExchangeCycle::LostLink lost;
            lost.notify = [this] { ++lostNotices; };
            cycle.setLostLink(lost);
        }
        void ticks(int n) {
            for (int i = 0; i < n; ++i)
                cycle.tick();
        }
        // These bytes arrive before the next tick.
        void reply(const QByteArray& data) {
            link.arriving = data;
            cycle.tick();
        }
    };

    // The virtual ECU behind an in-process link at 9600 baud, its clock following the exchange.
    struct EcuRig {
        VirtualEcu ecu;
        InProcessLink link{ecu};
        LinkState state;
        ExchangeCycle cycle{link, state};

        explicit EcuRig(const FaultSettings& faults = {}) : ecu(EcuMemory::factory(), {}, faults) {
            ecu.useManualClock();
            link.open(QStringLiteral("1"), QStringLiteral("9600,n,8,1"));
        }
        // Ticks until `done` holds, at most maxTicks times.
        template <class Done> void runUntil(Done done, int maxTicks) {
            for (int i = 0; i < maxTicks && !done(); ++i) {
                ecu.advance(cycle.intervalMs());
                cycle.tick();
            }
        }
    };

private slots:
    // Requests are checked byte for byte in the wire trace; here the edges of a word: the
    // top of the range high byte first, the temperature as the one signed value.
    void wordsAndRepliesAtTheirEdges() {
        QCOMPARE(Commands::writeParameter(1, 65535),
                 bytes({0x50, 0x43, 0x00, 9, 2, 0x00, 1, 255, 255}));
        QCOMPARE(*WordCodec::signedTemperatureAt(bytes({0xFF, 0xFF}), 1), -1);
        QCOMPARE(*WordCodec::signedTemperatureAt(bytes({0x80, 0x00}), 1), 32768);
        QCOMPARE(*WordCodec::signedTemperatureAt(bytes({0x80, 0x01}), 1), -32767);
        QVERIFY(!WordCodec::wordAt(bytes({1}), 1));
        // A reply that passes the length check but is too short for its fields is not taken.
        LiveData data;
        QVERIFY(!Commands::decodeVersion(replyFrame(7, bytes({2, 4}))));
        QVERIFY(!Commands::decodeParameters(replyFrame(1, QByteArray(123, '\0'))));
        QVERIFY(!Commands::decodeTable(replyFrame(8, QByteArray(63, '\0'))));
        QVERIFY(!LiveDecoding::decodeDiagnosis(replyFrame(15, QByteArray(33, '\0'))));
        QVERIFY(!LiveDecoding::decodeLiveRecord(replyFrame(3, QByteArray(69, '\0')), data));
        QVERIFY(!LiveDecoding::decodeCalibrationLive(replyFrame(10, QByteArray(24, '\0')), data));
    }

    // A live record packed by the virtual ECU reads back into the fields it carries; only
    // fitted cylinders are taken, and a corrupt count never reads past the record nor takes
    // none at all. The calibration record sets the flags from its speed and petrol time.
    void liveRecordsDecodeTheirFieldsAndTheFittedCylinders() {
        VirtualEcu ecu;
        ecu.useManualClock();
        ecu.holdEngine(true);
        ecu.engine() = {.rpm = 2500,
                        .pressure1 = 1234,
                        .pressure2 = 567,
                        .lambdaMv = 1000,
                        .lambdaMeanMv = 432,
                        .gasTemperature = -5,
                        .levelInputMv = 2048,
                        .petrolTinj = {256, 512, 768, 1024, 1280, 1536, 1792, 2048},
                        .gasTinj = {4100, 4101, 4102, 4103, 4104, 4105, 4106, 4107},
                        .ktab = 107,
                        .kcor = 111,
                        .ecuState = 9,
                        .onPetrol = true,
                        .levelCode = 12};
        const QByteArray live = ecu.handle(Commands::frame(Commands::LiveRecord));
        const std::pair<int, int> counts[] = {{2, 2}, {40, 8}, {0, 1}}; // (count, decoded)
        for (const auto& [count, decoded] : counts) {
            LiveData d;
            d.PetrolInjTime.fill(5); // left from an earlier record
            QVERIFY(LiveDecoding::decodeLiveRecord(live, d, count));
            QCOMPARE((QList<int>{d.Rpm, d.Pressure1, d.Pressure2, d.Lambda1, d.Lambda1Mean,
                                 d.Temperature, d.LevelInput, d.Ktab, d.Kcor, d.EcuState,
                                 d.FuelState, d.LevelCode}),
                     (QList<int>{2500, 1234, 567, 1000, 432, -5, 2048, 107, 111, 9, 1, 12}));
            for (int i = 0; i < 8; ++i) {
                QCOMPARE(d.PetrolInjTime[i], i < decoded ? 256 * (i + 1) : 5);
                QCOMPARE(d.GasInjTime[i], i < decoded ? 4100 + i : 0);
            }
        }

        LiveData data;
        data.safetyFlag = QStringLiteral("SAFETY"); // left from an earlier record
        QByteArray record(25, '\0');
        record[13] = 0x03;
        record[14] = 0x20; // bytes 19-20: rpm 800, no petrol
        QVERIFY(LiveDecoding::decodeCalibrationLive(replyFrame(10, record), data));
        QCOMPARE(data.safetyFlag, QString());
        QCOMPARE(data.cutOffFlag, QStringLiteral("CUTOFF"));
        record[13] = record[14] = 0;
        record[15] = 0x0B; // bytes 21-22: petrol time 2816, engine stands
        QVERIFY(LiveDecoding::decodeCalibrationLive(replyFrame(10, record), data));
        QCOMPARE(data.safetyFlag, QStringLiteral("SAFETY"));
        QCOMPARE(data.cutOffFlag, QString());
    }

    // Silence and replies that cannot be used are both no answer: sixteen requests without one
    // lose the link, told once and with its reason; the ECU is then polled every 2 s, noise
    // still being no answer, until a usable reply ends it and the screen's own request goes
    // out again with a fresh count.
    void sixteenRequestsWithoutAnAnswerLoseTheLink() {
        QByteArray wrongLength = replyFrame(1, bytes({0, 0, 0, 0}));
        wrongLength[3] = 8; // byte 4 says 8 but 9 bytes came
        const struct {
            const char* name;
            QList<QByteArray> replies; // one a tick, in turn
            ExchangeCycle::LostReason reason;
            QByteArray usable;
        } runs[] = {
            {"silence",
             {QByteArray()},
             ExchangeCycle::LostReason::Silence,
             replyFrame(7, bytes({3, 1, 20}))},
            // A wrong length, a frame nobody handles, one the handler rejects.
            {"unusable replies",
             {wrongLength, replyFrame(42), replyFrame(1)},
             ExchangeCycle::LostReason::InvalidReplies,
             replyFrame(1)},
        };
        for (const auto& run : runs) {
            Rig rig;
            rig.answer = Outcome::Rejected;
            for (int i = 0; i < 19; ++i) {
                rig.reply(run.replies[i % run.replies.size()]);
                QVERIFY2(rig.lostNotices == (i < 16 ? 0 : 1), run.name);
                QCOMPARE(rig.cycle.intervalMs(), i < 16 ? 300 : 2000);
                QCOMPARE(rig.link.written.last(), Commands::frame(i < 16 ? 1 : 7));
            }
            QVERIFY(rig.cycle.isRunning());
            QCOMPARE(rig.cycle.lostReason(), run.reason);
            QCOMPARE(rig.state.LinkRetryCount, 16);
            // The six frames of command 1 reached the handler; the wrong length and the unknown
            // command did not.
            QCOMPARE(rig.handled.size(), run.replies.size() == 3 ? 6 : 0);
            rig.reply(bytes({1, 2, 3, 4}));
            QCOMPARE(rig.link.written.last(), Commands::frame(7));
            rig.answer = Outcome::Next;
            rig.reply(run.usable);
            QVERIFY(!rig.cycle.isLost());
            QCOMPARE(rig.link.written.last(), Commands::frame(1));
            QCOMPARE(rig.state.LinkRetryCount, 1);
        }
    }

    // What arrives is kept across ticks: a reply straddling a tick gets the time its missing
    // bytes need instead of the request going out again into the middle of it; noise before
    // a reply is skipped; a reply never completed is dropped and is no answer.
    void repliesAcrossTicks() {
        Rig rig;
        rig.cycle.tick(); // asks for 1
        const QByteArray whole = replyFrame(1, QByteArray(124, '\x01'));
        rig.reply(whole.left(60));
        QCOMPARE(rig.link.written.size(), 1);
        // The 69 bytes missing at 9600 baud, the adapter's timer and a margin.
        QCOMPARE(rig.cycle.intervalMs(), 72 + 16 + ExchangeCycle::ExtraWaitMarginMs);
        rig.reply(whole.mid(60));
        QCOMPARE(rig.handled, QList<int>{1});
        QCOMPARE(rig.link.written.size(), 2);
        QCOMPARE(rig.state.LinkRetryCount, 1);

        rig.reply(bytes({0xFF, 0x50, 0x00, 0x43}) + replyFrame(8));
        QCOMPARE(rig.handled, (QList<int>{1, 8}));

        // Half a reply, and its rest never comes: given up once its time is out, and the
        // tail that follows later is not taken for the next reply's start.
        rig.reply(whole.left(40));
        const auto sent = rig.link.written.size();
        rig.cycle.tick();
        QCOMPARE(rig.link.written.size(), sent + 1);
        rig.reply(whole.mid(100) + replyFrame(8));
        QCOMPARE(rig.handled, (QList<int>{1, 8, 8}));
        QCOMPARE(rig.state.LinkRetryCount, 1);
    }

    void repliesAreDispatchedByTheirOwnCommandByte() {
        Rig rig;
        rig.cycle.tick(); // asks for 1
        rig.reply(replyFrame(8));
        QCOMPARE(rig.handled, QList<int>{8});
        // A handler that ends the exchange leaves the timer off and sends nothing more.
        rig.answer = Outcome::End;
        rig.cycle.start(300);
        // What was on the line before the exchange asked anything is another screen's.
        rig.reply(replyFrame(1));
        QCOMPARE(rig.handled, QList<int>{8});
        const auto sent = rig.link.written.size();
        rig.reply(replyFrame(1));
        QVERIFY(!rig.cycle.isRunning());
        QCOMPARE(rig.link.written.size(), sent);
        // A rejected frame is as good as none: the request goes out again.
        rig.answer = Outcome::Rejected;
        rig.reply(replyFrame(1));
        QVERIFY(rig.cycle.isRunning());
        QCOMPARE(rig.link.written.last(), Commands::frame(1));
    }

    // A closed port ticks idle with a clean count, and each start counts afresh; a screen with
    // a counter of its own (the automatic calibration) leaves the shared one be.
    void retryCounting() {
        Rig rig;
        int own = 0;
        rig.cycle.setRetryCounter(own);
        rig.ticks(5);
        QCOMPARE(own, 5);
        QCOMPARE(rig.state.LinkRetryCount, 0);
        Rig closed;
        closed.state.LinkRetryCount = 9;
        closed.link.opened = false;
        closed.cycle.start(300);
        closed.cycle.tick();
        QVERIFY(closed.link.written.isEmpty() && closed.cycle.isRunning());
        QCOMPARE(closed.state.LinkRetryCount, 0);
        // A count left by an earlier exchange must not tell a loss on the first silence.
        Rig stale;
        stale.state.LinkRetryCount = 15;
        stale.cycle.start(300);
        stale.cycle.tick();
        QCOMPARE(stale.lostNotices, 0);
    }

    // An acknowledgement only ends the request outstanding: a late one for an earlier request,
    // or one for a request never sent, must not advance anything; two in one read count once.
    // Command 4 goes out once per press, and a switch still pending when the screen stops or
    // the link is lost is dropped rather than sent late.
    void acknowledgementsCountOnlyForTheRequestOutstanding() {
        Rig rig;
        QList<int> acks;
        for (int command : {2, 4, 9})
            rig.cycle.on(command, [&acks, command](const QByteArray&) {
                acks << command;
                return Outcome::Next;
            });
        rig.cycle.send({2, Commands::writeParameter(12, 2500), 50});
        rig.cycle.tick();
        rig.link.arriving = replyFrame(9); // never asked for
        rig.cycle.tick();
        QVERIFY(acks.isEmpty());
        QCOMPARE(rig.state.LinkRetryCount, 2); // no answer
        rig.reply(replyFrame(2) + replyFrame(2));
        QCOMPARE(acks, QList<int>{2});
        // The screen moves on to polling; the write's second acknowledgement comes late.
        rig.cycle.send({3, Commands::frame(3), 150});
        rig.cycle.tick();
        rig.reply(replyFrame(2));
        QCOMPARE(acks, QList<int>{2});
        rig.reply(replyFrame(8)); // data replies are still taken by their own command byte
        QCOMPARE(rig.handled, QList<int>{8});

        const ExchangeCycle::Request toggle = RequestPlan::liveAcquisition().request(4);
        rig.cycle.sendOnce(toggle);
        rig.cycle.tick();
        rig.reply(replyFrame(4));
        rig.reply(replyFrame(4));
        QCOMPARE(acks, (QList<int>{2, 4}));
        QCOMPARE(rig.link.written.last(), Commands::frame(3));
        rig.cycle.stop();
        rig.cycle.sendOnce(toggle);
        rig.cycle.stop();
        rig.cycle.tick();
        QCOMPARE(rig.link.written.last(), Commands::frame(3));
        rig.ticks(16);
        rig.cycle.sendOnce(toggle);
        rig.cycle.tick(); // lost: the poll goes out, the switch is dropped
        rig.reply(replyFrame(7, bytes({1, 2, 3})));
        QCOMPARE(rig.link.written.last(), Commands::frame(3));
        QCOMPARE(rig.link.written.count(Commands::frame(4)), 1);
    }

    // Left half way, the sequence says how far it got, and the set takes exactly that much.
    void anInterruptedSequenceKeepsOnlyWhatWasAcknowledged() {
        Rig rig;
        WriteSequence seq;
        seq.start({{12, 2500, false}, {13, 40, false}, {14, 300, false}},
                  WriteSequence::ReadBack::Parameters, RequestPlan::parameterPage().writeTiming());
        rig.cycle.run(seq, [] { return Outcome::End; });
        rig.cycle.tick();
        rig.reply(replyFrame(2));
        seq.interrupt();
        QCOMPARE(seq.result(), WriteSequence::Result::Interrupted);
        QCOMPARE(seq.acknowledged(), 1);
        ParameterSet set;
        set.setValue(13, 30);
        seq.storeAcknowledged(set);
        QCOMPARE(set.value(12), 2500);
        QCOMPARE(set.value(13), 30);
    }

    // After a lost link a write resumes only on the ECU it started on: same version and, when
    // the block before the write is known, that block with the acknowledged writes in it (the
    // write under way may have landed). Anything else abandons it with nothing more sent.
    void aResumedWriteGoesOnlyToTheSameEcu_data() {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<int>("switchRpmHeld"); // parameter 12 in the block read back
        QTest::addColumn<int>("gasTypeHeld");   // parameter 62, the write under way
        QTest::addColumn<bool>("resumes");
        const QByteArray same = bytes({3, 1, 20});
        QTest::newRow("same ECU") << same << 2500 << 0 << true;
        QTest::newRow("the write under way landed") << same << 2500 << 1 << true;
        QTest::newRow("another version") << bytes({3, 1, 21}) << 2500 << 0 << false;
        QTest::newRow("same version, another car") << same << 3000 << 0 << false;
    }
    void aResumedWriteGoesOnlyToTheSameEcu() {
        QFETCH(QByteArray, version);
        QFETCH(int, switchRpmHeld);
        QFETCH(int, gasTypeHeld);
        QFETCH(bool, resumes);
        Rig rig;
        WriteSequence seq;
        seq.start({{SwitchRpm, 2500, false}, {GasType, 1, false}, {InjectorCount, 6, false}},
                  WriteSequence::ReadBack::Parameters, RequestPlan::parameterPage().writeTiming());
        Commands::ParameterBlock before{};
        before[SwitchRpm - 1] = 2300;
        before[InjectorCount - 1] = 4;
        seq.expectSameEcu({3, 1, 20}, before);
        bool finished = false;
        rig.cycle.run(seq, [&finished] {
            finished = true;
            return Outcome::End;
        });
        rig.cycle.tick();
        rig.reply(replyFrame(2)); // SwitchRpm acknowledged; GasType goes out, then silence
        while (!rig.cycle.isLost())
            rig.cycle.tick();
        rig.reply(replyFrame(7, version));
        if (version == bytes({3, 1, 20})) {
            QCOMPARE(rig.link.written.last(), Commands::frame(Commands::ReadParameters));
            QByteArray block(124, '\0');
            block[2 * (SwitchRpm - 1)] = char(switchRpmHeld >> 8);
            block[2 * (SwitchRpm - 1) + 1] = char(switchRpmHeld & 0xFF);
            block[2 * (GasType - 1) + 1] = char(gasTypeHeld);
            block[2 * (InjectorCount - 1) + 1] = 4;
            rig.reply(replyFrame(1, block));
        }
        if (resumes) {
            QCOMPARE(rig.link.written.last(), Commands::writeParameter(GasType, 1));
            QVERIFY(!finished);
            return;
        }
        QVERIFY(finished);
        QCOMPARE(seq.result(), WriteSequence::Result::Abandoned);
        QCOMPARE(rig.link.written.count(Commands::writeParameter(InjectorCount, 6)), 0);
        // The set keeps what the first ECU confirmed, not the other one's block.
        ParameterSet set;
        seq.storeReadBack(set);
        QCOMPARE(set.value(SwitchRpm), 2500);
        QCOMPARE(set.value(GasType), 0);
    }

    // Against the virtual ECU on a bad line: replies dropped, replies later than the next
    // tick, and a parameter the ECU acknowledges without keeping it: the read-back is
    // compared, only what differs is written again, and whatever still differs is named.
    void writeSequencesAgainstABadLine_data() {
        QTest::addColumn<double>("dropRate");
        QTest::addColumn<int>("lateMs");
        QTest::addColumn<bool>("refuse");
        QTest::newRow("late past the next tick") << 0.0 << 120 << false;
        QTest::newRow("dropped and late") << 0.2 << 120 << false;
        QTest::newRow("refused") << 0.1 << 0 << true;
    }
    void writeSequencesAgainstABadLine() {
        QFETCH(double, dropRate);
        QFETCH(int, lateMs);
        QFETCH(bool, refuse);
        FaultSettings faults{.seed = 7, .dropRate = dropRate, .lateMs = lateMs, .lateRate = 0.15};
        if (refuse) faults.refusedIds = {SwitchRpm, 62 + 9};
        EcuRig rig(faults);
        QVERIFY(rig.link.isOpen());
        // The whole image, changed everywhere, as the bulk write sends it.
        ParameterSet wanted = defaultSet();
        wanted.setValue(SwitchRpm, 2500);
        for (int j = 1; j <= TableSize; ++j)
            wanted.setKtar(j, 100 + j % 50);
        WriteList image;
        image.loadImage(wanted);
        WriteSequence seq;
        seq.start(image.image(), WriteSequence::ReadBack::Both,
                  RequestPlan::parameterMenu().writeTiming());
        bool finished = false;
        rig.cycle.run(seq, [&finished] {
            finished = true;
            return Outcome::End;
        });
        rig.runUntil([&finished] { return finished; }, 3000);
        QVERIFY(finished);
        if (refuse) {
            QCOMPARE(seq.result(), WriteSequence::Result::Differences);
            QCOMPARE(seq.differences().size(), std::size_t(2));
            QCOMPARE(seq.differences()[0].id, int(SwitchRpm));
            QVERIFY(seq.differences()[1].table && seq.differences()[1].id == 9);
            const QList<QByteArray>& sent = rig.ecu.received();
            QSet<QByteArray> rewritten;
            for (qsizetype k = sent.indexOf(Commands::frame(Commands::ReadParameters));
                 k < sent.size(); ++k)
                if (sent[k].at(4) == Commands::WriteParameter ||
                    sent[k].at(4) == Commands::WriteTableEntry)
                    rewritten << sent[k];
            QCOMPARE(rewritten, (QSet<QByteArray>{Commands::writeParameter(SwitchRpm, 2500),
                                                  Commands::writeTableEntry(9, 109)}));
        } else {
            QCOMPARE(seq.result(), WriteSequence::Result::Verified);
            for (int k = 1; k <= ParameterCount; ++k)
                QCOMPARE(int(rig.ecu.memory().words[k]), wanted.value(k));
            for (int j = 1; j <= TableSize; ++j)
                QCOMPARE(int(rig.ecu.memory().table[j]), wanted.ktar(j));
        }
        ParameterSet readBack;
        seq.storeReadBack(readBack);
        QCOMPARE(readBack.value(SwitchRpm), refuse ? 2300 : 2500);
    }

    // The upload on an exchange against the virtual ECU, as both menus run it: the requests
    // it sends, what it repairs, how it ends, and what the set then holds.
    void theUploadCycleReadsRepairsAndEnds_data() {
        QTest::addColumn<QString>("ecu");
        QTest::addColumn<int>("chosenGas"); // -1: no fuel change first
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QList<int>>("commands");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("repairing");
        QTest::newRow("valid: two requests")
            << "" << -1 << true << QList<int>{1, 8} << true << false;
        QTest::newRow("only a table cell out of range: command 9 first")
            << "ktar" << -1 << true << QList<int>{1, 8, 9, 1, 8} << true << true;
        QTest::newRow("a refused default: two tries, then it stops")
            << "refused" << -1 << true << QList<int>{1, 8, 2, 1, 8, 2, 1, 8} << false << true;
        QTest::newRow("methane chosen: both writes, then the upload")
            << "" << FuelChoice::Methane << true << QList<int>{2, 2, 1, 8} << true << false;
        QTest::newRow("after a restore: taken as read")
            << "outOfRange" << -1 << false << QList<int>{1, 8} << true << false;
    }
    void theUploadCycleReadsRepairsAndEnds() {
        QFETCH(QString, ecu);
        QFETCH(int, chosenGas);
        QFETCH(bool, checked);
        QFETCH(QList<int>, commands);
        QFETCH(bool, valid);
        QFETCH(bool, repairing);
        EcuRig rig;
        QVERIFY(rig.link.isOpen());
        EcuMemory& memory = rig.ecu.memory();
        if (ecu == QLatin1String("ktar")) memory.table[1] = 151;
        if (ecu == QLatin1String("refused")) {
            memory.words[SwitchRpm] = 100;
            memory.refusedIds = {SwitchRpm};
        }
        if (ecu == QLatin1String("outOfRange")) memory.putOutOfRange();
        ParameterSet set;
        WriteList list;
        const Commands::EcuVersion version{2, 4, 7};
        QList<QString> told;
        ParameterUploadCycle::Hooks hooks;
        hooks.parametersRead = [&told] { told << QStringLiteral("block"); };
        hooks.repairing = [&told] { told << QStringLiteral("repairing"); };
        hooks.finished = [&told](ParameterUpload::Step step) {
            told << (step == ParameterUpload::Step::Valid ? QStringLiteral("valid")
                                                          : QStringLiteral("refused"));
            return Outcome::End;
        };
        ParameterUploadCycle upload(rig.cycle, RequestPlan::mainMenu(), set, list, version, hooks);
        QVERIFY(!upload.isRunning());
        upload.start(checked ? ParameterUpload::Check::Ranges : ParameterUpload::Check::None,
                     chosenGas < 0 ? std::vector<WriteSequence::Write>{}
                                   : FuelChoice::switchWrites(FuelChoice::Lpg, chosenGas));
        rig.cycle.start(0);
        rig.runUntil([&rig] { return !rig.cycle.isRunning(); }, 200);
        QList<int> seen;
        for (const QByteArray& f : rig.ecu.received())
            seen << static_cast<unsigned char>(f.at(4));
        QCOMPARE(seen, commands);
        QVERIFY(!upload.isRunning());
        QCOMPARE(told.last(), valid ? QStringLiteral("valid") : QStringLiteral("refused"));
        QCOMPARE(told.contains(QStringLiteral("repairing")), repairing);
        QCOMPARE(told.count(QStringLiteral("block")), commands.count(1));
        if (!valid)
            QCOMPARE(upload.refusedText(LanguageTable()),
                     QStringLiteral("La centralina non accetta i valori di default di questi "
                                    "parametri:\nGIRI COMMUTAZIONE (12)"));
        // The set is what the ECU holds at the end, repaired where it was asked to be.
        ParameterSet held;
        uploadFrom(memory, held);
        QVERIFY(set == held);
        if (ecu == QLatin1String("ktar")) QCOMPARE(set.ktar(1), 105);
        if (chosenGas == FuelChoice::Methane)
            QCOMPARE(set.value(EndOfGasPressure), FuelChoice::MethaneEndOfGasPressure);

        // Ended, the upload takes no block: one that turns up for other work stays out of it.
        memory.words[SwitchRpm] = 2600;
        rig.cycle.send(RequestPlan::mainMenu().request(Commands::ReadParameters));
        rig.cycle.start(0);
        rig.runUntil([] { return false; }, 3);
        QVERIFY(set.value(SwitchRpm) != 2600);
    }

    // Every screen waits for every reply at least a fifth longer than the reply needs at
    // worst on a 9600-baud line behind a USB adapter with a 16 ms timer: its writes and
    // read-backs, and the poll of a lost link, as well as its own requests.
    void everyPlanLeavesRoomForEveryReply() {
        const LineTiming line = LineTiming::fromSettings(QStringLiteral("9600,n,8,1"));
        QCOMPARE(line.adapterLatencyMs, 16);
        const auto check = [&line](const RequestPlan& plan, const char* what, int command,
                                   int intervalMs) {
            const int room = (line.replyDueMs(command) * 6 + 4) / 5;
            QVERIFY2(intervalMs >= room,
                     qPrintable(QStringLiteral("%1, %2 %3: %4 ms, needs %5")
                                    .arg(QLatin1String(plan.name()), QLatin1String(what))
                                    .arg(command)
                                    .arg(intervalMs)
                                    .arg(room)));
        };
        const int lostPollMs = ExchangeCycle::LostLink{}.intervalMs;
        for (const RequestPlan* plan : RequestPlan::all()) {
            QVERIFY(!plan->entries().empty());
            for (const RequestPlan::Entry& e : plan->entries()) {
                check(*plan, "command", e.command, e.intervalMs);
                check(*plan, "lost-link poll", e.command, lostPollMs);
            }
            if (!plan->lists(Commands::WriteParameter)) continue;
            const WriteSequence::Timing t = plan->writeTiming();
            for (int write : {Commands::WriteParameter, Commands::WriteTableEntry})
                check(*plan, "write", write, t.writeMs);
            for (int read : {Commands::ReadParameters, Commands::ReadTable})
                check(*plan, "read-back", read, t.readMs);
        }
    }

    void settingsStringsBecomeLineSettingsOrOpenErrors() {
        const auto s = parseLineSettings(QStringLiteral("19200,e,7,2"));
        QVERIFY(s);
        QCOMPARE(s->baud, 19200);
        QCOMPARE(s->parity, QSerialPort::EvenParity);
        QCOMPARE(s->dataBits, QSerialPort::Data7);
        QCOMPARE(s->stopBits, QSerialPort::TwoStop);
        QCOMPARE(parseLineSettings(QStringLiteral("9600,n,8,1.5"))->stopBits,
                 QSerialPort::OneAndHalfStop);
        for (const char* bad : {"", ",,,", "9600,n,4,1", "abc,n,8,1", "9600,x,8,1", "9600,n,8"}) {
            const auto refused = parseLineSettings(QString::fromLatin1(bad));
            QVERIFY2(!refused && !refused.errorString().isEmpty(), bad);
        }
        QCOMPARE(deviceForPortNumber(QStringLiteral("0")), QString());
        QCOMPARE(deviceForPortNumber(QString()), QString());
#ifndef Q_OS_WIN
        QCOMPARE(deviceForPortNumber(QStringLiteral("1")), QStringLiteral("/dev/ttyS0"));
#endif
        // A port that cannot be named and settings that cannot be parsed carry their codes.
        SerialEcuLink noPort;
        QVERIFY(!noPort.open(QString(), QStringLiteral("9600,n,8,1")));
        QCOMPARE(noPort.errorCode(), EcuLink::ErrorInvalidPort);
        SerialEcuLink badSettings(QStringLiteral("/dev/null"));
        QVERIFY(!badSettings.open(QStringLiteral("1"), QStringLiteral(",,,")));
        QCOMPARE(badSettings.errorCode(), EcuLink::ErrorOther);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
