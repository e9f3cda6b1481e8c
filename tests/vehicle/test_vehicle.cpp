#include "common/FileSizeLimit.h"
#include "common/TestData.h"
#include "lang/LanguageTable.h"
#include "params/ParameterChecks.h"
#include "params/ParameterSet.h"
#include "vehicle/VehicleArchive.h"
#include "vehicle/VehicleArchiveTexts.h"
#include "vehicle/WorkbookReader.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <zip.h>

#include <random>

using Status = VehicleLoad::Status;

namespace {

const QString Fixtures = QStringLiteral(QT_TESTCASE_SOURCEDIR "/vehicle/fixtures/");

QString fixtureFile(const char* name) {
    return Fixtures + QString::fromUtf8(name);
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The fixtures' configuration, cell by cell: "A1" -> "6". Empty cells are absent.
QMap<QString, QString> csvCells(const QByteArray& csv) {
    QMap<QString, QString> cells;
    const QList<QByteArray> lines = csv.trimmed().split('\n');
    for (int r = 0; r < lines.size(); ++r) {
        const QList<QByteArray> fields = lines[r].trimmed().split(',');
        for (int c = 0; c < fields.size(); ++c)
            if (!fields[c].isEmpty())
                cells[SheetCells::name(r + 1, c + 1)] = QString::fromUtf8(fields[c]);
    }
    return cells;
}

// The cell of image slot k: parameter k, then table entry k - 62.
VehicleArchive::Cell cellOf(int slot) {
    return slot <= ParameterCount ? VehicleArchive::parameterCell(slot)
                                  : VehicleArchive::tableCell(slot - ParameterCount);
}

// Every slot of a loaded image against the fixture's cells.
void compareImage(const VehicleLoad& load, const QMap<QString, QString>& cells) {
    QVERIFY2(load.ok(), qPrintable(VehicleArchiveTexts::loadError(load, LanguageTable())));
    QVERIFY(!load.corrected());
    for (int slot = 1; slot <= WriteList::LastSlot; ++slot)
        QCOMPARE(QString::number(load.image.WriteValues[slot]),
                 cells[SheetCells::name(cellOf(slot).row, cellOf(slot).column)]);
}

// Workbooks built part by part, to reach what no spreadsheet program writes.
struct Package {
    QMap<QByteArray, QByteArray> parts;

    // The first sheet is deliberately not sheet1.xml, and a decoy sheet1.xml sits beside it.
    explicit Package(const QByteArray& rows, const QByteArray& strings = {}) {
        const QByteArray rel =
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
        parts["_rels/.rels"] = "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                               "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
        parts["xl/workbook.xml"] =
            "<workbook xmlns:r=\"" + rel +
            "\"><sheets><sheet name=\"Car\" sheetId=\"1\" "
            "r:id=\"rId7\"/><sheet name=\"Old\" sheetId=\"2\" r:id=\"rId1\"/></sheets></workbook>";
        parts["xl/_rels/workbook.xml.rels"] =
            "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
            "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId7\" Type=\"" +
            rel +
            "worksheet\" Target=\"/xl/worksheets/../data/car.xml\"/><Relationship "
            "Id=\"rId3\" Type=\"" +
            rel + "sharedStrings\" Target=\"strings.xml\"/></Relationships>";
        parts["xl/worksheets/sheet1.xml"] =
            sheet("<row r=\"1\"><c r=\"A1\"><v>99999</v></c></row>");
        parts["xl/data/car.xml"] = sheet(rows);
        if (!strings.isNull()) parts["xl/strings.xml"] = "<sst>" + strings + "</sst>";
    }
    static QByteArray sheet(const QByteArray& rows) {
        return "<worksheet><sheetData>" + rows + "</sheetData></worksheet>";
    }
    QByteArray bytes(const QString& scratch) const {
        QFile::remove(scratch);
        zip_t* z =
            zip_open(QFile::encodeName(scratch).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
        for (auto it = parts.begin(); it != parts.end(); ++it)
            zip_file_add(z, it.key().constData(),
                         zip_source_buffer(z, it.value().constData(), it.value().size(), 0), 0);
        zip_close(z);
        return readAll(scratch);
    }
};

// Rows holding a configuration as a spreadsheet program would, with styled numbers.
QByteArray configRows(const WriteList& image) {
    QMap<int, QByteArray> cells;
    for (int slot = 1; slot <= WriteList::LastSlot; ++slot) {
        const auto c = cellOf(slot);
        cells[c.row] += "<c r=\"" + SheetCells::name(c.row, c.column).toLatin1() +
                        "\" s=\"3\"><v>" + QByteArray::number(image.WriteValues[slot]) + "</v></c>";
    }
    QByteArray rows;
    for (auto it = cells.begin(); it != cells.end(); ++it)
        rows += "<row r=\"" + QByteArray::number(it.key()) + "\">" + it.value() + "</row>";
    return rows;
}

// A grid read from nowhere, for the load rules.
SheetCells grid(const std::vector<std::optional<double>>& raw) {
    SheetCells cells(VehicleArchive::Rows, VehicleArchive::Columns);
    for (int slot = 1; slot < int(raw.size()); ++slot)
        if (raw[slot])
            cells.set(cellOf(slot).row, cellOf(slot).column, WorkbookCell::ofNumber(*raw[slot]));
    return cells;
}

WriteList defaultImage() {
    WriteList w;
    w.loadImage(defaultSet());
    return w;
}

std::vector<std::optional<double>> defaultSlots() {
    const WriteList w = defaultImage();
    return std::vector<std::optional<double>>(w.WriteValues.begin(), w.WriteValues.end());
}

bool passesUploadCheck(const WriteList& image) {
    ParameterSet s;
    image.storeImage(s);
    return uploadChecked(s).queued().empty();
}

QString soffice() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

} // namespace

class TestVehicle : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray zipped(const Package& p) const { return p.bytes(path("z")); }

    // LibreOffice headless with a profile of its own; false when it failed or took too long.
    bool convert(const QString& to, const QString& file, const QString& outDir) {
        QProcess p;
        p.start(soffice(),
                {QStringLiteral("-env:UserInstallation=file://") + path("lo"),
                 QStringLiteral("--headless"), QStringLiteral("--norestore"),
                 QStringLiteral("--convert-to"), to, QStringLiteral("--outdir"), outDir, file});
        return p.waitForFinished(240000) && p.exitCode() == 0;
    }

private slots:
    // A save replaces the file whole once the workbook is complete, or leaves it as it was:
    // loaded back it gives exactly what was saved.
    void saveIsAllOrNothing() {
        const VehicleLoad fixture = VehicleArchive::load(fixtureFile("vehicle-libreoffice.xlsx"));
        ParameterSet set;
        fixture.image.storeImage(set);
        const ParameterSet defaults = defaultSet();
        const QString good = path("car.xlsx");
        QVERIFY(VehicleArchive::save(good, defaults));
        // An old archive's name is saved as .xlsx, not as .xls.xlsx.
        const Result<QString> saved = VehicleArchive::save(path("car.XLS"), set);
        QVERIFY2(saved, qPrintable(saved.errorString()));
        QCOMPARE(*saved, good);
        const VehicleLoad back = VehicleArchive::load(good);
        QVERIFY(back.ok() && !back.corrected());
        QCOMPARE(back.image.WriteValues, fixture.image.WriteValues);
        const QByteArray before = readAll(good);

        // A full disk: libxlsxwriter fails inside workbook_close().
        Result<QString> full = good;
        withFileSizeLimit(2000, [&] { full = VehicleArchive::save(good, defaults); });
        QVERIFY(!full && !full.errorString().isEmpty());
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.xlsx")));
        for (const QString& bad : {path("folder.xlsx"), path("missing/x.xlsx")}) {
            const Result<QString> s = VehicleArchive::save(bad, set);
            QVERIFY2(!s && !s.errorString().isEmpty(), qPrintable(bad));
        }
        QCOMPARE(readAll(good), before);
        // No scratch file is left beside the archive.
        QVERIFY(QDir(m_dir.path())
                    .entryList(QDir::Files | QDir::Hidden)
                    .filter(QStringLiteral("tarvex"))
                    .isEmpty());
    }

    // A hand-edited value outside its range, or one that fits no word or byte on the link,
    // comes back as its default and is named; a group the load check leaves out of order goes
    // back wholly to its defaults. A fraction or a text where a number belongs refuses the
    // file, naming the first such cell, column A before the table.
    void outOfRangeValuesTakeTheirDefaultsAndBadCellsRefuseTheFile() {
        auto raw = defaultSlots();
        raw[SwitchRpm] = 9000;       // checked range 1200..8000
        raw[AuxParameter31] = 65536; // no check, but no 16-bit word either
        raw[AuxParameter60] = -1;
        raw[Lambda2EmulationPeriod] = 65535; // kept: fits its word
        raw[ParameterCount + 5] = 256;       // no table byte
        raw[ParameterCount + 6] = 99;        // below the table's range
        raw[ParameterCount + 7] = 151;       // above it
        raw[MaxTemperature].reset();         // one empty cell
        VehicleLoad load = VehicleArchive::fromCells(grid(raw), QStringLiteral("car.xlsx"));
        QVERIFY(load.ok());
        QCOMPARE(load.replaced.size(), std::size_t(7));
        QCOMPARE(load.image.WriteValues[Lambda2EmulationPeriod], 65535);
        QCOMPARE(VehicleArchiveTexts::replaced(load, LanguageTable()),
                 QStringLiteral("Parametri sostituiti con il valore di default: TEMPERATURA "
                                "MASSIMA (11) = 0, GIRI COMMUTAZIONE (12) = 2300, AuxParameter31 "
                                "(31) = 2500, AuxParameter60 (60) = 800, KTAR 5 = 105, KTAR 6 = "
                                "105, (+1)"));

        // 50, 60, 55: the load check takes the 60 to its default 30 and leaves 50, 30, 55.
        raw = defaultSlots();
        raw[LevelThreshold1] = 50;
        raw[LevelThreshold2] = 60;
        raw[LevelThreshold3] = 55;
        raw[RpmBreakpoint1] = 1100;
        raw[RpmBreakpoint1 + 1] = 1200;
        raw[RpmBreakpoint1 + 2] = 1150;
        raw[CalibrationPressure] = 1400;
        load = VehicleArchive::fromCells(grid(raw), QStringLiteral("car.xlsx"));
        const auto defaults = defaultSlots();
        for (int id : {16, 17, 18, 34, 35, 36, 37, 41})
            QCOMPARE(load.image.WriteValues[id], int(*defaults[id]));
        QCOMPARE(load.image.WriteValues[CalibrationPressure], 1400);
        QVERIFY(passesUploadCheck(load.image));

        SheetCells cells = grid(defaults);
        cells.set(9, 1, WorkbookCell::ofNumber(20.5));
        cells.set(30, 1, WorkbookCell::ofText(QStringLiteral("abc")));
        load = VehicleArchive::fromCells(cells, QStringLiteral("car.xls"));
        QCOMPARE(load.status, Status::Fractional);
        QCOMPARE(load.cell, QStringLiteral("A9"));
        cells.set(9, 1, WorkbookCell::ofNumber(20));
        cells.set(2, 10, WorkbookCell::ofOther(QStringLiteral("#DIV/0!")));
        load = VehicleArchive::fromCells(cells, QStringLiteral("car.xls"));
        QCOMPARE(load.status, Status::NotANumber);
        QCOMPARE(load.cell, QStringLiteral("A30")); // column A comes before the table
        QCOMPARE(load.content, QStringLiteral("abc"));
        QCOMPARE(VehicleArchive::fromCells(SheetCells(62, 10), QStringLiteral("x")).status,
                 Status::NoConfiguration);
    }

    // Whatever a file holds, a load either refuses it or gives a set the main menu accepts,
    // and names exactly the values it did not take from the file.
    void everyLoadedSetPassesTheUploadCheck() {
        std::mt19937 rng(20240611);
        const auto defaults = defaultSlots();
        for (int round = 0; round < 4000; ++round) {
            auto raw = defaults;
            const int edits = 1 + int(rng() % 12);
            for (int e = 0; e < edits; ++e) {
                const int slot = 1 + int(rng() % 126);
                const unsigned kind = rng() % 5;
                if (kind == 0) raw[slot].reset();
                if (kind == 1) raw[slot] = double(int(rng() % 80000) - 5000);
                if (kind == 2) raw[slot] = double(rng() % 300);
                if (kind == 3) raw[slot] = *defaults[slot] + double(int(rng() % 2001) - 1000);
                if (kind == 4) raw[slot] = raw[1 + int(rng() % 126)].value_or(0);
            }
            const VehicleLoad load = VehicleArchive::fromCells(grid(raw), QStringLiteral("r"));
            QVERIFY(load.ok());
            QVERIFY2(passesUploadCheck(load.image), qPrintable(QString::number(round)));
            std::size_t named = 0;
            for (int slot = 1; slot <= 126; ++slot) {
                const int v = load.image.WriteValues[slot];
                QVERIFY(v >= 0 && v <= (slot > ParameterCount ? 150 : 65535));
                if (!raw[slot] || *raw[slot] != v) {
                    QVERIFY(named < load.replaced.size());
                    QCOMPARE(load.replaced[named++].value, v);
                }
            }
            QCOMPARE(named, load.replaced.size());
        }
    }

    // The xlsx reader on what spreadsheet programs may write: the first sheet found through the
    // workbook, strings shared and inline, styles, prefixes, references left out. A number
    // shown as a date or a time (row 3) is no number, as in a legacy .xls (whose reader only
    // gets the date text): named by what the spreadsheet shows. Other styles are numbers.
    void readsWhatOtherWritersProduce() {
        const QByteArray rows =
            "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"C1\" "
            "t=\"inlineStr\"><is><r><t>ab</t></r>"
            "<r><t>c</t></r></is></c><c t=\"b\"><v>1</v></c><c><v> 2.5e1 </v></c></row>"
            "<row><c r=\"B2\" s=\"9\"><f>1+1</f><v>2</v></c><c r=\"XFD2\"><v>7</v></c></row>"
            "<row r=\"3\"><c r=\"A3\" s=\"1\"><v>1300</v></c><c r=\"B3\" s=\"2\"><v>0.5</v></c>"
            "<c r=\"C3\" s=\"3\"><v>45000.25</v></c><c r=\"D3\" s=\"4\"><v>1300</v></c>"
            "<c r=\"E3\" s=\"9\"><v>7</v></c><c r=\"F3\" s=\"5\"><v>61</v></c></row>"
            "<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>";
        Package p(rows, "<si><t>zero</t></si><si><r><t>on</t></r><r><t>e</t></r></si>");
        // Every element of the sheet under a prefix, as some writers do.
        p.parts["xl/data/car.xml"] = QString::fromLatin1(Package::sheet(rows))
                                         .replace(QRegularExpression(QStringLiteral("<(/?)(\\w+)")),
                                                  QStringLiteral("<\\1x:\\2"))
                                         .replace(QStringLiteral("<x:worksheet"),
                                                  QStringLiteral("<x:worksheet xmlns:x=\"s\""))
                                         .toLatin1();
        p.parts["xl/styles.xml"] =
            "<styleSheet><numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"h:mm\"/>"
            "<numFmt numFmtId=\"165\" formatCode=\"dd/mm/yyyy\\ hh:mm\"/>"
            "<numFmt numFmtId=\"166\" formatCode=\"0&quot; mbar&quot;\"/></numFmts>"
            "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
            "<xf numFmtId=\"165\"/><xf numFmtId=\"166\"/><xf numFmtId=\"22\"/></cellXfs>"
            "</styleSheet>";
        p.parts["xl/_rels/workbook.xml.rels"].replace(
            "</Relationships>",
            "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/"
            "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>");
        writeAll(path("kinds.xlsx"), zipped(p));
        WorkbookReader reader(62, 10);
        QVERIFY2(reader.read(path("kinds.xlsx")), qPrintable(reader.status().detail));
        QCOMPARE(reader.format(), WorkbookReader::Format::Xlsx);
        const SheetCells& c = reader.cells();
        QCOMPARE(c.at(1, 1).text, QStringLiteral("one"));
        QCOMPARE(c.at(1, 3).text, QStringLiteral("abc"));
        QCOMPARE(c.at(1, 4).kind, WorkbookCell::Kind::Other);
        QCOMPARE(c.at(1, 5).number, 25.0);
        QCOMPARE(c.at(2, 2).number, 2.0);
        QCOMPARE(c.at(1, 2).kind, WorkbookCell::Kind::Empty);
        const QStringList shown{"1903-07-23", "12:00:00", "2023-03-15 06:00:00",
                                "",           "",         "1900-03-01 00:00:00"};
        for (int column = 1; column <= 6; ++column) {
            const WorkbookCell& cell = c.at(3, column);
            QCOMPARE(cell.kind, shown[column - 1].isEmpty() ? WorkbookCell::Kind::Number
                                                            : WorkbookCell::Kind::Other);
            QCOMPARE(cell.text, shown[column - 1]);
        }
        QCOMPARE(c.at(3, 4).number, 1300.0);
        QCOMPARE(c.at(3, 5).number, 7.0);
    }

    // Each refused with the reader's reason in the message; the screen test has the empty and
    // the text file. Then a file gone since it was chosen, a folder, and the .xls helper (a
    // process of its own) failing in any way.
    void brokenAndUnreadableFilesAreRefused() {
        const QByteArray good = readAll(fixtureFile("vehicle-libreoffice.xlsx"));
        QByteArray garbage("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        std::mt19937 rng(7);
        for (int i = 0; i < 4000; ++i)
            garbage += char(rng());
        Package noWorkbook("");
        noWorkbook.parts.remove("xl/workbook.xml");
        Package noSheets("");
        noSheets.parts["xl/workbook.xml"] = "<workbook><sheets/></workbook>";
        const WorkbookError damaged = WorkbookError::Damaged;
        const std::vector<std::tuple<QByteArray, WorkbookError, const char*>> cases{
            {good.left(good.size() / 2), damaged, "zip"},
            {garbage, damaged, "danneggiato"},
            {zipped(noWorkbook), WorkbookError::NotWorkbook, "non è una cartella"},
            {zipped(noSheets), WorkbookError::NoSheet, "nessun foglio"},
            {zipped(Package("<row r=\"3\"><c r=\"A3\" t=\"s\"><v>2</v></c></row>",
                            "<si><t>a</t></si>")),
             damaged, "shared string 2 of 1"},
            {zipped(Package("<row r=\"1\"><c r=\"A99999999999999999999\"><v>1</v></c></row>")),
             damaged, "A99999999999999999999"},
            {zipped(Package("<row r=\"184467440737095516160\"><c><v>1</v></c></row>")), damaged,
             "bad row"},
            {zipped(Package("<row r=\"1\"><c r=\"A1\"><v>12x</v></c></row>")), damaged, "12x"},
            {zipped(Package("<row r=\"1\"><c r=\"A1\"><v>1</v></row>")), damaged, "car.xml"}};
        const QString file = path("broken.xlsx");
        for (const auto& [bytes, error, says] : cases) {
            writeAll(file, bytes);
            const VehicleLoad load = VehicleArchive::load(file);
            QCOMPARE(load.read.error, error);
            const QString message = VehicleArchiveTexts::loadError(load, LanguageTable());
            QVERIFY2(message.contains(QStringLiteral("broken.xlsx")) &&
                         message.contains(QString::fromUtf8(says)),
                     qPrintable(message));
        }
        for (const QString& p : {path("none.xlsx"), m_dir.path()}) {
            const VehicleLoad load = VehicleArchive::load(p);
            QCOMPARE(load.read.error, WorkbookError::Unreadable);
            QVERIFY(VehicleArchiveTexts::loadError(load, LanguageTable())
                        .startsWith(QStringLiteral("Impossibile aprire")));
        }
        const QList<QPair<QString, WorkbookError>> helpers{
            {path("no-helper"), WorkbookError::Unreadable},
            {QStringLiteral("/bin/false"), WorkbookError::Damaged}, // fails
            {QStringLiteral("/bin/echo"), WorkbookError::Damaged}}; // answers nonsense
        for (const auto& [helper, error] : helpers) {
            WorkbookReader reader(62, 10, helper);
            QVERIFY(!reader.read(fixtureFile("vehicle-libreoffice-biff8.xls")));
            QCOMPARE(reader.status().error, error);
        }
    }

    // Only the top corner is read: a sheet of a million rows loads as fast as a small one.
    void millionRowSheetIsCheap() {
        QByteArray rows = configRows(defaultImage());
        rows.reserve(48 << 20);
        for (int r = ParameterCount + 1; r <= 1048576; ++r)
            rows += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A" + QByteArray::number(r) +
                    "\"><v>1</v></c></row>";
        writeAll(path("huge.xlsx"), zipped(Package(rows)));
        const VehicleLoad load = VehicleArchive::load(path("huge.xlsx"));
        QVERIFY2(load.ok(), qPrintable(VehicleArchiveTexts::loadError(load, LanguageTable())));
        QVERIFY(!load.corrected());

        // Cut in a row of the window, a huge sheet is refused rather than half read.
        QByteArray wide = "<row r=\"1\">";
        for (int c = 0; c < 400000; ++c)
            wide += "<c><v>1</v></c>";
        writeAll(path("wide.xlsx"), zipped(Package(wide + "</row>")));
        QCOMPARE(VehicleArchive::load(path("wide.xlsx")).read.error, WorkbookError::TooLarge);
    }

    // Files LibreOffice (xlsx, BIFF8) and Gnumeric (BIFF5) made from vehicle.csv, named .dat:
    // the first bytes tell the format, not the name; every value is in the cell fitters know.
    // Then LibreOffice, where it is installed, as the peer: it reads our workbook cell for cell,
    // and we read the .xlsx and the .xls it writes.
    void workbooksOfOtherProgramsAndLibreOfficeAsThePeer() {
        const auto cells = csvCells(readAll(fixtureFile("vehicle.csv")));
        for (const QString& file : {QStringLiteral("vehicle-libreoffice.xlsx"),
                                    QStringLiteral("vehicle-libreoffice-biff8.xls"),
                                    QStringLiteral("vehicle-gnumeric-biff5.xls")}) {
            QVERIFY(QFile::copy(Fixtures + file, path(file + QStringLiteral(".dat"))));
            compareImage(VehicleArchive::load(path(file + QStringLiteral(".dat"))), cells);
        }
        if (soffice().isEmpty()) QSKIP("LibreOffice is not installed");
        ParameterSet set;
        VehicleArchive::load(fixtureFile("vehicle-libreoffice.xlsx")).image.storeImage(set);
        QVERIFY(VehicleArchive::save(path("ours.xlsx"), set).ok());
        QVERIFY(convert(QStringLiteral("csv"), path("ours.xlsx"), path("csv")));
        QCOMPARE(csvCells(readAll(path("csv/ours.csv"))), cells);
        for (const QString& to : {QStringLiteral("xlsx"), QStringLiteral("xls:MS Excel 97")}) {
            QVERIFY(convert(to, fixtureFile("vehicle.csv"), path("lo-out")));
            compareImage(VehicleArchive::load(path(QStringLiteral("lo-out/vehicle.") +
                                                   to.left(to.indexOf(QLatin1Char(':'))))),
                         cells);
        }
    }

    // Mutated workbooks, byte by byte and part by part: each is read or refused, never more.
    void mutatedWorkbooksNeverCrash() {
        std::mt19937 rng(1234567);
        QList<QByteArray> seeds;
        for (const char* f : {"vehicle-libreoffice.xlsx", "vehicle-libreoffice-biff8.xls",
                              "vehicle-gnumeric-biff5.xls"})
            seeds << readAll(Fixtures + QLatin1String(f));
        const Package base(configRows(defaultImage()), "<si><t>x</t></si>");
        const auto mutate = [&rng](QByteArray b) {
            for (int n = 1 + int(rng() % 8); n > 0 && !b.isEmpty(); --n) {
                const int at = int(rng() % b.size());
                const unsigned kind = rng() % 4;
                if (kind == 0) b[at] = char(rng());
                if (kind == 1) b.truncate(at);
                if (kind == 2) b.insert(at, QByteArray(1 + int(rng() % 8), char(rng())));
                if (kind == 3) b.remove(at, 1 + int(rng() % 16));
            }
            return b;
        };
        const QString file = path("mutant");
        int loaded = 0;
        // Mostly parts of an .xlsx, re-zipped so that the mutation reaches the XML; then raw bytes
        // of every seed, the .xls ones fewest because each one runs the helper process.
        for (int i = 0; i < 640; ++i) {
            QByteArray bytes;
            if (i < 500) {
                Package p = base;
                const QByteArray part = p.parts.keys()[int(rng() % p.parts.size())];
                p.parts[part] = mutate(p.parts[part]);
                bytes = zipped(p);
            } else {
                bytes = mutate(seeds[i < 600 ? 0 : 1 + i % 2]);
            }
            writeAll(file, bytes);
            const VehicleLoad load = VehicleArchive::load(file);
            QVERIFY(load.ok() || !VehicleArchiveTexts::loadError(load, LanguageTable()).isEmpty());
            if (load.ok()) {
                ++loaded;
                QVERIFY(passesUploadCheck(load.image));
            }
        }
        QVERIFY(loaded > 0);
    }
};

QTEST_GUILESS_MAIN(TestVehicle)
#include "test_vehicle.moc"
