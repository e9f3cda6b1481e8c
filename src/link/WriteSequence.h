#pragma once

#include "Commands.h"
#include "ExchangeCycle.h"
#include "params/WriteList.h"

#include <functional>
#include <optional>
#include <vector>

class ParameterSet;

// A list of writes sent to the ECU one acknowledgement at a time: command 2 for parameters,
// command 9 for table entries. Every screen that writes runs one through its ExchangeCycle.
//
// Optionally the sequence reads back what the ECU stored (command 1 and/or 8), compares it
// with what was written, writes whatever differs once more, reads back again and names what
// still differs. An EEPROM cell that does not keep its value, or firmware that clamps one, is
// only found this way: the ECU acknowledges every write it receives.
class WriteSequence {
public:
    using Write = WriteList::Entry;
    enum class ReadBack { None, Parameters, Table, Both };
    enum class Result {
        Idle, // never started
        Running,
        Written,     // every write acknowledged; no read-back was asked for
        Verified,    // read back and equal to what was written
        Differences, // read back twice; differences() still differ
        Interrupted, // left before the end; acknowledged() writes reached the ECU
        Abandoned,   // after a lost link another ECU answered; nothing more was sent to it
    };
    enum class Take {
        NotMine,  // not the reply this sequence waits for
        Taken,    // the reply it waited for: the sequence moved on
        Unusable, // its reply, but too short for its fields: as if nothing came
    };
    struct Timing {
        int writeMs = 50;
        int readMs = 300;
    };

    void start(std::vector<Write> writes, ReadBack readBack, Timing timing);

    // The request to send while the sequence runs; repeated until it is answered.
    ExchangeCycle::Request request() const;
    // Offered every accepted frame while running. True when it was the reply this sequence
    // waits for; false leaves it to the screen.
    //
    // An acknowledgement carries no slot number, so a late duplicate of the previous write's
    // acknowledgement cannot be told from the current write's when both use the same command.
    // The exchange cycle already drops acknowledgements of any other command; the read-back
    // is what finds a write lost that way.
    Take take(const QByteArray& reply);
    // The screen is left before the end.
    void interrupt();

    // A write resumed after a lost link must go to the ECU it started on, not to whichever
    // answers next (the cable may have moved to another car). With this set, the first thing
    // sent after a lost link asks the version, and with `before` (what the ECU held when the
    // sequence started) the parameter block, which must still be `before` with the
    // acknowledged writes in it (the write under way may or may not have landed). Anything
    // else abandons the sequence. Called after start().
    void expectSameEcu(Commands::EcuVersion version,
                       std::optional<Commands::ParameterBlock> before = std::nullopt);
    // The exchange lost the link (silence, bad replies or a vanished adapter).
    void linkLost();

    bool isRunning() const { return m_result == Result::Running; }
    Result result() const { return m_result; }
    int total() const { return static_cast<int>(m_writes.size()); }
    // Writes of the list the ECU has acknowledged, in order from the first.
    int acknowledged() const { return m_acknowledged; }
    // After Differences: the writes whose value the ECU did not keep (the value written).
    const std::vector<Write>& differences() const { return m_differences; }
    const std::vector<Write>& writes() const { return m_writes; }

    // What the ECU reported on the last read-back.
    const std::optional<Commands::ParameterBlock>& readParameters() const {
        return m_readParameters;
    }
    const std::optional<Commands::TableBlock>& readTable() const { return m_readTable; }
    // Puts the read-back into the set: what the ECU holds, not what was meant. An abandoned
    // sequence has no read-back of its ECU: the set takes the acknowledged writes.
    void storeReadBack(ParameterSet& set) const;
    // Puts the acknowledged writes into the set (for a sequence without read-back, or one that
    // was interrupted: the set then holds exactly what reached the ECU).
    void storeAcknowledged(ParameterSet& set) const;

    // Called after every acknowledged write of the list: (acknowledged, total).
    std::function<void(int, int)> onProgress;

private:
    enum class Step { Write, ReadParameters, ReadTable, CheckVersion, CheckParameters };

    void startPass(std::vector<Write> pass);
    void afterWrites();
    void afterRead();
    Take checkIdentity(const QByteArray& reply);

    std::vector<Write> m_writes;
    std::vector<Write> m_pass; // the writes of the pass under way
    std::size_t m_index = 0;   // into m_pass
    int m_acknowledged = 0;
    bool m_rewriting = false;
    ReadBack m_readBack = ReadBack::None;
    Timing m_timing;
    Step m_step = Step::Write;
    Result m_result = Result::Idle;
    std::vector<Write> m_differences;
    std::optional<Commands::ParameterBlock> m_readParameters;
    std::optional<Commands::TableBlock> m_readTable;
    // Resuming on the same ECU only.
    std::optional<Commands::EcuVersion> m_version;
    std::optional<Commands::ParameterBlock> m_expected; // what the ECU should hold now
    Step m_resumeAt = Step::Write;
};
