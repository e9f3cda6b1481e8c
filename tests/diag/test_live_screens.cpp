// The live acquisition and diagnosis screens driven through their controls, against the
// virtual ECU (its clock stopped, so the engine holds the values a test gives it) or a
// scripted link.
#include "common/BrokenSync.h"
#include "common/Menu.h"
#include "common/TestData.h"

#include "diag/LiveBars.h"
#include "link/Commands.h"
#include "screen/Shape.h"
#include "screen/TimePlot.h"
#include "screens/diag/Form17.h"
#include "screens/diag/Form3.h"
#include "screens/diag/Form9.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

bool holdsOpen(const QString& path) {
    return descriptorOf(path) >= 0;
}

QColor colour(const Rgb& c) {
    return Shape::toColour(c);
}

} // namespace

class TestLiveScreens : public QObject {
    Q_OBJECT

    // The main menu's "Visualizza stato vettura" (Command3) or "Diagnosi" (Command2), after
    // its exchange has handed over to the screen.
    template <class F> static F* openFromMenu(World& w, const char* button, ScreenId id) {
        Form2* menu = readyMenu(w);
        if (!menu) return nullptr;
        w.click(ScreenId::Form2, QString::fromLatin1(button));
        tickUntil([menu] { menu->Timer1Tick(); }, [&w, id] { return w.host.isVisible(id); });
        return w.screen<F>(id);
    }
    static Form3* liveScreen(World& w) {
        return openFromMenu<Form3>(w, "Command3", ScreenId::Form3);
    }
    // One request and its reply.
    static void exchange(Form3* live) {
        live->Timer1Tick();
        live->Timer1Tick();
    }
    // Types a log name and presses START; the file the log goes to.
    static QString startLog(World& w, const QString& name) {
        w.control<QLineEdit>(ScreenId::Form3, QStringLiteral("Text15"))->setText(name);
        w.click(ScreenId::Form3, QStringLiteral("Command3"));
        return w.dir.filePath(name.trimmed() + QStringLiteral(".log"));
    }
    static QString text(World& w, ScreenId id, const QString& name) {
        auto* box = w.control<QLineEdit>(id, name);
        return box ? box->text() : QStringLiteral("<no %1>").arg(name);
    }
    // '1' or '0' for each of the live screen's controls, enabled or not.
    static QString enabledOf(World& w, std::initializer_list<const char*> names) {
        QString out;
        for (const char* name : names)
            out += w.control<QWidget>(ScreenId::Form3, QString::fromLatin1(name))->isEnabled()
                       ? QLatin1Char('1')
                       : QLatin1Char('0');
        return out;
    }
    static QColor fill(World& w, const QString& name) {
        auto* s = w.control<Shape>(ScreenId::Form3, name);
        return s ? s->fill() : QColor();
    }

private slots:
    void viewerFromTheStartScreenOpensAndExports() {
        World w;
        w.host.show(ScreenId::Form1);
        w.click(ScreenId::Form1, QStringLiteral("Command8"));
        QVERIFY(w.host.isVisible(ScreenId::Form17));
        QVERIFY(w.host.isVisible(ScreenId::Form1));
        w.writeFile(QStringLiteral("other.csv"), "t [s],rpm\n0,800\n0.5,900\n");
        w.dialogs.fileToOpen = w.dir.filePath(QStringLiteral("other.csv"));
        w.click(ScreenId::Form17, QStringLiteral("Command1"));
        QCOMPARE(w.screen<Form17>(ScreenId::Form17)->log().rows(), qsizetype(2));
        QVERIFY(w.control<QLabel>(ScreenId::Form17, QStringLiteral("StatusText"))->isHidden());

        w.dialogs.fileToSave = w.dir.filePath(QStringLiteral("view.png"));
        w.click(ScreenId::Form17, QStringLiteral("Command2"));
        QVERIFY(!QImage(w.dialogs.fileToSave).isNull());
        w.dialogs.fileToSave = w.dir.filePath(QStringLiteral("no-such-folder/view.png"));
        w.click(ScreenId::Form17, QStringLiteral("Command2"));
        QVERIFY(w.control<QLabel>(ScreenId::Form17, QStringLiteral("StatusText"))
                    ->text()
                    .startsWith(QStringLiteral("Impossibile salvare l'immagine")));
    }
    // Which field of the record is which is the decoding's test, the bars, lamps and status
    // line are the core's: here the record reaches the boxes, the layout hides what is not
    // fitted, the graphic refresh paints from the last record, and the trend chart takes
    // every record and is remembered for the run.
    void boxesGraphicsAndTrendFollowTheEcu() {
        World w;
        Form3* live = liveScreen(w);
        QVERIFY(live);
        QVERIFY(live->isLive());
        QCOMPARE(live->cycle().intervalMs(), 150);
        QCOMPARE(text(w, ScreenId::Form3, "Text17"), QStringLiteral("2.4.7"));
        auto* panel = w.control<QWidget>(ScreenId::Form3, QStringLiteral("TrendPanel"));
        QVERIFY(panel->isHidden());
        // The ring fills while the chart is hidden, so it shows the last minute when opened.
        const qsizetype before = live->trend().size();
        exchange(live);
        QCOMPARE(live->trend().size(), before + 1);
        QVERIFY(live->trend().receiving());

        w.click(ScreenId::Form3, QStringLiteral("Command5"));
        QVERIFY(!panel->isHidden());
        auto* plot = w.control<TimePlot>(ScreenId::Form3, QStringLiteral("Plot1"));
        QCOMPARE(plot->curves().size(), std::size_t(4)); // rpm, lambda, both times
        w.control<QCheckBox>(ScreenId::Form3, QStringLiteral("Check1_0"))->setChecked(false);
        QCOMPARE(plot->curves().size(), std::size_t(3));
        QCOMPARE(plot->curves().front().series.t.size(), std::size_t(live->trend().size()));
        QVERIFY(plot->view().following());
        // A click on the plot holds it still to be looked at.
        QTest::mouseClick(plot, Qt::LeftButton, {}, plot->rect().center());
        QVERIFY(w.control<QPushButton>(ScreenId::Form3, QStringLiteral("Command6"))->isChecked());
        QVERIFY(!plot->view().following());
        QVERIFY(std::isfinite(plot->cursor()));

        EngineState& e = w.ecu.engine();
        w.ecu.holdEngine(true);
        e.rpm = 0;
        e.pressure1 = 1234;
        e.gasTemperature = -5;
        e.petrolTinj = {3100, 0, 3300, 3400, 0, 0, 0, 0};
        e.gasTinj = {4100, 4200, 4300, 4400, 0, 0, 0, 0};
        e.ecuState = 9;
        e.onPetrol = true;
        e.levelCode = 9;
        exchange(live);
        const QList<QPair<const char*, const char*>> shown{
            {"Text6", "0"},      {"Text10", "1234"},  {"Text8", "-5"},
            {"Text5_3", "3400"}, {"Text5_8", "4100"}, {"Text5_11", "4400"},
        };
        for (const auto& [name, value] : shown)
            QCOMPARE(text(w, ScreenId::Form3, QString::fromLatin1(name)),
                     QString::fromLatin1(value));
        // Four cylinders fitted, LPG, one pressure sensor: the rest is not on the screen.
        for (const char* absent : {"Text5_4", "Text5_7", "Text5_12", "Frame11", "Label5"})
            QVERIFY2(w.control<QWidget>(ScreenId::Form3, QString::fromLatin1(absent))->isHidden(),
                     absent);
        QCOMPARE(fill(w, "Shape6"), colour(Colours::Red)); // on petrol

        // The reserve lamp blinks across refreshes (two dim, then lit): its state is kept.
        for (int i = 0; i < 3; ++i)
            live->Timer2Tick();
        QCOMPARE(fill(w, "Shape2"), colour(Colours::Red));
        QCOMPARE(text(w, ScreenId::Form3, "Text1"),
                 QStringLiteral("ATTESA DECELERAZIONE SOTTO  2100  SAFETY  CUTOFF"));
        QCOMPARE(fill(w, "Shape3_8"), colour(Colours::Yellow)); // 1234 >= 8 * 150

        // A record from the engine running on gas turns the lamps over.
        e.onPetrol = false;
        e.levelCode = 12;
        exchange(live);
        live->Timer2Tick();
        QCOMPARE(fill(w, "Shape6"), colour(Colours::DarkRed));
        QCOMPARE(fill(w, "Shape9"), colour(Colours::Green)); // two bars of three

        // Left and opened again: shown, with the curves as they were left.
        w.click(ScreenId::Form3, QStringLiteral("Command1"));
        QVERIFY(!w.host.loaded(ScreenId::Form3));
        w.host.show(ScreenId::Form3);
        QVERIFY(!w.control<QWidget>(ScreenId::Form3, QStringLiteral("TrendPanel"))->isHidden());
        QVERIFY(!w.control<QCheckBox>(ScreenId::Form3, QStringLiteral("Check1_0"))->isChecked());
    }

