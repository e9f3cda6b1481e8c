// The stops of the parameter menu: defaults, a bulk write, a workbook from the archive.

#include "ScreenTours.h"
#include "TourSteps.h"

#include "params/ParameterSet.h"
#include "screens/vehicle/Form18.h"
#include "screens/vehicle/Form5.h"
#include "state/RecordingUserDialogs.h"
#include "state/VariabiliGlobali.h"
#include "vehicle/VehicleArchive.h"

#include <QTemporaryDir>
#include <memory>

void ScreenTours::form5(Tour& t) {
    const ScreenId self = ScreenId::Form5;
    const auto idle =
        showing<Form5>(t, self, [](const Form5& m) { return m.phase() == Form5::Phase::Idle; });
    passToReadyMenu(t);
    t.picture(QStringLiteral("05a-parameter-menu"), t.press(ScreenId::Form2, "Command4"), idle,
              self);
    // "Valori di default" asks first: the question, answered no, then the restore.
    t.questionPicture(QStringLiteral("05f-parameter-menu-defaults-question"),
                      Tour::then([&t] { t.dialogs().answer = false; }, t.press(self, "Command7")),
                      self);
    t.pass([&t] { t.dialogs().answer = true; }, idle);
    t.picture(QStringLiteral("05b-parameter-menu-defaults"), t.press(self, "Command7"), idle, self);
    // A vehicle configuration as the archive would load it: the factory set with a faster
    // switch, which needed corrections on the way in.
    const auto bulk = [&t, self] {
        auto* m = t.screen<Form5>(self);
        if (!m) return;
        ParameterSet configuration = t.state().parameters;
        configuration.setValue(SwitchRpm, 2500);
        m->startBulkWrite(configuration, true);
    };
    t.picture(
        QStringLiteral("05c-parameter-menu-bulk-write"), bulk,
        [&t, self] {
            auto* m = t.screen<Form5>(self);
            return m && m->bulkWrite().acknowledged() >= 60;
        },
        self);
    t.picture(QStringLiteral("05d-parameter-menu-bulk-written"), nullptr, idle, self);
    // A workbook kept from an older car, two of whose values this software no longer takes:
    // "Archivio VETTURE" with the file name fed to the recording dialogs the tour runs with.
    auto scratch = std::make_shared<QTemporaryDir>();
    const auto loadWorkbook = [&t, self, scratch] {
        if (!t.screen<Form5>(self)) return;
        RecordingUserDialogs& dialogs = t.dialogs();
        ParameterSet car = t.state().parameters;
        car.setValue(SwitchRpm, 9000);
        car.setKtar(6, 99);
        for (int j = 9; j <= 16; ++j)
            car.setKtar(j, 110);
        dialogs.fileToOpen = scratch->filePath(QStringLiteral("Punto 1.2.xlsx"));
        VehicleArchive::save(dialogs.fileToOpen, car);
        t.press(self, "Command5")();
        dialogs.fileToOpen.clear();
    };
    t.picture(
        QStringLiteral("05e-parameter-menu-workbook-corrected"), loadWorkbook,
        [&t, self] {
            auto* m = t.screen<Form5>(self);
            return m && m->phase() == Form5::Phase::BulkWrite &&
                   m->bulkWrite().acknowledged() >= 70;
        },
        self);
    t.pass(nullptr, idle);
    // "Confronta con archivio": the car beside a workbook that sets it up for a later switch
    // and leaves a few cells of its table a little or a lot apart.
    const auto compare = [&t, self, scratch] {
        if (!t.screen<Form5>(self)) return;
        RecordingUserDialogs& dialogs = t.dialogs();
        ParameterSet car = t.state().parameters;
        car.setValue(SwitchRpm, 2800);
        car.setValue(SwitchTemperature, car.value(SwitchTemperature) + 5);
        for (const auto& [entry, by] :
             {std::pair{11, 2}, {12, 4}, {14, -8}, {20, 8}, {21, 14}, {45, -3}, {54, -1}})
            car.setKtar(entry, car.ktar(entry) + by);
        dialogs.fileToOpen = scratch->filePath(QStringLiteral("Panda 1.2 GPL.xlsx"));
        VehicleArchive::save(dialogs.fileToOpen, car);
        t.press(self, "Command11")();
        dialogs.fileToOpen.clear();
    };
    t.picture(QStringLiteral("05g-parameter-menu-comparison"), compare,
              showing<Form18>(t, ScreenId::Form18,
                              [](const Form18& c) { return !c.comparison().cells.empty(); }),
              ScreenId::Form18);
    t.pass(t.press(ScreenId::Form18, "Command2"), idle);
    t.pass(t.press(self, "Command8"), menuReady(t));
    passMenuToStart(t, t.scenario("factory"));
}
