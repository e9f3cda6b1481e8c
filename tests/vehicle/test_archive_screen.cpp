// The vehicle archive on the parameter menu: "Salva CONFIGURAZIONE VETTURA" and "Archivio
// VETTURE" driven through their buttons, with the file names fed to the recording dialogs and
// the virtual ECU on the other end of the bulk write.
#include "common/EcuRecords.h"
#include "common/TestData.h"
#include "common/World.h"

#include "screens/vehicle/Form18.h"
#include "screens/vehicle/Form5.h"
#include "vehicle/VehicleArchive.h"
#include "vehicle/VehicleArchiveTexts.h"

#include <QTableWidget>
#include <QtTest>
#include <cerrno>

namespace {

// What the tool would hold after uploading this ECU.
ParameterSet heldBy(const EcuMemory& ecu) {
    ParameterSet set;
    uploadFrom(ecu, set);
    return set;
}

} // namespace

class TestArchiveScreen : public QObject {
    Q_OBJECT

    // The menu opened on a tool that has uploaded the virtual ECU.
    static Form5* menu(World& w) {
        w.g.parameters = heldBy(w.ecu.memory());
        w.g.parametersFromEcu = true;
        w.host.show(ScreenId::Form5);
        return w.screen<Form5>(ScreenId::Form5);
    }
    static QString status(World& w) { return w.text(ScreenId::Form5, "StatusText"); }
    static bool text4Shown(World& w) { return w.shown(ScreenId::Form5, "Text4"); }
    static bool buttonsBack(World& w) {
        return !w.dialogs.busy && w.enabled(ScreenId::Form5, "Command5") &&
               w.enabled(ScreenId::Form5, "Command9");
    }
    static QString archive(World& w, const QString& name) {
        return QDir(w.g.folders.userFolder()).filePath(QStringLiteral("VehiclesArchive/") + name);
    }
    // Loads `file` through the button and runs the bulk write to its end; whether Text4 was
    // up while it wrote.
    static bool load(World& w, Form5* m, const QString& file) {
        w.dialogs.fileToOpen = file;
        w.click(ScreenId::Form5, "Command5");
        bool shown = false;
        for (int i = 0; i < 600 && m->phase() != Form5::Phase::Idle; ++i) {
            shown = shown || text4Shown(w);
            m->Timer1Tick();
        }
        return shown;
    }

private slots:
    // Saved, the ECU changed, loaded back: the ECU holds the saved car again, verified, and the
    // set is what it read back; a save refused or failed in between leaves the file alone.
    void saveThenLoadPutsTheCarBackIntoTheEcu() {
        World w;
        w.ecu.memory().words[SwitchRpm] = 2500;
        for (int j = 1; j <= TableSize; ++j)
            w.ecu.memory().table[j] = std::uint8_t(100 + j % 50);
        Form5* m = menu(w);
        const ParameterSet car = w.g.parameters;
        w.dialogs.fileToSave = archive(w, QStringLiteral("Punto"));
        w.click(ScreenId::Form5, "Command9");
        const QString saved = archive(w, QStringLiteral("Punto.xlsx"));
        QCOMPARE(status(w),
                 QStringLiteral("Configurazione salvata in ") + QDir::toNativeSeparators(saved));
        QVERIFY(buttonsBack(w));
        QVERIFY(w.ecu.received().isEmpty());

        // "Punto" typed again: the dialog asked about "Punto", so the menu asks about the
        // ".xlsx" it would overwrite; No leaves it. A save that fails (a file stands where the
        // folder should be) says why. Either way the good file stays, as the load shows.
        w.g.parameters.setValue(SwitchRpm, 3000);
        w.dialogs.answer = false;
        w.click(ScreenId::Form5, "Command9");
        QVERIFY(w.dialogs.messages.last().contains(QStringLiteral("esiste già")));
        w.dialogs.fileToSave = saved + QStringLiteral("/Nuovo.xlsx");
        w.click(ScreenId::Form5, "Command9");
        QVERIFY2(status(w).startsWith(QStringLiteral("Impossibile salvare il file Nuovo.xlsx: ")),
                 qPrintable(status(w)));

        w.ecu.memory().restoreFactory();
        w.g.parameters = heldBy(w.ecu.memory());
        QVERIFY(!load(w, m, saved));
        QCOMPARE(status(w), QStringLiteral("Parametri scritti e verificati"));
        QVERIFY(heldBy(w.ecu.memory()) == car);
        QVERIFY(w.g.parameters == car);
        QVERIFY(buttonsBack(w));
        QVERIFY(!m->link().isOpen());
    }

