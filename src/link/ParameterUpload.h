#pragma once

#include "Commands.h"
#include "params/RepairRounds.h"
#include "params/WriteList.h"

#include <QString>
#include <vector>

class ParameterSet;

// Reading the ECU's whole configuration into the set: the parameter block (command 1), the
// table (command 8), the range check, and while it finds values this software cannot trust,
// their defaults written back (the caller runs those writes) and everything read again. An ECU
// that keeps refusing the same defaults stops it after RepairRounds::Limit rounds.
//
// Pure state: the screen sends what step() names, feeds the replies and runs the writes.
class ParameterUpload {
public:
    enum class Step {
        ReadParameters, // send command 1
        ReadTable,      // send command 8
        WriteBack,      // write writeBack(), then call writtenBack()
        Valid,          // the set is wholly the ECU's (and, checked, within range)
        Refused,        // the ECU kept refusing writeBack(): refusedText() names them
    };

    // Ranges: the set is checked and repaired. None: the set is taken as the ECU sent it (just
    // after the ECU restored its own defaults, which are its factory values whatever this
    // software thinks of them).
    enum class Check { Ranges, None };

    // `set` and `list` must outlive the upload; the set takes every value as it comes.
    ParameterUpload(ParameterSet& set, WriteList& list) : m_set(set), m_list(list) {}

    void start(Check check = Check::Ranges);
    // The screen's own writes first (a change of fuel), then the upload as start() does: the
    // set is read only once the ECU holds them. No writes: start().
    void startWith(std::vector<WriteList::Entry> writes);
    Step step() const { return m_step; }
    bool finished() const { return m_step == Step::Valid || m_step == Step::Refused; }
    // True once a check has found values to repair (the screen warns of it).
    bool repaired() const { return m_repaired; }

    // Replies; false when the reply is too short for its fields (nothing changed).
    bool parametersRead(const QByteArray& reply);
    bool tableRead(const QByteArray& reply);
    void writtenBack();

    const std::vector<WriteList::Entry>& writeBack() const { return m_writeBack; }
    QString refusedText() const { return RepairRounds::describe(m_writeBack); }

private:
    void check();

    ParameterSet& m_set;
    WriteList& m_list;
    RepairRounds m_rounds;
    Check m_check = Check::Ranges;
    Step m_step = Step::ReadParameters;
    bool m_repaired = false;
    std::vector<WriteList::Entry> m_writeBack;
};
