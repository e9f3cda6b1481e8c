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

#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

namespace {

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

    static QColor fill(World& w, const char* shape) {
        return w.control<Shape>(ScreenId::Form14, QString::fromLatin1(shape))->fill();
    }

private slots:
    // Every page writes its parameters (each page's order is ParameterPage's), and the set
    // changes only once the read-back is in.
    void eachPageWritesAndCommitsFromTheReadBack_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("messageLine");
        QTest::newRow("other parameters")
            << 13 << "Text3" << int(CalibrationPressure) << 1500 << "Label3";
        QTest::newRow("lambda") << 6 << "Text3" << int(LambdaCorrectionRpm) << 2000 << "Label1";
        QTest::newRow("switching") << 11 << "Text1" << int(SwitchRpm) << 2500 << "Label10";
        QTest::newRow("level") << 14 << "Text1" << int(LevelMin) << 400 << "Label11";
    }
    void eachPageWritesAndCommitsFromTheReadBack() {
        QFETCH(int, page);
        QFETCH(QString, box);
        QFETCH(int, id);
        QFETCH(int, value);
        QFETCH(QString, messageLine);
        World w;
        uploaded(w);
        const ScreenId self = static_cast<ScreenId>(page);
        auto* p = openPage<ParameterPageForm>(w, self);
        const int before = w.g.parameters.value(id);
        const QString writeMode = page == 6 ? QStringLiteral("Option4") : QStringLiteral("Option2");
        w.click(self, writeMode);
        w.type(self, qPrintable(box), QString::number(value));
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
        QCOMPARE(int(w.ecu.memory().words[id]), value);
        QCOMPARE(w.g.parameters.value(id), value);
        QVERIFY(w.control<QLineEdit>(self, box)->isReadOnly()); // back in read mode
        QVERIFY(!w.dialogs.busy);
        QCOMPARE(w.text(self, qPrintable(messageLine)),
                 QStringLiteral("Parametri scritti e verificati"));
    }

    // The page's marks and locks on its controls: a rejected box red and not a byte sent; the
    // options locked while the write runs; afterwards the value the ECU did not keep shown
    // as it holds it and red, the held option red; read mode drops what was typed.
    void marksAndLocksFollowThePage() {
        World w;
        w.ecu.memory().refusedIds = {SwitchRpm};
        uploaded(w);
        auto* p = openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, "Option2");
        w.type(ScreenId::Form11, "Text1", QString());
        w.click(ScreenId::Form11, "Command2");
        QVERIFY(isRed(w, ScreenId::Form11, "Text1"));
        QVERIFY(!isRed(w, ScreenId::Form11, "Text2"));
        QVERIFY(w.ecu.received().isEmpty());
        w.type(ScreenId::Form11, "Text1", QStringLiteral("2500"));
        w.click(ScreenId::Form11, "Option3_0");
        w.click(ScreenId::Form11, "Command2");
        QVERIFY(!w.enabled(ScreenId::Form11, "Option3_1"));
        QVERIFY(!w.enabled(ScreenId::Form11, "Check1"));
        QVERIFY(backToRead(p));
        QCOMPARE(w.text(ScreenId::Form11, "Text1"), QStringLiteral("2300"));
        QVERIFY(isRed(w, ScreenId::Form11, "Text1"));
        QVERIFY(isRed(w, ScreenId::Form11, "Option3_0"));
        QVERIFY(!isRed(w, ScreenId::Form11, "Option3_1"));
        w.click(ScreenId::Form11, "Option2");
        w.type(ScreenId::Form11, "Text1", QStringLiteral("7777"));
        w.click(ScreenId::Form11, "Option1");
        QCOMPARE(w.text(ScreenId::Form11, "Text1"), QStringLiteral("2300"));
    }

    // A probe type clicked shows its remembered thresholds; a written type is remembered.
    // EXIT during a write waits for it.
    void lambdaTypesShowTheirThresholds() {
        World w;
        w.ecu.memory().words[Lambda1Type] = 2;
        w.ecu.memory().words[Lambda1LeanThreshold] = 300;
        w.ecu.memory().words[Lambda1RichThreshold] = 700;
        uploaded(w);
        auto* p = openPage<Form6>(w, ScreenId::Form6);
        const auto shown = [&w](const char* option) {
            w.click(ScreenId::Form6, QString::fromLatin1(option));
            return w.text(ScreenId::Form6, "Text6") + QLatin1Char('/') +
                   w.text(ScreenId::Form6, "Text5");
        };
        w.click(ScreenId::Form6, "Option4");
        QCOMPARE(shown("Option1_0"), QStringLiteral("/")); // a type never seen: asked for
        w.type(ScreenId::Form6, "Text6", QStringLiteral("400"));
        w.type(ScreenId::Form6, "Text5", QStringLiteral("800"));
        w.click(ScreenId::Form6, "Command2");
        QVERIFY(backToRead(p));
        w.click(ScreenId::Form6, "Option4");
        QCOMPARE(shown("Option1_2"), QStringLiteral("300/700"));
        QCOMPARE(shown("Option1_0"), QStringLiteral("400/800"));

        // With the ECU answering, EXIT waits for the write to end, then leaves, and the menu
        // says how the write ended.
        w.click(ScreenId::Form6, "Command2");
        p->Timer1Tick();
        w.click(ScreenId::Form6, "Command1");
        QVERIFY(w.host.isVisible(ScreenId::Form6));
        QVERIFY(tickUntil([p] { p->Timer1Tick(); },
                          [&w] { return w.host.isVisible(ScreenId::Form5); }));
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"),
                 QStringLiteral("Parametri scritti e verificati"));
    }

    // The level page polls the sender: a reading fills its box, lights the lamps and can be
    // set as full; a lost link greys it and withdraws the setters and "Modifica" until the
    // next reading; a moved bar sets its box; a write locks the bars, and the sender it stores
    // sets the indicator's layout.
    void levelPageFollowsTheLiveReading() {
        World w(World::Links::Scripted);
        EcuMemory memory = EcuMemory::factory();
        for (const auto& [id, value] : {std::pair{LevelMin, 500},
                                        {LevelMax, 4500},
                                        {LevelThreshold1, 30},
                                        {LevelThreshold2, 60},
                                        {LevelThreshold3, 90},
                                        {LevelSenderType, 2}})
            memory.words[id] = value;
        uploadFrom(memory, w.g.parameters);
        EngineState engine{.levelInputMv = 3000, .onPetrol = true};
        EcuResponder ecu(memory, engine);
        auto* p = openPage<Form14>(w, ScreenId::Form14);
        ScriptedLink* line = w.scripted.front();
        const auto answering = [&](bool on) {
            line->respond = on ? [&ecu](const QByteArray& f) { return ecu.respond(f); }
                               : std::function<QByteArray(const QByteArray&)>();
        };
        const auto offered = [&w] {
            QString out;
            for (const char* c : {"Text6", "Command3", "Command4", "VScroll1", "Command2"})
                out += w.enabled(ScreenId::Form14, c) ? QLatin1Char('1') : QLatin1Char('0');
            return out;
        };
        const auto reading = [p] {
            return tickUntil([p] { p->Timer1Tick(); }, [p] { return p->hasReading(); });
        };
        w.click(ScreenId::Form14, "Option2");
        QCOMPARE(offered(), QStringLiteral("00011"));
        answering(true);
        QVERIFY(reading());
        QCOMPARE(line->written.first(), bytes({0x50, 0x43, 0x00, 0x06, 0x0A, 0x00}));
        QCOMPARE(offered(), QStringLiteral("11111"));
        QCOMPARE(w.text(ScreenId::Form14, "Text6"), QStringLiteral("3000"));
        QCOMPARE(fill(w, "Shape3"), QColor(0, 255, 0));
        w.click(ScreenId::Form14, "Command3");
        QCOMPARE(w.text(ScreenId::Form14, "Text2"), QStringLiteral("3000"));

        answering(false);
        tickTimes(p, 18);
        QCOMPARE(offered(), QStringLiteral("00010"));
        QVERIFY(fill(w, "Shape3") != QColor(0, 255, 0));
        answering(true);
        QVERIFY(reading());
        QCOMPARE(offered(), QStringLiteral("11111"));

        auto* first = w.control<QScrollBar>(ScreenId::Form14, "VScroll3");
        first->setValue(35);
        QCOMPARE(w.text(ScreenId::Form14, "Text3"), QStringLiteral("35"));
        QVERIFY(!w.shown(ScreenId::Form14, "Label3"));
        w.click(ScreenId::Form14, "Option4_1"); // the three-step sender
        w.click(ScreenId::Form14, "Command2");
        QCOMPARE(offered(), QStringLiteral("10000"));
        QVERIFY(backToRead(p));
        QCOMPARE(int(memory.words[LevelThreshold1]), 35);
        QVERIFY(!w.shown(ScreenId::Form14, "Shape5"));
        QVERIFY(w.shown(ScreenId::Form14, "Label3"));
    }

    // A bulk write locks the menu, with Text4 up and its progress on the status line (how it
    // ends is the archive screen's test). EXIT waits for it while the ECU answers; once it is
    // lost, EXIT leaves and says, once, how far the write got; the set holds exactly what was
    // confirmed. A restore left unconfirmed is not left in silence either.
    void bulkWriteLeftWhileLostSaysHowFarItGot() {
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.parametersFromEcu = true;
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        ParameterSet config = w.g.parameters;
        config.setValue(InjectorCount, 6);
        config.setValue(Lambda1Type, 1);
        QVERIFY(menu->startBulkWrite(config, true));
        ScriptedLink* line = w.scripted.front();
        menu->Timer1Tick();
        for (int k = 0; k < 2; ++k) {
            line->arriving = replyFrame(2);
            menu->Timer1Tick();
        }
        QVERIFY(!w.enabled(ScreenId::Form5, "Command4"));
        QVERIFY(w.shown(ScreenId::Form5, "Text4"));
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"),
                 QStringLiteral("Scrittura in corso: 2 / 126"));
        w.click(ScreenId::Form5, "Command8");
        QVERIFY(w.host.isVisible(ScreenId::Form5));
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"),
                 QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA\n"
                                "Premere di nuovo EXIT per uscire subito"));
        tickTimes(menu, 17);
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"),
                 QStringLiteral("PERSA COMUNICAZIONE - Scrittura in corso: 2 / 126"));
        QVERIFY(w.dialogs.messages.isEmpty());
        // Nothing goes to the ECU while the box waits for the fitter.
        bool exchanging = true;
        w.dialogs.whileOpen = [&] { exchanging = menu->cycle().isRunning(); };
        w.click(ScreenId::Form5, "Command8");
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

        // A restore sent but never acknowledged may still have been carried out: leaving then
        // says so, and the set is no longer taken for the ECU's.
        w.dialogs.whileOpen = nullptr;
        w.dialogs.messages.clear();
        w.g.parametersFromEcu = true;
        menu = openPage<Form5>(w, ScreenId::Form5);
        w.click(ScreenId::Form5, "Command7");
        tickTimes(menu, 18);
        QCOMPARE(w.scripted.back()->written.first(), Commands::frame(Commands::RestoreDefaults));
        QVERIFY(menu->cycle().isLost());
        w.click(ScreenId::Form5, "Command8");
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QCOMPARE(w.dialogs.messages.size(), 2); // the question before the restore, then this
        QVERIFY(w.dialogs.messages.last().startsWith(
            QStringLiteral("Ripristino dei valori di default non confermato")));
        QVERIFY(!w.g.parametersFromEcu);
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
        w.click(ScreenId::Form5, "Command7");
        QVERIFY(w.dialogs.messages.last().startsWith(QStringLiteral("Ripristinare")));
        menu->Timer1Tick();
        QVERIFY(w.ecu.received().isEmpty());
        w.dialogs.answer = true;
        w.click(ScreenId::Form5, "Command7");
        QVERIFY(!w.enabled(ScreenId::Form5, "Command1"));
        QVERIFY(tickUntil([menu] { menu->Timer1Tick(); },
                          [menu] { return menu->phase() == Form5::Phase::Idle; }));
        QCOMPARE(w.commandsSeen(), (QList<int>{5, 1, 8}));
        ParameterSet factory;
        uploadFrom(EcuMemory::factory(), factory);
        QVERIFY(w.g.parameters == factory);
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"),
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
        w.click(ScreenId::Form5, "Command9");
        QVERIFY(w.text(ScreenId::Form5, "StatusText")
                    .contains(QStringLiteral("\"Rileggi dalla centralina\"")));
        w.click(ScreenId::Form5, "Command10");
        QCOMPARE(menu->phase(), Form5::Phase::Reading);
        QVERIFY(tickUntil([menu] { menu->Timer1Tick(); },
                          [menu] { return menu->phase() == Form5::Phase::Idle; }, 400));
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"),
                 QStringLiteral("Configurazione riletta dalla centralina"));
        QVERIFY(w.g.parametersFromEcu);
        ParameterSet held;
        uploadFrom(w.ecu.memory(), held);
        QVERIFY(w.g.parameters == held);
        QCOMPARE(w.g.parameters.ktar(1), 105); // an out-of-range cell was repaired
        QVERIFY(!menu->link().isOpen());
    }

    // An ECU that answers every read-back with a wrong length keeps the write from ending;
    // the first EXIT waits for it, a second one (or the close box, asked once) leaves now, as
    // one EXIT does once the ECU is silent, and the menu says what the ECU confirmed. The set
    // no longer counts as the ECU's.
    void aSecondExitLeavesAWriteThatCannotEnd_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("EXIT twice") << "EXIT twice";
        QTest::newRow("close box") << "close box";
        QTest::newRow("link lost") << "link lost";
    }
    void aSecondExitLeavesAWriteThatCannotEnd() {
        QFETCH(QString, how);
        World w(World::Links::Scripted);
        SetParameterDefaults(w.g.parameters);
        w.g.parametersFromEcu = true;
        auto* p = openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, "Option2");
        w.type(ScreenId::Form11, "Text1", QStringLiteral("2500"));
        w.click(ScreenId::Form11, "Command2");
        ScriptedLink* line = w.scripted.front();
        QByteArray badBlock =
            replyFrame(Commands::ReadParameters, QByteArray(2 * ParameterCount, 0));
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
        if (how == QLatin1String("close box")) {
            p->close();
            QCOMPARE(w.dialogs.messages.size(), 1); // the question
        } else if (how == QLatin1String("link lost")) {
            tickTimes(p, 17);
            QVERIFY(w.text(ScreenId::Form11, "Label10").startsWith(QStringLiteral("PERSA")));
            w.click(ScreenId::Form11, "Command1");
            QVERIFY(w.dialogs.messages.isEmpty());
        } else {
            w.click(ScreenId::Form11, "Command1");
            QVERIFY(w.host.isVisible(ScreenId::Form11));
            QVERIFY(w.text(ScreenId::Form11, "Label10").contains(QStringLiteral("di nuovo EXIT")));
            for (int i = 0; i < 4; ++i)
                exchange();
            w.click(ScreenId::Form11, "Command1");
        }
        QVERIFY(!w.host.isVisible(ScreenId::Form11));
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"),
                 QStringLiteral("Scrittura interrotta: la centralina ha confermato 7 scritture "
                                "su 7"));
        QCOMPARE(w.g.parameters.value(SwitchRpm), 2500);
        QVERIFY(!w.g.parametersFromEcu);
    }

    // A port that cannot be opened is told on the screen that tried, and nothing is stuck.
    void aPortThatWillNotOpenIsToldWhereItFailed() {
        World w(World::Links::Scripted);
        w.failOpenWith = EcuLink::ErrorOther;
        SetParameterDefaults(w.g.parameters);
        openPage<Form14>(w, ScreenId::Form14);
        QCOMPARE(w.text(ScreenId::Form14, "Label11"), QStringLiteral("scripted error"));
        openPage<Form11>(w, ScreenId::Form11);
        w.click(ScreenId::Form11, "Option2");
        w.click(ScreenId::Form11, "Command2");
        QCOMPARE(w.text(ScreenId::Form11, "Label10"), QStringLiteral("scripted error"));
        auto* menu = openPage<Form5>(w, ScreenId::Form5);
        w.click(ScreenId::Form5, "Command7");
        QCOMPARE(w.text(ScreenId::Form5, "StatusText"), QStringLiteral("scripted error"));
        QCOMPARE(menu->phase(), Form5::Phase::Idle);
        QVERIFY(w.enabled(ScreenId::Form5, "Command7"));
        QVERIFY(!menu->startBulkWrite(w.g.parameters, false));
    }

    // Without a connection: pages to look at, nothing that talks to the ECU.
    void notConnectedOffersOnlyViewing() {
        World w(World::Links::Scripted);
        w.g.ConnectedMode = WorkMode::NotConnected;
        SetParameterDefaults(w.g.parameters);
        openPage<Form5>(w, ScreenId::Form5);
        for (const char* b : {"Command5", "Command7", "Command9"})
            QVERIFY(!w.enabled(ScreenId::Form5, b));
        QVERIFY(w.enabled(ScreenId::Form5, "Command1"));
        w.click(ScreenId::Form5, "Command4");
        QVERIFY(w.host.isVisible(ScreenId::Form14));
        QVERIFY(!w.enabled(ScreenId::Form14, "Option2"));
        for (const ScriptedLink* link : w.scripted)
            QCOMPARE(link->opens, 0);
        QVERIFY(w.text(ScreenId::Form14, "Text6").isEmpty());
        w.click(ScreenId::Form14, "Command1");
        QVERIFY(w.host.isVisible(ScreenId::Form5));
    }
};

QTEST_MAIN(TestPageScreens)
#include "test_page_screens.moc"