    // A file that cannot be loaded or compared is told; then "Confronta con archivio": the
    // workbook's differences listed and shaded, nothing sent; "Carica nella centralina" goes
    // back to the menu, whose bulk write loads it.
    void comparisonListsTheDifferencesThenLoadsOnRequest() {
        World w;
        Form5* m = menu(w);
        ParameterSet car = w.g.parameters;
        car.setValue(SwitchRpm, 2800);
        car.setValue(SwitchTemperature, 60);
        car.setKtar(3, 120);
        car.setKtar(10, 103);
        car.setKtar(64, 140);
        const QString file = w.dir.filePath(QStringLiteral("Panda.xlsx"));
        QVERIFY(VehicleArchive::save(file, car).ok());
        // A file that is no configuration is refused with its reason (the archive's own):
        // nothing opens, not one frame goes to the ECU and the set stays as it was.
        const ParameterSet before = w.g.parameters;
        w.writeFile(QStringLiteral("empty.xlsx"), QByteArray());
        w.dialogs.fileToOpen = w.dir.filePath(QStringLiteral("empty.xlsx"));
        w.click(ScreenId::Form5, "Command5");
        QCOMPARE(status(w), QStringLiteral("Il file empty.xlsx è vuoto."));
        QCOMPARE(m->phase(), Form5::Phase::Idle);
        QVERIFY(buttonsBack(w) && !text4Shown(w));
        w.dialogs.fileToOpen = w.dir.filePath(QStringLiteral("missing.xlsx"));
        w.click(ScreenId::Form5, "Command11");
        QCOMPARE(status(w), VehicleArchiveTexts::loadError(
                                VehicleArchive::load(w.dialogs.fileToOpen), w.g.language));
        QVERIFY(!w.host.loaded(ScreenId::Form18));
        QVERIFY(w.g.parameters == before);

        w.dialogs.fileToOpen = file;
        w.click(ScreenId::Form5, "Command11");
        QVERIFY(w.host.isVisible(ScreenId::Form18) && !m->isVisible());
        const auto* params = w.control<QTableWidget>(ScreenId::Form18, "Grid1");
        QStringList rows;
        for (int r = 0; r < params->rowCount(); ++r)
            rows << QStringLiteral("%1|%2|%3")
                        .arg(params->item(r, 0)->text(), params->item(r, 1)->text(),
                             params->item(r, 2)->text());
        const ParameterSet& ecu = w.g.parameters;
        QCOMPARE(rows,
                 (QStringList{QStringLiteral("GIRI COMMUTAZIONE|%1|2800").arg(ecu.value(SwitchRpm)),
                              QStringLiteral("TEMPERATURA COMMUTAZIONE|%1|60")
                                  .arg(ecu.value(SwitchTemperature))}));
        // Each side's table, the three cells that differ shaded alike on both.
        for (const auto& [name, shows] :
             {std::pair{QStringLiteral("Grid2"), ecu}, std::pair{QStringLiteral("Grid3"), car}}) {
            const auto* t = w.control<QTableWidget>(ScreenId::Form18, name);
            int shaded = 0;
            for (int cell = 0; cell < TableSize; ++cell) {
                const QTableWidgetItem* i = t->item(cell / 8, cell % 8);
                QCOMPARE(i->text(), QString::number(shows.ktar(cell + 1)));
                const Rgb c = VehicleComparison::shade(car.ktar(cell + 1) - ecu.ktar(cell + 1));
                if (c == Rgb{255, 255, 255}) continue;
                QCOMPARE(i->background().color(), QColor(c.red, c.green, c.blue));
                ++shaded;
            }
            QCOMPARE(shaded, 3);
        }
        QVERIFY(w.ecu.received().isEmpty());

        w.click(ScreenId::Form18, "Command1");
        QVERIFY(!w.host.loaded(ScreenId::Form18));
        QCOMPARE(m->phase(), Form5::Phase::BulkWrite);
        for (int i = 0; i < 600 && m->phase() != Form5::Phase::Idle; ++i)
            m->Timer1Tick();
        QCOMPARE(status(w), QStringLiteral("Parametri scritti e verificati"));
        QVERIFY(heldBy(w.ecu.memory()) == car);

        // A hand-edited workbook: the values this software does not take go to their
        // defaults, Text4 says so while the menu writes, and the status line names them.
        ParameterSet edited = car;
        edited.setValue(SwitchRpm, 9000);
        edited.setValue(InjectorCount, 6);
        edited.setKtar(6, 99);
        QVERIFY(VehicleArchive::save(file, edited).ok());
        QVERIFY(load(w, m, file));
        QVERIFY(!text4Shown(w));
        QCOMPARE(status(w), QStringLiteral("Parametri scritti e verificati\nParametri sostituiti "
                                           "con il valore di default: GIRI COMMUTAZIONE (12) = "
                                           "2300, KTAR 6 = 105"));
        const ParameterSet held = heldBy(w.ecu.memory());
        QCOMPARE(held.value(SwitchRpm), 2300);
        QCOMPARE(held.value(InjectorCount), 6);
        QCOMPARE(held.ktar(6), 105);
        QVERIFY(w.g.parameters == held);
    }

