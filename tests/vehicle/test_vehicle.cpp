#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"
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

#include <csignal>
#include <random>
#include <sys/resource.h>

using Status = VehicleLoad::Status;

namespace {

const QString Fixtures = QStringLiteral(QT_TESTCASE_SOURCEDIR "/vehicle/fixtures/");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

// Every slot of a loaded image against the fixture's cells, through the archive mapping.
void compareImage(const VehicleLoad& load, const QMap<QString, QString>& cells) {
    QVERIFY2(load.ok(), qPrintable(VehicleArchiveTexts::loadError(load, LanguageTable())));
    QVERIFY(!load.corrected());
    for (int id = 1; id <= ParameterCount; ++id) {
        const auto c = VehicleArchive::parameterCell(id);
        QCOMPARE(QString::number(load.image.WriteValues[id]),
                 cells[SheetCells::name(c.row, c.column)]);
    }
    for (int j = 1; j <= TableSize; ++j) {
        const auto c = VehicleArchive::tableCell(j);
        QCOMPARE(QString::number(load.image.WriteValues[ParameterCount + j]),
                 cells[SheetCells::name(c.row, c.column)]);
    }
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

// Rows holding a configuration as a spreadsheet program would: styled numbers, and the table
// as numbers too.
QByteArray configRows(const WriteList& image) {
    QByteArray rows;
    for (int r = 1; r <= ParameterCount; ++r) {
        rows += "<row r=\"" + QByteArray::number(r) + "\">";
        rows += "<c r=\"A" + QByteArray::number(r) + "\" s=\"3\"><v>" +
                QByteArray::number(image.WriteValues[r]) + "</v></c>";
        for (int c = VehicleArchive::TableColumn; r <= 8 && c < VehicleArchive::TableColumn + 8;
             ++c)
            rows += "<c r=\"" + SheetCells::name(r, c).toLatin1() + "\"><v>" +
                    QByteArray::number(
                        image.WriteValues[ParameterCount + VehicleArchive::tableEntryAt(r, c)]) +
                    "</v></c>";
        rows += "</row>";
    }
    return rows;
}

// A grid read from nowhere, for the load rules.
SheetCells grid(const std::vector<std::optional<double>>& raw) {
    SheetCells cells(VehicleArchive::Rows, VehicleArchive::Columns);
    for (int slot = 1; slot < int(raw.size()); ++slot) {
        if (!raw[slot]) continue;
        const auto c = slot <= ParameterCount ? VehicleArchive::parameterCell(slot)
                                              : VehicleArchive::tableCell(slot - ParameterCount);
        cells.set(c.row, c.column, WorkbookCell::ofNumber(*raw[slot]));
    }
    return cells;
}

WriteList defaultImage() {
    ParameterSet s;
    SetParameterDefaults(s);
    WriteList w;
    w.loadImage(s);
    return w;
}

std::vector<std::optional<double>> defaultSlots() {
    const WriteList w = defaultImage();
    return std::vector<std::optional<double>>(w.WriteValues.begin(), w.WriteValues.end());
}

bool passesUploadCheck(const WriteList& image) {
    ParameterSet s;
    image.storeImage(s);
    WriteList w;
    w.resetQueue();
    CheckUploadedParameters(s, w);
    return w.queued().empty();
}

QString soffice() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

} // namespace

class TestVehicle : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // LibreOffice headless with a profile of its own; false when it failed or took too long.
    bool convert(const QString& to, const QString& file, const QString& outDir) {
        QProcess p;
        p.start(soffice(),
                {QStringLiteral("-env:UserInstallation=file://") + path(QStringLiteral("lo")),
                 QStringLiteral("--headless"), QStringLiteral("--norestore"),
                 QStringLiteral("--convert-to"), to, QStringLiteral("--outdir"), outDir, file});
        return p.waitForFinished(240000) && p.exitCode() == 0;
    }

private slots:
    void cellPositions() {
        using VehicleArchive::Cell;
        QCOMPARE(VehicleArchive::tableCell(1), (Cell{1, 3}));
        QCOMPARE(VehicleArchive::tableCell(9), (Cell{2, 3}));
        QCOMPARE(VehicleArchive::tableCell(16), (Cell{2, 10}));
        QCOMPARE(VehicleArchive::tableCell(64), (Cell{8, 10}));
        QCOMPARE(VehicleArchive::parameterCell(GasType), (Cell{62, 1}));
        QSet<QString> used;
        for (int j = 1; j <= TableSize; ++j) {
            const Cell c = VehicleArchive::tableCell(j);
            QCOMPARE(VehicleArchive::tableEntryAt(c.row, c.column), j);
            used << SheetCells::name(c.row, c.column);
        }
        QCOMPARE(used.size(), TableSize);
        QVERIFY(used.contains(QStringLiteral("J8")) && used.contains(QStringLiteral("C2")));
        QCOMPARE(VehicleArchive::tableEntryAt(9, 3), 0);
        QCOMPARE(VehicleArchive::tableEntryAt(1, 2), 0);
        QCOMPARE(SheetCells::name(1048576, 16384), QStringLiteral("XFD1048576"));
    }

