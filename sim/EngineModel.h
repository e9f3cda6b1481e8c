#pragma once

#include "EcuMemory.h"
#include "EngineState.h"

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <cstdint>
#include <optional>
#include <random>

// How the simulated car behaves. Every field has a believable default.
struct EngineSettings {
    enum class Start {
        Stopped, // key on, engine still: the ECU answers, nothing turns
        Cold,    // key on and cranking at once, everything at ambient temperature
        Warm,    // already idling warm on gas
    };
    Start start = Start::Cold;
    std::uint32_t seed = 1;
    int fixedRpm = 0; // 0: the repeating drive cycle
    // The gas coefficient at which gas feeds the engine exactly as petrol does: the answer
    // an automatic calibration run must find.
    int trueCoefficient = 118;
    // The same per operating point, cell 8 * row + column of the ECU's own table (rows of
    // petrol injection time, columns of rpm, by its breakpoints). Over trueCoefficient when
    // set: a real engine needs more gas at some speeds and loads than at others.
    std::optional<std::array<int, 64>> trueMap;
    // Held engine: the speed and the petrol time its petrol unit commands on petrol (the
    // load), as a fitter holds them on a roller bench. 0: not held. On gas the petrol unit's
    // trim still stretches the time the ECU reads.
    int holdRpm = 0;
    int holdPetrolTinj = 0;
    int ambientTemperature = 20;     // °C
    double tankLevel = 0.8;          // 0..1 at the start
    double tankUsePerMinute = 0.005; // share of the tank burnt per minute on gas at 2000 rpm
    int trimLagMs = 1500;            // how slowly the car's petrol unit corrects a lean/rich mix
    int calibrationRpm = 2500;       // the steady speed a fitter holds during calibration
};

// The car and the ECU's own decisions, stepped by a clock the owner drives. It reads the
// ECU's parameters live from the memory (a written SwitchRpm counts at once) and writes
// what the ECU would measure into the EngineState the responder packs.
//
// Everything random comes from one generator seeded from the settings, and time advances
// in fixed steps, so the same seed and the same calls give the same bytes, however the
// caller slices the time.
class EngineModel {
public:
    static constexpr int kStepMs = 10;

    EngineModel(const EcuMemory& memory, EngineState& state, EngineSettings settings = {});

    void advance(qint64 ms);
    qint64 nowMs() const { return m_now; }

    // What the ECU does on a request it has just acknowledged (4, 10, 11, 12; others are
    // ignored).
    void command(int code, const QByteArray& request);
    void requestSwitch();
    void enterCalibration();
    void leaveCalibration();
    void setCalibrationCoefficient(int coefficient);

    void startEngine();
    void stopEngine();
    void refill(double level = 1.0);
    void setTrueCoefficient(int coefficient) { m_settings.trueCoefficient = coefficient; }
    void setFixedRpm(int rpm) { m_settings.fixedRpm = rpm; }
    // None: trueCoefficient everywhere again.
    void setTrueMap(const std::optional<std::array<int, 64>>& map) { m_settings.trueMap = map; }
    // A smooth map from `low` at the lowest speed and load to `high` at the highest.
    static std::array<int, 64> risingMap(int low, int high);
    // Holds the engine at this speed and petrol time (0, 0 lets it go).
    void hold(int rpm, int petrolTinj);
    // Holds the engine in the middle of a cell of the ECU's table as its breakpoints stand
    // now (the last row and column: a little past their breakpoint).
    void holdInCell(int row, int column);
    // Petrol, kept: as a fitter's switch on the calibration page, but whatever the ECU was
    // doing (a switch to gas under way is taken back). Nothing while the engine stands.
    void toPetrol();
    // The true coefficient where the engine runs now.
    int trueCoefficientNow() const;

    bool running() const { return m_phase == Phase::Running; }
    bool onGas() const { return m_onGas; }
    bool switching() const;
    bool inCalibration() const { return m_calibration; }
    double tankLevel() const { return m_tank; }
    // From a switch command to the other fuel: the overlap the fitter set plus one engine
    // cycle per cylinder, as the ECU hands the cylinders over one at a time.
    int switchDelayMs(bool toGas) const;
    const EngineSettings& settings() const { return m_settings; }

private:
    enum class Phase { Stopped, Cranking, Running };
    enum class Fuel { Auto, SwitchingToGas, Gas, SwitchingToPetrol, Forced, EndOfGas };

    int word(int id) const { return m_memory.words[static_cast<std::size_t>(id)]; }
    double noise(double sigma) { return m_noise(m_rng) * sigma; }
    int cylinders() const;
    int coefficientInUse() const;

    void step();
    double targetRpm();
    void updateMeasurements();
    void decideFuel();
    void beginSwitch(bool toGas, Fuel afterwards);
    void publishStatus();
    int lookupKtab(int petrolTime) const;
    int cellAt(int rpm, int petrolTime) const;
    double meanSpread() const;
    int correctives() const;
    int levelCode(double input) const;

    const EcuMemory& m_memory;
    EngineState& m_state;
    EngineSettings m_settings;
    std::mt19937 m_rng;
    std::normal_distribution<double> m_noise{0.0, 1.0};

    qint64 m_now = 0;
    qint64 m_carryMs = 0;
    Phase m_phase = Phase::Stopped;
    qint64 m_phaseMs = 0; // time in the current phase
    qint64 m_cycleMs = 0; // position in the drive cycle
    double m_rpm = 0;
    double m_accel = 0; // rpm per second, smoothed
    double m_gasTemp = 20;
    double m_boardTemp = 20;
    double m_pressure1 = 0;
    double m_pressure2 = 1013;
    double m_tank = 0.8;
    double m_trim = 1.0; // the petrol unit's fuel trim: petrol time on gas / on petrol
    double m_lambdaPhase = 0;
    double m_lambdaMean = 0;
    qint64 m_probeWarmMs = 0;
    std::array<double, 8> m_spread{};
    bool m_cutOff = false;
    double m_load = 0; // the petrol time the petrol unit would command on petrol now

    Fuel m_fuel = Fuel::Auto;
    Fuel m_afterSwitch = Fuel::Gas;
    bool m_onGas = false;
    qint64 m_switchDoneAt = 0;
    bool m_sawSwitchRpm = false;
    int m_waitCode = 3;
    bool m_calibration = false;
    int m_calibrationK = 105;
};
