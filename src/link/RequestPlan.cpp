#include "RequestPlan.h"

#include "Commands.h"

#include <QtGlobal>

using namespace Commands;

RequestPlan::RequestPlan(const char* name, int defaultMs, std::initializer_list<Entry> entries)
    : m_name(name), m_defaultMs(defaultMs), m_entries(entries) {
    for (Entry& e : m_entries) {
        if (e.intervalMs <= 0) e.intervalMs = m_defaultMs;
        if (e.startMs <= 0) e.startMs = m_defaultMs;
    }
}

bool RequestPlan::lists(int command) const {
    for (const Entry& e : m_entries)
        if (e.command == command) return true;
    return false;
}

int RequestPlan::intervalOf(int command) const {
    for (const Entry& e : m_entries)
        if (e.command == command) return e.intervalMs;
    // A request the plan does not list was never held against its reply's time on the line.
    Q_ASSERT_X(false, "RequestPlan::intervalOf", "command not listed in the screen's plan");
    qWarning("RequestPlan %s: command %d is not listed; its reply may not fit the default %d ms",
             m_name, command, m_defaultMs);
    return m_defaultMs;
}

int RequestPlan::startDelayOf(int command) const {
    for (const Entry& e : m_entries)
        if (e.command == command) return e.startMs;
    intervalOf(command); // the same complaint
    return m_defaultMs;
}

ExchangeCycle::Request RequestPlan::request(int command) const {
    return {command, frame(command), intervalOf(command)};
}

ExchangeCycle::Request RequestPlan::calibrationLive(int coefficient) const {
    return {CalibrationLive, Commands::calibrationLive(coefficient), intervalOf(CalibrationLive)};
}

WriteSequence::Timing RequestPlan::writeTiming() const {
    // One interval serves both kinds of write and both reads: the plans give 2 and 9 the same,
    // and 1 and 8 the same, so the longer reply of each pair is the one that must fit.
    return {intervalOf(WriteParameter), intervalOf(ReadParameters)};
}

// At 9600 baud with a 16 ms adapter timer a reply is complete, at worst: a write's
// acknowledgement 37 ms after its request, the version 36 ms, the diagnosis 68 ms, the
// calibration record 60 ms, the table 99 ms, the live record 106 ms and the parameter block
// 162 ms. Every interval below leaves a fifth more than that.

const RequestPlan& RequestPlan::connectionCheck() {
    static const RequestPlan plan("connection check", 100, {{Version}});
    return plan;
}

const RequestPlan& RequestPlan::mainMenu() {
    static const RequestPlan plan("main menu", 200,
                                  {{ReadParameters, 300, 50},
                                   {ReadTable, 300},
                                   {WriteParameter, 50, 50},
                                   {WriteTableEntry, 50},
                                   {LiveRecord},
                                   {CalibrationLive},
                                   {Diagnosis},
                                   {Version}});
    return plan;
}

const RequestPlan& RequestPlan::parameterMenu() {
    static const RequestPlan plan("parameter menu", 50,
                                  {{RestoreDefaults, 500},
                                   {ReadParameters, 300},
                                   {ReadTable, 300},
                                   {WriteParameter},
                                   {WriteTableEntry},
                                   {Version}});
    return plan;
}

const RequestPlan& RequestPlan::parameterPage() {
    // The level page polls the calibration record for the sender's reading.
    static const RequestPlan plan(
        "parameter page", 200, {{WriteParameter}, {ReadParameters}, {CalibrationLive}, {Version}});
    return plan;
}

const RequestPlan& RequestPlan::liveAcquisition() {
    // The ECU needs a moment to hand the cylinders over to the other fuel.
    static const RequestPlan plan("live acquisition", 150,
                                  {{LiveRecord}, {SwitchFuel, 300}, {Version}});
    return plan;
}

const RequestPlan& RequestPlan::diagnosis() {
    static const RequestPlan plan("diagnosis", 100, {{Diagnosis}, {Version}});
    return plan;
}

const RequestPlan& RequestPlan::calibrationPage() {
    // The page asks for its first record soon after the menu's last reply; a write waits a
    // little longer so the poll's reply still on the line is not taken for its acknowledgement.
    static const RequestPlan plan("calibration page", 200,
                                  {{CalibrationLive, 0, 50},
                                   {SwitchFuel},
                                   {EnterCalibration},
                                   {LeaveCalibration},
                                   {WriteParameter, 0, 100},
                                   {WriteTableEntry, 0, 100},
                                   {ReadParameters},
                                   {ReadTable},
                                   {Version}});
    return plan;
}

const RequestPlan& RequestPlan::autoCalibration() {
    // The store's read-backs carry the whole block or table: at the 100 ms of the polling the
    // parameter block could never be complete, and the read-back would be asked again for
    // ever. They take the main menu's 300 ms.
    static const RequestPlan plan("automatic calibration", 100,
                                  {{CalibrationLive},
                                   {SwitchFuel},
                                   {EnterCalibration},
                                   {LeaveCalibration},
                                   {WriteParameter},
                                   {WriteTableEntry},
                                   {ReadParameters, 300},
                                   {ReadTable, 300}});
    return plan;
}

std::vector<const RequestPlan*> RequestPlan::all() {
    return {&connectionCheck(), &mainMenu(),  &parameterMenu(),   &parameterPage(),
            &liveAcquisition(), &diagnosis(), &calibrationPage(), &autoCalibration()};
}