    void saveNameEndsInXlsx() {
        QCOMPARE(VehicleArchive::saveName(QStringLiteral("/a/Punto")),
                 QStringLiteral("/a/Punto.xlsx"));
        QCOMPARE(VehicleArchive::saveName(QStringLiteral("/a/Punto.1.2")),
                 QStringLiteral("/a/Punto.1.2.xlsx"));
        QCOMPARE(VehicleArchive::saveName(QStringLiteral("/a/Old.XLS")),
                 QStringLiteral("/a/Old.xlsx"));
        QCOMPARE(VehicleArchive::saveName(QStringLiteral("/a/New.XLSX")),
                 QStringLiteral("/a/New.XLSX"));
        QCOMPARE(VehicleArchive::saveName(QStringLiteral("/a/Dot.")),
                 QStringLiteral("/a/Dot.xlsx"));
    }

    // Saving and loading gives back exactly what was saved, replacing an older file.
    void roundTripThroughOurOwnWriter() {
        const VehicleLoad fixture =
            VehicleArchive::load(Fixtures + QStringLiteral("vehicle-libreoffice.xlsx"));
        QVERIFY(fixture.ok());
        ParameterSet set;
        fixture.image.storeImage(set);
        ParameterSet defaults;
        SetParameterDefaults(defaults);
        QVERIFY(VehicleArchive::save(path(QStringLiteral("car")), defaults).ok);
        const VehicleSave saved = VehicleArchive::save(path(QStringLiteral("car")), set);
        QVERIFY2(saved.ok, qPrintable(saved.error));
        QCOMPARE(saved.path, path(QStringLiteral("car.xlsx")));
        const VehicleLoad back = VehicleArchive::load(saved.path);
        QVERIFY(back.ok());
        QVERIFY(!back.corrected());
        QCOMPARE(back.image.WriteValues, fixture.image.WriteValues);
        QCOMPARE(back.image.WriteIds, fixture.image.WriteIds);
        const auto writes = back.writes();
        QCOMPARE(writes.size(), std::size_t(126));
        QCOMPARE(writes[61], (WriteList::Entry{62, 1, false}));
        QCOMPARE(writes[62], (WriteList::Entry{1, set.ktar(1), true}));
        QVERIFY(QDir(m_dir.path())
                    .entryList(QDir::Files | QDir::Hidden)
                    .filter(QStringLiteral("tarvex"))
                    .isEmpty());
    }

