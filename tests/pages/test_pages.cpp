#include "calib/CalibrationFields.h"
#include "common/EcuRecords.h"
#include "common/TestData.h"
#include "lang/LanguageTable.h"
#include "pages/LambdaThresholdMemory.h"
#include "pages/LevelIndicator.h"
#include "pages/LevelPageReading.h"
#include "pages/LevelThresholdRanges.h"
#include "pages/PageLayouts.h"
#include "pages/ParameterPage.h"
#include "pages/ParameterPageMachine.h"
#include "params/FieldCheck.h"
#include "params/ParameterSet.h"

#include <QtTest>
#include <tuple>

using Entry = WriteList::Entry;
using Writes = std::vector<Entry>;
using Phase = ParameterPagePhase;
using Tone = ParameterPageMessage::Tone;
using Mark = ParameterPageMark;

namespace {

// Parameter writes as "id:value id:value ...", table entries as "Tentry:value".
QString listed(const Writes& writes) {
    QStringList out;
    for (const Entry& e : writes)
        out << QStringLiteral("%1%2:%3").arg(e.table ? "T" : "").arg(e.id).arg(e.value);
    return out.join(QLatin1Char(' '));
}

// `v` (a page's or the calibration page's values) with these boxes' texts.
template <class Values>
Values withTexts(Values v, std::initializer_list<std::pair<const char*, const char*>> boxes) {
    for (const auto& [box, text] : boxes)
        v.texts[QString::fromLatin1(box)] = QString::fromLatin1(text);
    return v;
}

// Empty and full readings with thresholds 30, 60, 90 %.
ParameterSet levelSet(int levelMin, int levelMax, int senderType) {
    ParameterSet s = defaultSet();
    s.setValue(LevelMin, levelMin);
    s.setValue(LevelMax, levelMax);
    s.setValue(LevelThreshold1, 30);
    s.setValue(LevelThreshold2, 60);
    s.setValue(LevelThreshold3, 90);
    s.setValue(LevelSenderType, senderType);
    return s;
}

// The calibration page as it opens on a set: every box shows its stored value.
CalibrationInput calibrationFrom(const ParameterSet& s) {
    CalibrationInput in;
    in.texts[QStringLiteral("Text10")] = QString::number(s.value(PressureCorrectionInterval));
    in.texts[QStringLiteral("Text25")] = QString::number(s.value(PressureCorrectionRpm));
    in.texts[QStringLiteral("Text24")] = QString::number(s.value(LambdaCorrectionRpm));
    in.texts[QStringLiteral("Text26")] = QString::number(s.value(TemperatureCorrectionInterval));
    for (int i = 0; i < 16; ++i)
        in.texts[CalibrationFields::gridControl(i)] = QString::number(s.value(RpmBreakpoint1 + i));
    for (int c = 0; c < 64; ++c)
        in.texts[CalibrationFields::gridControl(16 + c)] = QString::number(s.ktar(c + 1));
    in.pressureCorrection = s.value(PressureCorrection);
    in.temperatureCorrection = s.value(TemperatureCorrection);
    in.lambdaMaxVariation = s.value(LambdaMaxVariation);
    return in;
}

// The switching page's machine against a virtual ECU, driven by named events as the page
// view calls them.
struct SwitchingPage {
    LanguageTable italian;
    EcuMemory memory = EcuMemory::factory();
    ParameterSet set;
    ParameterPageMachine m{PageLayouts::switching(), italian};

