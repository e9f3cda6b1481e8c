#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <set>

// What the virtual ECU keeps in its EEPROM: 62 parameter words, the 64-byte correction
// table, its software version, and the factory set that "restore defaults" copies back.
struct EcuMemory {
    std::array<std::uint16_t, 63> words{}; // [1..62]
    std::array<std::uint8_t, 65> table{};  // [1..64]
    std::array<std::uint8_t, 3> version{2, 4, 7};
    std::array<std::uint16_t, 63> factoryWords{};
    std::array<std::uint8_t, 65> factoryTable{};
    // Parameter ids whose writes the ECU acknowledges but does not store (a worn EEPROM
    // cell, or firmware that clamps the value). 1..62 are parameters, 62 + j is table cell j.
    std::set<int> refusedIds;

    // The factory configuration: a four-cylinder car on LPG with a 0-1 V lambda probe.
    static EcuMemory factory();
    void restoreFactory();

    // Spoils a handful of values the way a badly flashed or half-written ECU arrives: every
    // one lies outside what the tool accepts (plain ranges, the lean/rich order, the
    // temperature pair, a breakpoint row out of order, table cells), yet the engine still runs.
    void putOutOfRange();

    // The image as text, one entry a line: "version=a.b.c", "id=value" for parameters 1..62,
    // "ktar=" followed by the 64 table bytes. Blank lines and lines starting with '#' are
    // comments. The factory set and the refused ids are not part of an image.
    QByteArray imageText() const;
    // Takes the entries of an image into this memory; parameters an image leaves out keep
    // their value. Any fault leaves the memory untouched and says what and on which line.
    // Values need only fit the ECU's storage (a word, a byte): an image may be out of range.
    bool readImageText(const QByteArray& text, QString& error);
    bool loadImage(const QString& path, QString& error);
    bool saveImage(const QString& path, QString& error) const;
};
