#pragma once

#include "ExchangeCycle.h"
#include "WriteSequence.h"

#include <initializer_list>
#include <utility>
#include <vector>

// How one screen times its requests: how long it waits for each reply before its next tick.
// The frames are built here too, so no screen spells out a command's bytes or keeps its own
// table of intervals. The ECU needs longer for some requests (a parameter block, restoring its
// defaults) than for a single write.
class RequestPlan {
public:
    RequestPlan(int defaultMs, std::initializer_list<std::pair<int, int>> intervals);

    int intervalOf(int command) const;
    // A request without payload (1, 3, 4, 5, 7, 8, 11, 12, 15).
    ExchangeCycle::Request request(int command) const;
    // Command 10, carrying the coefficient the ECU is to apply.
    ExchangeCycle::Request calibrationLive(int coefficient) const;
    // How a write sequence of this screen times its writes and its read-back.
    WriteSequence::Timing writeTiming() const;

    static const RequestPlan& connectionCheck();
    static const RequestPlan& mainMenu();
    static const RequestPlan& parameterMenu();
    static const RequestPlan& parameterPage();
    static const RequestPlan& liveAcquisition();
    static const RequestPlan& diagnosis();
    static const RequestPlan& calibrationPage();
    static const RequestPlan& autoCalibration();

private:
    int m_defaultMs;
    std::vector<std::pair<int, int>> m_intervals;
};
