// The main menu's phases as a machine: each row is a run of events and the trace of what each
// one answered (the request a button opens with, the next request or the hand-over a record
// leads to), then the buttons and fuel options it leaves free.
#include "link/Commands.h"
#include "state/MainMenuMachine.h"

#include "common/EventTable.h"

#include <QtTest>
#include <functional>
#include <map>

using Menu = MainMenuMachine;

namespace {

QString describe(const Menu::Next& n) {
    if (!n.taken) return QStringLiteral("late");
    if (n.request != 0) return QStringLiteral("ask %1").arg(n.request);
    return QStringLiteral("to ") + screenName(n.handOver);
}

QString run(Menu& m, const QString& event) {
    using B = Menu::Button;
    const auto quiet = [](auto f) {
        return [f] {
            f();
            return QStringLiteral("-");
        };
    };
    const auto ask = [&m](B b) { return [&m, b] { return QString::number(m.buttonClicked(b)); }; };
    const std::map<std::string, std::function<QString()>> events{
        {"upload", quiet([&m] { m.uploadStarted(); })},
        {"valid", quiet([&m] { m.uploadEnded(true); })},
        {"refused", quiet([&m] { m.uploadEnded(false); })},
        {"no-port", quiet([&m] { m.portFailed(); })},
        {"button-no-port", quiet([&m] { m.buttonFailed(); })},
        {"Parametri", quiet([&m] { m.parametersOpened(); })},
        {"Diagnosi", ask(B::Diagnosis)},
        {"Stato", ask(B::LiveData)},
        {"Taratura", ask(B::Calibration)},
        {"live", [&m] { return describe(m.liveRecord()); }},
        {"cal", [&m] { return describe(m.calibrationRecord()); }},
        {"diag", [&m] { return describe(m.diagnosis()); }}};
    const auto it = events.find(event.toStdString());
    return it == events.end() ? QStringLiteral("unknown event ") + event : it->second();
}

} // namespace

class TestMainMenu : public QObject {
    Q_OBJECT

private slots:
    void eventsLeadWhereTheMenuGoes_data() {
        EventTable::columns();
        using EventTable::row;
        row("offline: buttons, no fuel", false, "", "", "10");
        row("uploading: nothing free", true, "upload", "-", "00");
        row("a valid set frees both", true, "upload; valid", "-; -", "11");
        row("a refused default keeps both locked", true, "upload; refused", "-; -", "00");
        row("a port that cannot be opened releases nothing", true, "no-port", "-", "00");
        row("a fuel change uploads again", true, "upload; valid; upload", "-; -; -", "00");
        row("Diagnosi: the diagnosis record, then its screen", true,
            "upload; valid; Diagnosi; diag", "-; -; 15; to Form9", "11");
        row("Stato vettura: the live record, then its screen", true, "upload; valid; Stato; live",
            "-; -; 3; to Form3", "11");
        row("Taratura: the live record, then the calibration record", true,
            "upload; valid; Taratura; live; cal", "-; -; 3; ask 10; to Form16", "11");
        row("no fuel change while a button waits", true, "upload; valid; Taratura", "-; -; 3",
            "10");
        row("a late live record does not carry the upload off", true, "upload; live; cal; diag",
            "-; late; late; late", "00");
        row("another button takes the waiting one's place", true,
            "upload; valid; Taratura; Stato; live", "-; -; 3; 3; to Form3", "11");
        row("Taratura left waiting does not steer Stato vettura", true,
            "upload; valid; Taratura; Parametri; Stato; live", "-; -; 3; -; 3; to Form3", "11");
        row("Taratura whose port failed does not steer Stato vettura", true,
            "upload; valid; Taratura; button-no-port; Stato; live", "-; -; 3; -; 3; to Form3",
            "11");
        row("a record after the hand-over is late", true, "upload; valid; Diagnosi; diag; diag",
            "-; -; 15; to Form9; late", "11");
    }
    void eventsLeadWhereTheMenuGoes() {
        EventTable::check<Menu>(run, [](const Menu& m) {
            return EventTable::flags(m.controls().buttons, m.controls().fuel);
        });
    }

    void offlineEachButtonOpensItsScreen() {
        QCOMPARE(Menu::screenOf(Menu::Button::Diagnosis), ScreenId::Form9);
        QCOMPARE(Menu::screenOf(Menu::Button::LiveData), ScreenId::Form3);
        QCOMPARE(Menu::screenOf(Menu::Button::Calibration), ScreenId::Form16);
    }
};

QTEST_GUILESS_MAIN(TestMainMenu)
#include "test_main_menu.moc"
