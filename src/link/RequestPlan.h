#pragma once

#include "ExchangeCycle.h"
#include "WriteSequence.h"

#include <initializer_list>
#include <vector>

// How one screen times its requests: how long it waits for each reply before its next tick.
// The frames are built here too, so no screen spells out a command's bytes or keeps its own
// table of intervals. The ECU needs longer for some requests (a parameter block, restoring its
// defaults) than for a single write.
//
// A plan lists every command its screen sends, so that one test can hold every interval
// against the time its reply takes on the line. Asking a plan for a command it does not list
// is a programming error.
class RequestPlan {
public:
    // A command the screen sends, how long it waits for the reply (0: the plan's default), and
    // how soon after the exchange starts it goes out when it opens the exchange (0: the plan's
    // default interval).
    struct Entry {
        int command = 0;
        int intervalMs = 0;
        int startMs = 0;
    };

    RequestPlan(const char* name, int defaultMs, std::initializer_list<Entry> entries);

    const char* name() const { return m_name; }
    const std::vector<Entry>& entries() const { return m_entries; }
    bool lists(int command) const;

    int intervalOf(int command) const;
    // The first tick's delay of an exchange that opens with `command` (or with a write sequence
    // whose first write is `command`).
    int startDelayOf(int command) const;
    // A request without payload (1, 3, 4, 5, 7, 8, 11, 12, 15).
    ExchangeCycle::Request request(int command) const;
    // Command 10, carrying the coefficient the ECU is to apply.
    ExchangeCycle::Request calibrationLive(int coefficient) const;
    // How a write sequence of this screen times its writes (2 and 9) and its read-back (1 and 8).
    WriteSequence::Timing writeTiming() const;

    static const RequestPlan& connectionCheck();
    static const RequestPlan& mainMenu();
    static const RequestPlan& parameterMenu();
    static const RequestPlan& parameterPage();
    static const RequestPlan& liveAcquisition();
    static const RequestPlan& diagnosis();
    static const RequestPlan& calibrationPage();
    static const RequestPlan& autoCalibration();
    // Every plan above.
    static std::vector<const RequestPlan*> all();

private:
    const char* m_name;
    int m_defaultMs;
    std::vector<Entry> m_entries;
};
