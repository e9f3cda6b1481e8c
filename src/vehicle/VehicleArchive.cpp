#include "VehicleArchive.h"

#include "WorkbookReader.h"
#include "WorkbookWriter.h"
#include "params/ParameterChecks.h"
#include "params/ParameterSet.h"
#include "params/ParameterTable.h"

#include <QDir>
#include <QFileInfo>

#include <array>
#include <cmath>
#include <optional>

namespace {

constexpr int SlotCount = ParameterCount + TableSize; // image slots 1..126

// Slot k of the image: parameter k for k <= 62, table entry k - 62 after.
bool isTableSlot(int slot) {
    return slot > ParameterCount;
}

VehicleArchive::Cell cellOfSlot(int slot) {
    return isTableSlot(slot) ? VehicleArchive::tableCell(slot - ParameterCount)
                             : VehicleArchive::parameterCell(slot);
}

int defaultOfSlot(int slot) {
    return isTableSlot(slot) ? TableDefault : ParameterTable::defaultOf(slot);
}

// The values that must be set together because a rule ties them: resetting one of them alone
// could still leave the group out of order.
std::vector<int> groupOf(int id) {
    const auto range = [](int first, int last) {
        std::vector<int> ids;
        for (int i = first; i <= last; ++i)
            ids.push_back(i);
        return ids;
    };
    if (id >= Lambda1Type && id <= Lambda1RichThreshold)
        return range(Lambda1Type, Lambda1RichThreshold);
    if (id == MinTemperature || id == MaxTemperature) return range(MinTemperature, MaxTemperature);
    if (id >= LevelThreshold1 && id <= LevelThreshold3)
        return range(LevelThreshold1, LevelThreshold3);
    if (id == LevelMin || id == LevelMax) return range(LevelMin, LevelMax);
    if (id >= RpmBreakpoint1 && id < RpmBreakpoint1 + 8)
        return range(RpmBreakpoint1, RpmBreakpoint1 + 7);
    if (id >= TinjBreakpoint1 && id < TinjBreakpoint1 + 8)
        return range(TinjBreakpoint1, TinjBreakpoint1 + 7);
    return {id};
}

// CheckLoadedParameters repairs one value at a time against neighbours it may just have
// repaired itself, so an ordered group can come out of it still out of order: level
// thresholds 50, 60, 55 lose the 60 to its default 30 and stay 50, 30, 55. Such a group goes
// back wholly to its defaults. The upload check is the judge, so what we write is a set the
// main menu will accept after its next upload instead of repairing it again behind the
// fitter's back.
void resetFailingGroups(WriteList& image) {
    for (int round = 0; round < 2; ++round) {
        ParameterSet set;
        image.storeImage(set);
        WriteList check;
        check.resetQueue();
        CheckUploadedParameters(set, check);
        const std::vector<WriteList::Entry> failing = check.queued();
        if (failing.empty()) return;
        for (const WriteList::Entry& e : failing) {
            if (e.table) {
                image.WriteValues[ParameterCount + e.id] = TableDefault;
                continue;
            }
            for (int id : groupOf(e.id))
                image.WriteValues[id] = ParameterTable::defaultOf(id);
        }
    }
}

VehicleLoad refused(VehicleLoad load, VehicleLoad::Status status, int slot, const QString& what) {
    const VehicleArchive::Cell c = cellOfSlot(slot);
    load.status = status;
    load.cell = SheetCells::name(c.row, c.column);
    load.content = what.isEmpty() ? QStringLiteral("\"\"") : what;
    return load;
}

} // namespace

namespace VehicleArchive {

Cell parameterCell(int id) {
    return {id, ParameterColumn};
}

Cell tableCell(int entry) {
    return {(entry - 1) / TableWidth + 1, TableColumn + (entry - 1) % TableWidth};
}

int tableEntryAt(int row, int column) {
    if (row < 1 || row > TableSize / TableWidth || column < TableColumn ||
        column >= TableColumn + TableWidth)
        return 0;
    return (row - 1) * TableWidth + (column - TableColumn) + 1;
}

QString saveName(const QString& typed) {
    QString name = typed;
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) return name;
    if (name.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive)) name.chop(4);
    return name + QLatin1String(".xlsx");
}

Result<QString> save(const QString& path, const ParameterSet& set) {
    WorkbookWriter writer;
    for (int id = 1; id <= ParameterCount; ++id) {
        const Cell c = parameterCell(id);
        writer.setNumber(c.row, c.column, set.value(id));
    }
    for (int entry = 1; entry <= TableSize; ++entry) {
        const Cell c = tableCell(entry);
        writer.setNumber(c.row, c.column, set.ktar(entry));
    }
    const QString written = saveName(path);
    if (!writer.save(written)) return Failure{writer.errorString()};
    return written;
}

VehicleLoad load(const QString& path) {
    WorkbookReader reader(Rows, Columns);
    if (!reader.read(path)) {
        VehicleLoad failed;
        failed.fileName = QFileInfo(path).fileName();
        failed.status = VehicleLoad::Status::ReadFailed;
        failed.read = reader.status();
        return failed;
    }
    return fromCells(reader.cells(), QFileInfo(path).fileName());
}

VehicleLoad fromCells(const SheetCells& cells, const QString& fileName) {
    VehicleLoad load;
    load.fileName = fileName;

    // What the file holds, slot by slot; nothing of it is used before every cell passed.
    std::array<std::optional<double>, SlotCount + 1> raw;
    bool anything = false;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const Cell at = cellOfSlot(slot);
        const WorkbookCell& c = cells.at(at.row, at.column);
        switch (c.kind) {
        case WorkbookCell::Kind::Empty:
            continue;
        case WorkbookCell::Kind::Number:
            if (c.number != std::floor(c.number))
                return refused(load, VehicleLoad::Status::Fractional, slot,
                               QString::number(c.number, 'g', 15));
            raw[slot] = c.number;
            anything = true;
            break;
        case WorkbookCell::Kind::Text:
        case WorkbookCell::Kind::Other:
            return refused(load, VehicleLoad::Status::NotANumber, slot, c.text);
        }
    }
    if (!anything) {
        load.status = VehicleLoad::Status::NoConfiguration;
        return load;
    }

    // An empty cell, or a value that would not fit its word or byte on the link, is out of
    // range like any other and takes its default, including the parameters no check looks at.
    WriteList& image = load.image;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const int limit = isTableSlot(slot) ? MaxTableValue : MaxParameterValue;
        const std::optional<double>& v = raw[slot];
        image.WriteValues[slot] =
            v && *v >= 0 && *v <= limit ? static_cast<int>(*v) : defaultOfSlot(slot);
        image.WriteIds[slot] = isTableSlot(slot) ? slot - ParameterCount : slot;
    }
    image.WriteIndex = 1;
    int loadCorrectionCode = 0;
    CheckLoadedParameters(image, loadCorrectionCode);
    resetFailingGroups(image);

    for (int slot = 1; slot <= SlotCount; ++slot)
        if (!raw[slot] || *raw[slot] != image.WriteValues[slot])
            load.replaced.push_back(
                {image.WriteIds[slot], image.WriteValues[slot], isTableSlot(slot)});
    return load;
}

QString folderIn(const QString& userFolder) {
    return QDir(userFolder).filePath(QStringLiteral("VehiclesArchive"));
}

} // namespace VehicleArchive
