// The parameter menu's operations as a machine: each row is a run of events, and the trace of
// what each one answered (begun or not, the restore's values read or not, stay or leave, the
// notice, and whether the set is the ECU's).
#include "vehicle/ParameterMenuMachine.h"

#include "common/EventTable.h"

#include <QtTest>

using Menu = ParameterMenuMachine;

namespace {

QString describe(const Menu::Action& a) {
    static const char* const notices[] = {"None",         "DefaultsRestored",   "ReadAgain",
                                          "Refused",      "BulkVerified",       "BulkNotVerified",
                                          "ExitWhenDone", "RestoreUnconfirmed", "RestoreNotRead"};
    QString s = QString::fromLatin1(a.leave ? "leave " : "stay ") +
                QString::fromLatin1(notices[static_cast<int>(a.notice)]);
    if (a.fromEcu) s += QString::fromLatin1(*a.fromEcu ? " ecu" : " not-ecu");
    return s;
}

QString run(Menu& m, const QString& event) {
    const auto begin = [&m](Menu::Phase p) {
        return QString::fromLatin1(m.begin(p) ? "begun" : "no");
    };
    if (event == QLatin1String("defaults")) return begin(Menu::Phase::Defaults);
    if (event == QLatin1String("reading")) return begin(Menu::Phase::Reading);
    if (event == QLatin1String("bulk")) return begin(Menu::Phase::BulkWrite);
    if (event == QLatin1String("ack"))
        return QString::fromLatin1(m.restoreAcknowledged() ? "read" : "ignored");
    if (event == QLatin1String("valid")) return describe(m.uploadEnded(true));
    if (event == QLatin1String("refused")) return describe(m.uploadEnded(false));
    if (event == QLatin1String("verified")) return describe(m.bulkWriteEnded(true));
    if (event == QLatin1String("differs")) return describe(m.bulkWriteEnded(false));
    if (event == QLatin1String("exit-wait")) return describe(m.exitClicked(true));
    if (event == QLatin1String("exit")) return describe(m.exitClicked(false));
    return QStringLiteral("unknown event ") + event;
}

} // namespace

class TestParameterMenu : public QObject {
    Q_OBJECT

private slots:
    void operationsAnswerTheirEvents_data() {
        EventTable::columns();
        using EventTable::row;
        row("without a connection nothing talks to the ECU", false, "defaults; reading", "no; no",
            "10");
        row("idle: every button", true, "", "", "11");
        row("one operation at a time, buttons off meanwhile", true, "reading; bulk; defaults",
            "begun; no; no", "00");
        row("restore, acknowledged, read back", true, "defaults; ack; valid",
            "begun; read; stay DefaultsRestored ecu", "11");
        row("a second acknowledgement reads nothing twice", true, "defaults; ack; ack",
            "begun; read; ignored", "00");
        row("no values before the restore's acknowledgement", true, "defaults; valid",
            "begun; stay None", "00");
        row("read again, valid", true, "reading; valid", "begun; stay ReadAgain ecu", "11");
        row("read again, a default refused", true, "reading; refused",
            "begun; stay Refused not-ecu", "11");
        row("bulk write verified", true, "bulk; verified", "begun; stay BulkVerified", "11");
        row("bulk write with differences", true, "bulk; differs", "begun; stay BulkNotVerified",
            "11");
        row("EXIT waits for the bulk write and leaves at its end", true,
            "bulk; exit-wait; verified", "begun; stay ExitWhenDone; leave BulkVerified", "11");
        row("EXIT waits for the restore and leaves once it is read", true,
            "defaults; exit-wait; ack; valid",
            "begun; stay ExitWhenDone; read; leave DefaultsRestored ecu", "11");
        row("restore left before its acknowledgement", true, "defaults; exit",
            "begun; leave RestoreUnconfirmed not-ecu", "11");
        row("restore left acknowledged but unread, on the second EXIT", true,
            "defaults; ack; exit-wait; exit",
            "begun; read; stay ExitWhenDone; leave RestoreNotRead not-ecu", "11");
        row("left while reading again: nothing to say", true, "reading; exit", "begun; leave None",
            "11");
        row("EXIT asked during one operation does not carry the next off", true,
            "bulk; exit-wait; differs; reading; valid",
            "begun; stay ExitWhenDone; leave BulkNotVerified; begun; stay ReadAgain ecu", "11");
        row("idle EXIT leaves in silence", true, "exit", "leave None", "11");
    }
    void operationsAnswerTheirEvents() {
        EventTable::check<Menu>(run, [](const Menu& m) {
            return EventTable::flags(m.controls().pages, m.controls().ecuWork);
        });
    }
};

QTEST_GUILESS_MAIN(TestParameterMenu)
#include "test_parameter_menu.moc"
