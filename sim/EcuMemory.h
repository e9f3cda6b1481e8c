#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <set>

// What the virtual ECU keeps in its EEPROM: 62 parameter words, the 64-byte correction
// table, its software version, and the factory set that "restore defaults" copies back.
struct EcuMemory {
    std::array<std::uint16_t, 63> words{};  // [1..62]
    std::array<std::uint8_t, 65> table{};   // [1..64]
    std::array<std::uint8_t, 3> version{2, 4, 7};
    std::array<std::uint16_t, 63> factoryWords{};
    std::array<std::uint8_t, 65> factoryTable{};
    // Parameter ids whose writes the ECU acknowledges but does not store (a worn EEPROM
    // cell, or firmware that clamps the value).
    std::set<int> refusedIds;

    // The factory configuration: a four-cylinder car on LPG with a 0-1 V lambda probe.
    static EcuMemory factory();
    void restoreFactory();
};