    void failedSaveLeavesTheOldFile() {
        ParameterSet set;
        SetParameterDefaults(set);
        const QString good = path(QStringLiteral("good.xlsx"));
        QVERIFY(VehicleArchive::save(good, set).ok);
        const QByteArray before = readAll(good);
        set.setValue(SwitchRpm, 3000);

        // A full disk, as a file-size limit: libxlsxwriter fails inside workbook_close().
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{2000, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const VehicleSave full = VehicleArchive::save(good, set);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!full.ok);
        QVERIFY(!full.error.isEmpty());
        QCOMPARE(readAll(good), before);

        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.xlsx")));
        for (const QString& bad :
             {path(QStringLiteral("folder.xlsx")), good + QStringLiteral("/x.xlsx"),
              path(QStringLiteral("missing/x.xlsx"))}) {
            const VehicleSave s = VehicleArchive::save(bad, set);
            QVERIFY2(!s.ok && !s.error.isEmpty(), qPrintable(bad));
            QVERIFY(VehicleArchiveTexts::saveError(s, LanguageTable())
                        .startsWith(QStringLiteral("Impossibile salvare")));
        }
        QCOMPARE(readAll(good), before);
    }

    // A hand-edited value outside its range comes back as its default, and is named.
    void outOfRangeValuesTakeTheirDefaults() {
        auto raw = defaultSlots();
        raw[SwitchRpm] = 9000;       // checked range 1200..8000
        raw[AuxParameter31] = 65536; // no check, but no 16-bit word either
        raw[AuxParameter60] = -1;
        raw[Lambda2EmulationPeriod] = 65535; // kept: fits its word
        raw[ParameterCount + 5] = 256;       // no table byte
        raw[ParameterCount + 6] = 99;        // below the table's range
        raw[MaxTemperature].reset();         // one empty cell
        const VehicleLoad load = VehicleArchive::fromCells(grid(raw), QStringLiteral("car.xlsx"));
        QVERIFY(load.ok());
        QVERIFY(load.corrected());
        const std::vector<WriteList::Entry> expected{
            {MaxTemperature, 0, false},   {SwitchRpm, 2300, false}, {AuxParameter31, 2500, false},
            {AuxParameter60, 800, false}, {5, 105, true},           {6, 105, true}};
        QCOMPARE(load.replaced, expected);
        QCOMPARE(load.image.WriteValues[Lambda2EmulationPeriod], 65535);
        const QString line = VehicleArchiveTexts::replaced(load, LanguageTable());
        QVERIFY2(line.contains(QStringLiteral("GIRI COMMUTAZIONE (12)")) &&
                     line.contains(QStringLiteral("KTAR 6")),
                 qPrintable(line));
    }

    void badCellsRefuseTheFile() {
        auto raw = defaultSlots();
        SheetCells cells = grid(raw);
        cells.set(9, 1, WorkbookCell::ofNumber(20.5));
        cells.set(30, 1, WorkbookCell::ofText(QStringLiteral("abc")));
        VehicleLoad load = VehicleArchive::fromCells(cells, QStringLiteral("car.xls"));
        QCOMPARE(load.status, Status::Fractional);
        QCOMPARE(load.cell, QStringLiteral("A9"));
        QCOMPARE(VehicleArchiveTexts::loadError(load, LanguageTable()),
                 QStringLiteral("Il file car.xls non è stato caricato: la cella A9 contiene un "
                                "numero con decimali (20.5)."));
        cells.set(9, 1, WorkbookCell::ofNumber(20));
        cells.set(2, 10, WorkbookCell::ofOther(QStringLiteral("#DIV/0!")));
        load = VehicleArchive::fromCells(cells, QStringLiteral("car.xls"));
        QCOMPARE(load.status, Status::NotANumber);
        QCOMPARE(load.cell, QStringLiteral("A30")); // column A comes before the table
        QVERIFY(!VehicleArchive::fromCells(SheetCells(62, 10), QStringLiteral("x")).ok());
        QCOMPARE(VehicleArchive::fromCells(SheetCells(62, 10), QStringLiteral("x")).status,
                 Status::NoConfiguration);
    }

