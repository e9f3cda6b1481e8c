#include "Screens.h"
#include "app/tour/ScreenTours.h"
#include "app/tour/Tour.h"
#include "base/Version.h"
#include "link/SerialEcuLink.h"
#include "params/ParameterId.h"
#include "screen/FormBase.h"
#include "screen/QtUserDialogs.h"
#include "state/RecordingUserDialogs.h"

#include "InProcessLink.h"
#include "VirtualEcu.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

// The program's options, described once for both passes over the command line.
struct Options {
    QCommandLineOption simulate{QStringLiteral("simulate"),
                                QStringLiteral("Talk to a virtual ECU instead of a port.")};
    QCommandLineOption portName{
        QStringLiteral("port-name"),
        QStringLiteral(
            "Open DEVICE (a USB adapter, a pseudo-terminal) whatever port number is set."),
        QStringLiteral("DEVICE")};
    QCommandLineOption tour{
        QStringLiteral("tour"),
        QStringLiteral("Walk every screen, save one PNG per screen into DIR, then exit."),
        QStringLiteral("DIR")};
    QCommandLineOption trace{
        QStringLiteral("trace"),
        QStringLiteral("Write every frame sent to and received from the ECU to standard error.")};

    void describe(QCommandLineParser& cli) const {
        cli.setApplicationDescription(QStringLiteral("TARVEX service and calibration tool"));
        cli.addHelpOption();
        cli.addVersionOption();
        cli.addOptions({simulate, portName, tour, trace});
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("tarvex"));
    QCoreApplication::setApplicationVersion(programVersion());
    const Options options;
    // --help and --version answer before any window system is asked for, so that they work
    // in a terminal without a display, where a QApplication cannot start. Qt's own options
    // (-platform, -stylesheet ...) are known only to QApplication, so this pass acts on
    // nothing else, and reads them as words: "-stylesheet" is not -s -t ... -h.
    {
        const QCoreApplication console(argc, argv);
        QCommandLineParser cli;
        options.describe(cli);
        cli.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        cli.parse(QCoreApplication::arguments());
        if (cli.isSet(QStringLiteral("help"))) cli.showHelp();
        if (cli.isSet(QStringLiteral("version"))) cli.showVersion();
    }

    QApplication app(argc, argv);
    // Screens hide one another; the program ends only when the start screen is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    QCommandLineParser cli;
    options.describe(cli);
    cli.process(app);

    VariabiliGlobali g;
    g.folders = ProgramFolders::forProgram(QCoreApplication::applicationDirPath(),
                                           ProgramFolders::systemUserFolders());
    g.portNameOverride = cli.value(options.portName);
    g.traceLink = cli.isSet(options.trace);

    VirtualEcu ecu;
    LinkFactory links;
    // The tour always runs on the virtual ECU: it needs states it can set up.
    if (cli.isSet(options.simulate) || cli.isSet(options.tour)) {
        links = [&ecu] { return std::make_unique<InProcessLink>(ecu); };
    } else {
        // The device is read when each screen opens its port: the settings dialog may have
        // chosen another one for the rest of the run.
        links = [&g] {
            return std::make_unique<SerialEcuLink>([&g] { return g.portNameOverride; });
        };
    }

    const bool touring = cli.isSet(options.tour);
    QtUserDialogs qtDialogs(&g.language);
    RecordingUserDialogs printedDialogs(true);
    UserDialogs& dialogs = touring ? static_cast<UserDialogs&>(printedDialogs) : qtDialogs;

    ScreenHost host;
    FormContext context{g, host, dialogs, links};
    // The tour's pictures show the same adapter on every machine.
    if (touring)
        context.serialPorts = [] {
            return std::vector<SerialPortEntry>{
                {QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"),
                 QStringLiteral("FT232R USB UART (FTDI, 0403:6001)")}};
        };
    host.setFactory([&context](ScreenId id) { return makeScreen(id, context); });
    host.onProgramEnd = [] { QCoreApplication::quit(); };

    const TourScenario scenarios = [&ecu](const QString& scenario) {
        EcuMemory& memory = ecu.memory();
        if (scenario == QLatin1String("out-of-range")) {
            memory.putOutOfRange();
        } else if (scenario == QLatin1String("refuse")) {
            memory.words[SwitchRpm] = 9000;
            memory.refusedIds = {SwitchRpm};
        } else if (scenario == QLatin1String("factory")) {
            memory.refusedIds.clear();
            memory.restoreFactory();
        } else if (scenario == QLatin1String("calibrated")) {
            // A table as a calibration leaves it: richer at higher speeds, a bulge over the
            // middle injection times, every cell inside 100..150.
            const int bulge[8] = {0, 6, 11, 14, 15, 13, 9, 4};
            for (int row = 0; row < 8; ++row)
                for (int column = 0; column < 8; ++column)
                    memory.table[8 * row + column + 1] =
                        std::uint8_t(104 + 4 * column + bulge[row]);
        } else if (scenario == QLatin1String("warm-up")) {
            // Minutes of driving at once: the engine warm and running on gas, as a fitter
            // finds it when calibrating. The clock then carries on from there.
            ecu.advance(240000);
            ecu.useRealTime();
        } else if (scenario == QLatin1String("unplug")) {
            ecu.unplug();
        } else if (scenario == QLatin1String("plug")) {
            ecu.plugIn();
        } else if (scenario == QLatin1String("calibration-car")) {
            // What a fitter has before an automatic calibration: a warm engine held at a
            // steady speed, whose gas needs 124 where the table says 105. Three minutes of
            // running warm the reducer; the clock then carries on from there in real time.
            // "drive-cycle" puts the car back on its repeating drive cycle.
            ecu.model().setFixedRpm(2500);
            ecu.model().setTrueCoefficient(124);
            ecu.advance(180000);
            ecu.useRealTime();
        } else if (scenario == QLatin1String("cell-car")) {
            // The calibration car on a roller bench: its gas needs 112 at idle rising to 134
            // at full load, and "hold ROW COLUMN" (from 0) holds it in one cell after another.
            ecu.model().setTrueMap(EngineModel::risingMap(112, 134));
        } else if (scenario.startsWith(QLatin1String("hold "))) {
            const QStringList cell = scenario.split(QLatin1Char(' '));
            if (cell.size() == 3) ecu.model().holdInCell(cell[1].toInt(), cell[2].toInt());
            // On petrol, where the marker shows the load: on gas the petrol unit stretches
            // the time by the gas's error.
            ecu.model().toPetrol();
        } else if (scenario == QLatin1String("drive-cycle")) {
            ecu.model().setFixedRpm(0);
            ecu.model().hold(0, 0);
            ecu.model().setTrueMap(std::nullopt);
            ecu.model().setTrueCoefficient(EngineSettings{}.trueCoefficient);
        }
    };
    Tour walk(host, g, cli.value(options.tour), scenarios, printedDialogs);
    int tourFailures = 0;
    if (touring) {
        addScreenTours(walk);
        QObject::connect(&walk, &Tour::finished, &app, [&tourFailures](int failures) {
            tourFailures = failures;
            QCoreApplication::quit();
        });
        walk.start();
    }

    host.show(ScreenId::Form1);
    const int code = QApplication::exec();
    return touring ? (tourFailures == 0 ? 0 : 1) : code;
}