    SwitchingPage() { uploadFrom(memory, set); }
    // The page as it shows the set, with the speed box set to `rpm`.
    PageValues typed(const char* rpm) const {
        PageValues v = m.page().valuesFrom(set);
        v.texts[QStringLiteral("Text1")] = QString::fromLatin1(rpm);
        return v;
    }
    void apply(const QString& events) {
        for (const QString& e : events.split(QLatin1Char(' '))) {
            if (e == QLatin1String("open") || e == QLatin1String("offline"))
                m.load(e == QLatin1String("open"));
            if (e == QLatin1String("write") || e == QLatin1String("read"))
                m.setMode(e == QLatin1String("write"));
            if (e == QLatin1String("modifica") && m.modifica(typed("2500"))) m.startWrite();
            if (e == QLatin1String("rejected")) m.modifica(typed("99"));
            if (e == QLatin1String("noPort") && m.modifica(typed("2500")))
                m.portFailed(QStringLiteral("/dev/ttyS0: no such file"));
            if (e == QLatin1String("lost")) m.linkLost(QStringLiteral("PERSA COMUNICAZIONE"));
            if (e == QLatin1String("found")) m.linkFound();
            if (e == QLatin1String("exit")) m.exitHeld();
            if (e == QLatin1String("ack")) answer(1);
            if (e == QLatin1String("end")) answer(1000);
        }
    }
    // Lets the ECU answer `count` requests of the write; once it has ended, the set takes
    // the read-back and the machine hears of it. A notice: the page leaves with it.
    std::optional<QString> answer(int count) {
        EngineState engine;
        EcuResponder ecu(memory, engine);
        for (int i = 0; i < count && m.writes().isRunning(); ++i) {
            m.writes().take(ecu.respond(m.writes().request().frame));
            m.writeProgressed();
        }
        if (m.writes().isRunning()) return std::nullopt;
        m.writes().storeReadBack(set);
        return m.writeEnded();
    }
    // What the machine offers, as "editing modes writeModeShown modifica" in 0s and 1s.
    QString offered() const {
        const ParameterPageControls c = m.controls();
        QString out;
        for (bool on : {c.editing, c.modes, c.writeModeShown, c.modifica})
            out += on ? QLatin1Char('1') : QLatin1Char('0');
        return out;
    }
};

} // namespace

class TestPages : public QObject {
    Q_OBJECT

    const LanguageTable m_italian; // no file loaded: the design texts
    const ParameterPage m_other{PageLayouts::otherParameters()};
    const ParameterPage m_lambda{PageLayouts::lambda()};
    const ParameterPage m_switching{PageLayouts::switching()};
    const ParameterPage m_level{PageLayouts::levelIndicator()};

    // The report of a rejected write; a report that can match nothing when writes came out.
    static FieldReport rejection(const PreparedWrite& w) {
        return w.writes.empty() ? w.report : FieldReport{QStringLiteral("writes prepared"), {}};
    }
    FieldReport rejectionOf(const ParameterPage& page, const PageValues& v) const {
        return rejection(page.prepareWrite(v, m_italian));
    }
    FieldReport rejectionOf(const CalibrationInput& in) const {
        return rejection(CalibrationFields::prepareWrite(in, m_italian));
    }

private slots:
    void boxesAreReadAsWholeNumbersOrNotAtAll() {
        QCOMPARE(FieldCheck::readNumber(QStringLiteral(" 0042 ")), 42);
        QCOMPARE(FieldCheck::readNumber(QStringLiteral("32767")), 32767);
        for (const char* bad : {"", "   ", "32768", "99999999999999999999", "-5", "+5", "1 000",
                                "12a", "1.5", "\xd9\xa3"})
            QVERIFY2(!FieldCheck::readNumber(QString::fromUtf8(bad)), bad);

        // An unreadable box fails with the text its range would give, on every page.
        PageValues v =
            withTexts(m_switching.valuesFrom(defaultSet()), {{"Text1", ""}, {"Text4", "99999"}});
        v.texts.remove(QStringLiteral("Text5"));
        const FieldReport r = rejectionOf(m_switching, v);
        QCOMPARE(r.message, QStringLiteral(" GIRI COMMUTAZIONE 1200-8000 TEMPERATURA COMMUTAZIONE "
                                           "40-80 PRESSIONE FINE GAS 100-1000"));
        QCOMPARE(r.rejected, (QStringList{"Text1", "Text4", "Text5"}));
    }

