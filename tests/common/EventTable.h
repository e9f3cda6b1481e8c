#pragma once

#include <QtTest>

// Tables of event runs for the tests of the screens' machines. A row names a run of events
// ("a; b; c"), the answer each one should give, joined the same way, and two flags of the
// controls the run leaves free ("10": the first free, the second locked).
namespace EventTable {

inline void columns() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("controls");
}

inline void row(const char* name, bool connected, const char* events, const char* answers,
                const char* controls) {
    QTest::newRow(name) << connected << QString::fromLatin1(events) << QString::fromLatin1(answers)
                        << QString::fromLatin1(controls);
}

// Each event of `events` through `run`, the answers joined as a row gives them.
template <class Run> QString trace(const QString& events, Run run) {
    QStringList answers;
    for (const QString& e : events.split(QStringLiteral("; "), Qt::SkipEmptyParts))
        answers << run(e);
    return answers.join(QStringLiteral("; "));
}

inline QString flags(bool first, bool second) {
    return QString::number(int(first)) + QString::number(int(second));
}

// The row on a fresh machine: each event through `run`, then `controlsOf` what it left.
template <class Machine, class Run, class Controls> void check(Run run, Controls controlsOf) {
    QFETCH(bool, connected);
    QFETCH(QString, events);
    QFETCH(QString, answers);
    QFETCH(QString, controls);
    Machine m(connected);
    QCOMPARE(trace(events, [&m, &run](const QString& e) { return run(m, e); }), answers);
    QCOMPARE(controlsOf(m), controls);
}

} // namespace EventTable
