// The screen base's own logic: the link watch every talking screen wires, and the status line.
#include "common/World.h"
#include "link/Commands.h"
#include "screen/FormBase.h"
#include "screen/StatusLine.h"

#include <QtTest>

namespace {

// A bare talking screen: it polls the version and records what its watch is told.
class WatchingScreen final : public FormBase {
public:
    WatchingScreen(FormContext& context, bool giveUp) : FormBase(ScreenId::Form12, context) {
        LinkWatch watch;
        watch.giveUp = giveUp;
        watch.lost = [this](const QString& why) { lost << why; };
        watch.found = [this] { ++found; };
        watchLink(watch);
        openLink();
        cycle().send({Commands::Version, Commands::frame(Commands::Version), 100});
        cycle().start(100);
    }
    void tick() { cycle().tick(); }
    using FormBase::ensureLinkOpen;

    QStringList lost;
    int found = 0;

protected:
    void onCloseRequested() override {}
};

} // namespace

class TestScreenBase : public QObject {
    Q_OBJECT
private slots:
    // Silence is told once with no reason; a vanished adapter once with its reason, then it is
    // sought until it opens (by the exchange or by a button), and the screen hears it is back.
    void watchTellsEachLossOnceAndReopensTheAdapter() {
        World w(World::Links::Scripted);
        WatchingScreen screen(w.context, false);
        ScriptedLink* link = w.scripted.back();
        for (int i = 0; i < 20; ++i)
            screen.tick();
        QCOMPARE(screen.lost, QStringList{QString()});

        link->vanish();
        link->failOpenWith = EcuLink::ErrorOther;
        screen.tick();
        screen.tick();
        QCOMPARE(screen.lost, (QStringList{QString(), QStringLiteral("scripted error")}));
        QCOMPARE(screen.found, 0);
        QCOMPARE(screen.cycle().intervalMs(), 2000);

        link->failOpenWith = EcuLink::ErrorNone;
        link->written.clear();
        screen.tick();
        QVERIFY(link->isOpen());
        QCOMPARE(screen.found, 1);
        QCOMPARE(link->written, QList<QByteArray>{Commands::frame(Commands::Version)});

        // A button that needs the port reopens it before the next tick does: the screen hears
        // it is back the same way, or no acknowledgement would count again.
        link->vanish();
        link->failOpenWith = EcuLink::ErrorOther;
        screen.tick();
        QCOMPARE(screen.found, 1);
        link->failOpenWith = EcuLink::ErrorNone;
        QVERIFY(screen.ensureLinkOpen());
        QCOMPARE(screen.found, 2);
    }

    // The start screen's check gives up: a vanished adapter is told and never reopened.
    void watchThatGivesUpLeavesTheAdapterAlone() {
        World w(World::Links::Scripted);
        WatchingScreen screen(w.context, true);
        ScriptedLink* link = w.scripted.back();
        screen.tick();
        link->vanish();
        for (int i = 0; i < 3; ++i)
            screen.tick();
        QCOMPARE(screen.lost, QStringList{QStringLiteral("scripted error")});
        QCOMPARE(link->opens, 1);
        QVERIFY(!screen.cycle().isRunning());
    }

    // A problem is red whatever was shown before; nothing to say takes no room.
    void statusLineTonesAndSilence() {
        QWidget parent;
        StatusLine line(QStringLiteral("StatusText"), &parent);
        line.tell(QStringLiteral("3 scritture su 87"), StatusLine::Tone::Progress);
        line.tell(QStringLiteral("PERSA COMUNICAZIONE"));
        QVERIFY(line.styleSheet().contains(QStringLiteral("rgb(190,0,0)")));
        QVERIFY(!line.isHidden());
        line.tell(QString(), StatusLine::Tone::Done);
        QVERIFY(line.isHidden());
    }
};

QTEST_MAIN(TestScreenBase)
#include "test_screen_base.moc"
