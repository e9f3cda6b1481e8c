// The live acquisition and diagnosis screens driven through their controls, against the
// virtual ECU (its clock stopped, so the engine holds the values a test gives it) or a
// scripted link.
#include "common/Menu.h"

#include "diag/LiveBars.h"
#include "link/Commands.h"
#include "screen/Shape.h"
#include "screen/TimePlot.h"
#include "screens/diag/Form17.h"
#include "screens/diag/Form3.h"
#include "screens/diag/Form9.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cerrno>

#ifdef Q_OS_LINUX
#include "common/BrokenSync.h"
#include "common/FileSizeLimit.h"
#endif

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// True while this process holds `path` open (Linux; elsewhere nothing can be said).
bool holdsOpen(const QString& path) {
#ifdef Q_OS_LINUX
    const QString target = QFileInfo(path).canonicalFilePath();
    QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd :
         fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == target) return true;
#else
    Q_UNUSED(path);
#endif
    return false;
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
    static bool enabled(World& w, ScreenId id, const char* name) {
        return w.control<QWidget>(id, QString::fromLatin1(name))->isEnabled();
    }
    // '1' or '0' for each of the live screen's controls, enabled or not.
    static QString enabledOf(World& w, std::initializer_list<const char*> names) {
        QString out;
        for (const char* name : names)
            out += enabled(w, ScreenId::Form3, name) ? QLatin1Char('1') : QLatin1Char('0');
        return out;
    }
    static QColor fill(World& w, const QString& name) {
        auto* s = w.control<Shape>(ScreenId::Form3, name);
        return s ? s->fill() : QColor();
    }

