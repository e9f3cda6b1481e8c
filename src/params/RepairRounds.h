#pragma once

#include "WriteList.h"

#include <QString>
#include <vector>

// Watches the upload / write-back rounds of the main menu. An ECU that refuses a default
// would otherwise make the menu upload, repair and upload again for ever: once three checks in
// a row queue the very same entries, the menu stops and names them.
class RepairRounds {
public:
    static constexpr int Limit = 3;

    // Records the entries the latest check queued; true when the limit is reached.
    bool record(const std::vector<WriteList::Entry>& queued);
    void reset();
    int sameRounds() const { return m_same; }

    // "GIRI COMMUTAZIONE (12)", "LevelThreshold1 (16)", "KTAR 5", ... one per line unless
    // another separator is given; an entry named twice is named once.
    static QString describe(const std::vector<WriteList::Entry>& entries,
                            const QString& separator = QStringLiteral("\n"));

private:
    std::vector<WriteList::Entry> m_last;
    int m_same = 0;
};
