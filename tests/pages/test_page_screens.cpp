// The parameter menu and the four parameter pages, driven through their controls against the
// virtual ECU or a scripted line, with the exchange ticked by the test.
#include "common/EcuRecords.h"
#include "common/Menu.h"

#include "link/Commands.h"
#include "screen/Shape.h"
#include "screens/pages/Form11.h"
#include "screens/pages/Form13.h"
#include "screens/pages/Form14.h"
#include "screens/pages/Form6.h"
#include "screens/vehicle/Form5.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

namespace {

// Consecutive repeats of a frame (a request sent again) counted once.
QList<QByteArray> distinct(const QList<QByteArray>& frames) {
    QList<QByteArray> out;
    for (const QByteArray& f : frames)
        if (out.isEmpty() || out.last() != f) out << f;
    return out;
}

// Parameter ids of the command-2 frames, in the order sent.
QList<int> writtenIds(const QList<QByteArray>& frames) {
    QList<int> ids;
    for (const QByteArray& f : distinct(frames))
        if (f.size() == 9 && f.at(4) == 2) ids << static_cast<unsigned char>(f.at(6));
    return ids;
}

QByteArray parameterBlock(const ParameterSet& set) {
    QByteArray data;
    for (int k = 1; k <= ParameterCount; ++k)
        data += bytes({(set.value(k) >> 8) & 0xFF, set.value(k) & 0xFF});
    return replyFrame(1, data);
}

QByteArray tableBlock(const ParameterSet& set) {
    QByteArray data;
    for (int j = 1; j <= TableSize; ++j)
        data += char(set.ktar(j));
    return replyFrame(8, data);
}

bool isRed(World& w, ScreenId id, const char* name) {
    return w.control<QWidget>(id, QString::fromLatin1(name))
        ->styleSheet()
        .contains(QStringLiteral("rgb(255,0,0)"));
}

// Ticks a page's exchange until its write has ended.
bool backToRead(ParameterPageForm* p) {
    return tickUntil([p] { p->Timer1Tick(); },
                     [p] { return p->phase() == ParameterPageForm::Phase::Read; });
}

} // namespace

class TestPageScreens : public QObject {
    Q_OBJECT

    // A world whose tool holds the virtual ECU's set, as after the main menu's upload.
    static void uploaded(World& w) { uploadFrom(w.ecu.memory(), w.g.parameters); }

    template <class F> static F* openPage(World& w, ScreenId id) {
        w.host.show(id);
        return w.screen<F>(id);
    }

    static QString text(World& w, ScreenId id, const char* name) {
        auto* l = w.control<QWidget>(id, QString::fromLatin1(name));
        if (auto* label = qobject_cast<QLabel*>(l)) return label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(l)) return edit->text();
        return QString();
    }
    static void type(World& w, ScreenId id, const char* box, const QString& value) {
        w.control<QLineEdit>(id, QString::fromLatin1(box))->setText(value);
    }
    static QColor fill(World& w, const char* shape) {
        return w.control<Shape>(ScreenId::Form14, QString::fromLatin1(shape))->fill();
    }

