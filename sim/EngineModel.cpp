#include "EngineModel.h"

#include <algorithm>
#include <cmath>

namespace {

// One lap of the drive cycle: idle, pull away, cruise, a hill, a long lift-off, idle. Zero
// stands for the idle speed, which is higher while the engine is cold.
struct Waypoint {
    int atMs;
    int rpm;
};
constexpr Waypoint kDriveCycle[] = {
    {0, 0},        {8000, 0},     {12000, 2800}, {25000, 2700}, {28000, 3400},
    {35000, 3300}, {41000, 1400}, {44000, 0},    {50000, 0},
};
constexpr int kDriveCycleMs = 50000;

constexpr int kCrankMs = 1200;
// The ECU ignores the switch conditions for a moment after the engine catches.
constexpr int kAfterStartMs = 3000;
// A zirconia probe gives nothing useful until its heater has warmed it.
constexpr int kProbeWarmUpMs = 20000;
// The car's petrol unit cuts injection on a lift-off faster than this, above this speed.
constexpr double kCutOffDecel = -250;
constexpr double kCutOffMinRpm = 1400;

double clamp(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}

// Moves value toward target as a first-order lag with time constant tauSeconds.
void follow(double& value, double target, double dtSeconds, double tauSeconds) {
    value += (target - value) * std::min(1.0, dtSeconds / std::max(tauSeconds, 1e-3));
}

int toWord(double v) {
    return static_cast<int>(std::lround(clamp(v, 0, 65535)));
}

} // namespace

EngineModel::EngineModel(const EcuMemory& memory, EngineState& state, EngineSettings settings)
    : m_memory(memory), m_state(state), m_settings(settings), m_rng(settings.seed) {
    for (double& s : m_spread)
        s = 1.0 + clamp(noise(0.015), -0.04, 0.04);
    m_gasTemp = m_boardTemp = m_settings.ambientTemperature;
    m_tank = clamp(m_settings.tankLevel, 0, 1);
    switch (m_settings.start) {
    case EngineSettings::Start::Stopped:
        break;
    case EngineSettings::Start::Cold:
        m_phase = Phase::Cranking;
        break;
    case EngineSettings::Start::Warm:
        m_phase = Phase::Running;
        m_phaseMs = 60000;
        m_gasTemp = 75;
        m_boardTemp = m_settings.ambientTemperature + 18;
        m_probeWarmMs = kProbeWarmUpMs;
        m_rpm = 850;
        m_pressure1 = word(62) == 1 ? 2000 : 1250;
        m_pressure2 = 330;
        m_fuel = Fuel::Gas;
        m_onGas = true;
        m_trim = clamp(double(trueCoefficientNow()) / std::max(1, lookupKtab(3000)), 0.5, 2.0);
        break;
    }
    updateMeasurements();
    m_lambdaMean = m_state.lambdaMeanMv = m_state.lambdaMv;
    publishStatus();
}

int EngineModel::cylinders() const {
    return std::clamp(word(1), 1, 8);
}

bool EngineModel::switching() const {
    return m_fuel == Fuel::SwitchingToGas || m_fuel == Fuel::SwitchingToPetrol;
}

int EngineModel::switchDelayMs(bool toGas) const {
    return word(toGas ? 15 : 14) + 100 * cylinders();
}

void EngineModel::advance(qint64 ms) {
    if (ms <= 0) return;
    m_carryMs += ms;
    while (m_carryMs >= kStepMs) {
        m_carryMs -= kStepMs;
        step();
    }
}

void EngineModel::command(int code, const QByteArray& request) {
    switch (code) {
    case 4:
        requestSwitch();
        break;
    case 10:
        if (request.size() >= 6)
            setCalibrationCoefficient(static_cast<unsigned char>(request.at(5)));
        break;
    case 11:
        enterCalibration();
        break;
    case 12:
        leaveCalibration();
        break;
    default:
        break;
    }
}

void EngineModel::requestSwitch() {
    // Only a running engine can change fuel, and a switch already under way runs its course.
    if (m_phase != Phase::Running || switching()) return;
    if (m_onGas) {
        beginSwitch(false, Fuel::Forced);
    } else if (m_fuel != Fuel::EndOfGas && m_state.gasTemperature >= word(13)) {
        // Gas into a cold reducer would freeze it: the ECU refuses until it is warm.
        beginSwitch(true, Fuel::Gas);
    }
    publishStatus();
}

