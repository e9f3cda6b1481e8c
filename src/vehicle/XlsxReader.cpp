#include "XlsxReader.h"

#include <pugixml.hpp>
#include <zip.h>

#include <QDate>
#include <QTime>

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every XML part is read up to this size. A vehicle archive's sheet is a few kilobytes; a
// sheet of a million rows is tens of megabytes of which only the first rows matter. Rows are
// stored in ascending order, so a sheet cut here still holds every cell of the window as long
// as a later row was reached before the cut (readSheet checks that).
constexpr std::size_t PartLimit = 4u << 20;

// Longest row number and column name a spreadsheet program writes (1048576, XFD): anything
// longer is not a reference, and bounding them keeps the arithmetic from overflowing.
constexpr int MaxRowDigits = 7;
constexpr int MaxColumnLetters = 3;

WorkbookStatus damaged(const QString& why) {
    return WorkbookStatus::failure(WorkbookError::Damaged, why);
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

bool endsWith(const std::string& s, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Element and attribute names are compared without their namespace prefix: some writers
// put every element of a part under a prefix ("x:row").
const char* localName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

bool named(const pugi::xml_node& n, const char* local) {
    return n.type() == pugi::node_element && std::strcmp(localName(n.name()), local) == 0;
}

pugi::xml_node child(const pugi::xml_node& n, const char* local) {
    for (const pugi::xml_node& c : n.children())
        if (named(c, local)) return c;
    return {};
}

// The relationship id of a <sheet>: "r:id", whatever the prefix is called.
const char* relationshipId(const pugi::xml_node& sheet) {
    for (const pugi::xml_attribute& a : sheet.attributes())
        if (std::strchr(a.name(), ':') && std::strcmp(localName(a.name()), "id") == 0)
            return a.value();
    return "";
}

struct ZipDiscard {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Zip = std::unique_ptr<zip_t, ZipDiscard>;

struct Part {
    std::string name;
    std::string data;
    bool complete = false; // false: cut at PartLimit
    pugi::xml_document xml;
};

enum class Found { Yes, Missing, Broken };

// Reads and parses one part. A complete part must be well-formed; of a cut one the parser
// keeps what it read before the cut.
Found readPart(zip_t* zip, const std::string& name, Part& part, QString& why) {
    part.name = name;
    const zip_int64_t index = zip_name_locate(zip, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return Found::Missing;
    zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        why = QStringLiteral("%1: %2").arg(q(name), QString::fromUtf8(zip_strerror(zip)));
        return Found::Broken;
    }
    part.data.clear();
    part.complete = false;
    char buffer[64 * 1024];
    for (;;) {
        const std::size_t room = PartLimit + 1 - part.data.size(); // one byte more tells a cut
        const zip_int64_t n = zip_fread(file, buffer, std::min(sizeof buffer, room));
        if (n < 0) {
            why = QStringLiteral("%1: %2").arg(q(name), QString::fromUtf8(zip_file_strerror(file)));
            zip_fclose(file);
            return Found::Broken;
        }
        if (n == 0) {
            part.complete = true;
            break;
        }
        part.data.append(buffer, static_cast<std::size_t>(n));
        if (part.data.size() > PartLimit) {
            part.data.resize(PartLimit);
            break;
        }
    }
    zip_fclose(file);
    const pugi::xml_parse_result parsed = part.xml.load_buffer(part.data.data(), part.data.size());
    if (!parsed && part.complete) {
        why = QStringLiteral("%1: %2 at byte %3")
                  .arg(q(name), QString::fromUtf8(parsed.description()))
                  .arg(parsed.offset);
        return Found::Broken;
    }
    return Found::Yes;
}

std::string folderOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship target as a part name: relative to the source part's folder unless it
// starts with "/", with "." and ".." worked out.
std::string resolve(const std::string& source, const std::string& target) {
    const std::string path =
        !target.empty() && target[0] == '/' ? target : folderOf(source) + target;
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string joined;
    for (const std::string& s : segments)
        joined += (joined.empty() ? "" : "/") + s;
    return joined;
}

struct Relationship {
    std::string type;
    std::string target; // a part name
};

// The relationships of a part ("" for the package itself), by id.
Found readRelationships(zip_t* zip, const std::string& source,
                        std::map<std::string, Relationship>& out, QString& why) {
    const std::string folder = folderOf(source);
    Part rels;
    const Found found =
        readPart(zip, folder + "_rels/" + source.substr(folder.size()) + ".rels", rels, why);
    if (found != Found::Yes) return found;
    for (const pugi::xml_node& r : rels.xml.document_element().children()) {
        if (!named(r, "Relationship") ||
            std::strcmp(r.attribute("TargetMode").value(), "External") == 0)
            continue;
        out[r.attribute("Id").value()] = {r.attribute("Type").value(),
                                          resolve(source, r.attribute("Target").value())};
    }
    return Found::Yes;
}

bool parseDigits(const char* s, int maxDigits, long long& out) {
    long long n = 0;
    int digits = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        if (++digits > maxDigits) return false;
        n = n * 10 + (*s - '0');
    }
    if (*s != '\0' || digits == 0) return false;
    out = n;
    return true;
}

bool parseRowNumber(const char* s, long long& row) {
    return parseDigits(s, MaxRowDigits, row) && row > 0;
}

// "BC12" -> row 12, column 55.
bool parseReference(const char* s, long long& row, long long& column) {
    long long c = 0;
    int letters = 0;
    for (; (*s >= 'A' && *s <= 'Z') || (*s >= 'a' && *s <= 'z'); ++s) {
        if (++letters > MaxColumnLetters) return false;
        c = c * 26 + ((*s & ~0x20) - 'A' + 1);
    }
    if (letters == 0 || !parseRowNumber(s, row)) return false;
    column = c;
    return true;
}

bool parseNumber(const char* s, double& v) {
    const char* begin = s;
    const char* end = s + std::strlen(s);
    while (begin < end && std::strchr(" \t\r\n", *begin))
        ++begin;
    while (end > begin && std::strchr(" \t\r\n", end[-1]))
        --end;
    const auto [stop, ec] = std::from_chars(begin, end, v);
    return ec == std::errc() && stop == end && begin != end && std::isfinite(v);
}

// The text of a shared or inline string: plain, or split into formatted runs.
QString stringOf(const pugi::xml_node& item) {
    QString text;
    for (const pugi::xml_node& n : item.children()) {
        if (named(n, "t"))
            text += QString::fromUtf8(n.child_value());
        else if (named(n, "r"))
            text += QString::fromUtf8(child(n, "t").child_value());
    }
    return text;
}

struct SharedRef {
    long long row;
    long long column;
    unsigned long long index;
};

// A number shown as a date or a time is refused, as the .xls reader has to: FreeXL hands such
// a cell over only as the date text, with the whole days of a time and the fraction of a date
// dropped, so the number cannot be had back. Which styles count is FreeXL's rule too, so a
// workbook loads or is refused alike whichever of the two formats it was saved in.
enum class DateStyle { None, Date, DateTime, Time };

// The built-in formats of the file format: 14..17 dates, 18..21 and 45..47 times, 22 both.
DateStyle builtinStyle(long long numFmtId) {
    if (numFmtId >= 14 && numFmtId <= 17) return DateStyle::Date;
    if ((numFmtId >= 18 && numFmtId <= 21) || (numFmtId >= 45 && numFmtId <= 47))
        return DateStyle::Time;
    if (numFmtId == 22) return DateStyle::DateTime;
    return DateStyle::None;
}

// A format code of the workbook's own, by the letters it holds anywhere in it.
DateStyle codeStyle(const char* code) {
    bool y = false, m = false, d = false, h = false, s = false;
    for (; *code; ++code) {
        switch (*code | 0x20) {
        case 'y':
            y = true;
            break;
        case 'm':
            m = true;
            break;
        case 'd':
            d = true;
            break;
        case 'h':
            h = true;
            break;
        case 's':
            s = true;
            break;
        default:
            break;
        }
    }
    if (y && m && d && h) return DateStyle::DateTime;
    if ((y && m) || (m && d)) return DateStyle::Date;
    if ((h && m) || (m && s)) return DateStyle::Time;
    return DateStyle::None;
}

struct NumberStyles {
    std::vector<DateStyle> cellStyles; // by the cell's style index ("s")
    bool date1904 = false;             // days counted from 1904 rather than 1900

    DateStyle of(const pugi::xml_node& c) const {
        long long index = 0;
        const pugi::xml_attribute s = c.attribute("s");
        if (!s || !parseDigits(s.value(), 9, index) ||
            index >= static_cast<long long>(cellStyles.size()))
            return DateStyle::None;
        return cellStyles[static_cast<std::size_t>(index)];
    }

    // What the spreadsheet shows for `v` in that style, for the message that names the cell.
    QString shown(double v, DateStyle style) const {
        // Past the last day a spreadsheet shows (9999-12-31) it shows hashes; the number says
        // more.
        if (v < 0 || v >= 2958466) return QString::number(v, 'g', 15);
        const double days = std::floor(v);
        const auto seconds = static_cast<int>(std::lround((v - days) * 86400.0)) % 86400;
        const QString time = QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm:ss"));
        if (style == DateStyle::Time) return time;
        // The 1900 count holds a 29 February 1900 that never was.
        const auto n = static_cast<qint64>(days);
        const QDate date = date1904 ? QDate(1904, 1, 1).addDays(n)
                           : n < 60 ? QDate(1899, 12, 31).addDays(n)
                                    : QDate(1899, 12, 30).addDays(n);
        const QString text = n == 60 && !date1904 ? QStringLiteral("1900-02-29")
                                                  : date.toString(QStringLiteral("yyyy-MM-dd"));
        return style == DateStyle::DateTime ? text + QLatin1Char(' ') + time : text;
    }
};

WorkbookStatus readCell(const pugi::xml_node& c, long long row, long long column, SheetCells& cells,
                        std::vector<SharedRef>& shared, const NumberStyles& styles) {
    const char* type = c.attribute("t").value();
    const pugi::xml_node v = child(c, "v");
    const char* value = v.child_value();
    const QString name = SheetCells::name(row, column);
    if (!*type || std::strcmp(type, "n") == 0) {
        // A number in whatever style shows it (percent, currency...), but a date or a time.
        double d = 0;
        const DateStyle style = styles.of(c);
        if (v && parseNumber(value, d) && style != DateStyle::None)
            cells.set(row, column, WorkbookCell::ofOther(styles.shown(d, style)));
        else if (v && parseNumber(value, d))
            cells.set(row, column, WorkbookCell::ofNumber(d));
        else if (v && *value)
            return damaged(QStringLiteral("cell %1: \"%2\" is not a number")
                               .arg(name, QString::fromUtf8(value).left(40)));
        else if (child(c, "f"))
            cells.set(row, column,
                      WorkbookCell::ofOther(QStringLiteral("formula without a value")));
    } else if (std::strcmp(type, "s") == 0) {
        long long index = 0;
        if (!v) return {};
        if (!parseDigits(value, 9, index))
            return damaged(QStringLiteral("cell %1: bad shared-string index").arg(name));
        shared.push_back({row, column, static_cast<unsigned long long>(index)});
    } else if (std::strcmp(type, "inlineStr") == 0) {
        cells.set(row, column, WorkbookCell::ofText(stringOf(child(c, "is"))));
    } else if (std::strcmp(type, "str") == 0) {
        cells.set(row, column, WorkbookCell::ofText(QString::fromUtf8(value)));
    } else {
        // "b" boolean, "e" error value, "d" date as text, or a type nobody wrote yet.
        cells.set(row, column, WorkbookCell::ofOther(QString::fromUtf8(value)));
    }
    return {};
}

WorkbookStatus readSheet(const Part& sheet, SheetCells& cells, std::vector<SharedRef>& shared,
                         const NumberStyles& styles) {
    const pugi::xml_node root = sheet.xml.document_element();
    if (!named(root, "worksheet"))
        return damaged(QStringLiteral("%1 is not a worksheet").arg(q(sheet.name)));
    long long rowNumber = 0;
    bool pastWindow = false;
    for (const pugi::xml_node& row : child(root, "sheetData").children()) {
        if (!named(row, "row")) continue;
        // Writers may leave out row and cell references; they then follow on from the last.
        if (const pugi::xml_attribute r = row.attribute("r")) {
            if (!parseRowNumber(r.value(), rowNumber))
                return damaged(QStringLiteral("bad row number \"%1\"")
                                   .arg(QString::fromUtf8(r.value()).left(40)));
        } else {
            ++rowNumber;
        }
        if (rowNumber > cells.rows()) {
            pastWindow = true;
            if (!sheet.complete) break;
            continue;
        }
        long long column = 0;
        for (const pugi::xml_node& c : row.children()) {
            if (!named(c, "c")) continue;
            long long cellRow = rowNumber;
            if (const pugi::xml_attribute r = c.attribute("r")) {
                if (!parseReference(r.value(), cellRow, column))
                    return damaged(QStringLiteral("bad cell reference \"%1\"")
                                       .arg(QString::fromUtf8(r.value()).left(40)));
            } else {
                ++column;
            }
            if (!cells.contains(cellRow, column)) continue;
            if (WorkbookStatus s = readCell(c, cellRow, column, cells, shared, styles); !s.ok())
                return s;
        }
    }
    if (!sheet.complete && !pastWindow)
        return WorkbookStatus::failure(WorkbookError::TooLarge,
                                       QStringLiteral("%1 is too large").arg(q(sheet.name)));
    return {};
}

WorkbookStatus readSharedStrings(zip_t* zip, const std::string& name,
                                 const std::vector<SharedRef>& shared, SheetCells& cells) {
    const QString first = SheetCells::name(shared.front().row, shared.front().column);
    if (name.empty())
        return damaged(
            QStringLiteral("cell %1 refers to a shared string, but the workbook has none")
                .arg(first));
    Part sst;
    QString why;
    switch (readPart(zip, name, sst, why)) {
    case Found::Missing:
        return damaged(QStringLiteral("shared strings %1 missing").arg(q(name)));
    case Found::Broken:
        return damaged(why);
    case Found::Yes:
        break;
    }
    std::vector<pugi::xml_node> items;
    for (const pugi::xml_node& si : sst.xml.document_element().children())
        if (named(si, "si")) items.push_back(si);
    if (!sst.complete && !items.empty()) items.pop_back(); // may have been cut in the middle
    for (const SharedRef& ref : shared) {
        if (ref.index < items.size())
            cells.set(ref.row, ref.column, WorkbookCell::ofText(stringOf(items[ref.index])));
        else if (sst.complete)
            return damaged(QStringLiteral("cell %1 refers to shared string %2 of %3")
                               .arg(SheetCells::name(ref.row, ref.column))
                               .arg(ref.index)
                               .arg(items.size()));
        else // past the part of a huge table that was read: text all the same
            cells.set(ref.row, ref.column, WorkbookCell::ofText(QString()));
    }
    return {};
}

// The date and time styles of the cell formats (cellXfs), in their order. A workbook without a
// styles part shows every number as a number.
WorkbookStatus readStyles(zip_t* zip, const std::string& name, NumberStyles& styles) {
    if (name.empty()) return {};
    Part part;
    QString why;
    switch (readPart(zip, name, part, why)) {
    case Found::Missing:
        return {};
    case Found::Broken:
        return damaged(why);
    case Found::Yes:
        break;
    }
    const pugi::xml_node root = part.xml.document_element();
    std::map<long long, DateStyle> codes;
    for (const pugi::xml_node& f : child(root, "numFmts").children()) {
        long long id = 0;
        if (named(f, "numFmt") && parseDigits(f.attribute("numFmtId").value(), 9, id))
            codes[id] = codeStyle(f.attribute("formatCode").value());
    }
    for (const pugi::xml_node& xf : child(root, "cellXfs").children()) {
        if (!named(xf, "xf")) continue;
        long long id = 0;
        DateStyle style = DateStyle::None;
        if (parseDigits(xf.attribute("numFmtId").value(), 9, id)) {
            style = builtinStyle(id);
            if (style == DateStyle::None && codes.count(id)) style = codes[id];
        }
        styles.cellStyles.push_back(style);
    }
    return {};
}

} // namespace

WorkbookStatus readXlsx(const QByteArray& bytes, SheetCells& cells) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(
        bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    Zip zip(source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr);
    if (!zip) {
        const QString why = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        if (source) zip_source_free(source);
        return damaged(QStringLiteral("not a complete zip package (%1)").arg(why));
    }
    zip_error_fini(&error);

    // The package's relationships name the workbook part; a package without them keeps it at
    // its usual place.
    QString why;
    std::map<std::string, Relationship> packageRels;
    if (readRelationships(zip.get(), "", packageRels, why) == Found::Broken) return damaged(why);
    std::string workbookName = "xl/workbook.xml";
    for (const auto& [id, rel] : packageRels)
        if (endsWith(rel.type, "/officeDocument")) workbookName = rel.target;
    Part workbook;
    switch (readPart(zip.get(), workbookName, workbook, why)) {
    case Found::Missing:
        return WorkbookStatus::failure(WorkbookError::NotWorkbook,
                                       QStringLiteral("a zip archive without a workbook"));
    case Found::Broken:
        return damaged(why);
    case Found::Yes:
        break;
    }
    const pugi::xml_node root = workbook.xml.document_element();
    if (!named(root, "workbook"))
        return WorkbookStatus::failure(WorkbookError::NotWorkbook,
                                       QStringLiteral("a package without a workbook"));

    std::map<std::string, Relationship> rels;
    switch (readRelationships(zip.get(), workbookName, rels, why)) {
    case Found::Missing:
        return damaged(QStringLiteral("the workbook's relationships are missing"));
    case Found::Broken:
        return damaged(why);
    case Found::Yes:
        break;
    }
    // The first worksheet in the workbook's own order: the part names say nothing about it,
    // and chart sheets do not count.
    std::string sheetName;
    for (const pugi::xml_node& s : child(root, "sheets").children()) {
        const auto rel = rels.find(relationshipId(s));
        if (named(s, "sheet") && rel != rels.end() && endsWith(rel->second.type, "/worksheet")) {
            sheetName = rel->second.target;
            break;
        }
    }
    if (sheetName.empty())
        return WorkbookStatus::failure(WorkbookError::NoSheet,
                                       QStringLiteral("the workbook lists no worksheet"));
    std::string stringsName;
    std::string stylesName;
    for (const auto& [id, rel] : rels) {
        if (endsWith(rel.type, "/sharedStrings")) stringsName = rel.target;
        if (endsWith(rel.type, "/styles")) stylesName = rel.target;
    }
    NumberStyles styles;
    const char* date1904 = child(root, "workbookPr").attribute("date1904").value();
    styles.date1904 = std::strcmp(date1904, "1") == 0 || std::strcmp(date1904, "true") == 0;
    if (WorkbookStatus s = readStyles(zip.get(), stylesName, styles); !s.ok()) return s;

    Part sheet;
    switch (readPart(zip.get(), sheetName, sheet, why)) {
    case Found::Missing:
        return WorkbookStatus::failure(WorkbookError::NoSheet,
                                       QStringLiteral("worksheet %1 missing").arg(q(sheetName)));
    case Found::Broken:
        return damaged(why);
    case Found::Yes:
        break;
    }
    std::vector<SharedRef> shared;
    if (WorkbookStatus s = readSheet(sheet, cells, shared, styles); !s.ok()) return s;
    return shared.empty() ? WorkbookStatus{}
                          : readSharedStrings(zip.get(), stringsName, shared, cells);
}