    // Installed, the archive is VehiclesArchive in the user's TARVEX documents folder, made on
    // the first save. When the documents folder cannot take it, the menu says where and why,
    // and the dialog opens in the user's home instead.
    void installedProgramArchivesInTheDocumentsFolder() {
        World w;
        w.install();
        menu(w);
        const QString folder =
            w.dir.filePath(QStringLiteral("home/Documents/TARVEX/VehiclesArchive"));
        w.dialogs.fileToSave = folder + QStringLiteral("/Punto");
        w.click(ScreenId::Form5, "Command9");
        QCOMPARE(w.dialogs.lastFolder, folder);
        QCOMPARE(status(w), QStringLiteral("Configurazione salvata in ") +
                                QDir::toNativeSeparators(folder + QStringLiteral("/Punto.xlsx")));

        World blocked;
        blocked.install();
        const QString documents = blocked.dir.filePath(QStringLiteral("home/Documents"));
        QVERIFY(QDir(documents).removeRecursively());
        blocked.writeFile(QStringLiteral("home/Documents"), "notes");
        menu(blocked);
        blocked.dialogs.fileToSave.clear(); // the fitter reads the line and cancels
        blocked.click(ScreenId::Form5, QStringLiteral("Command9"));
        QCOMPARE(status(blocked),
                 QStringLiteral("Impossibile creare la cartella %1: %2")
                     .arg(QDir::toNativeSeparators(documents +
                                                   QStringLiteral("/TARVEX/VehiclesArchive")),
                          qt_error_string(ENOTDIR)));
        QCOMPARE(blocked.dialogs.lastFolder, blocked.dir.filePath(QStringLiteral("home")));
        QVERIFY(buttonsBack(blocked));
        QCOMPARE(readAll(documents), QByteArray("notes"));
    }
};

QTEST_MAIN(TestArchiveScreen)
#include "test_archive_screen.moc"
