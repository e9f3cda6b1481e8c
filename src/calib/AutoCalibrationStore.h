#pragma once

#include "link/WriteSequence.h"

#include <QString>
#include <vector>

class LanguageTable;
class ParameterSet;

// The converged coefficient written into the ECU in two verified parts: the table cells, read
// back with command 8, then the calibration pressure and temperature, read back with command
// 1. The table goes first and is read back before anything else is written: the references
// are the conditions the coefficient was found under and mean nothing in an ECU that did not
// take it. No link: the screen runs running() on its exchange and calls partEnded() when the
// exchange says the part is over.
class AutoCalibrationStore {
public:
    using Write = WriteSequence::Write;
    enum class State {
        Idle,       // nothing stored this run
        Writing,    // a part is running
        Verified,   // both parts read back equal to what was written
        Unverified, // a part ended otherwise (values not kept, another ECU)
        Cut,        // left before the end
    };

    // Table entries (table == true) make the first part, the rest the second.
    void start(const std::vector<Write>& writes, WriteSequence::Timing timing);
    void clear() { *this = {}; }

    // The part for the exchange to run now; null when none is running.
    WriteSequence* running();
    // The running part ended: the references follow the table unless nothing is left to
    // write or the table was abandoned on another ECU. True when the store is over.
    bool partEnded();
    // The screen is left while a part runs: it is cut, and `set` takes exactly the writes the
    // ECU acknowledged. Returns what the fitter is told about it (empty when nothing ran).
    QString cut(ParameterSet& set, const LanguageTable& language);

    State state() const { return m_state; }
    bool isWriting() const { return m_state == State::Writing; }
    // Progress while a part runs, then how the store ended: the first part that failed, or
    // the table's verification when both were kept. Empty before a store.
    QString text(const LanguageTable& language) const;

    const WriteSequence& table() const { return m_table; }
    const WriteSequence& references() const { return m_references; }

private:
    bool kept(const WriteSequence& part, bool planned) const;

    WriteSequence m_table;
    WriteSequence m_references;
    std::vector<Write> m_referenceWrites;
    WriteSequence::Timing m_timing;
    WriteSequence* m_running = nullptr;
    State m_state = State::Idle;
};