    void rejectionsListEveryFailureInCheckOrder() {
        PageValues v = withTexts(m_other.valuesFrom(defaultSet()),
                                 {{"Text1", "9"}, {"Text4", "0"}, {"Text5", "3"}, {"Text6", "59"}});
        FieldReport r = rejectionOf(m_other, v);
        QCOMPARE(r.message, QStringLiteral(" NUMERO BOBINE 1-8 TEMPERATURA MINIMA-TEMPERATURA "
                                           "MASSIMA > 5 TEMPERATURA DI TARATURA 60-105"));
        QCOMPARE(r.rejected, (QStringList{"Text1", "Text4", "Text5", "Text6"}));

        // The labels are the language's.
        LanguageTable english;
        english.store(QStringLiteral("F13_L01"), QStringLiteral("NUMBER OF COILS"));
        QVERIFY(
            m_other.check(v, english).message.startsWith(QStringLiteral(" NUMBER OF COILS 1-8 T")));

        // The temperature window: 0 and 0 is off, any other pair at least 5 wide.
        const std::tuple<const char*, const char*, bool> windows[] = {{"0", "0", true},
                                                                      {"10", "15", true},
                                                                      {"10", "14", false},
                                                                      {"0", "3", false},
                                                                      {"3", "0", false}};
        for (const auto& [min, max, ok] : windows) {
            v = withTexts(m_other.valuesFrom(defaultSet()), {{"Text4", min}, {"Text5", max}});
            QCOMPARE(m_other.check(v, m_italian).passed(), ok);
        }
    }

    void writesFollowEachPagesOrderWithTheTypedAndSelectedValues() {
        ParameterSet s = defaultSet();
        PageValues v = m_other.valuesFrom(s);
        v.choices[QStringLiteral("Option4")] = 3; // the fourth injector
        v.texts[QStringLiteral("Text3")] = QStringLiteral(" 1500 ");
        QCOMPARE(listed(m_other.prepareWrite(v, m_italian).writes),
                 QStringLiteral("57:0 33:3 2:4 1:4 29:1500 10:0 11:0 28:70 23:1100"));

        v = m_switching.valuesFrom(s);
        QCOMPARE(v.choices[QStringLiteral("Check1")], 1);
        v.choices[QStringLiteral("Option3")] = 0; // acceleration
        v.choices[QStringLiteral("Check1")] = 0;  // no hot switching
        v.texts[QStringLiteral("Text1")] = QStringLiteral("2500");
        QCOMPARE(listed(m_switching.prepareWrite(v, m_italian).writes),
                 QStringLiteral("59:0 61:0 12:2500 14:50 15:0 13:50 30:400"));

        v = m_level.valuesFrom(s);
        v.choices[QStringLiteral("Option4")] = 2; // LVS-2 is written as 2
        QCOMPARE(listed(m_level.prepareWrite(v, m_italian).writes),
                 QStringLiteral("58:2 19:0 20:5000 16:10 17:30 18:60"));

        v = withTexts(m_lambda.valuesFrom(s), {{"Text3", "2000"}});
        QCOMPARE(listed(m_lambda.prepareWrite(v, m_italian).writes),
                 QStringLiteral("3:2 4:350 5:600 25:2000"));
    }