    // That the switch is never repeated, a late acknowledgement changes nothing and the lost
    // link polls every 2 s is the exchange's test; here the button and the screen's look.
    void commutaSendsTheSwitchAndTheLostLinkIsToldOnce() {
        World w(World::Links::Scripted);
        w.g.LostLinkText = QStringLiteral("NO COMUNICAZIONE");
        w.host.show(ScreenId::Form3);
        auto* live = w.screen<Form3>(ScreenId::Form3);
        ScriptedLink* link = w.scripted.back();
        QVERIFY(link->isOpen());
        live->Timer1Tick();
        QCOMPARE(link->written.last(), Commands::frame(Commands::LiveRecord));

        w.click(ScreenId::Form3, QStringLiteral("Command2"));
        live->Timer1Tick();
        QCOMPARE(link->written.last(), Commands::frame(Commands::SwitchFuel));
        QCOMPARE(live->cycle().intervalMs(), 300);
        // Its acknowledgement returns to live data; a second press is a second switch.
        link->arriving = replyFrame(Commands::SwitchFuel);
        live->Timer1Tick();
        QCOMPARE(link->written.last(), Commands::frame(Commands::LiveRecord));
        QCOMPARE(live->cycle().intervalMs(), 150);
        w.click(ScreenId::Form3, QStringLiteral("Command2"));
        live->Timer1Tick();
        QCOMPARE(link->written.count(Commands::frame(Commands::SwitchFuel)), 2);

        // Sixteen unanswered requests: told in the version box, the values greyed and the
        // not-live marks painted, no box.
        for (int i = 0; i < 17; ++i)
            live->Timer1Tick();
        QCOMPARE(text(w, ScreenId::Form3, "Text17"), w.g.LostLinkText);
        QVERIFY(!live->isLive());
        QCOMPARE(enabledOf(w, {"Text6", "Command2", "Command3"}), QStringLiteral("000"));
        QCOMPARE(fill(w, "Shape6"), colour(Colours::Yellow));
        QCOMPARE(fill(w, "Shape1_19"), colour(Colours::Yellow));
        QVERIFY(w.dialogs.messages.isEmpty());

        // The ECU answers: the version comes back, polling resumes, and the first record
        // makes the screen live again.
        link->arriving = replyFrame(Commands::Version, bytes({2, 4, 9}));
        live->Timer1Tick();
        QCOMPARE(text(w, ScreenId::Form3, "Text17"), QStringLiteral("2.4.9"));
        QCOMPARE(link->written.last(), Commands::frame(Commands::LiveRecord));
        QByteArray record(70, '\0');
        record[22] = 0x09; // rpm 2400 at bytes 28-29
        record[23] = 0x60;
        link->arriving = replyFrame(Commands::LiveRecord, record);
        live->Timer1Tick();
        QVERIFY(live->isLive());
        QCOMPARE(text(w, ScreenId::Form3, "Text6"), QStringLiteral("2400"));
        QCOMPARE(enabledOf(w, {"Text6", "Command3"}), QStringLiteral("11"));
    }