private slots:
    void trendChartTakesEveryRecordAndIsRememberedForTheRun() {
        World w;
        Form3* live = liveScreen(w);
        QVERIFY(live);
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

        // Left and opened again: shown, with the curves as they were left.
        w.click(ScreenId::Form3, QStringLiteral("Command1"));
        auto* menu = w.screen<Form2>(ScreenId::Form2);
        QVERIFY(menu);
        tickUntil([menu] { menu->Timer1Tick(); },
                  [menu] { return menu->phase() == Form2::Phase::Ready; }, 400);
        w.click(ScreenId::Form2, QStringLiteral("Command3"));
        tickUntil([menu] { menu->Timer1Tick(); },
                  [&w] { return w.host.isVisible(ScreenId::Form3); });
        QVERIFY(!w.control<QWidget>(ScreenId::Form3, QStringLiteral("TrendPanel"))->isHidden());
        QVERIFY(!w.control<QCheckBox>(ScreenId::Form3, QStringLiteral("Check1_0"))->isChecked());
    }

    void viewerOpensTheLogJustClosedOverTheLiveScreen() {
        World w;
        Form3* live = liveScreen(w);
        QVERIFY(live);
        auto* open = w.control<QPushButton>(ScreenId::Form3, QStringLiteral("Command7"));
        QVERIFY(open->isHidden());
        const QString path = startLog(w, QStringLiteral("look"));
        for (int i = 0; i < 3; ++i) {
            exchange(live);
            live->Timer3Tick();
        }
        QVERIFY(open->isHidden()); // not while the log is written
        w.click(ScreenId::Form3, QStringLiteral("Command4"));
        QVERIFY(!open->isHidden());
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
        // The live screen went on polling under it.
        QVERIFY(w.host.isVisible(ScreenId::Form3));
        QVERIFY(live->cycle().isRunning());
        w.click(ScreenId::Form17, QStringLiteral("Command4"));
        QVERIFY(!w.host.loaded(ScreenId::Form17));
        QVERIFY(w.host.isVisible(ScreenId::Form3));
    }

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
    void boxesAndGraphicsFollowTheEcu() {
        World w;
        Form3* live = liveScreen(w);
        QVERIFY(live);
        QVERIFY(live->isLive());
        QCOMPARE(live->cycle().intervalMs(), 150);
        QCOMPARE(text(w, ScreenId::Form3, "Text17"), QStringLiteral("2.4.7"));

        EngineState& e = w.ecu.engine();
        w.ecu.holdEngine(true);
        e.rpm = 0;
        e.pressure1 = 1234;
        e.pressure2 = 567;
        e.lambdaMv = 1000;
        e.lambdaMeanMv = 432;
        e.gasTemperature = -5;
        e.levelInputMv = 2048;
        e.petrolTinj = {3100, 0, 3300, 3400, 0, 0, 0, 0};
        e.gasTinj = {4100, 4200, 4300, 4400, 0, 0, 0, 0};
        e.ktab = 107;
        e.kcor = 111;
        e.ecuState = 9;
        e.onPetrol = true;
        e.levelCode = 9;
        exchange(live);

        const QList<QPair<const char*, const char*>> shown{
            {"Text6", "0"},      {"Text10", "1234"},   {"Text12", "567"}, {"Text3", "1000"},
            {"Text2", "432"},    {"Text8", "-5"},      {"Text4", "2048"}, {"Text7", "107"},
            {"Text9", "111"},    {"Text5_0", "3100"},  {"Text5_1", "0"},  {"Text5_3", "3400"},
            {"Text5_8", "4100"}, {"Text5_11", "4400"},
        };
        for (const auto& [name, value] : shown)
            QCOMPARE(text(w, ScreenId::Form3, QString::fromLatin1(name)),
                     QString::fromLatin1(value));
        // Four cylinders fitted, LPG, one pressure sensor: the rest is not on the screen.
        for (const char* absent : {"Text5_4", "Text5_7", "Text5_12", "Frame11", "Label5"})
            QVERIFY2(w.control<QWidget>(ScreenId::Form3, QString::fromLatin1(absent))->isHidden(),
                     absent);
        QVERIFY(!w.control<QWidget>(ScreenId::Form3, QStringLiteral("Label12"))->isHidden());
        QCOMPARE(fill(w, "Shape6"), colour(Colours::Red)); // on petrol
        QCOMPARE(fill(w, "Shape7"), colour(Colours::DarkGreen));

        // The graphic refresh: status line, bars, cursor, and the reserve of a three-step
        // sender blinking two refreshes dim, four lit.
        QList<QColor> reserve;
        for (int i = 0; i < 7; ++i) {
            live->Timer2Tick();
            reserve << fill(w, "Shape2");
        }
        const QColor dim = colour(Colours::DimRed), lit = colour(Colours::Red);
        QCOMPARE(reserve, (QList<QColor>{dim, dim, lit, lit, lit, lit, dim}));
        QCOMPARE(text(w, ScreenId::Form3, "Text1"),
                 QStringLiteral("ATTESA DECELERAZIONE SOTTO  2100  SAFETY  CUTOFF"));
        QCOMPARE(fill(w, "Shape3_8"), colour(Colours::Yellow)); // 1234 >= 8 * 150
        QCOMPARE(fill(w, "Shape3_9"), colour(Colours::DarkRed));
        QCOMPARE(fill(w, "Shape1_0"), colour(Colours::Yellow)); // 1000 mV, 0-1 V straight

        // A record from the engine running on gas turns the lamps over.
        e.onPetrol = false;
        e.rpm = 2500;
        e.levelCode = 12;
        exchange(live);
        live->Timer2Tick();
        QCOMPARE(fill(w, "Shape6"), colour(Colours::DarkRed));
        QCOMPARE(fill(w, "Shape7"), colour(Colours::Green));
        QCOMPARE(fill(w, "Shape9"), colour(Colours::Green)); // two bars of three
        QCOMPARE(fill(w, "Shape10"), colour(Colours::DimGreen));
        QVERIFY(!text(w, ScreenId::Form3, "Text1").contains(QStringLiteral("SAFETY")));
    }

    void commutaSendsOneSwitchPerPressAndTheLostLinkIsToldOnce() {
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
        // Its acknowledgement is lost: live data again, never a second switch, and a late
        // acknowledgement changes nothing.
        for (int i = 0; i < 4; ++i)
            live->Timer1Tick();
        link->arriving = replyFrame(Commands::SwitchFuel);
        live->Timer1Tick();
        QCOMPARE(link->written.count(Commands::frame(Commands::SwitchFuel)), 1);
        QCOMPARE(link->written.last(), Commands::frame(Commands::LiveRecord));
        QCOMPARE(live->cycle().intervalMs(), 150);

        // A second press is a second switch; its acknowledgement returns to live data.
        w.click(ScreenId::Form3, QStringLiteral("Command2"));
        live->Timer1Tick();
        link->arriving = replyFrame(Commands::SwitchFuel);
        live->Timer1Tick();
        QCOMPARE(link->written.count(Commands::frame(Commands::SwitchFuel)), 2);
        QCOMPARE(link->written.last(), Commands::frame(Commands::LiveRecord));

        // Sixteen unanswered requests: told once in the version box, the values greyed and
        // the not-live marks painted; a version poll every 2 s and no switch while lost.
        for (int i = 0; i < 17; ++i)
            live->Timer1Tick();
        QCOMPARE(text(w, ScreenId::Form3, "Text17"), w.g.LostLinkText);
        QVERIFY(!live->isLive());
        QCOMPARE(enabledOf(w, {"Text6", "Command2", "Command3"}), QStringLiteral("000"));
        QCOMPARE(fill(w, "Shape6"), colour(Colours::Yellow));
        QCOMPARE(fill(w, "Shape1_19"), colour(Colours::Yellow));
        QCOMPARE(live->cycle().intervalMs(), 2000);
        QCOMPARE(link->written.last(), Commands::frame(Commands::Version));
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

    void logFileWrittenWhileStartIsOn() {
        World w;
        Form3* live = liveScreen(w);
        QVERIFY(live);
        const QString path = startLog(w, QStringLiteral("  drive  "));
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
    }

    void logFileThatCannotBeOpenedOrWrittenIsReported() {
        World w;
        Form3* live = liveScreen(w);
        QVERIFY(live);
        auto* message = w.control<QLabel>(ScreenId::Form3, QStringLiteral("LogFileText"));
        // A folder that is a file cannot take a log, whoever runs the program.
        startLog(w, QStringLiteral("Config.ini/drive"));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);
        QVERIFY2(message->text().startsWith(QStringLiteral("Impossibile aprire il file di log: ")),
                 qPrintable(message->text()));
        QVERIFY(!message->isHidden());
        QCOMPARE(enabledOf(w, {"Command3", "Command4"}), QStringLiteral("10"));
        QVERIFY(!w.control<QTimer>(ScreenId::Form3, QStringLiteral("Timer3"))->isActive());

#ifdef Q_OS_LINUX
        // The disk fills up in the middle of a log: told, stopped, START back, and the lines
        // already written stay.
        const QString path = startLog(w, QStringLiteral("fills"));
        live->Timer3Tick();
        const QByteArray before = readAll(path);
        withFileSizeLimit(before.size() + 10, [live] { live->Timer3Tick(); });
        QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);
        QVERIFY2(message->text().startsWith(QStringLiteral("Errore di scrittura")),
                 qPrintable(message->text()));
        QVERIFY(enabled(w, ScreenId::Form3, "Command3"));
        QVERIFY(!w.control<QTimer>(ScreenId::Form3, QStringLiteral("Timer3"))->isActive());
        QCOMPARE(readAll(path), before);
        QVERIFY(!holdsOpen(path));