    // Groups that CheckLoadedParameters leaves out of order go back wholly to their defaults.
    void orderedGroupsResetTogether() {
        auto raw = defaultSlots();
        raw[LevelThreshold1] = 50;
        raw[LevelThreshold2] = 60;
        raw[LevelThreshold3] = 55;
        raw[RpmBreakpoint1] = 1100;
        raw[RpmBreakpoint1 + 1] = 1200;
        raw[RpmBreakpoint1 + 2] = 1150;
        raw[CalibrationPressure] = 1400;
        const VehicleLoad load = VehicleArchive::fromCells(grid(raw), QStringLiteral("car.xlsx"));
        QVERIFY(load.ok());
        const auto defaults = defaultSlots();
        for (int id : {16, 17, 18, 34, 35, 36, 37, 41})
            QCOMPARE(load.image.WriteValues[id], int(*defaults[id]));
        QCOMPARE(load.image.WriteValues[CalibrationPressure], 1400);
        QVERIFY(passesUploadCheck(load.image));
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
                switch (rng() % 5) {
                case 0:
                    raw[slot].reset();
                    break;
                case 1:
                    raw[slot] = double(int(rng() % 80000) - 5000);
                    break;
                case 2:
                    raw[slot] = double(rng() % 300);
                    break;
                case 3:
                    raw[slot] = *defaults[slot] + double(int(rng() % 2001) - 1000);
                    break;
                default:
                    raw[slot] = raw[1 + int(rng() % 126)].value_or(0);
                    break;
                }
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
    // workbook, strings shared and inline, styles, prefixes, references left out.
    void readsWhatOtherWritersProduce() {
        const QByteArray rows =
            "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"C1\" "
            "t=\"inlineStr\"><is><r><t>ab</t></r>"
            "<r><t>c</t></r></is></c><c t=\"b\"><v>1</v></c><c><v> 2.5e1 </v></c></row>"
            "<row><c r=\"B2\" s=\"9\"><f>1+1</f><v>2</v></c><c r=\"XFD2\"><v>7</v></c></row>"
            "<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>";
        Package p(rows, "<si><t>zero</t></si><si><r><t>on</t></r><r><t>e</t></r></si>");
        writeAll(path(QStringLiteral("kinds.xlsx")), p.bytes(path(QStringLiteral("z"))));
        WorkbookReader reader(62, 10);
        QVERIFY2(reader.read(path(QStringLiteral("kinds.xlsx"))),
                 qPrintable(reader.status().detail));
        QCOMPARE(reader.format(), WorkbookReader::Format::Xlsx);
        const SheetCells& c = reader.cells();
        QCOMPARE(c.at(1, 1).text, QStringLiteral("one"));
        QCOMPARE(c.at(1, 3).text, QStringLiteral("abc"));
        QCOMPARE(c.at(1, 4).kind, WorkbookCell::Kind::Other);
        QCOMPARE(c.at(1, 5).number, 25.0);
        QCOMPARE(c.at(2, 2).number, 2.0);
        QCOMPARE(c.at(1, 2).kind, WorkbookCell::Kind::Empty);

        // Prefixed elements, as some writers produce.
        QByteArray prefixed = configRows(defaultImage());
        prefixed.replace("<row", "<x:row")
            .replace("</row", "</x:row")
            .replace("<c ", "<x:c ")
            .replace("</c>", "</x:c>")
            .replace("<v>", "<x:v>")
            .replace("</v>", "</x:v>");
        Package px{QByteArray()};
        px.parts["xl/data/car.xml"] =
            "<x:worksheet xmlns:x=\"s\"><x:sheetData>" + prefixed + "</x:sheetData></x:worksheet>";
        writeAll(path(QStringLiteral("prefixed.xlsx")), px.bytes(path(QStringLiteral("z"))));
        const VehicleLoad load = VehicleArchive::load(path(QStringLiteral("prefixed.xlsx")));
        QVERIFY(load.ok());
        QVERIFY(!load.corrected());
    }

    void brokenFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("says");
        const QByteArray good = readAll(Fixtures + QStringLiteral("vehicle-libreoffice.xlsx"));
        const auto make = [this](const Package& p) { return p.bytes(path(QStringLiteral("z"))); };
        const int damaged = int(WorkbookError::Damaged);
        QTest::newRow("empty file") << QByteArray() << int(WorkbookError::EmptyFile) << "vuoto";
        QTest::newRow("text file")
            << QByteArray("6\n3\n0\n") << int(WorkbookError::NotWorkbook) << "non è una cartella";
        QTest::newRow("truncated zip") << good.left(good.size() / 2) << damaged << "zip";
        QByteArray garbage("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        std::mt19937 rng(7);
        for (int i = 0; i < 4000; ++i)
            garbage += char(rng());
        QTest::newRow("garbage xls") << garbage << damaged << "danneggiato";
        Package noWorkbook("");
        noWorkbook.parts.remove("xl/workbook.xml");
        QTest::newRow("zip without workbook")
            << make(noWorkbook) << int(WorkbookError::NotWorkbook) << "non è una cartella";
        Package noSheets("");
        noSheets.parts["xl/workbook.xml"] = "<workbook><sheets/></workbook>";
        QTest::newRow("workbook without sheets")
            << make(noSheets) << int(WorkbookError::NoSheet) << "nessun foglio";
        Package sheetMissing("");
        sheetMissing.parts.remove("xl/data/car.xml");
        QTest::newRow("sheet part missing")
            << make(sheetMissing) << int(WorkbookError::NoSheet) << "nessun foglio";
        QTest::newRow("shared string past the table")
            << make(Package("<row r=\"3\"><c r=\"A3\" t=\"s\"><v>2</v></c></row>",
                            "<si><t>a</t></si>"))
            << damaged << "shared string 2 of 1";
        QTest::newRow("no shared strings at all")
            << make(Package("<row r=\"3\"><c r=\"A3\" t=\"s\"><v>0</v></c></row>")) << damaged
            << "strings.xml";
        QTest::newRow("huge cell reference")
            << make(Package("<row r=\"1\"><c r=\"A99999999999999999999\"><v>1</v></c></row>"))
            << damaged << "A99999999999999999999";
        QTest::newRow("huge row number")
            << make(Package("<row r=\"184467440737095516160\"><c><v>1</v></c></row>")) << damaged
            << "bad row";
        QTest::newRow("not a number")
            << make(Package("<row r=\"1\"><c r=\"A1\"><v>12x</v></c></row>")) << damaged << "12x";
        Package badXml("<row r=\"1\"><c r=\"A1\"><v>1</v></row>");
        QTest::newRow("broken xml") << make(badXml) << damaged << "car.xml";
    }
    void brokenFilesAreRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QFETCH(QString, says);
        const QString file = path(QStringLiteral("broken.xlsx"));
        writeAll(file, bytes);
        const VehicleLoad load = VehicleArchive::load(file);
        QCOMPARE(load.status, Status::ReadFailed);
        QCOMPARE(int(load.read.error), error);
        const QString message = VehicleArchiveTexts::loadError(load, LanguageTable());
        QVERIFY2(message.contains(QStringLiteral("broken.xlsx")) && message.contains(says),
                 qPrintable(message));
    }