void EngineModel::enterCalibration() {
    if (!m_calibration) m_calibrationK = std::max(1, m_state.kcor);
    m_calibration = true;
    publishStatus();
}

void EngineModel::leaveCalibration() {
    m_calibration = false;
    if (!m_onGas && !switching()) {
        m_fuel = Fuel::Auto;
        m_sawSwitchRpm = false;
    }
    publishStatus();
}

void EngineModel::setCalibrationCoefficient(int coefficient) {
    // Outside calibration mode the byte is only a poll argument (the level page sends 0).
    if (m_calibration) m_state.kcor = m_calibrationK = std::clamp(coefficient, 0, 255);
}

void EngineModel::startEngine() {
    if (m_phase != Phase::Stopped) return;
    m_phase = Phase::Cranking;
    m_phaseMs = 0;
}

void EngineModel::stopEngine() {
    m_phase = Phase::Stopped;
    m_phaseMs = 0;
}

void EngineModel::refill(double level) {
    m_tank = clamp(level, 0, 1);
    if (m_fuel == Fuel::EndOfGas) m_fuel = Fuel::Auto;
}

std::array<int, 64> EngineModel::risingMap(int low, int high) {
    std::array<int, 64> map{};
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            // Along speed and load alike, a little faster toward full load than from idle,
            // and a bulge over the middle loads: smooth, but not a plane any interpolation
            // would give back exactly.
            const double s = (row + column) / 14.0;
            const double f = s * (0.7 + 0.3 * s);
            const double bulge = 2 * std::sin(3.14159265358979 * row / 7);
            map[static_cast<std::size_t>(8 * row + column)] =
                static_cast<int>(std::lround(low + (high - low) * f + bulge));
        }
    }
    return map;
}

void EngineModel::hold(int rpm, int petrolTinj) {
    m_settings.holdRpm = std::max(0, rpm);
    m_settings.holdPetrolTinj = std::max(0, petrolTinj);
}

void EngineModel::holdInCell(int row, int column) {
    // Half way between the cell's breakpoints; past the last one by half the step before it.
    const auto middle = [this](int first, int i) {
        const int from = word(first + i);
        if (i < 7) return (from + word(first + i + 1)) / 2;
        return from + std::max(100, (from - word(first + 6)) / 2);
    };
    hold(middle(34, std::clamp(column, 0, 7)), middle(42, std::clamp(row, 0, 7)));
}

void EngineModel::toPetrol() {
    if (m_phase != Phase::Running) return;
    if (m_onGas || m_fuel == Fuel::SwitchingToGas)
        beginSwitch(false, Fuel::Forced);
    else
        m_fuel = Fuel::Forced;
    publishStatus();
}

int EngineModel::trueCoefficientNow() const {
    if (!m_settings.trueMap) return m_settings.trueCoefficient;
    // The engine's own operating point: its speed and its load as petrol time, not the time
    // the petrol unit's trim has stretched on gas.
    return (*m_settings.trueMap)[static_cast<std::size_t>(
        cellAt(m_state.rpm, static_cast<int>(std::lround(m_load))))];
}

int EngineModel::coefficientInUse() const {
    return m_calibration ? m_calibrationK : m_state.kcor;
}

double EngineModel::targetRpm() {
    if (m_phase == Phase::Stopped) return 0;
    if (m_phase == Phase::Cranking) return 230;
    const double coldness = clamp((60 - m_gasTemp) / 40, 0, 1);
    const double idle = 850 + 250 * coldness;
    // The engine flares when it catches, then settles.
    const double flare = 600 * std::exp(-double(m_phaseMs) / 700);
    if (m_settings.holdRpm > 0) return m_settings.holdRpm + flare;
    if (m_calibration)
        return (m_settings.fixedRpm > 0 ? m_settings.fixedRpm : m_settings.calibrationRpm) + flare;
    if (m_settings.fixedRpm > 0) return m_settings.fixedRpm + flare;

    m_cycleMs = (m_cycleMs + kStepMs) % kDriveCycleMs;
    const auto rpmOf = [idle](const Waypoint& w) { return w.rpm == 0 ? idle : double(w.rpm); };
    for (std::size_t i = 0; i + 1 < std::size(kDriveCycle); ++i) {
        const Waypoint& a = kDriveCycle[i];
        const Waypoint& b = kDriveCycle[i + 1];
        if (m_cycleMs >= a.atMs && m_cycleMs < b.atMs) {
            const double f = double(m_cycleMs - a.atMs) / (b.atMs - a.atMs);
            return rpmOf(a) + (rpmOf(b) - rpmOf(a)) * f + flare;
        }
    }
    return idle + flare;
}