    void limitsAreTheEdgesTheTextsName() {
        ParameterSet s = defaultSet();
        s.setValue(SwitchTemperature, 90); // the ECU keeps it, the page does not
        PageValues v = m_switching.valuesFrom(s);
        QCOMPARE(v.texts[QStringLiteral("Text4")], QStringLiteral("90"));
        QCOMPARE(rejectionOf(m_switching, v).message,
                 QStringLiteral(" TEMPERATURA COMMUTAZIONE 40-80 "));
        const std::tuple<const char*, const char*, bool> cases[] = {{"1200", "80", true},
                                                                    {"8000", "40", true},
                                                                    {"1199", "50", false},
                                                                    {"8001", "50", false}};
        for (const auto& [rpm, temperature, ok] : cases) {
            v = withTexts(v, {{"Text1", rpm}, {"Text4", temperature}});
            QCOMPARE(m_switching.check(v, m_italian).passed(), ok);
        }

        // Empty and full at one reading leave no span for the level indicator.
        v = withTexts(m_level.valuesFrom(defaultSet()), {{"Text1", "2500"}, {"Text2", "2500"}});
        QCOMPARE(rejectionOf(m_level, v).message, QStringLiteral(" MIN LIVELLO <> MAX LIVELLO"));
        QCOMPARE(rejectionOf(m_level, v).rejected, (QStringList{"Text1", "Text2"}));
        v.texts[QStringLiteral("Text2")] = QStringLiteral("5001");
        QCOMPARE(rejectionOf(m_level, v).message, QStringLiteral(" MAX LIVELLO 0-5000 "));
    }

    void aPageNeverWritesWhatItCannotRead() {
        // No injector option selected (the ECU held a model the page does not know).
        ParameterSet s = defaultSet();
        s.setValue(GasInjectorType, 9);
        PageValues v = m_other.valuesFrom(s);
        QCOMPARE(v.choices[QStringLiteral("Option4")], -1);
        QCOMPARE(rejectionOf(m_other, v).message, QStringLiteral(" INIETTORE GAS 0-5 "));
        QCOMPARE(rejectionOf(m_other, v).rejected, QStringList{"Option4"});

        // The level thresholds have no rule of their own, but an unreadable one is not written.
        v = withTexts(m_level.valuesFrom(defaultSet()), {{"Text4", "x"}});
        QCOMPARE(rejectionOf(m_level, v).message, QStringLiteral(" SOGLIA 1/3 -> 2/3 10-100 "));
    }

    void lambdaOrderAndRangeFollowTheProbeType() {
        PageValues v = m_lambda.valuesFrom(defaultSet());
        const auto messageFor = [&](int type, const char* lean, const char* rich) {
            v.choices[QStringLiteral("Option1")] = type;
            v = withTexts(v, {{"Text6", lean}, {"Text5", rich}});
            return m_lambda.check(v, m_italian).message;
        };
        const QString richAbove = QStringLiteral(" SOGLIA RICCO > SOGLIA MAGRO");
        const QString richBelow = QStringLiteral(" SOGLIA RICCO < SOGLIA MAGRO");
        QCOMPARE(messageFor(0, "600", "350"), richAbove);
        QCOMPARE(messageFor(2, "600", "350"), richAbove);
        QCOMPARE(messageFor(1, "350", "600"), richBelow);
        QCOMPARE(messageFor(3, "350", "600"), richBelow);
        QCOMPARE(messageFor(3, "600", "350"), QStringLiteral(" "));
        QCOMPARE(messageFor(1, "500", "500"), QStringLiteral(" "));
        QCOMPARE(messageFor(2, "350", "1200"), QStringLiteral(" SOGLIA RICCO 0-1000 "));
        QCOMPARE(messageFor(0, "350", "1200"), QStringLiteral(" "));
        // The order is judged even when a range has failed; both boxes turn red.
        QCOMPARE(
            messageFor(2, "1500", "1200"),
            QStringLiteral(" SOGLIA RICCO 0-1000 SOGLIA MAGRO 0-1000 SOGLIA RICCO > SOGLIA MAGRO"));
        QCOMPARE(m_lambda.check(v, m_italian).rejected, (QStringList{"Text5", "Text6"}));
        v.texts[QStringLiteral("Text3")] = QStringLiteral("650");
        QCOMPARE(messageFor(0, "350", "600"),
                 QStringLiteral(" SOGLIA GIRI INSERIMENTO CORREZIONE LAMBDA 700-8000 "));
    }