    // Installed, a log goes to TARVEX in the user's documents, made on the first log. Once
    // closed it opens in the viewer over the live screen, which goes on polling under it.
    void logFileWrittenWhileStartIsOnThenViewed() {
        World w;
        w.install();
        Form3* live = liveScreen(w);
        QVERIFY(live);
        auto* open = w.control<QPushButton>(ScreenId::Form3, QStringLiteral("Command7"));
        QVERIFY(open->isHidden());
        // A folder that is a file cannot take a log, whoever runs the program: told, and the
        // values keep coming. (A disk filling up mid-log fails the same way: the log writer's
        // test.)
        auto* message = w.control<QLabel>(ScreenId::Form3, QStringLiteral("LogFileText"));
        startLog(w, w.dir.filePath(QStringLiteral("Config.ini/drive")));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);
        QVERIFY2(message->text().startsWith(QStringLiteral("Impossibile aprire il file di log: ")),
                 qPrintable(message->text()));
        QVERIFY(!message->isHidden());
        QCOMPARE(enabledOf(w, {"Command3", "Command4"}), QStringLiteral("10"));
        QVERIFY(!w.control<QTimer>(ScreenId::Form3, QStringLiteral("Timer3"))->isActive());
        QVERIFY(live->cycle().isRunning());

        startLog(w, QStringLiteral("  drive  "));
        const QString path = w.dir.filePath(QStringLiteral("home/Documents/TARVEX/drive.log"));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Logging);
        QVERIFY(w.control<QLabel>(ScreenId::Form3, QStringLiteral("LogFileText"))
                    ->text()
                    .endsWith(path));
        QCOMPARE(enabledOf(w, {"Command3", "Command4", "Text15"}), QStringLiteral("010"));
        // Headers are on disk as soon as START is pressed.
        QCOMPARE(readAll(path).count("\r\n"), 9);

        w.ecu.holdEngine(true);
        for (int rpm : {1500, 1600, 1700}) {
            w.ecu.engine().rpm = rpm;
            exchange(live);
            live->Timer3Tick();
        }
        QVERIFY(open->isHidden()); // not while the log is written
        w.click(ScreenId::Form3, QStringLiteral("Command4"));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);
        QVERIFY(!holdsOpen(path));
        QVERIFY(!w.control<QTimer>(ScreenId::Form3, QStringLiteral("Timer3"))->isActive());
        QCOMPARE(enabledOf(w, {"Command3", "Command4"}), QStringLiteral("10"));

        // Nine header lines (their bytes are the log writer's test), then one line a tick.
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 9 + 3 + 1); // the last "line" is what follows the final CR LF
        QVERIFY(lines[0].endsWith(" SW ECU 2.4.7\r"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(lines[9 + i].split(';').at(2).toInt(), 1500 + 100 * i);

        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("200;garbage\r\n");
        file.close();
        open->click();
        auto* viewer = w.screen<Form17>(ScreenId::Form17);
        QVERIFY(viewer && viewer->isVisible());
        QCOMPARE(viewer->log().rows(), qsizetype(3));
        QCOMPARE(w.control<QLabel>(ScreenId::Form17, QStringLiteral("StatusText"))->text(),
                 QStringLiteral("1 righe non lette"));
        QCOMPARE(w.control<TimePlot>(ScreenId::Form17, QStringLiteral("Plot1"))->curves().size(),
                 std::size_t(4));
        QVERIFY(w.host.isVisible(ScreenId::Form3));
        QVERIFY(live->cycle().isRunning());
        w.click(ScreenId::Form17, QStringLiteral("Command4"));
        QVERIFY(!w.host.loaded(ScreenId::Form17));
        QVERIFY(w.host.isVisible(ScreenId::Form3));
    }

    // EXIT and the close box are one way out: timers off, the log closed, the state back to
    // 0, the port closed, the menu in front. When the disk does not take the log's last lines
    // as the screen is left, the main menu, where the fitter now is, says so.
    void exitAndTheCloseBoxCloseTheLog() {
        enum Way { Exit, CloseBox, ExitOnAFailingDisk };
        for (const Way way : {Exit, CloseBox, ExitOnAFailingDisk}) {
            World w;
            Form3* live = liveScreen(w);
            QVERIFY(live);
            const QString path = startLog(w, QStringLiteral("leave"));
            exchange(live);
            live->Timer3Tick();
            QVERIFY(holdsOpen(path));
            if (way == ExitOnAFailingDisk) QVERIFY(breakSyncOf(path));
            if (way == CloseBox)
                live->close();
            else
                w.click(ScreenId::Form3, QStringLiteral("Command1"));
            QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);
            QVERIFY(!holdsOpen(path));
            QVERIFY(w.host.isVisible(ScreenId::Form2));
            QVERIFY(!w.host.loaded(ScreenId::Form3));
            if (way == ExitOnAFailingDisk) {
                const QString notice =
                    w.control<QLabel>(ScreenId::Form2, QStringLiteral("StatusText"))->text();
                QVERIFY2(notice.startsWith(QStringLiteral("Errore di scrittura sul file di log")) &&
                             notice.contains(path),
                         qPrintable(notice));
                continue;
            }
            QCOMPARE(readAll(path).count("\r\n"), 10);
            const auto sent = w.ecu.received().size();
            QTest::qWait(400); // no timer of the screen is left to send anything
            QCOMPARE(w.ecu.received().size(), sent);
        }
    }

    void withoutALinkNothingIsShownAsLive() {
        World w;
        w.g.ConnectedMode = WorkMode::NotConnected;
        w.g.LostLinkText = QStringLiteral("NO COMUNICAZIONE");
        w.g.liveData.Rpm = 3000; // an old record: not to be shown
        w.host.show(ScreenId::Form3);
        auto* live = w.screen<Form3>(ScreenId::Form3);
        QVERIFY(w.ecu.received().isEmpty());
        QVERIFY(!live->cycle().isRunning());
        QCOMPARE(text(w, ScreenId::Form3, "Text17"), w.g.LostLinkText);
        QCOMPARE(text(w, ScreenId::Form3, "Text6"), QString());
        QCOMPARE(enabledOf(w, {"Text6", "Command2", "Command3", "Command4"}),
                 QStringLiteral("0000"));
        // The not-connected marks, not an old record's colours.
        QCOMPARE(fill(w, "Shape3_1"), colour(notConnectedLook().pressure1[1]));
        QCOMPARE(fill(w, "Shape7"), colour(Colours::Yellow));
        w.click(ScreenId::Form3, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));

        // Connected, but the port does not open: said with the reason, nothing live.
        World refused(World::Links::Scripted);
        refused.failOpenWith = EcuLink::ErrorInvalidPort;
        refused.host.show(ScreenId::Form3);
        QCOMPARE(text(refused, ScreenId::Form3, "Text17"), refused.g.LostLinkText);
        auto* status = refused.control<QLabel>(ScreenId::Form3, QStringLiteral("StatusText"));
        QVERIFY(!status->isHidden());
        QCOMPARE(status->text(), QStringLiteral("scripted error"));
        QVERIFY(!refused.screen<Form3>(ScreenId::Form3)->isLive());
        QVERIFY(!refused.screen<Form3>(ScreenId::Form3)->cycle().isRunning());
        QVERIFY(refused.dialogs.messages.isEmpty());
    }

    void diagnosisBoxesFollowTheEcu() {
        World w;
        auto* diag = openFromMenu<Form9>(w, "Command2", ScreenId::Form9);
        QVERIFY(diag);
        QCOMPARE(diag->cycle().intervalMs(), 100);
        auto& d = w.ecu.engine().diagnosis;
        w.ecu.holdEngine(true);
        for (int i = 0; i < 17; ++i)
            d[i] = 300 + i;
        d[EngineState::DiagBoardTemperature] = 253;
        diag->Timer1Tick();
        diag->Timer1Tick();
        // Word -> box: valve, sense, board temperature, valve, voltages, eight injectors,
        // debug 1 and 3; the "Var debug2" box (15) is never filled.
        const int words[] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16};
        const int boxes[] = {10, 12, 11, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 14, 16};
        for (int k = 0; k < 15; ++k)
            QCOMPARE(text(w, ScreenId::Form9, QStringLiteral("Text1_%1").arg(boxes[k])),
                     QString::number(300 + words[k]));
        QCOMPARE(text(w, ScreenId::Form9, "Text1_13"), QStringLiteral("25.3"));
        QCOMPARE(text(w, ScreenId::Form9, "Text1_15"), QString());

        w.click(ScreenId::Form9, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        QVERIFY(!w.host.loaded(ScreenId::Form9));
    }
};

QTEST_MAIN(TestLiveScreens)
#include "test_live_screens.moc"