void EngineModel::step() {
    constexpr double dt = kStepMs / 1000.0;
    m_now += kStepMs;
    m_phaseMs += kStepMs;
    if (m_phase == Phase::Cranking && m_phaseMs >= kCrankMs) {
        m_phase = Phase::Running;
        m_phaseMs = 0;
        m_cycleMs = 0;
    }
    const bool turning = m_phase != Phase::Stopped;
    const bool runningNow = m_phase == Phase::Running;

    const double before = m_rpm;
    follow(m_rpm, targetRpm(), dt, runningNow ? 0.35 : 0.2);
    follow(m_accel, (m_rpm - before) / dt, dt, 0.2);

    // The reducer is warmed by the engine's coolant; the board by the engine bay.
    follow(m_gasTemp, runningNow ? 85.0 : m_settings.ambientTemperature, dt, runningNow ? 80 : 900);
    follow(m_boardTemp, m_settings.ambientTemperature + (runningNow ? 18.0 : 0.0), dt, 300);
    if (runningNow) m_probeWarmMs = std::min<qint64>(m_probeWarmMs + kStepMs, kProbeWarmUpMs);

    if (m_onGas && runningNow)
        m_tank = std::max(0.0, m_tank - m_settings.tankUsePerMinute / 60 * dt * (m_rpm / 2000));

    // The car's petrol unit answers a lean gas mix (coefficient too small) with longer
    // petrol times, a rich one with shorter, through its slow lambda trim.
    const double wanted =
        m_onGas ? double(trueCoefficientNow()) / std::max(1, coefficientInUse()) : 1.0;
    follow(m_trim, clamp(wanted, 0.5, 2.0), dt, m_settings.trimLagMs / 1000.0);

    m_cutOff = runningNow && m_accel < kCutOffDecel && m_rpm > kCutOffMinRpm;

    const double nominal = word(62) == 1 ? 2000 : 1250;
    if (turning) {
        // An emptying tank can no longer hold the reducer's pressure.
        const double supply = nominal * std::min(1.0, m_tank / 0.04);
        const double flowDrop = m_onGas ? std::min(150.0, m_rpm / 25) : 0.0;
        follow(m_pressure1, supply - flowDrop, dt, 0.5);
    } else {
        follow(m_pressure1, 0, dt, 30);
    }

    updateMeasurements();
    if (m_phase == Phase::Running) {
        if (switching() && m_now >= m_switchDoneAt) {
            m_onGas = m_fuel == Fuel::SwitchingToGas;
            m_fuel = m_afterSwitch;
        }
        decideFuel();
    } else {
        // A stalled engine drops back to petrol; the ECU starts over at the next start.
        m_fuel = Fuel::Auto;
        m_onGas = false;
        m_sawSwitchRpm = false;
    }
    publishStatus();
}