    // A probe type the ECU has not held shows no thresholds, and "Modifica" refuses the empty
    // boxes instead of writing a pair made up for another probe.
    void anUnseenProbeTypeAsksForItsThresholds() {
        ParameterSet ecu = defaultSet();
        ecu.setValue(Lambda1Type, 2);
        ecu.setValue(Lambda1LeanThreshold, 300);
        ecu.setValue(Lambda1RichThreshold, 700);
        LambdaThresholdMemory memory;
        memory.reset(ecu);
        PageValues v = m_lambda.valuesFrom(ecu);
        const auto shown = [&v] {
            return v.texts[QStringLiteral("Text6")] + QLatin1Char('/') +
                   v.texts[QStringLiteral("Text5")];
        };
        for (int unseen : {0, 1, 3}) {
            memory.select(v, unseen);
            QCOMPARE(shown(), QStringLiteral("/"));
            const FieldReport r = m_lambda.check(v, m_italian);
            QCOMPARE(r.rejected, (QStringList{"Text5", "Text6"}));
            QVERIFY(m_lambda.prepareWrite(v, m_italian).writes.empty());
        }
        QCOMPARE(m_lambda.check(v, m_italian).message,
                 QStringLiteral(" SOGLIA RICCO 0-1000 SOGLIA MAGRO 0-1000 "));
        memory.select(v, 2);
        QCOMPARE(shown(), QStringLiteral("300/700"));

        // A written type is remembered; the ECU's earlier type keeps its pair.
        ecu.setValue(Lambda1Type, 0);
        ecu.setValue(Lambda1LeanThreshold, 400);
        ecu.setValue(Lambda1RichThreshold, 800);
        memory.remember(ecu);
        memory.select(v, 0);
        QCOMPARE(shown(), QStringLiteral("400/800"));
        memory.select(v, 2);
        QCOMPARE(shown(), QStringLiteral("300/700"));
        memory.reset(ecu); // the page opens again: only the ECU's type is known
        memory.select(v, 2);
        QCOMPARE(shown(), QStringLiteral("/"));
    }