    // The .xls helper is a process of its own: whatever becomes of it, the file is refused.
    void xlsHelperFailuresRefuseTheFile() {
        const QString file = Fixtures + QStringLiteral("vehicle-libreoffice-biff8.xls");
        const QList<QPair<QString, WorkbookError>> helpers{
            {path(QStringLiteral("no-helper")), WorkbookError::Unreadable},
            {QStringLiteral("/bin/false"), WorkbookError::Damaged}, // fails
            {QStringLiteral("/bin/echo"), WorkbookError::Damaged}}; // answers nonsense
        for (const auto& [helper, error] : helpers) {
            WorkbookReader reader(62, 10, helper);
            QVERIFY(!reader.read(file));
            QCOMPARE(reader.status().error, error);
        }
    }

    void unreadablePathsAreRefused() {
        for (const QString& p : {path(QStringLiteral("none.xlsx")), m_dir.path()}) {
            const VehicleLoad load = VehicleArchive::load(p);
            QCOMPARE(load.read.error, WorkbookError::Unreadable);
            QVERIFY(VehicleArchiveTexts::loadError(load, LanguageTable())
                        .startsWith(QStringLiteral("Impossibile aprire")));
        }
    }

    // A text cell in a real spreadsheet file names the cell.
    void textCellNamesTheCell() {
        const QByteArray rows =
            "<row r=\"1\"><c r=\"A1\"><v>4</v></c><c r=\"D1\" t=\"s\"><v>0</v></c></row>";
        writeAll(path(QStringLiteral("text.xlsx")),
                 Package(rows, "<si><t>centoventi</t></si>").bytes(path(QStringLiteral("z"))));
        const VehicleLoad load = VehicleArchive::load(path(QStringLiteral("text.xlsx")));
        QCOMPARE(load.status, Status::NotANumber);
        QCOMPARE(load.cell, QStringLiteral("D1"));
        QCOMPARE(load.content, QStringLiteral("centoventi"));
    }