void EngineModel::updateMeasurements() {
    EngineState& s = m_state;
    const bool runningNow = m_phase == Phase::Running;
    const bool turning = m_phase != Phase::Stopped;

    s.rpm = turning && m_rpm > 30 ? toWord(m_rpm + noise(runningNow ? 6 : 15)) : 0;
    s.gasTemperature = static_cast<int>(std::lround(m_gasTemp + noise(0.2)));

    // Petrol time the car's unit commands: more with speed and throttle, more when cold,
    // nothing on an overrun cut.
    double base = 0;
    if (m_phase == Phase::Cranking) {
        base = 9000;
    } else if (runningNow && !m_cutOff && m_settings.holdPetrolTinj > 0) {
        // The fitter's foot keeps the load where the petrol unit commands this time on petrol.
        base = m_settings.holdPetrolTinj / meanSpread();
    } else if (runningNow && !m_cutOff) {
        const double coldness = clamp((60 - m_gasTemp) / 40, 0, 1);
        base = (2500 + 1.1 * std::max(0.0, m_rpm - 800) + 1.5 * std::max(0.0, m_accel)) *
               (1 + 0.25 * coldness);
    }
    const int n = cylinders();
    m_load = base * meanSpread();
    long petrolSum = 0;
    for (int i = 0; i < 8; ++i) {
        const int t =
            i < n && base > 0 ? toWord(base * m_spread[i] * m_trim * (1 + noise(0.006))) : 0;
        s.petrolTinj[i] = t;
        petrolSum += t;
    }
    s.petrolTinjMean = static_cast<int>(petrolSum / n);

    s.ktab = lookupKtab(s.petrolTinjMean);
    s.kcor = m_calibration ? std::clamp(m_calibrationK, 0, 255)
                           : std::clamp(s.ktab + correctives(), 0, 255);
    const int k = m_calibration ? m_calibrationK : s.kcor;
    long gasSum = 0;
    for (int i = 0; i < 8; ++i) {
        const int g = m_onGas ? toWord(s.petrolTinj[i] * k / 100.0) : 0;
        s.gasTinj[i] = g;
        gasSum += g;
    }
    s.gasTinjMean = static_cast<int>(gasSum / n);

    s.pressure1 = toWord(m_pressure1 + (turning ? noise(6) : 0));
    const double load = clamp((base - 2500) / 5000, 0, 1);
    follow(m_pressure2, !turning ? 1013.0 : (m_cutOff ? 250.0 : 330 + 550 * load), kStepMs / 1000.0,
           0.3);
    s.pressure2 = toWord(m_pressure2 + noise(4));

    // Lambda: a narrow-band probe swings either side of its switch point as the petrol
    // unit's closed loop hunts; a lean or rich mix shifts it until the trim catches up.
    const int type = word(3) <= 3 ? word(3) : 2;
    const double full = type <= 1 ? 5000 : 1000;
    const double switchPoint = type <= 1 ? 2500 : (type == 2 ? 450 : 550);
    const double swing = 0.35 * full;
    double richness = -1; // no fuel: lean
    if (m_phase == Phase::Cranking || (runningNow && !m_cutOff)) {
        if (m_probeWarmMs < kProbeWarmUpMs) {
            richness = -0.9;
        } else {
            m_lambdaPhase += (0.6 + m_rpm / 4000) * kStepMs / 1000.0;
            m_lambdaPhase -= std::floor(m_lambdaPhase);
            const double triangle = 4 * std::abs(m_lambdaPhase - 0.5) - 1;
            const double mix =
                m_onGas ? coefficientInUse() * m_trim / trueCoefficientNow() : m_trim;
            richness = 0.85 * triangle + clamp((mix - 1) * 4, -1, 1) + noise(0.03);
        }
    }
    richness = clamp(richness, -1.2, 1.2);
    const bool inverted = type == 1 || type == 3;
    s.lambdaMv = toWord(switchPoint + (inverted ? -richness : richness) * swing);
    follow(m_lambdaMean, s.lambdaMv, kStepMs / 1000.0, 2.0);
    s.lambdaMeanMv = toWord(m_lambdaMean);

    // Level sender: the reading moves from LevelMin (empty) to LevelMax (full).
    const double input = word(19) + m_tank * (word(20) - word(19));
    s.levelInputMv = toWord(input + noise(6));
    s.levelCode = levelCode(input);

    auto& d = s.diagnosis;
    const bool gasValve = m_onGas || m_fuel == Fuel::SwitchingToGas;
    d[EngineState::DiagGasValve] = gasValve ? 1 : 0;
    d[EngineState::DiagInjector1Sense] = s.petrolTinj[0] > 0 ? 1 : 0;
    d[EngineState::DiagBoardTemperature] =
        static_cast<int>(std::lround(m_boardTemp * 10 + noise(1)));
    d[EngineState::DiagGeneralValve] = gasValve ? 1 : 0;
    const double key = !turning ? 12400 : (runningNow ? 13900 : 10600);
    d[EngineState::DiagKeyVoltage] = toWord(key + noise(30));
    d[EngineState::DiagSensorSupply] = toWord(5000 + noise(4));
    for (int i = 0; i < 8; ++i)
        d[EngineState::DiagInjector1 + i] = i < n && s.gasTinj[i] > 0 ? 1 : 0;
    d[EngineState::DiagDebug1] = static_cast<int>((m_now / 1000) & 0xFFFF);
    d[EngineState::DiagDebug2] = 0;
    d[EngineState::DiagDebug3] = 0;
}

