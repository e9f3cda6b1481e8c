#include "WriteList.h"

#include "ParameterSet.h"

void WriteList::resetQueue() {
    WriteIndex = 1;
    OutOfRangeCount = 1;
    TableOutOfRangeCount = 1;
}

bool WriteList::queue(int value, int id) {
    if (OutOfRangeCount < 1 || OutOfRangeCount > LastSlot) return false;
    WriteValues[OutOfRangeCount] = value;
    WriteIds[OutOfRangeCount] = id;
    ++OutOfRangeCount;
    return true;
}

std::vector<WriteList::Entry> WriteList::queued() const {
    std::vector<Entry> out;
    const int scalarEnd = OutOfRangeCount;                           // exclusive
    const int tableEnd = OutOfRangeCount + TableOutOfRangeCount - 1; // exclusive
    for (int slot = 1; slot < tableEnd && slot <= LastSlot; ++slot)
        out.push_back({WriteIds[slot], WriteValues[slot], slot >= scalarEnd});
    return out;
}

void WriteList::loadImage(const ParameterSet& set) {
    for (int k = 1; k <= ParameterCount; ++k) {
        WriteValues[k] = set.value(k);
        WriteIds[k] = k;
    }
    for (int j = 1; j <= TableSize; ++j) {
        WriteValues[ParameterCount + j] = set.ktar(j);
        WriteIds[ParameterCount + j] = j;
    }
}

void WriteList::storeImage(ParameterSet& set) const {
    for (int k = 1; k <= ParameterCount; ++k)
        set.setValue(k, WriteValues[k]);
    for (int j = 1; j <= TableSize; ++j)
        set.setKtar(j, WriteValues[ParameterCount + j]);
}

std::vector<WriteList::Entry> WriteList::image() const {
    std::vector<Entry> out;
    out.reserve(LastSlot);
    for (int k = 1; k <= ParameterCount; ++k)
        out.push_back({k, WriteValues[k], false});
    for (int j = 1; j <= TableSize; ++j)
        out.push_back({j, WriteValues[ParameterCount + j], true});
    return out;
}