    // What a page offers, says and marks after each event: nothing to edit offline or while
    // a write runs, no write while the ECU does not answer, the mode pair showing the page's
    // mode; a mode change clears what was said and marked.
    void pageMachineFollowsItsEvents_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("phase");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<int>("tone");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("speedMark"); // Text1's
        const auto row = [](const char* events, Phase phase, const char* offered, Tone tone,
                            const char* text, Mark mark = Mark::None) {
            QTest::newRow(events) << QString::fromLatin1(events) << int(phase)
                                  << QString::fromLatin1(offered) << int(tone)
                                  << QString::fromLatin1(text) << int(mark);
        };
        row("offline write", Phase::ViewOnly, "0000", Tone::Hidden, "");
        row("open", Phase::Read, "0100", Tone::Hidden, "");
        row("open write", Phase::Write, "1111", Tone::Hidden, "");
        row("open write rejected", Phase::Write, "1111", Tone::Problem,
            " GIRI COMMUTAZIONE 1200-8000 ", Mark::Wrong);
        row("open write rejected read", Phase::Read, "0100", Tone::Hidden, "");
        row("open write noPort", Phase::Write, "1111", Tone::Problem, "/dev/ttyS0: no such file");
        row("open write modifica", Phase::Writing, "0010", Tone::Progress,
            "Scrittura in corso: 0 / 7", Mark::Sent);
        row("open write modifica read ack ack", Phase::Writing, "0010", Tone::Progress,
            "Scrittura in corso: 2 / 7", Mark::Sent);
        row("open write modifica ack ack lost", Phase::Writing, "0010", Tone::Problem,
            "PERSA COMUNICAZIONE - Scrittura in corso: 2 / 7", Mark::Sent);
        row("open write modifica ack lost found", Phase::Writing, "0010", Tone::Progress,
            "Scrittura in corso: 1 / 7", Mark::Sent);
        row("open write modifica exit", Phase::Writing, "0010", Tone::Progress,
            "USCITA AL TERMINE DELLA SCRITTURA\nPremere di nuovo EXIT per uscire subito",
            Mark::Sent);
        row("open write modifica lost found end", Phase::Read, "0100", Tone::Done,
            "Parametri scritti e verificati");
        row("open write lost", Phase::Write, "1110", Tone::Problem, "PERSA COMUNICAZIONE");
        row("open write lost modifica", Phase::Write, "1110", Tone::Problem, "PERSA COMUNICAZIONE");
        row("open write lost found", Phase::Write, "1111", Tone::Hidden, "");
    }
    void pageMachineFollowsItsEvents() {
        QFETCH(QString, events);
        SwitchingPage p;
        p.apply(events);
        QTEST(int(p.m.phase()), "phase");
        QTEST(p.offered(), "offered");
        QTEST(int(p.m.message().tone), "tone");
        QTEST(p.m.message().text, "text");
        QTEST(int(p.m.mark(QStringLiteral("Text1"))), "speedMark");
    }

    // How a write ends: what the ECU did not keep is marked, the set shows what it holds; an
    // EXIT asked during the write leaves at its end and the menu is told how it ended.
    void pageMachineEndsAWriteWithWhatTheEcuHolds() {
        SwitchingPage p;
        p.memory.refusedIds = {SwitchRpm, SwitchOnDeceleration};
        p.apply(QStringLiteral("open write"));
        PageValues v = p.typed("2500");
        v.choices[QStringLiteral("Option3")] = 0;
        QVERIFY(p.m.modifica(v));
        p.m.startWrite();
        QVERIFY(!p.answer(1000).has_value());
        QCOMPARE(p.m.message().text,
                 QStringLiteral("La centralina non ha memorizzato: GIRI COMMUTAZIONE (12), "
                                "SwitchOnDeceleration (59)"));
        QCOMPARE(p.m.message().tone, Tone::Problem);
        for (const char* c : {"Text1", "Option3"})
            QCOMPARE(p.m.mark(QString::fromLatin1(c)), Mark::Wrong);
        QCOMPARE(p.m.mark(QStringLiteral("Text2")), Mark::None);
        QCOMPARE(p.set.value(SwitchRpm), 2300);

        SwitchingPage leaving;
        leaving.apply(QStringLiteral("open write modifica ack exit"));
        QCOMPARE(leaving.answer(1000), QStringLiteral("Parametri scritti e verificati"));
        QCOMPARE(leaving.set.value(SwitchRpm), 2500);
        leaving.m.exitHeld(); // outside a write: nothing to wait for
        QVERIFY(!leaving.m.leavesWhenWritten());
    }

    void levelPointsAndLampsForRisingAndFallingSenders() {
        QCOMPARE(LevelIndicator::pointsFor(500, 4500, 30, 60, 90),
                 (LevelPoints{900, 1700, 2900, 4100}));
        QCOMPARE(LevelIndicator::pointsFor(4500, 500, 30, 60, 90),
                 (LevelPoints{400, 1200, 2400, 3600}));
        // Halves go to the even neighbour, taken on the whole point (1 + 0.5 -> 2):
        // 0.5 0.5 1.5 2.5, then 1.5 1.5 2.5 3.5, then 1.5 1.5 4.5 7.5.
        QCOMPARE(LevelIndicator::pointsFor(0, 5, 10, 30, 50), (LevelPoints{0, 0, 2, 2}));
        QCOMPARE(LevelIndicator::pointsFor(1, 6, 10, 30, 50), (LevelPoints{2, 2, 2, 4}));
        QCOMPARE(LevelIndicator::pointsFor(0, 15, 10, 30, 50), (LevelPoints{2, 2, 4, 8}));

        // Four steps: a point itself is the step below it.
        LevelIndicator indicator;
        indicator.configure(levelSet(500, 4500, 2));
        QCOMPARE(indicator.layout(), LevelLayout::FourStep);
        QCOMPARE(indicator.show(901).lit, QStringList{"Shape5"});
        QVERIFY(indicator.show(900).lit.isEmpty());
        QVERIFY(indicator.show(900).reserveBright);
        QCOMPARE(indicator.show(4101).lit.size(), 4);
        indicator.configure(levelSet(4500, 500, 2)); // falling: 1500 is 3000 below empty
        QCOMPARE(indicator.show(1500).lit, (QStringList{"Shape5", "Shape2", "Shape3"}));

        // Three steps: P1 is reserve, blinking dark twice then bright four times; a reading
        // above reserve starts the cycle over.
        indicator.configure(levelSet(500, 4500, 1));
        QCOMPARE(indicator.layout(), LevelLayout::ThreeStep);
        QCOMPARE(indicator.show(4101).lit, (QStringList{"Shape2", "Shape3", "Shape4"}));
        QString seen;
        for (int reading : {1700, 1700, 1700, 1700, 1701, 1700, 1700, 1700}) {
            const LevelIndicatorLamps l = indicator.show(reading);
            if (reading > 1700) {
                QCOMPARE(l.lit, QStringList{"Shape2"});
                continue;
            }
            QVERIFY(l.reserve && l.lit.isEmpty());
            seen += l.reserveBright ? QLatin1Char('B') : QLatin1Char('d');
        }
        QCOMPARE(seen, QStringLiteral("ddBBddB"));
    }

    // The level page's lamps follow a live reading; a lost link darkens them and withdraws
    // the setters until the next reading.
    void levelPageOffersOnlyALiveReading() {
        using Offered = LevelPageReading::Offered;
        LevelPageReading r;
        r.configure(levelSet(500, 4500, 2));
        QCOMPARE(r.offered(true), (Offered{true, false, false}));
        LevelPageReading::Fills f = r.reading(3000, 1);
        for (const char* on : {"Shape5", "Shape2", "Shape3"})
            QCOMPARE(f.value(QString::fromLatin1(on)), Colours::Green);
        QCOMPARE(f.value(QStringLiteral("Shape4")), LevelPageReading::StepDark);
        QCOMPARE(f.value(QStringLiteral("Shape1")), LevelPageReading::ReserveDark);
        QCOMPARE(f.value(QStringLiteral("Shape6")), Colours::Red); // on petrol
        f = r.reading(900, 0);
        QCOMPARE(f.value(QStringLiteral("Shape1")), Colours::Red);
        QCOMPARE(f.value(QStringLiteral("Shape5")), LevelPageReading::StepDark);
        QCOMPARE(f.value(QStringLiteral("Shape6")), Colours::Green);
        QCOMPARE(r.offered(true), (Offered{true, true, true}));
        QCOMPARE(r.offered(false), (Offered{false, false, true}));

        f = r.lost();
        QCOMPARE(f.size(), 6);
        for (auto it = f.cbegin(); it != f.cend(); ++it)
            QVERIFY2(it.value() != Colours::Green && it.value() != Colours::Red,
                     qPrintable(it.key()));
        QCOMPARE(r.offered(true), (Offered{true, false, false}));
    }

    void thresholdBarsStayOrderedAndKeepTheValuesTheyShow() {
        QCOMPARE(LevelThresholdRanges::around(30, 40, 60),
                 (LevelThresholdRanges{{10, 39}, {31, 59}, {41, 100}}));
        // Equal stored thresholds: no bar may clamp the value it shows.
        QCOMPARE(LevelThresholdRanges::around(30, 30, 30),
                 (LevelThresholdRanges{{10, 30}, {30, 30}, {30, 100}}));
    }

    void calibrationFieldsAreCheckedAgainstTheirRangesAndNeighbours() {
        CalibrationInput in = withTexts(calibrationFrom(defaultSet()), {{"Text6_1", "500"}});
        FieldReport r = rejectionOf(in);
        QCOMPARE(r.message, QStringLiteral("  RPM 500-500 RPM 650-2000"));
        QCOMPARE(r.rejected, (QStringList{"Text6_0", "Text6_1"}));

        // Equal neighbours pass.
        in = withTexts(calibrationFrom(defaultSet()),
                       {{"Text6_1", "650"}, {"Text6_15", "25000"}, {"Text6_20", "150"}});
        QVERIFY(CalibrationFields::check(in, m_italian).passed());
        in = withTexts(in, {{"Text6_15", "25001"}, {"Text6_20", "151"}, {"Text6_21", "99"}});
        r = rejectionOf(in);
        QCOMPARE(r.message, QStringLiteral("  TINJ 13000-25000 TAB KTAR 100-150 TAB KTAR 100-150"));
        QCOMPARE(r.rejected, (QStringList{"Text6_15", "Text6_20", "Text6_21"}));

        // An unreadable breakpoint is rejected; its neighbours are judged against the fence.
        in = withTexts(calibrationFrom(defaultSet()), {{"Text6_9", "3.5"}});
        QCOMPARE(rejectionOf(in).message, QStringLiteral("  TINJ 2000-5000"));

        in =
            withTexts(calibrationFrom(defaultSet()),
                      {{"Text10", ""}, {"Text25", "99999"}, {"Text24", "8001"}, {"Text26", "abc"}});
        r = rejectionOf(in);
        QCOMPARE(r.message, QStringLiteral(" Intervallo pressione 10-1000 Soglia giri inserimento  "
                                           "700-8000 Soglia giri inserimento  700-8000 "
                                           "Intervallo temperatura  2-50 "));
        QCOMPARE(r.rejected, (QStringList{"Text10", "Text25", "Text24", "Text26"}));

        // Values no control should let through are refused all the same.
        in = calibrationFrom(defaultSet());
        in.manual = true;
        in.manualKgb = 99;
        in.pressureCorrection = 6;
        QCOMPARE(rejectionOf(in).message, QStringLiteral(" Correttivo pressione 0-5 KGB 100-150 "));
    }

    // The ECU takes the correctives frame by frame (each spinner's value, not its box), then
    // both breakpoint rows, then the cells by address; in manual calibration every cell is the
    // coefficient being tried.
    void calibrationWritesGoInTheEcusOrder() {
        CalibrationInput in =
            withTexts(calibrationFrom(defaultSet()),
                      {{"Text10", "150"}, {"Text6_7", "7200"}, {"Text6_17", "121"}});
        in.pressureCorrection = 3;
        in.temperatureCorrection = 2;
        in.lambdaMaxVariation = 4;
        const Writes w = CalibrationFields::prepareWrite(in, m_italian).writes;
        QCOMPARE(listed(Writes(w.begin(), w.begin() + 7)),
                 QStringLiteral("21:3 22:150 23:1100 26:2 27:10 24:4 25:1500"));
        Writes rest;
        for (int i = 0; i < 16; ++i)
            rest.push_back({RpmBreakpoint1 + i,
                            i == 7 ? 7200 : defaultSet().value(RpmBreakpoint1 + i), false});
        for (int j = 1; j <= TableSize; ++j)
            rest.push_back({j, j == 2 ? 121 : 105, true});
        QCOMPARE(listed(Writes(w.begin() + 7, w.end())), listed(rest));

        in.manual = true;
        in.manualKgb = 120;
        const Writes manual = CalibrationFields::prepareWrite(in, m_italian).writes;
        QCOMPARE(manual.size(), w.size());
        for (int j = 1; j <= TableSize; ++j)
            QCOMPARE(manual[22 + j], (Entry{j, 120, true}));
    }
};

QTEST_GUILESS_MAIN(TestPages)
#include "test_pages.moc"