void EngineModel::decideFuel() {
    if (m_fuel == Fuel::Gas && !m_calibration && m_state.pressure1 < word(30)) {
        // End of gas: the pressure no longer holds, back to petrol until refilled.
        beginSwitch(false, Fuel::EndOfGas);
        return;
    }
    if (m_calibration || m_fuel != Fuel::Auto) return;
    const int switchRpm = word(12);
    if (m_phaseMs < kAfterStartMs) {
        m_waitCode = 3;
    } else if (m_state.gasTemperature < word(13)) {
        m_waitCode = 4;
    } else if (word(59) != 0) {
        // Switching on deceleration: the speed must pass SwitchRpm, and the ECU changes fuel
        // on the lift-off below it, when the engine is not asking for power.
        if (!m_sawSwitchRpm) {
            m_sawSwitchRpm = m_state.rpm >= switchRpm;
            m_waitCode = m_sawSwitchRpm ? 9 : 7;
        } else if (m_state.rpm < switchRpm - 200) {
            beginSwitch(true, Fuel::Gas);
        } else {
            m_waitCode = 9;
        }
    } else if (m_state.rpm >= switchRpm) {
        beginSwitch(true, Fuel::Gas);
    } else {
        m_waitCode = 7;
    }
}

void EngineModel::beginSwitch(bool toGas, Fuel afterwards) {
    m_fuel = toGas ? Fuel::SwitchingToGas : Fuel::SwitchingToPetrol;
    m_afterSwitch = afterwards;
    m_switchDoneAt = m_now + switchDelayMs(toGas);
}

void EngineModel::publishStatus() {
    m_state.onPetrol = !m_onGas;
    int code = m_waitCode;
    if (m_phase == Phase::Stopped)
        code = 1;
    else if (m_phase == Phase::Cranking)
        code = 2;
    else if (m_calibration)
        code = 21;
    else if (m_fuel == Fuel::SwitchingToGas)
        code = 11;
    else if (m_fuel == Fuel::Gas)
        code = 12;
    else if (m_fuel == Fuel::Forced)
        code = 16;
    else if (m_fuel == Fuel::EndOfGas)
        code = 14;
    else if (m_fuel == Fuel::SwitchingToPetrol)
        code = m_afterSwitch == Fuel::EndOfGas ? 14 : 16;
    m_state.ecuState = code;
}

int EngineModel::lookupKtab(int petrolTime) const {
    return m_memory.table[static_cast<std::size_t>(cellAt(m_state.rpm, petrolTime) + 1)];
}

int EngineModel::cellAt(int rpm, int petrolTime) const {
    // The cell whose breakpoints the operating point has passed last; breakpoints out of
    // order still give a cell.
    int column = 0;
    int row = 0;
    for (int i = 0; i < 8; ++i) {
        if (rpm >= word(34 + i)) column = i;
        if (petrolTime >= word(42 + i)) row = i;
    }
    return 8 * row + column;
}

double EngineModel::meanSpread() const {
    const int n = cylinders();
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += m_spread[static_cast<std::size_t>(i)];
    return sum / n;
}

int EngineModel::correctives() const {
    int k = 0;
    // Thinner gas (pressure below the calibration pressure, or hotter than at calibration)
    // needs a longer injection.
    if (word(21) > 0 && word(22) > 0 && m_state.rpm >= word(23))
        k += word(21) * (word(29) - m_state.pressure1) / word(22);
    if (word(26) > 0 && word(27) > 0)
        k += word(26) * (m_state.gasTemperature - word(28)) / word(27);
    return k;
}

int EngineModel::levelCode(double input) const {
    const double lo = word(19);
    const double span = word(20) - lo;
    const double v = span > 0 ? input : lo - input;
    const double scale = std::abs(span);
    const double offset = span > 0 ? lo : 0;
    const double p0 = offset + scale / 10;
    const double p1 = offset + scale * word(16) / 100;
    const double p2 = offset + scale * word(17) / 100;
    const double p3 = offset + scale * word(18) / 100;
    if (word(58) == 1) {       // three-step sender
        if (v <= p0) return 9; // nearly dry: reserve blinking
        if (v <= p1) return 5; // reserve
        if (v <= p2) return 11;
        return v <= p3 ? 12 : 10;
    }
    if (v <= p0) return 9; // four-step sender: reserve
    if (v <= p1) return 13;
    if (v <= p2) return 14;
    return v <= p3 ? 15 : 10;
}