private slots:
    // Every page writes its parameters in its own order, one acknowledgement at a time, and
    // the set changes only once the read-back is in.
    void eachPageWritesInItsOrderAndCommitsFromTheReadBack_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("value");
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<QString>("messageLine");
        QTest::newRow("other parameters")
            << 13 << "Text3" << int(CalibrationPressure) << 1500
            << QList<int>{57, 33, 2, 1, 29, 10, 11, 28, 23} << "Label3";
        QTest::newRow("lambda") << 6 << "Text3" << int(LambdaCorrectionRpm) << 2000
                                << QList<int>{3, 4, 5, 25} << "Label1";
        QTest::newRow("switching") << 11 << "Text1" << int(SwitchRpm) << 2500
                                   << QList<int>{59, 61, 12, 14, 15, 13, 30} << "Label10";
        QTest::newRow("level") << 14 << "Text1" << int(LevelMin) << 400
                               << QList<int>{58, 19, 20, 16, 17, 18} << "Label11";
    }
    void eachPageWritesInItsOrderAndCommitsFromTheReadBack() {
        QFETCH(int, page);
        QFETCH(QString, box);
        QFETCH(int, id);
        QFETCH(int, value);
        QFETCH(QList<int>, order);
        QFETCH(QString, messageLine);
        World w;
        uploaded(w);
        const ScreenId self = static_cast<ScreenId>(page);
        auto* p = openPage<ParameterPageForm>(w, self);
        const int before = w.g.parameters.value(id);
        const QString writeMode = page == 6 ? QStringLiteral("Option4") : QStringLiteral("Option2");
        w.click(self, writeMode);
        type(w, self, qPrintable(box), QString::number(value));
        w.click(self, QStringLiteral("Command2"));
        QCOMPARE(p->phase(), ParameterPageForm::Phase::Writing);
        QVERIFY(!w.control(self, writeMode)->isEnabled());
        QVERIFY(w.dialogs.busy);
        bool stored = false;
        QVERIFY(tickUntil([&] { p->Timer1Tick(); },
                          [&] {
                              // Not a value reaches the set while the ECU has not confirmed.
                              if (p->phase() == ParameterPageForm::Phase::Writing)
                                  stored |= w.g.parameters.value(id) != before;
                              return p->phase() != ParameterPageForm::Phase::Writing;
                          }));
        QVERIFY(!stored);
        QCOMPARE(writtenIds(w.ecu.received()), order);
        QCOMPARE(int(w.ecu.memory().words[id]), value);
        QCOMPARE(w.g.parameters.value(id), value);
        QVERIFY(w.control<QLineEdit>(self, box)->isReadOnly()); // back in read mode
        QVERIFY(!w.dialogs.busy);
        QCOMPARE(text(w, self, qPrintable(messageLine)),
                 QStringLiteral("Parametri scritti e verificati"));
    }

    // A rejected field: red, named with its range in the message line, and not a byte sent.
    void rejectedFieldsSendNothing() {
        World w;
        uploaded(w);
        openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, QStringLiteral("Option2"));
        type(w, ScreenId::Form11, "Text4", QStringLiteral("81"));
        type(w, ScreenId::Form11, "Text1", QString());
        w.click(ScreenId::Form11, QStringLiteral("Command2"));
        QCOMPARE(text(w, ScreenId::Form11, "Label10"),
                 QStringLiteral(" GIRI COMMUTAZIONE 1200-8000 TEMPERATURA COMMUTAZIONE 40-80 "));
        QVERIFY(isRed(w, ScreenId::Form11, "Text1"));
        QVERIFY(isRed(w, ScreenId::Form11, "Text4"));
        QVERIFY(!isRed(w, ScreenId::Form11, "Text2"));
        QVERIFY(w.ecu.received().isEmpty());
    }

    // Each probe type shows its own remembered thresholds; the order rule follows the type.
    void lambdaTypesShowTheirThresholds() {
        World w;
        w.ecu.memory().words[Lambda1Type] = 2;
        w.ecu.memory().words[Lambda1LeanThreshold] = 300;
        w.ecu.memory().words[Lambda1RichThreshold] = 700;
        uploaded(w);
        auto* p = openPage<Form6>(w, ScreenId::Form6);
        const auto shown = [&w] {
            return text(w, ScreenId::Form6, "Text6") + QLatin1Char('/') +
                   text(w, ScreenId::Form6, "Text5");
        };
        w.click(ScreenId::Form6, QStringLiteral("Option4"));
        w.click(ScreenId::Form6, QStringLiteral("Option1_0"));
        QCOMPARE(shown(), QStringLiteral("/")); // a type never seen: asked for
        w.click(ScreenId::Form6, QStringLiteral("Option1_2"));
        QCOMPARE(shown(), QStringLiteral("300/700"));

        // A written type keeps its new pair; the ECU's old type keeps its own.
        w.click(ScreenId::Form6, QStringLiteral("Option1_0"));
        type(w, ScreenId::Form6, "Text6", QStringLiteral("400"));
        type(w, ScreenId::Form6, "Text5", QStringLiteral("800"));
        w.click(ScreenId::Form6, QStringLiteral("Command2"));
        QVERIFY(backToRead(p));
        QCOMPARE(int(w.ecu.memory().words[Lambda1Type]), 0);
        w.click(ScreenId::Form6, QStringLiteral("Option4"));
        w.click(ScreenId::Form6, QStringLiteral("Option1_2"));
        QCOMPARE(shown(), QStringLiteral("300/700"));
        w.click(ScreenId::Form6, QStringLiteral("Option1_0"));
        QCOMPARE(shown(), QStringLiteral("400/800"));
    }

    // The level page polls the sender and lights the lamps as the car would.
    void levelLampsFollowTheLiveReading() {
        // Empty at 500 mV, full at 4500, thresholds 30, 60, 90 %.
        const auto page = [](World& w, int sender) {
            SetParameterDefaults(w.g.parameters);
            w.g.parameters.setValue(LevelMin, 500);
            w.g.parameters.setValue(LevelMax, 4500);
            w.g.parameters.setValue(LevelThreshold1, 30);
            w.g.parameters.setValue(LevelThreshold2, 60);
            w.g.parameters.setValue(LevelThreshold3, 90);
            w.g.parameters.setValue(LevelSenderType, sender);
            return openPage<Form14>(w, ScreenId::Form14);
        };
        const QColor lit(0, 255, 0);
        {
            World w(World::Links::Scripted);
            auto* p = page(w, 2);
            ScriptedLink* line = w.scripted.front();
            p->Timer1Tick();
            QCOMPARE(line->written.last(), bytes({0x50, 0x43, 0x00, 0x06, 0x0A, 0x00}));
            w.click(ScreenId::Form14, QStringLiteral("Option2"));
            QVERIFY(!w.control(ScreenId::Form14, QStringLiteral("Command3"))->isEnabled());
            line->arriving = calibrationRecord({.levelInputMv = 3000, .onPetrol = true});
            p->Timer1Tick();
            QCOMPARE(text(w, ScreenId::Form14, "Text6"), QStringLiteral("3000"));
            for (const char* on : {"Shape5", "Shape2", "Shape3"})
                QCOMPARE(fill(w, on), lit);
            QVERIFY(fill(w, "Shape4") != lit);
            QCOMPARE(fill(w, "Shape1"), QColor(110, 0, 0));
            QCOMPARE(fill(w, "Shape6"), QColor(255, 0, 0)); // on petrol
            w.click(ScreenId::Form14, QStringLiteral("Command3"));
            QCOMPARE(text(w, ScreenId::Form14, "Text2"), QStringLiteral("3000"));
        }
        {
            World w(World::Links::Scripted);
            auto* p = page(w, 1);
            QVERIFY(w.control<QWidget>(ScreenId::Form14, QStringLiteral("Shape5"))->isHidden());
            QVERIFY(w.control<QWidget>(ScreenId::Form14, QStringLiteral("Label7"))->isHidden());
            QVERIFY(!w.control<QWidget>(ScreenId::Form14, QStringLiteral("Label3"))->isHidden());
            // Exactly P1 is reserve in three steps: the lamp blinks dark, dark, bright x4.
            QString blink;
            p->Timer1Tick(); // the first request
            for (int i = 0; i < 7; ++i) {
                w.scripted.front()->arriving = calibrationRecord({.levelInputMv = 1700});
                p->Timer1Tick();
                blink +=
                    fill(w, "Shape1") == QColor(255, 0, 0) ? QLatin1Char('B') : QLatin1Char('d');
            }
            QCOMPARE(blink, QStringLiteral("ddBBBBd"));
            QVERIFY(fill(w, "Shape2") != lit);
        }
    }

    // A reading that is no longer live is shown greyed, lights no lamp and cannot be set as
    // empty or full; while a write runs nothing the write would not send can be moved.
    void levelPageOffersOnlyWhatIsLiveAndWritten() {
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.parameters.setValue(LevelMin, 500);
        w.g.parameters.setValue(LevelMax, 4500);
        w.g.parameters.setValue(LevelSenderType, 2);
        auto* p = openPage<Form14>(w, ScreenId::Form14);
        ScriptedLink* line = w.scripted.front();
        const auto reading = [&] {
            line->arriving = calibrationRecord({.levelInputMv = 3000, .onPetrol = true});
            p->Timer1Tick();
        };
        const auto offered = [&w] {
            QString out;
            for (const char* c : {"Text6", "Command3", "Command4", "VScroll1", "VScroll2"})
                out += w.control<QWidget>(ScreenId::Form14, QString::fromLatin1(c))->isEnabled()
                           ? QLatin1Char('1')
                           : QLatin1Char('0');
            return out;
        };
        const QColor lit(0, 255, 0);
        p->Timer1Tick();
        reading();
        w.click(ScreenId::Form14, QStringLiteral("Option2"));
        QCOMPARE(offered(), QStringLiteral("11111"));

        for (int i = 0; i < 17; ++i) // the ECU falls silent
            p->Timer1Tick();
        QVERIFY(!p->hasReading());
        QCOMPARE(offered(), QStringLiteral("00011"));
        QCOMPARE(text(w, ScreenId::Form14, "Text6"), QStringLiteral("3000"));
        for (const char* lamp : {"Shape5", "Shape2", "Shape3", "Shape6"})
            QVERIFY2(fill(w, lamp) != lit && fill(w, lamp) != QColor(255, 0, 0), lamp);
        line->arriving = replyFrame(Commands::Version, bytes({2, 4, 7}));
        p->Timer1Tick();
        reading();
        QCOMPARE(offered(), QStringLiteral("11111"));
        QCOMPARE(fill(w, "Shape5"), lit);

        w.click(ScreenId::Form14, QStringLiteral("Command2"));
        QCOMPARE(p->phase(), ParameterPageForm::Phase::Writing);
        QCOMPARE(offered(), QStringLiteral("10000"));
    }

    // The threshold bars keep the thresholds increasing and never move a value on their own.
    void thresholdBarsKeepTheOrder() {
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.parameters.setValue(LevelThreshold1, 30);
        w.g.parameters.setValue(LevelThreshold2, 40);
        w.g.parameters.setValue(LevelThreshold3, 40); // equal thresholds from the ECU
        openPage<Form14>(w, ScreenId::Form14);
        auto* first = w.control<QScrollBar>(ScreenId::Form14, QStringLiteral("VScroll3"));
        auto* second = w.control<QScrollBar>(ScreenId::Form14, QStringLiteral("VScroll2"));
        QCOMPARE(first->maximum(), 39);
        QCOMPARE(second->value(), 40);
        QCOMPARE(w.control<QScrollBar>(ScreenId::Form14, QStringLiteral("VScroll1"))->value(), 40);
        QVERIFY(!first->isEnabled());
        w.click(ScreenId::Form14, QStringLiteral("Option2"));
        first->setValue(35);
        QCOMPARE(text(w, ScreenId::Form14, "Text3"), QStringLiteral("35"));
        QCOMPARE(second->minimum(), 36);
    }

    // The bulk write on a scripted line: parameters 1..62, then table entries 1..64, one per
    // acknowledgement, then the read-back. Stray acknowledgements move nothing.
    void bulkWriteGoesOutInImageOrderThenReadsBack() {
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        ParameterSet config = w.g.parameters;
        config.setValue(EndOfGasPressure, 300);
        config.setValue(SwitchRpm, 5000);
        config.setValue(RpmBreakpoint1 + 7, 25000);
        QVERIFY(menu->startBulkWrite(config, true));
        ScriptedLink* line = w.scripted.front();
        QVERIFY(!w.control(ScreenId::Form5, QStringLiteral("Command4"))->isEnabled());
        QVERIFY(!w.control<QWidget>(ScreenId::Form5, QStringLiteral("Text4"))->isHidden());
        const auto answer = [&](const QByteArray& reply) {
            line->arriving = reply;
            menu->Timer1Tick();
        };
        menu->Timer1Tick();
        for (int k = 1; k <= 62; ++k)
            answer(replyFrame(2));
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("Scrittura in corso: 62 / 126"));
        QCOMPARE(line->written.last(), bytes({0x50, 0x43, 0x00, 0x07, 0x09, 0x01, 0x69}));
        answer(replyFrame(2));                 // a late parameter acknowledgement
        answer(replyFrame(9) + replyFrame(9)); // two in one read: the first write's, once
        QCOMPARE(menu->bulkWrite().acknowledged(), 63);
        for (int j = 2; j <= 64; ++j)
            answer(replyFrame(9));
        QCOMPARE(line->written.last(), Commands::frame(Commands::ReadParameters));
        answer(parameterBlock(config));
        answer(tableBlock(config));

        QList<QByteArray> expected;
        for (int k = 1; k <= 62; ++k)
            expected << Commands::writeParameter(k, config.value(k));
        for (int j = 1; j <= 64; ++j)
            expected << Commands::writeTableEntry(j, config.ktar(j));
        expected << Commands::frame(1) << Commands::frame(8);
        QCOMPARE(distinct(line->written), expected);
        QVERIFY(line->written.contains(bytes({0x50, 0x43, 0, 9, 2, 0, 30, 0x01, 0x2C})));
        QVERIFY(line->written.contains(bytes({0x50, 0x43, 0, 9, 2, 0, 12, 0x13, 0x88})));
        QVERIFY(line->written.contains(bytes({0x50, 0x43, 0, 9, 2, 0, 41, 0x61, 0xA8})));

        QCOMPARE(menu->phase(), Form5::Phase::Idle);
        QVERIFY(w.g.parameters == config);
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("Parametri scritti e verificati"));
        QVERIFY(w.control<QWidget>(ScreenId::Form5, QStringLiteral("Text4"))->isHidden());
        QVERIFY(!line->isOpen());
        QVERIFY(w.control(ScreenId::Form5, QStringLiteral("Command4"))->isEnabled());
    }

    // A fifth of the replies lost and some later than the next tick: the bulk write still
    // leaves the ECU holding exactly the image, and says it verified it.
    void bulkWriteThroughABadLineEndsVerified() {
        FaultSettings faults;
        faults.seed = 11;
        faults.dropRate = 0.2;
        faults.lateMs = 120;
        faults.lateRate = 0.15;
        VirtualEcu ecu(EcuMemory::factory(), {}, faults);
        ecu.useManualClock();
        World w;
        w.context.linkFactory = [&ecu] { return std::make_unique<InProcessLink>(ecu); };
        uploadFrom(ecu.memory(), w.g.parameters);
        ParameterSet config = w.g.parameters;
        config.setValue(SwitchRpm, 2500);
        for (int j = 1; j <= TableSize; ++j)
            config.setKtar(j, 100 + j % 40);
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        QVERIFY(menu->startBulkWrite(config, false));
        QVERIFY(tickUntil(
            [&] {
                ecu.advance(menu->cycle().intervalMs());
                menu->Timer1Tick();
            },
            [menu] { return menu->phase() == Form5::Phase::Idle; }, 5000));
        QVERIFY(ecu.line().counts().dropped > 20);
        QCOMPARE(menu->bulkWrite().result(), WriteSequence::Result::Verified);
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("Parametri scritti e verificati"));
        ParameterSet held;
        uploadFrom(ecu.memory(), held);
        QVERIFY(held == config);
        QVERIFY(w.g.parameters == config);
    }

    // EXIT waits for a bulk write while the ECU answers; once it is lost, EXIT leaves and
    // says, once, how far the write got; the set holds exactly what was confirmed.
    void bulkWriteLeftWhileLostSaysHowFarItGot() {
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.parametersFromEcu = true;
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        ParameterSet config = w.g.parameters;
        config.setValue(InjectorCount, 6);
        config.setValue(Lambda1Type, 1);
        QVERIFY(menu->startBulkWrite(config, false));
        ScriptedLink* line = w.scripted.front();
        menu->Timer1Tick();
        for (int k = 0; k < 2; ++k) {
            line->arriving = replyFrame(2);
            menu->Timer1Tick();
        }
        w.click(ScreenId::Form5, QStringLiteral("Command8"));
        QVERIFY(w.host.isVisible(ScreenId::Form5));
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA\n"
                                "Premere di nuovo EXIT per uscire subito"));
        for (int i = 0; i < 17; ++i)
            menu->Timer1Tick();
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("PERSA COMUNICAZIONE - Scrittura in corso: 2 / 126"));
        QVERIFY(w.dialogs.messages.isEmpty());
        // Nothing goes to the ECU while the box waits for the fitter.
        bool exchanging = true;
        w.dialogs.whileOpen = [&] { exchanging = menu->cycle().isRunning(); };
        w.click(ScreenId::Form5, QStringLiteral("Command8"));
        QVERIFY(!exchanging);
        QVERIFY(!w.host.isVisible(ScreenId::Form5));
        QCOMPARE(w.dialogs.messages,
                 QStringList{
                     QStringLiteral("Scrittura interrotta: la centralina ha confermato 2 scritture "
                                    "su 126")});
        QCOMPARE(w.g.parameters.value(InjectorCount), 6);
        QCOMPARE(w.g.parameters.value(Lambda1Type), 2);
        // Half one configuration and half the other: not to be saved as an archive.
        QVERIFY(!w.g.parametersFromEcu);
    }

    // Hot switching off and acceleration chosen, against an ECU that acknowledges SwitchRpm
    // but keeps its old value: the options are locked while the write runs, the page names
    // the value not kept, and what the ECU holds is shown and marked red.
    void theSwitchingPageShowsWhatTheEcuHolds() {
        World w;
        w.ecu.memory().refusedIds = {SwitchRpm};
        uploaded(w);
        auto* p = openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, QStringLiteral("Option2"));
        type(w, ScreenId::Form11, "Text1", QStringLiteral("2500"));
        w.click(ScreenId::Form11, QStringLiteral("Check1"));
        w.click(ScreenId::Form11, QStringLiteral("Option3_0"));
        w.click(ScreenId::Form11, QStringLiteral("Command2"));
        QVERIFY(!w.control(ScreenId::Form11, QStringLiteral("Option3_1"))->isEnabled());
        QVERIFY(!w.control(ScreenId::Form11, QStringLiteral("Check1"))->isEnabled());
        QVERIFY(backToRead(p));
        QCOMPARE(
            distinct(w.ecu.received()).mid(0, 3),
            (QList<QByteArray>{Commands::writeParameter(59, 0), Commands::writeParameter(61, 0),
                               Commands::writeParameter(SwitchRpm, 2500)}));
        QCOMPARE(p->writes().result(), WriteSequence::Result::Differences);
        QCOMPARE(text(w, ScreenId::Form11, "Label10"),
                 QStringLiteral("La centralina non ha memorizzato: GIRI COMMUTAZIONE (12)"));
        QCOMPARE(w.g.parameters.value(SwitchRpm), 2300);
        QCOMPARE(text(w, ScreenId::Form11, "Text1"), QStringLiteral("2300"));
        QVERIFY(isRed(w, ScreenId::Form11, "Text1"));
        QVERIFY(isRed(w, ScreenId::Form11, "Option3_0"));
        QVERIFY(!isRed(w, ScreenId::Form11, "Option3_1"));

        // Read mode drops what was typed and shows the set again.
        w.click(ScreenId::Form11, QStringLiteral("Option2"));
        type(w, ScreenId::Form11, "Text1", QStringLiteral("7777"));
        w.click(ScreenId::Form11, QStringLiteral("Option1"));
        QCOMPARE(text(w, ScreenId::Form11, "Text1"), QStringLiteral("2300"));
    }

    // "Valori di default", once the fitter confirms: 5, then the parameters and the table,
    // and the set is the ECU's.
    void defaultsAreRestoredThenReadBack() {
        World w;
        w.ecu.memory().words[SwitchRpm] = 3000;
        w.ecu.memory().table[5] = 120;
        uploaded(w);
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        w.dialogs.answer = false;
        w.click(ScreenId::Form5, QStringLiteral("Command7"));
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY(w.dialogs.messages.last().startsWith(QStringLiteral("Ripristinare")));
        QCOMPARE(menu->phase(), Form5::Phase::Idle);
        QVERIFY(!menu->link().isOpen());
        menu->Timer1Tick();
        QVERIFY(w.ecu.received().isEmpty());
        w.dialogs.answer = true;
        w.click(ScreenId::Form5, QStringLiteral("Command7"));
        QVERIFY(!w.control(ScreenId::Form5, QStringLiteral("Command1"))->isEnabled());
        QVERIFY(tickUntil([menu] { menu->Timer1Tick(); },
                          [menu] { return menu->phase() == Form5::Phase::Idle; }));
        QCOMPARE(w.commandsSeen(), (QList<int>{5, 1, 8}));
        ParameterSet factory;
        uploadFrom(EcuMemory::factory(), factory);
        QVERIFY(w.g.parameters == factory);
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("Valori di default ripristinati"));
        QVERIFY(!menu->link().isOpen());
    }

    // A set not wholly the ECU's is not saved; the menu reads it again itself, checked and
    // repaired as the main menu's upload, and then it may be saved.
    void theMenuReadsTheSetAgainBeforeItIsSaved() {
        FaultSettings faults;
        faults.outOfRange = true;
        World w(EngineSettings{}, faults);
        SetParameterDefaults(w.g.parameters);
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        w.click(ScreenId::Form5, QStringLiteral("Command9"));
        QVERIFY(text(w, ScreenId::Form5, "StatusText")
                    .contains(QStringLiteral("\"Rileggi dalla centralina\"")));
        w.click(ScreenId::Form5, QStringLiteral("Command10"));
        QCOMPARE(menu->phase(), Form5::Phase::Reading);
        QVERIFY(tickUntil([menu] { menu->Timer1Tick(); },
                          [menu] { return menu->phase() == Form5::Phase::Idle; }, 400));
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("Configurazione riletta dalla centralina"));
        QVERIFY(w.g.parametersFromEcu);
        ParameterSet held;
        uploadFrom(w.ecu.memory(), held);
        QVERIFY(w.g.parameters == held);
        QCOMPARE(w.g.parameters.ktar(1), 105); // an out-of-range cell was repaired
        QVERIFY(!menu->link().isOpen());
    }

    // A restore sent but never acknowledged may still have been carried out: leaving then
    // says so, and the set is no longer taken for the ECU's.
    void anUnconfirmedRestoreIsNotLeftInSilence() {
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.parametersFromEcu = true;
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        w.click(ScreenId::Form5, QStringLiteral("Command7"));
        for (int i = 0; i < 18; ++i)
            menu->Timer1Tick();
        QCOMPARE(w.scripted.front()->written.first(), Commands::frame(Commands::RestoreDefaults));
        QVERIFY(menu->cycle().isLost());
        w.click(ScreenId::Form5, QStringLiteral("Command8"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QCOMPARE(w.dialogs.messages.size(), 2); // the question before the restore, then this
        QVERIFY(w.dialogs.messages.last().startsWith(
            QStringLiteral("Ripristino dei valori di default non confermato")));
        QVERIFY(!w.g.parametersFromEcu);

        // Acknowledged, but every read-back garbled: the first EXIT waits, a second leaves.
        World again(World::Links::Scripted);
        SetParameterDefaults(again.g.parameters);
        again.g.parametersFromEcu = true;
        menu = openPage<Form5>(again, ScreenId::Form5);
        again.click(ScreenId::Form5, QStringLiteral("Command7"));
        again.scripted.front()->respond = acknowledgeButGarbleReads;
        for (int i = 0; i < 6; ++i)
            menu->Timer1Tick();
        again.click(ScreenId::Form5, QStringLiteral("Command8"));
        QVERIFY(again.host.isVisible(ScreenId::Form5));
        again.click(ScreenId::Form5, QStringLiteral("Command8"));
        QVERIFY(again.host.isVisible(ScreenId::Form2));
        QVERIFY(again.dialogs.messages.last().startsWith(
            QStringLiteral("Valori di default ripristinati ma non riletti")));
        QVERIFY(!again.g.parametersFromEcu);
    }

    // An ECU that answers every read-back with a wrong length keeps the write from ending;
    // the first EXIT waits for it, a second one (or the close box, asked once) leaves now, and
    // the menu says what the ECU confirmed. The set no longer counts as the ECU's.
    void aSecondExitLeavesAWriteThatCannotEnd_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("EXIT twice") << false;
        QTest::newRow("close box") << true;
    }
    void aSecondExitLeavesAWriteThatCannotEnd() {
        QFETCH(bool, closeBox);
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.parametersFromEcu = true;
        auto* p = openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, QStringLiteral("Option2"));
        type(w, ScreenId::Form11, "Text1", QStringLiteral("2500"));
        w.click(ScreenId::Form11, QStringLiteral("Command2"));
        ScriptedLink* line = w.scripted.front();
        QByteArray badBlock = parameterBlock(w.g.parameters);
        badBlock[3] = char(128);
        const auto exchange = [&] {
            const QByteArray& last = line->written.isEmpty() ? QByteArray() : line->written.last();
            line->arriving = Commands::commandOf(last) == Commands::WriteParameter
                                 ? replyFrame(Commands::WriteParameter)
                                 : badBlock;
            p->Timer1Tick();
        };
        p->Timer1Tick();
        for (int i = 0; i < 10; ++i)
            exchange();
        QCOMPARE(line->written.last(), Commands::frame(Commands::ReadParameters));
        if (closeBox) {
            p->close();
            QCOMPARE(w.dialogs.messages.size(), 1); // the question
        } else {
            w.click(ScreenId::Form11, QStringLiteral("Command1"));
            QVERIFY(w.host.isVisible(ScreenId::Form11));
            QVERIFY(text(w, ScreenId::Form11, "Label10").contains(QStringLiteral("di nuovo EXIT")));
            for (int i = 0; i < 4; ++i)
                exchange();
            w.click(ScreenId::Form11, QStringLiteral("Command1"));
        }
        QVERIFY(!w.host.isVisible(ScreenId::Form11));
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"),
                 QStringLiteral("Scrittura interrotta: la centralina ha confermato 7 scritture "
                                "su 7"));
        QCOMPARE(w.g.parameters.value(SwitchRpm), 2500);
        QVERIFY(!w.g.parametersFromEcu);
    }

    // The link lost in the middle of a page's write: one line, no box; the write resumes at
    // its slot when the ECU answers; EXIT while it is lost leaves and the menu says how many
    // writes the ECU confirmed, which is what the set now holds.
    void lostLinkResumesOrLeavesWithTheCount() {
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.EcuVersion = {2, 4, 7};
        auto* p = openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, QStringLiteral("Option2"));
        w.click(ScreenId::Form11, QStringLiteral("Option3_0"));
        type(w, ScreenId::Form11, "Text1", QStringLiteral("2500"));
        w.click(ScreenId::Form11, QStringLiteral("Command2"));
        ScriptedLink* line = w.scripted.front();
        p->Timer1Tick();
        line->arriving = replyFrame(2);
        p->Timer1Tick();
        line->arriving = replyFrame(2);
        p->Timer1Tick(); // the third write (SwitchRpm) goes out, and nothing comes back
        for (int i = 0; i < 17; ++i)
            p->Timer1Tick();
        QCOMPARE(text(w, ScreenId::Form11, "Label10"),
                 QStringLiteral("PERSA COMUNICAZIONE - Scrittura in corso: 2 / 7"));
        QCOMPARE(line->written.last(), Commands::frame(Commands::Version));
        QCOMPARE(p->cycle().intervalMs(), 2000);
        QVERIFY(w.dialogs.messages.isEmpty());
        line->arriving = replyFrame(7, bytes({2, 4, 7}));
        p->Timer1Tick();
        QCOMPARE(line->written.last(), Commands::writeParameter(SwitchRpm, 2500));

        for (int i = 0; i < 17; ++i)
            p->Timer1Tick();
        w.click(ScreenId::Form11, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form5));
        QCOMPARE(
            text(w, ScreenId::Form5, "StatusText"),
            QStringLiteral("Scrittura interrotta: la centralina ha confermato 2 scritture su 7"));
        QCOMPARE(w.g.parameters.value(SwitchOnDeceleration), 0); // acknowledged
        QCOMPARE(w.g.parameters.value(SwitchRpm), 2300);         // never confirmed
    }

    // With the ECU answering, EXIT waits for the write to end, then leaves.
    void exitDuringAWriteWaitsForItsEnd() {
        World w;
        uploaded(w);
        auto* p = openPage<Form13>(w, ScreenId::Form13);
        w.click(ScreenId::Form13, QStringLiteral("Option2"));
        w.click(ScreenId::Form13, QStringLiteral("Command2"));
        p->Timer1Tick();
        w.click(ScreenId::Form13, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form13));
        QCOMPARE(text(w, ScreenId::Form13, "Label3"),
                 QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA\n"
                                "Premere di nuovo EXIT per uscire subito"));
        QVERIFY(tickUntil([p] { p->Timer1Tick(); },
                          [&w] { return w.host.isVisible(ScreenId::Form5); }));
        QCOMPARE(writtenIds(w.ecu.received()).size(), 9);
        QVERIFY(!w.host.isVisible(ScreenId::Form13));
    }

    // A port that cannot be opened is told on the screen that tried, and nothing is stuck.
    void aPortThatWillNotOpenIsToldWhereItFailed() {
        World w(World::Links::Scripted);
        w.failOpenWith = EcuLink::ErrorOther;
        SetParameterDefaults(w.g.parameters);
        openPage<Form14>(w, ScreenId::Form14);
        QCOMPARE(text(w, ScreenId::Form14, "Label11"), QStringLiteral("scripted error"));
        auto* p = openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, QStringLiteral("Option2"));
        w.click(ScreenId::Form11, QStringLiteral("Command2"));
        QCOMPARE(text(w, ScreenId::Form11, "Label10"), QStringLiteral("scripted error"));
        QCOMPARE(p->phase(), ParameterPageForm::Phase::Write);
        QVERIFY(w.control(ScreenId::Form11, QStringLiteral("Command2"))->isEnabled());
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        w.click(ScreenId::Form5, QStringLiteral("Command7"));
        QCOMPARE(text(w, ScreenId::Form5, "StatusText"), QStringLiteral("scripted error"));
        QCOMPARE(menu->phase(), Form5::Phase::Idle);
        QVERIFY(w.control(ScreenId::Form5, QStringLiteral("Command7"))->isEnabled());
        QVERIFY(!menu->startBulkWrite(w.g.parameters, false));
    }

    // Without a connection: pages to look at, nothing that talks to the ECU.
    void notConnectedOffersOnlyViewing() {
        World w(World::Links::Scripted);
        w.g.ConnectedMode = WorkMode::NotConnected;
        SetParameterDefaults(w.g.parameters);
        openPage<Form5>(w, ScreenId::Form5);
        for (const char* b : {"Command5", "Command7", "Command9"})
            QVERIFY(!w.control(ScreenId::Form5, QString::fromLatin1(b))->isEnabled());
        QVERIFY(w.control(ScreenId::Form5, QStringLiteral("Command1"))->isEnabled());
        w.click(ScreenId::Form5, QStringLiteral("Command4"));
        QVERIFY(w.host.isVisible(ScreenId::Form14));
        QVERIFY(!w.control(ScreenId::Form14, QStringLiteral("Option2"))->isEnabled());
        for (const ScriptedLink* link : w.scripted)
            QCOMPARE(link->opens, 0);
        QVERIFY(text(w, ScreenId::Form14, "Text6").isEmpty());
        w.click(ScreenId::Form14, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form5));
    }
};

QTEST_MAIN(TestPageScreens)
#include "test_page_screens.moc"