    // Only the top corner is read: a sheet of a million rows loads as fast as a small one.
    void millionRowSheetIsCheap() {
        QByteArray rows = configRows(defaultImage());
        rows.reserve(48 << 20);
        for (int r = ParameterCount + 1; r <= 1048576; ++r)
            rows += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A" + QByteArray::number(r) +
                    "\"><v>1</v></c></row>";
        writeAll(path(QStringLiteral("huge.xlsx")), Package(rows).bytes(path(QStringLiteral("z"))));
        QElapsedTimer t;
        t.start();
        const VehicleLoad load = VehicleArchive::load(path(QStringLiteral("huge.xlsx")));
        QVERIFY2(load.ok(), qPrintable(VehicleArchiveTexts::loadError(load, LanguageTable())));
        QVERIFY(!load.corrected());
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));

        // Cut in a row of the window, a huge sheet is refused rather than half read.
        QByteArray wide = "<row r=\"1\">";
        for (int c = 0; c < 400000; ++c)
            wide += "<c><v>1</v></c>";
        writeAll(path(QStringLiteral("wide.xlsx")),
                 Package(wide + "</row>").bytes(path(QStringLiteral("z"))));
        QCOMPARE(VehicleArchive::load(path(QStringLiteral("wide.xlsx"))).read.error,
                 WorkbookError::TooLarge);
    }

    // Files LibreOffice (xlsx, BIFF8) and Gnumeric (BIFF5) made from vehicle.csv.
    void loadsWorkbooksOfOtherPrograms_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        QTest::newRow("xlsx") << "vehicle-libreoffice.xlsx" << int(WorkbookReader::Format::Xlsx);
        QTest::newRow("biff8") << "vehicle-libreoffice-biff8.xls"
                               << int(WorkbookReader::Format::Xls);
        QTest::newRow("biff5") << "vehicle-gnumeric-biff5.xls" << int(WorkbookReader::Format::Xls);
    }
    void loadsWorkbooksOfOtherPrograms() {
        QFETCH(QString, file);
        QFETCH(int, format);
        // Named .dat: the first bytes tell the format, not the name.
        QVERIFY(QFile::copy(Fixtures + file, path(file + QStringLiteral(".dat"))));
        WorkbookReader reader(62, 10);
        QVERIFY(reader.read(path(file + QStringLiteral(".dat"))));
        QCOMPARE(int(reader.format()), format);
        compareImage(VehicleArchive::load(path(file + QStringLiteral(".dat"))),
                     csvCells(readAll(Fixtures + QStringLiteral("vehicle.csv"))));
    }

    void libreOfficeReadsOurWorkbook() {
        if (soffice().isEmpty()) QSKIP("LibreOffice is not installed");
        const auto cells = csvCells(readAll(Fixtures + QStringLiteral("vehicle.csv")));
        const VehicleLoad fixture =
            VehicleArchive::load(Fixtures + QStringLiteral("vehicle-libreoffice.xlsx"));
        ParameterSet set;
        fixture.image.storeImage(set);
        QVERIFY(VehicleArchive::save(path(QStringLiteral("ours.xlsx")), set).ok);
        QVERIFY(convert(QStringLiteral("csv"), path(QStringLiteral("ours.xlsx")),
                        path(QStringLiteral("csv"))));
        QCOMPARE(csvCells(readAll(path(QStringLiteral("csv/ours.csv")))), cells);
    }

    void libreOfficeWorkbooksLoad() {
        if (soffice().isEmpty()) QSKIP("LibreOffice is not installed");
        const auto cells = csvCells(readAll(Fixtures + QStringLiteral("vehicle.csv")));
        for (const QString& to : {QStringLiteral("xlsx"), QStringLiteral("xls:MS Excel 97")}) {
            QVERIFY(convert(to, Fixtures + QStringLiteral("vehicle.csv"),
                            path(QStringLiteral("lo-out"))));
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
                switch (rng() % 4) {
                case 0:
                    b[at] = char(rng());
                    break;
                case 1:
                    b.truncate(at);
                    break;
                case 2:
                    b.insert(at, QByteArray(1 + int(rng() % 8), char(rng())));
                    break;
                default:
                    b.remove(at, 1 + int(rng() % 16));
                    break;
                }
            }
            return b;
        };
        const QString file = path(QStringLiteral("mutant"));
        int loaded = 0;
        // Mostly parts of an .xlsx, re-zipped so that the mutation reaches the XML; then raw bytes
        // of every seed, the .xls ones fewest because each one runs the helper process.
        for (int i = 0; i < 640; ++i) {
            QByteArray bytes;
            if (i < 500) {
                Package p = base;
                const QByteArray part = p.parts.keys()[int(rng() % p.parts.size())];
                p.parts[part] = mutate(p.parts[part]);
                bytes = p.bytes(path(QStringLiteral("z")));
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

    void archiveFolderIsCreated() {
        QString folder, error;
        QVERIFY(VehicleArchive::ensureFolder(m_dir.path(), folder, error));
        QCOMPARE(folder, path(QStringLiteral("VehiclesArchive")));
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(VehicleArchive::ensureFolder(m_dir.path(), folder, error));
        writeAll(path(QStringLiteral("blocked")), "x");
        QVERIFY(!VehicleArchive::ensureFolder(path(QStringLiteral("blocked")), folder, error));
        QVERIFY(VehicleArchiveTexts::folderError(folder, error, LanguageTable())
                    .contains(QStringLiteral("VehiclesArchive")));
    }

    // The shipped language file carries every archive text; its English differs from the fallback.
    void textsComeFromTheLanguageFile() {
        LanguageTable english;
        QVERIFY(SetLingua(english, QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt"),
                          QStringLiteral("[ING]")));
        VehicleLoad load;
        load.fileName = QStringLiteral("car.xlsx");
        for (int s = int(Status::ReadFailed); s <= int(Status::Fractional); ++s) {
            load.status = Status(s);
            for (int e = int(WorkbookError::Unreadable); e <= int(WorkbookError::NoSheet); ++e) {
                load.read.error = WorkbookError(e);
                const QString italian = VehicleArchiveTexts::loadError(load, LanguageTable());
                const QString translated = VehicleArchiveTexts::loadError(load, english);
                QVERIFY(translated.contains(QStringLiteral("car.xlsx")));
                QVERIFY2(translated != italian, qPrintable(translated));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestVehicle)
#include "test_vehicle.moc"