#endif
    }

    // Installed, a log goes to TARVEX in the user's documents, made on the first log. When
    // the documents folder cannot take it, START says where and why and comes back, the values
    // keep coming, and whatever stands in the way is left as it was.
    void installedProgramLogsInTheDocumentsFolder() {
        World w;
        w.install();
        Form3* live = liveScreen(w);
        QVERIFY(live);
        auto* message = w.control<QLabel>(ScreenId::Form3, QStringLiteral("LogFileText"));
        const QString folder = w.dir.filePath(QStringLiteral("home/Documents/TARVEX"));
        startLog(w, QStringLiteral("drive"));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Logging);
        const QString path = folder + QStringLiteral("/drive.log");
        QVERIFY2(message->text().endsWith(path), qPrintable(message->text()));
        QCOMPARE(readAll(path).count("\r\n"), 9);
        w.click(ScreenId::Form3, QStringLiteral("Command4"));
        QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);

        World blocked;
        blocked.install();
        const QString documents = blocked.dir.filePath(QStringLiteral("home/Documents"));
        QVERIFY(QDir(documents).removeRecursively());
        blocked.writeFile(QStringLiteral("home/Documents"), "notes");
        live = liveScreen(blocked);
        QVERIFY(live);
        message = blocked.control<QLabel>(ScreenId::Form3, QStringLiteral("LogFileText"));
        startLog(blocked, QString());
        QCOMPARE(blocked.g.AcquisitionState, LogWriter::Stopped);
        QVERIFY2(message->text().startsWith(QStringLiteral("Impossibile aprire il file di log: ") +
                                            documents + QStringLiteral("/TARVEX/TARVEX")),
                 qPrintable(message->text()));
        QVERIFY2(message->text().endsWith(qt_error_string(ENOTDIR) + QLatin1Char(')')),
                 qPrintable(message->text()));
        QCOMPARE(enabledOf(blocked, {"Command3", "Command4"}), QStringLiteral("10"));
        blocked.ecu.holdEngine(true);
        blocked.ecu.engine().rpm = 2100;
        exchange(live);
        QCOMPARE(text(blocked, ScreenId::Form3, QStringLiteral("Text6")), QStringLiteral("2100"));
        QCOMPARE(readAll(documents), QByteArray("notes"));
    }

    // EXIT and the close box are one way out: timers off, the log closed, the state back to
    // 0, the port closed, the menu in front.
    void exitAndTheCloseBoxCloseTheLog() {
        for (const bool closeBox : {false, true}) {
            World w;
            Form3* live = liveScreen(w);
            QVERIFY(live);
            const QString path = startLog(w, QStringLiteral("leave"));
            exchange(live);
            live->Timer3Tick();
            QVERIFY(holdsOpen(path));
            if (closeBox)
                live->close();
            else
                w.click(ScreenId::Form3, QStringLiteral("Command1"));
            QCOMPARE(w.g.AcquisitionState, LogWriter::Stopped);
            QVERIFY(!holdsOpen(path));
            QCOMPARE(readAll(path).count("\r\n"), 10);
            QVERIFY(w.host.isVisible(ScreenId::Form2));
            QVERIFY(!w.host.loaded(ScreenId::Form3));
            const auto sent = w.ecu.received().size();
            QTest::qWait(400); // no timer of the screen is left to send anything
            QCOMPARE(w.ecu.received().size(), sent);
        }
    }

    // The disk does not take the log's last lines as the screen is left: the main menu, where
    // the fitter now is, says so.
    void aLogTheDiskDidNotTakeIsToldOnLeaving() {
#ifndef Q_OS_LINUX
        QSKIP("the descriptor is found through /proc");
#else
        World w;
        Form3* live = liveScreen(w);
        const QString path = startLog(w, QStringLiteral("uscita"));
        exchange(live);
        live->Timer3Tick();
        QVERIFY(breakSyncOf(path));
        w.click(ScreenId::Form3, QStringLiteral("Command1"));
        QVERIFY(w.host.isVisible(ScreenId::Form2));
        const QString notice =
            w.control<QLabel>(ScreenId::Form2, QStringLiteral("StatusText"))->text();
        QVERIFY2(notice.startsWith(QStringLiteral("Errore di scrittura sul file di log")) &&
                     notice.contains(path),
                 qPrintable(notice));
#endif
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
        QVERIFY(!enabled(w, ScreenId::Form3, "Text6"));
        const NotConnectedLook look = notConnectedLook();
        for (int i = 0; i < BarSegments; ++i) {
            QCOMPARE(fill(w, QStringLiteral("Shape3_%1").arg(i)), colour(look.pressure1[i]));
            QCOMPARE(fill(w, QStringLiteral("Shape1_%1").arg(i)), colour(look.lambda[i]));
        }
        QCOMPARE(fill(w, "Shape6"), colour(Colours::Yellow));
        QCOMPARE(fill(w, "Shape7"), colour(Colours::Yellow));
        for (const char* off : {"Command2", "Command3", "Command4"})
            QVERIFY2(!w.control(ScreenId::Form3, QString::fromLatin1(off))->isEnabled(), off);
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
