#pragma once

#include <array>
#include <cstdint>
#include <vector>

class ParameterSet;

// Pending writes to the ECU, shared by every screen that writes (one at a time). Slot 0 is
// never used. Queue layout: slot i holds the i-th (id, value) pair to send. Image layout:
// slot k holds parameter k (1..62) and slot 62 + j table entry j (1..64).
struct WriteList {
    static constexpr int LastSlot = 126;

    std::array<std::int32_t, LastSlot + 1> WriteValues{};
    std::array<std::int32_t, LastSlot + 1> WriteIds{};
    int WriteIndex = 1;
    int OutOfRangeCount = 1;      // one more than the scalar entries queued
    int TableOutOfRangeCount = 1; // one more than the table entries queued

    // Empties the queue: both counts back to 1, WriteIndex to 1.
    void resetQueue();
    // Puts (value, id) in slot OutOfRangeCount and advances it. Refuses (false) past the last
    // slot instead of writing outside the list.
    bool queue(int value, int id);
    // Slots 1 .. OutOfRangeCount + TableOutOfRangeCount - 2 as (id, value) pairs.
    struct Entry {
        int id;
        int value;
        bool table;
        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> queued() const;

    // Image layout from a parameter set, and back.
    void loadImage(const ParameterSet& set);
    void storeImage(ParameterSet& set) const;
    // The image as writes: parameters 1..62, then table entries 1..64.
    std::vector<Entry> image() const;
};
