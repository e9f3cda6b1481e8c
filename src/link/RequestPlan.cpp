#include "RequestPlan.h"

#include "Commands.h"

using namespace Commands;

RequestPlan::RequestPlan(int defaultMs, std::initializer_list<std::pair<int, int>> intervals)
    : m_defaultMs(defaultMs), m_intervals(intervals) {}

int RequestPlan::intervalOf(int command) const {
    for (const auto& [code, ms] : m_intervals)
        if (code == command) return ms;
    return m_defaultMs;
}

ExchangeCycle::Request RequestPlan::request(int command) const {
    return {command, frame(command), intervalOf(command)};
}

ExchangeCycle::Request RequestPlan::calibrationLive(int coefficient) const {
    return {CalibrationLive, Commands::calibrationLive(coefficient), intervalOf(CalibrationLive)};
}

WriteSequence::Timing RequestPlan::writeTiming() const {
    return {intervalOf(WriteParameter), intervalOf(ReadParameters)};
}

const RequestPlan& RequestPlan::connectionCheck() {
    static const RequestPlan plan(100, {});
    return plan;
}

const RequestPlan& RequestPlan::mainMenu() {
    static const RequestPlan plan(
        200,
        {{ReadParameters, 300}, {ReadTable, 300}, {WriteParameter, 50}, {WriteTableEntry, 50}});
    return plan;
}

const RequestPlan& RequestPlan::parameterMenu() {
    static const RequestPlan plan(
        50, {{RestoreDefaults, 500}, {ReadParameters, 300}, {ReadTable, 300}});
    return plan;
}

const RequestPlan& RequestPlan::parameterPage() {
    static const RequestPlan plan(200, {});
    return plan;
}

const RequestPlan& RequestPlan::liveAcquisition() {
    // The ECU needs a moment to hand the cylinders over to the other fuel.
    static const RequestPlan plan(150, {{SwitchFuel, 300}});
    return plan;
}

const RequestPlan& RequestPlan::diagnosis() {
    static const RequestPlan plan(100, {});
    return plan;
}

const RequestPlan& RequestPlan::calibrationPage() {
    static const RequestPlan plan(200, {});
    return plan;
}

const RequestPlan& RequestPlan::autoCalibration() {
    static const RequestPlan plan(100, {});
    return plan;
}
