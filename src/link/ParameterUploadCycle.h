#pragma once

#include "ExchangeCycle.h"
#include "ParameterUpload.h"
#include "WriteSequence.h"

#include <functional>

class LanguageTable;
class RequestPlan;

// The upload on a screen's exchange, for the screens that read the ECU's whole configuration
// (the main menu, and the parameter menu when it reads the set again or after a restore): the
// block's reply asks for the table, the table's reply has the set checked, and the defaults of
// the values this software cannot trust are written, one acknowledgement at a time, before
// everything is read again. The screens only say what they show at each stage.
class ParameterUploadCycle {
public:
    using Outcome = ExchangeCycle::Outcome;
    struct Hooks {
        std::function<void()> parametersRead; // the block is in the set; the table follows
        std::function<void()> repairing;      // values to repair: their defaults go out now
        // The upload ended, Valid or Refused: how the exchange goes on (End, or HandOver when
        // the screen leaves).
        std::function<Outcome(ParameterUpload::Step)> finished;
    };

    // Takes the replies of commands 1 and 8 on `cycle`. `version` is the ECU's as the screen
    // last read it: a write-back resumed after a lost link goes only to that ECU.
    ParameterUploadCycle(ExchangeCycle& cycle, const RequestPlan& plan, ParameterSet& set,
                         WriteList& list, const Commands::EcuVersion& version, Hooks hooks);

    // Puts the first request in force; the screen starts the exchange. `writes` go first (a
    // change of fuel) and the set is read once the ECU holds them.
    void start(ParameterUpload::Check check = ParameterUpload::Check::Ranges,
               std::vector<WriteSequence::Write> writes = {});
    // The screen is left, or its operation given up: replies are no longer taken.
    void stop() { m_running = false; }
    bool isRunning() const { return m_running; }

    const ParameterUpload& upload() const { return m_upload; }
    // The write-back under way, for a screen left in the middle of it.
    WriteSequence& writes() { return m_writes; }
    // "La centralina non accetta i valori di default di questi parametri:" and their names.
    QString refusedText(const LanguageTable& language) const;

private:
    Outcome parametersReply(const QByteArray& reply);
    Outcome tableReply(const QByteArray& reply);
    Outcome next();

    ExchangeCycle& m_cycle;
    const RequestPlan& m_plan;
    const Commands::EcuVersion& m_version;
    Hooks m_hooks;
    ParameterUpload m_upload;
    WriteSequence m_writes;
    bool m_running = false;
};
