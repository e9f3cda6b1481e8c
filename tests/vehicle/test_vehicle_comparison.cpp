#include "common/TestData.h"

#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"
#include "params/ParameterSet.h"
#include "vehicle/VehicleArchiveTexts.h"
#include "vehicle/VehicleComparison.h"

#include <QTemporaryDir>
#include <QtTest>

using Parameter = VehicleComparison::Parameter;
using Cell = VehicleComparison::Cell;

namespace {

// `base` with some parameters ({id, value}) and table entries ({entry, value}) changed.
ParameterSet changed(ParameterSet base, std::initializer_list<std::pair<int, int>> parameters,
                     std::initializer_list<std::pair<int, int>> entries) {
    for (const auto& [id, value] : parameters)
        base.setValue(id, value);
    for (const auto& [entry, value] : entries)
        base.setKtar(entry, value);
    return base;
}

LanguageTable english() {
    LanguageTable t;
    SetLingua(t, QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt"),
              QStringLiteral("[ING]"));
    return t;
}

} // namespace

class TestVehicleComparison : public QObject {
    Q_OBJECT
private slots:
    void listsExactlyWhatDiffers() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("car.xlsx"));
        const ParameterSet ecu = changed(defaultSet(), {{SwitchRpm, 2500}}, {{10, 112}});
        // Lambda1EmulationPeriod has no log label: it goes by its design caption.
        const ParameterSet file = changed(ecu, {{SwitchRpm, 2800}, {Lambda1EmulationPeriod, 700}},
                                          {{1, 120}, {10, 108}, {64, 150}});
        QVERIFY(VehicleArchive::save(path, file).ok());

        const VehicleComparison c = VehicleComparison::of(ecu, path, english());
        QVERIFY(c.ok());
        QVERIFY(!c.same());
        QCOMPARE(c.parameters,
                 (std::vector<Parameter>{
                     {Lambda1EmulationPeriod, QStringLiteral("PERIODO"), 500, 700, false},
                     {SwitchRpm, QStringLiteral("Switching rpm"), 2500, 2800, false}}));
        QCOMPARE(c.cells, (std::vector<Cell>{
                              {0, 105, 120, false}, {9, 112, 108, false}, {63, 105, 150, false}}));

        // Loaded into the ECU, the file leaves nothing to list.
        QVERIFY(VehicleComparison::of(file, path, english()).same());

        // The file's side is what a load would write: a value the ECU cannot take shows as
        // the default that replaces it, marked so.
        const ParameterSet old = changed(ecu, {{SwitchRpm, 9000}}, {{10, 200}});
        QVERIFY(VehicleArchive::save(path, old).ok());
        const VehicleComparison r = VehicleComparison::of(ecu, path, LanguageTable());
        QVERIFY(r.load.corrected());
        QCOMPARE(r.parameters,
                 (std::vector<Parameter>{
                     {SwitchRpm, QStringLiteral("GIRI COMMUTAZIONE"), 2500, 2300, true}}));
        QCOMPARE(r.cells, (std::vector<Cell>{{9, 112, 105, true}}));
    }

    // Shades deepen at 3, 6 and 11 either way; a higher file is never painted as a lower one,
    // and the largest differences a byte allows still get a shade.
    void shadesGrowWithTheDifference() {
        const auto steps = [](std::initializer_list<int> differences) {
            QList<Rgb> out;
            for (int d : differences)
                out << VehicleComparison::shade(d);
            return out;
        };
        QCOMPARE(VehicleComparison::shade(0), (Rgb{255, 255, 255}));
        const QList<Rgb> up = steps({1, 2, 3, 5, 6, 10, 11, 255});
        const QList<Rgb> down = steps({-1, -2, -3, -5, -6, -10, -11, -255});
        for (int i = 0; i < up.size(); i += 2) {
            QCOMPARE(up[i], up[i + 1]);
            QCOMPARE(down[i], down[i + 1]);
            QVERIFY(up[i] != down[i]);
            if (i > 0) QVERIFY(up[i] != up[i - 1] && down[i] != down[i - 1]);
            QVERIFY(up[i].red > up[i].blue);
            QVERIFY(down[i].blue > down[i].red);
        }
    }

    // A file that cannot be compared is told as a load would tell it, and lists nothing.
    void unreadableFilesGiveTheLoadErrors() {
        QTemporaryDir dir;
        const QString notes = dir.filePath(QStringLiteral("notes.xlsx"));
        QFile f(notes);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a workbook");
        f.close();
        const LanguageTable language = english();
        for (const QString& path : {notes, dir.filePath(QStringLiteral("missing.xlsx"))}) {
            const VehicleComparison c = VehicleComparison::of(defaultSet(), path, language);
            QVERIFY(!c.ok());
            QVERIFY(!c.same());
            QVERIFY(c.parameters.empty() && c.cells.empty());
            const QString error = VehicleArchiveTexts::loadError(c.load, language);
            QVERIFY(!error.isEmpty());
            QCOMPARE(error, VehicleArchiveTexts::loadError(VehicleArchive::load(path), language));
        }
    }
};

QTEST_GUILESS_MAIN(TestVehicleComparison)
#include "test_vehicle_comparison.moc"
