// The vehicle archive on the parameter menu: "Salva CONFIGURAZIONE VETTURA" and "Archivio
// VETTURE" driven through their buttons, with the file names fed to the recording dialogs and
// the virtual ECU on the other end of the bulk write.
#include "common/EcuRecords.h"
#include "common/FileSizeLimit.h"
#include "common/World.h"

#include "screens/vehicle/Form5.h"
#include "vehicle/VehicleArchive.h"
#include "vehicle/WorkbookWriter.h"

#include <QLabel>
#include <QtTest>
#include <cerrno>

namespace {

// What the tool would hold after uploading this ECU.
ParameterSet heldBy(const EcuMemory& ecu) {
    ParameterSet set;
    uploadFrom(ecu, set);
    return set;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    static QString status(World& w) {
        return w.control<QLabel>(ScreenId::Form5, QStringLiteral("StatusText"))->text();
    }
    static bool text4Shown(World& w) {
        return !w.control<QWidget>(ScreenId::Form5, QStringLiteral("Text4"))->isHidden();
    }
    static bool buttonsBack(World& w) {
        return !w.dialogs.busy &&
               w.control(ScreenId::Form5, QStringLiteral("Command5"))->isEnabled() &&
               w.control(ScreenId::Form5, QStringLiteral("Command9"))->isEnabled();
    }
    static QString archive(World& w, const QString& name) {
        return QDir(w.g.folders.userFolder()).filePath(QStringLiteral("VehiclesArchive/") + name);
    }
    // Loads `file` through the button and runs the bulk write to its end; whether Text4 was
    // up while it wrote.
    static bool load(World& w, Form5* m, const QString& file) {
        w.dialogs.fileToOpen = file;
        w.click(ScreenId::Form5, QStringLiteral("Command5"));
        bool shown = false;
        for (int i = 0; i < 600 && m->phase() != Form5::Phase::Idle; ++i) {
            shown = shown || text4Shown(w);
            m->Timer1Tick();
        }
        return shown;
    }

private slots:
    // Saved, the ECU changed, loaded back: the ECU holds the saved car again, verified, and the
    // set is what it read back.
    void saveThenLoadPutsTheCarBackIntoTheEcu() {
        World w;
        w.ecu.memory().words[SwitchRpm] = 2500;
        for (int j = 1; j <= TableSize; ++j)
            w.ecu.memory().table[j] = std::uint8_t(100 + j % 50);
        Form5* m = menu(w);
        const ParameterSet car = w.g.parameters;
        w.dialogs.fileToSave = archive(w, QStringLiteral("Punto"));
        w.click(ScreenId::Form5, QStringLiteral("Command9"));
        const QString saved = archive(w, QStringLiteral("Punto.xlsx"));
        QCOMPARE(status(w),
                 QStringLiteral("Configurazione salvata in ") + QDir::toNativeSeparators(saved));
        QVERIFY(buttonsBack(w));
        QVERIFY(w.ecu.received().isEmpty());

        w.ecu.memory().restoreFactory();
        w.g.parameters = heldBy(w.ecu.memory());
        QVERIFY(!load(w, m, saved));
        QCOMPARE(status(w), QStringLiteral("Parametri scritti e verificati"));
        QVERIFY(heldBy(w.ecu.memory()) == car);
        QVERIFY(w.g.parameters == car);
        QVERIFY(buttonsBack(w));
        QVERIFY(!m->link().isOpen());
    }

    // A hand-edited workbook: the values this software does not take go to their defaults,
    // Text4 says so while the menu writes, and the status line names them afterwards.
    void correctedLoadWarnsAndNamesTheReplacedValues() {
        World w;
        Form5* m = menu(w);
        ParameterSet edited = w.g.parameters;
        edited.setValue(SwitchRpm, 9000);
        edited.setValue(InjectorCount, 6);
        edited.setKtar(6, 99);
        const QString file = w.dir.filePath(QStringLiteral("edited.xlsx"));
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

    // Files that are no configuration: refused with the file or the first bad cell named; not
    // one frame goes to the ECU and the set stays as it was.
    void refusedFilesLeaveEcuAndSetAlone() {
        World w;
        menu(w);
        const ParameterSet before = w.g.parameters;
        const QString dir = w.dir.path();
        WorkbookWriter fractional;
        for (int k = 1; k <= ParameterCount; ++k)
            fractional.setNumber(k, 1, before.value(k));
        fractional.setNumber(9, 1, 20.5);
        QVERIFY(fractional.save(dir + QStringLiteral("/half.xlsx")));
        w.writeFile(QStringLiteral("empty.xlsx"), QByteArray());
        w.writeFile(QStringLiteral("notes.xls"), "SwitchRpm;2500\n");
        w.writeFile(QStringLiteral("VehiclesArchive"), "x");
        const QList<QPair<QString, QString>> cases{
            {QStringLiteral("half.xlsx"),
             QStringLiteral("Il file half.xlsx non è stato caricato: la cella A9 contiene un "
                            "numero con decimali (20.5).")},
            {QStringLiteral("empty.xlsx"), QStringLiteral("Il file empty.xlsx è vuoto.")},
            {QStringLiteral("notes.xls"),
             QStringLiteral(
                 "Il file notes.xls non è una cartella di lavoro Excel (.xlsx o .xls).")}};
        for (const auto& [file, says] : cases) {
            w.dialogs.fileToOpen = dir + QLatin1Char('/') + file;
            w.click(ScreenId::Form5, QStringLiteral("Command5"));
            QCOMPARE(status(w), says);
            QCOMPARE(w.screen<Form5>(ScreenId::Form5)->phase(), Form5::Phase::Idle);
            QVERIFY(buttonsBack(w));
            QVERIFY(!text4Shown(w));
        }
        QVERIFY(w.ecu.received().isEmpty());
        QVERIFY(w.g.parameters == before);

        // The file in the way of the archive folder: the menu says so, and loads all the same.
        w.dialogs.fileToOpen.clear();
        w.click(ScreenId::Form5, QStringLiteral("Command5"));
        QVERIFY2(status(w).startsWith(QStringLiteral("Impossibile creare la cartella")),
                 qPrintable(status(w)));
    }

    // Installed, the archive is VehiclesArchive in the user's TARVEX documents folder, made on
    // the first save. When the documents folder cannot take it, the menu says where and why,
    // the dialog opens in the user's home instead, and the car is saved where the fitter says.
    void installedProgramArchivesInTheDocumentsFolder() {
        World w;
        w.install();
        menu(w);
        const QString folder =
            w.dir.filePath(QStringLiteral("home/Documents/TARVEX/VehiclesArchive"));
        w.dialogs.fileToSave = folder + QStringLiteral("/Punto");
        w.click(ScreenId::Form5, QStringLiteral("Command9"));
        QCOMPARE(w.dialogs.lastFolder, folder);
        QCOMPARE(status(w), QStringLiteral("Configurazione salvata in ") +
                                QDir::toNativeSeparators(folder + QStringLiteral("/Punto.xlsx")));

        World blocked;
        blocked.install();
        const QString documents = blocked.dir.filePath(QStringLiteral("home/Documents"));
        QVERIFY(QDir(documents).removeRecursively());
        blocked.writeFile(QStringLiteral("home/Documents"), "notes");
        menu(blocked);
        const ParameterSet car = blocked.g.parameters;
        blocked.dialogs.fileToSave.clear(); // the fitter reads the line and cancels
        blocked.click(ScreenId::Form5, QStringLiteral("Command9"));
        QCOMPARE(status(blocked),
                 QStringLiteral("Impossibile creare la cartella %1: %2")
                     .arg(QDir::toNativeSeparators(documents +
                                                   QStringLiteral("/TARVEX/VehiclesArchive")),
                          qt_error_string(ENOTDIR)));
        QCOMPARE(blocked.dialogs.lastFolder, blocked.dir.filePath(QStringLiteral("home")));
        QVERIFY(buttonsBack(blocked));

        blocked.dialogs.fileToSave = blocked.dir.filePath(QStringLiteral("home/Punto"));
        blocked.click(ScreenId::Form5, QStringLiteral("Command9"));
        QVERIFY2(status(blocked).startsWith(QStringLiteral("Configurazione salvata in ")),
                 qPrintable(status(blocked)));
        const VehicleLoad back =
            VehicleArchive::load(blocked.dialogs.fileToSave + QStringLiteral(".xlsx"));
        QVERIFY(back.ok());
        ParameterSet saved;
        back.image.storeImage(saved);
        QVERIFY(saved == car);
        QCOMPARE(readAll(documents), QByteArray("notes"));
    }

    // Saving never destroys a good file and always says why it did not save.
    void aFailedSaveKeepsTheOldFileAndSaysWhy() {
        World w;
        menu(w);
        const QString good = archive(w, QStringLiteral("Punto.xlsx"));
        w.dialogs.fileToSave = good;
        w.click(ScreenId::Form5, QStringLiteral("Command9"));
        const QByteArray before = readAll(good);
        QVERIFY(!before.isEmpty());
        w.g.parameters.setValue(SwitchRpm, 3000);

        // The disk fills up while the workbook is written.
        withFileSizeLimit(2000, [&w] { w.click(ScreenId::Form5, QStringLiteral("Command9")); });
        QVERIFY2(status(w).startsWith(QStringLiteral("Impossibile salvare il file Punto.xlsx: ")),
                 qPrintable(status(w)));
        QVERIFY(buttonsBack(w));
        // "Punto" typed again: the dialog asked about "Punto", so the menu asks about the
        // ".xlsx" it would overwrite; No leaves it.
        w.dialogs.fileToSave = archive(w, QStringLiteral("Punto"));
        w.dialogs.answer = false;
        w.click(ScreenId::Form5, QStringLiteral("Command9"));
        QVERIFY(w.dialogs.messages.last().contains(QStringLiteral("esiste già")));
        // A folder that cannot be written into: here a file stands where it should be.
        w.dialogs.fileToSave = good + QStringLiteral("/Nuovo.xlsx");
        w.click(ScreenId::Form5, QStringLiteral("Command9"));
        QVERIFY2(status(w).startsWith(QStringLiteral("Impossibile salvare il file Nuovo.xlsx: ")),
                 qPrintable(status(w)));
        QCOMPARE(readAll(good), before);

        // A set the ECU did not send whole (never uploaded, or a write cut short by a lost
        // link): nothing saved, and no file asked for.
        w.g.parametersFromEcu = false;
        w.dialogs.fileToSave = archive(w, QStringLiteral("Vuoto.xlsx"));
        w.click(ScreenId::Form5, QStringLiteral("Command9"));
        QVERIFY(status(w).startsWith(QStringLiteral("Configurazione non letta")));
        QVERIFY(!QFile::exists(w.dialogs.fileToSave));
        QVERIFY(w.ecu.received().isEmpty());
    }
};

QTEST_MAIN(TestArchiveScreen)
#include "test_archive_screen.moc"
