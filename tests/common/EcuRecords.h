#pragma once

#include "EcuMemory.h"
#include "EcuResponder.h"
#include "EngineState.h"
#include "link/Commands.h"
#include "params/ParameterSet.h"

// The set the tool holds after an upload of this ECU memory.
inline void uploadFrom(const EcuMemory& ecu, ParameterSet& set) {
    for (int k = 1; k <= ParameterCount; ++k)
        set.setValue(k, ecu.words[static_cast<std::size_t>(k)]);
    for (int j = 1; j <= TableSize; ++j)
        set.setKtar(j, ecu.table[static_cast<std::size_t>(j)]);
}

// The calibration record (command 10) an ECU in this state sends, packed by the virtual
// ECU's own responder rather than by anything of the tool's.
inline QByteArray calibrationRecord(EngineState e) {
    EcuMemory memory = EcuMemory::factory();
    return EcuResponder(memory, e).respond(Commands::calibrationLive(e.kcor));
}
