#include "LogReader.h"

#include "LogLines.h"
#include "LogTexts.h"
#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

constexpr qint64 ChunkBytes = 1 << 20;
// A longer line is no line of a log: skipped as one bad line without being held in memory.
constexpr qsizetype MaxLineBytes = 64 * 1024;
// The heading must come within this many lines: a log of this program has it on its ninth.
constexpr int MaxPreambleLines = 64;
// A version line and the dump before a heading; more lines than that are data gone bad.
constexpr int MaxSessionHeaderLines = 16;
constexpr int MaxColumns = 1024;
constexpr int MaxDetails = 2000;
constexpr int MaxDetailChars = 300;

// ---- Cells ---------------------------------------------------------------------------------

struct Cell {
    const char* b;
    const char* e;
    bool empty() const { return b == e; }
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The first `c` in [b, e), or null. (GCC's sanitizer build cannot see that e >= b for memchr.)
const char* findIn(const char* b, const char* e, char c) {
    const char* at = std::find(b, e, c);
    return at == e ? nullptr : at;
}

// Splits a line at `sep`, trimming blanks. A field in double quotes may hold the separator;
// its quotes are dropped. Stops past MaxColumns fields, which matches no heading.
void split(const char* b, const char* e, char sep, std::vector<Cell>& out) {
    out.clear();
    const char* p = b;
    while (out.size() <= MaxColumns) {
        const char* q = p;
        while (q < e && *q != sep && isBlank(*q))
            ++q;
        Cell cell{q, q};
        const char* s;
        if (q < e && *q == '"') {
            const char* c = q + 1;
            while (c < e && !(*c == '"' && (c + 1 == e || c[1] != '"')))
                c += *c == '"' ? 2 : 1;
            cell = {q + 1, std::min(c, e)};
            const char* after = std::min(c + 1, e);
            s = findIn(after, e, sep);
        } else {
            s = findIn(p, e, sep);
            cell.e = s ? s : e;
            while (cell.e > cell.b && isBlank(cell.e[-1]))
                --cell.e;
        }
        out.push_back(cell);
        if (!s) return;
        p = s + 1;
    }
}

enum class Parsed { Number, Empty, Bad };

// A decimal number: "-5", "1.25", "1,25" where the comma is no separator, "2e3". Anything
// else, a number beyond a double, "inf" and "nan" are not numbers.
Parsed parseNumber(Cell c, bool decimalComma, double& out) {
    if (c.empty()) return Parsed::Empty;
    const char* p = c.b;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const auto len = c.e - p;
    // The log's own numbers are short integers: read them without the general parser.
    if (len > 0 && len <= 18) {
        std::int64_t v = 0;
        const char* d = p;
        while (d < c.e && static_cast<unsigned>(*d - '0') < 10)
            v = v * 10 + (*d++ - '0');
        if (d == c.e) {
            out = double(negative ? -v : v);
            return Parsed::Number;
        }
    }
    char buf[64];
    if (len <= 0 || len >= qsizetype(sizeof buf) || *p == '-' || *p == '+') return Parsed::Bad;
    for (qsizetype i = 0; i < len; ++i)
        buf[i] = decimalComma && p[i] == ',' ? '.' : p[i];
    double v = 0;
    const auto [end, ec] = std::from_chars(buf, buf + len, v);
    if (ec != std::errc() || end != buf + len || !std::isfinite(v)) return Parsed::Bad;
    out = negative ? -v : v;
    return Parsed::Number;
}

// Digits at p, at most maxDigits of them; false when there are none.
bool readInt(const char*& p, const char* e, int maxDigits, int& out) {
    int n = 0;
    out = 0;
    while (p < e && n < maxDigits && static_cast<unsigned>(*p - '0') < 10) {
        out = out * 10 + (*p++ - '0');
        ++n;
    }
    return n > 0;
}

// Days since 1970-01-01 of a civil date.
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return std::int64_t{era} * 146097 + doe - 719468;
}

// A time of day, "h:mm", "h:mm:ss" or "h:mm:ss.fff", perhaps after a date ("yyyy-mm-dd",
// "dd/mm/yyyy" or "dd.mm.yyyy") and a blank or a "T".
bool parseClock(Cell c, double& seconds, std::int64_t& day) {
    const char* p = c.b;
    const char* e = c.e;
    int a = 0;
    day = 0;
    if (!readInt(p, e, 4, a) || p == e) return false;
    if (*p != ':') {
        int y = 0, m = 0, d = 0;
        const char sep = *p++;
        if (sep == '-') {
            y = a;
            if (!readInt(p, e, 2, m) || p == e || *p++ != '-' || !readInt(p, e, 2, d)) return false;
        } else if (sep == '/' || sep == '.') {
            d = a;
            if (!readInt(p, e, 2, m) || p == e || *p++ != sep || !readInt(p, e, 4, y)) return false;
        } else {
            return false;
        }
        if (m < 1 || m > 12 || d < 1 || d > 31 || p == e || (*p != ' ' && *p != 'T')) return false;
        while (p < e && (*p == ' ' || *p == 'T'))
            ++p;
        day = daysFromCivil(y, m, d);
        if (!readInt(p, e, 2, a)) return false;
    }
    int minutes = 0, secs = 0;
    if (p == e || *p++ != ':' || !readInt(p, e, 2, minutes) || a > 99 || minutes > 59) return false;
    double fraction = 0;
    if (p < e && *p == ':') {
        ++p;
        if (!readInt(p, e, 2, secs) || secs > 60) return false;
        if (p < e && (*p == '.' || *p == ',')) {
            double scale = 0.1;
            for (++p; p < e && static_cast<unsigned>(*p - '0') < 10; ++p, scale /= 10)
                fraction += (*p - '0') * scale;
        }
    }
    if (p < e && *p == 'Z') ++p;
    if (p != e) return false;
    seconds = a * 3600.0 + minutes * 60.0 + secs + fraction;
    return true;
}

// ---- Texts and headings --------------------------------------------------------------------

QString decodeText(const char* b, const char* e) {
    const QByteArrayView bytes(b, e - b);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    // Not UTF-8: a file from a Windows program, in its Western code page.
    if (utf8.hasError()) text = decodeSingleByte(bytes.toByteArray(), false);
    return text.trimmed();
}

QString decodeCell(Cell c) {
    return decodeText(c.b, c.e);
}

// Which separator a heading uses: a semicolon wherever there is one (the logs of this
// program and spreadsheets of comma-decimal countries), else a tab, else a comma.
char separatorOf(const char* b, const char* e) {
    const QByteArrayView line(b, e - b);
    if (line.contains(';')) return ';';
    if (line.contains('\t')) return '\t';
    if (line.contains(',')) return ',';
    return 0;
}

bool sameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool startsWithVersion(const char* b, const char* e) {
    static constexpr char prefix[] = "SW PC ";
    return e - b >= qsizetype(sizeof prefix - 1) && std::memcmp(b, prefix, sizeof prefix - 1) == 0;
}

// "Time (s)" or "Time [s]": the name and the unit.
void nameAndUnit(const QString& field, QString& name, QString& unit) {
    name = field;
    unit.clear();
    if (!field.endsWith(QLatin1Char(')')) && !field.endsWith(QLatin1Char(']'))) return;
    const QChar open = field.endsWith(QLatin1Char(')')) ? QLatin1Char('(') : QLatin1Char('[');
    const auto at = field.lastIndexOf(open);
    if (at <= 0) return;
    name = field.left(at).trimmed();
    unit = field.mid(at + 1, field.size() - at - 2).trimmed();
}

QStringList wordsOf(const QString& name) {
    static const QRegularExpression nonLetters(QStringLiteral("[^\\p{L}]+"));
    return name.toLower().split(nonLetters, Qt::SkipEmptyParts);
}

bool isTimeName(const QString& name) {
    static const QStringList whole{QStringLiteral("t"), QStringLiteral("ms"), QStringLiteral("s"),
                                   QStringLiteral("sec")};
    static const QStringList words{
        QStringLiteral("time"),      QStringLiteral("tempo"),   QStringLiteral("zaman"),
        QStringLiteral("timestamp"), QStringLiteral("zeit"),    QStringLiteral("temps"),
        QStringLiteral("tiempo"),    QStringLiteral("elapsed"), QStringLiteral("datetime"),
        QStringLiteral("saat"),      QStringLiteral("süre")};
    if (whole.contains(name.toLower())) return true;
    const QStringList w = wordsOf(name);
    return std::any_of(w.begin(), w.end(), [](const QString& x) { return words.contains(x); });
}

bool isFuelName(const QString& name) {
    static const QStringList names{QStringLiteral("fuelstate"),  QStringLiteral("fuel state"),
                                   QStringLiteral("fuel_state"), QStringLiteral("fuel"),
                                   QStringLiteral("carburante"), QStringLiteral("yakıt")};
    return names.contains(name.toLower());
}

// Seconds per unit of a time column; a time without a known unit is taken in seconds.
double secondsPer(const QString& name, const QString& unit) {
    QString u = unit.toLower();
    if (u.isEmpty()) {
        // "Tempo ms", "time_ms": the unit as the last word.
        const QStringList w = wordsOf(name);
        if (!w.isEmpty()) u = w.last();
    }
    if (u == QLatin1String("ms")) return 1e-3;
    if (u == QLatin1String("us") || u == QStringLiteral("µs") || u == QStringLiteral("μs"))
        return 1e-6;
    if (u == QLatin1String("min")) return 60;
    if (u == QLatin1String("h")) return 3600;
    return 1;
}

// The fuel, as the live record's FuelState says it (1 petrol, 0 gas), from a state column.
enum class FuelFrom { None, FuelState, EcuState, CalibrationPhase };

double fuelOf(FuelFrom from, double v) {
    if (std::isnan(v)) return NaN;
    switch (from) {
    case FuelFrom::FuelState:
        return v == 1 ? 1 : 0;
    case FuelFrom::EcuState:
        // 12 runs on gas; 21 is the calibration mode, where the state tells nothing of it.
        return v == 12 ? 0 : v == 21 ? NaN : 1;
    case FuelFrom::CalibrationPhase:
        // The phases waiting for petrol (1, 6) and measuring on gas (5) run on gas; those
        // measuring on petrol, waiting for gas and after an update on petrol; idle: unknown.
        if (v == 1 || v == 5 || v == 6) return 0;
        if (v == 3 || v == 4 || v == 7 || v == 8) return 1;
        return NaN;
    case FuelFrom::None:
        break;
    }
    return NaN;
}

// The units of the columns of the two layouts, in the order LogLines writes them.
constexpr const char* kLiveUnits[17] = {"ms", "", "rpm", "", "mbar", "mbar", "\u00b0C", "mV", "mV",
                                        "",   "", "",    "", "",     "",     "",        ""};
constexpr const char* kCalibrationUnits[11] = {"ms",      "",   "rpm", "", "mbar", "mbar",
                                               "\u00b0C", "mV", "",    "", ""};
constexpr qsizetype LiveColumns = std::size(kLiveUnits);
constexpr qsizetype CalibrationColumns = std::size(kCalibrationUnits);
constexpr int LiveStateColumn = 1;
constexpr int CalibrationPhaseColumn = 8;

// ---- The reader ----------------------------------------------------------------------------

class Reader {
public:
    Reader(const LogHeadings& headings, const LogReadOptions& options, LogFile& file)
        : m_headings(headings), m_options(options), m_file(file) {}

    // One line without its LF. False once nothing more of the file can be used.
    bool line(const char* b, const char* e, bool terminated, qint64 position) {
        while (e > b && e[-1] == '\r')
            --e;
        m_position = position;
        switch (m_stage) {
        case Stage::Preamble:
            return preambleLine(b, e, terminated);
        case Stage::Data:
            return dataLine(b, e, terminated);
        case Stage::Done:
            break;
        }
        return false;
    }

    // A line too long for any log, skipped unread.
    void overlongLine() {
        m_anyLine = true;
        if (m_stage == Stage::Data) ++m_file.badLines;
        if (m_stage == Stage::Preamble && ++m_preambleLines > MaxPreambleLines) giveUp();
    }

    void finish();

private:
    enum class Stage { Preamble, Data, Done };

    // A heading with no column named as a time, waiting for the next line to tell whether its
    // first column holds times.
    struct Candidate {
        QString text;
        QStringList fields;
        char sep = 0;
    };

    bool preambleLine(const char* b, const char* e, bool terminated);
    bool dataLine(const char* b, const char* e, bool terminated);
    void giveUp() {
        m_file.error = LogFile::Error::NoTimeColumn;
        m_stage = Stage::Done;
    }

    // The layout of one of this program's headings, or Other. byShape: also a heading of a
    // language file of its own, told by its field count under this program's version line.
    LogLayout knownLayout(const QString& text, qsizetype fields, bool byShape) const;
    void setUp(LogLayout layout, const QStringList& fields, char sep, int timeColumn);
    bool readRow(const std::vector<Cell>& cells);
    bool readTime(Cell c, double& t);
    bool pushRow(double t);
    void addDetail(const QString& text, bool dump);

    const LogHeadings& m_headings;
    const LogReadOptions& m_options;
    LogFile& m_file;
    Stage m_stage = Stage::Preamble;
    qint64 m_position = 0;
    bool m_anyLine = false;

    // Before the heading.
    int m_preambleLines = 0;
    bool m_sawVersion = false;
    std::optional<Candidate> m_candidate;

    // The heading's layout.
    QStringList m_heading;
    char m_sep = ';';
    bool m_decimalComma = true;
    qsizetype m_fieldCount = 0;
    bool m_kindsKnown = false;
    bool m_timeKindKnown = false;
    bool m_clock = false;
    double m_secondsPer = 1;
    FuelFrom m_fuelFrom = FuelFrom::None;
    std::vector<int> m_valueFields;
    qint64 m_maxRows = 0;

    // Per data line.
    std::vector<Cell> m_cells;
    std::vector<double> m_row; // by field
    double m_rowTime = 0;
    bool m_haveFirstDay = false;
    std::int64_t m_firstDay = 0;

    // Logs appended to the same file.
    bool m_inHeader = false;
    int m_headerLines = 0;
    bool m_restart = false;
    bool m_foreign = false; // a log of another layout appended: its lines are not read
    double m_offset = 0;
};

LogLayout Reader::knownLayout(const QString& text, qsizetype fields, bool byShape) const {
    QString heading = text;
    while (heading.endsWith(QLatin1Char(';')))
        heading.chop(1);
    auto known = [&heading](const QStringList& list) {
        return std::any_of(list.begin(), list.end(),
                           [&heading](const QString& h) { return sameText(h, heading); });
    };
    if (fields == LiveColumns && known(m_headings.live)) return LogLayout::Live;
    if (fields == CalibrationColumns && known(m_headings.calibration))
        return LogLayout::Calibration;
    if (byShape && m_sawVersion && fields == LiveColumns) return LogLayout::Live;
    if (byShape && m_sawVersion && fields == CalibrationColumns) return LogLayout::Calibration;
    return LogLayout::Other;
}

void Reader::addDetail(const QString& text, bool dump) {
    const QStringList parts =
        dump ? text.split(QLatin1Char(';'), Qt::SkipEmptyParts) : QStringList{text};
    for (const QString& part : parts) {
        if (m_file.details.size() >= MaxDetails) return;
        const QString t = part.trimmed();
        if (!t.isEmpty()) m_file.details << t.left(MaxDetailChars);
    }
}

void Reader::setUp(LogLayout layout, const QStringList& fields, char sep, int timeColumn) {
    m_stage = Stage::Data;
    m_file.layout = layout;
    m_heading = fields;
    m_sep = sep;
    m_decimalComma = sep != ',';
    m_fieldCount = fields.size();
    m_row.assign(std::size_t(m_fieldCount), NaN);
    m_file.timeColumn = timeColumn;
    m_file.columns.resize(std::size_t(m_fieldCount));
    for (qsizetype i = 0; i < m_fieldCount; ++i) {
        LogColumn& c = m_file.columns[std::size_t(i)];
        if (layout == LogLayout::Other) {
            nameAndUnit(fields[i], c.name, c.unit);
        } else {
            c.name = fields[i];
            c.unit =
                QString::fromUtf8(layout == LogLayout::Live ? kLiveUnits[i] : kCalibrationUnits[i]);
        }
        c.kind = i == timeColumn ? LogColumn::Kind::Time : LogColumn::Kind::Value;
    }
    const LogColumn& time = m_file.columns[std::size_t(timeColumn)];
    m_secondsPer = secondsPer(time.name, time.unit);
    if (layout == LogLayout::Other) return; // the first data line tells the rest
    m_kindsKnown = m_timeKindKnown = true;
    const int state = layout == LogLayout::Live ? LiveStateColumn : CalibrationPhaseColumn;
    m_file.columns[LiveStateColumn].rule = ReadRule::Step;
    m_file.columns[std::size_t(state)].rule = ReadRule::Step;
    m_file.fuelColumn = state;
    m_fuelFrom = layout == LogLayout::Live ? FuelFrom::EcuState : FuelFrom::CalibrationPhase;
}

bool Reader::preambleLine(const char* b, const char* e, bool terminated) {
    const QString text = decodeText(b, e);
    if (text.isEmpty()) return true;
    m_anyLine = true;
    if (++m_preambleLines > MaxPreambleLines) {
        giveUp();
        return false;
    }
    if (startsWithVersion(b, e)) {
        m_sawVersion = true;
        addDetail(text, false);
        return true;
    }
    if (m_candidate) {
        // Its first column holds times when this line reads as a data line under it.
        const Candidate c = *std::exchange(m_candidate, std::nullopt);
        split(b, e, c.sep, m_cells);
        double t = 0;
        std::int64_t day = 0;
        const qsizetype n = m_cells.empty() ? 0 : qsizetype(m_cells.size());
        if ((n == c.fields.size() || (n == c.fields.size() + 1 && m_cells.back().empty())) &&
            (parseNumber(m_cells[0], c.sep != ',', t) == Parsed::Number ||
             parseClock(m_cells[0], t, day))) {
            setUp(LogLayout::Other, c.fields, c.sep, 0);
            return dataLine(b, e, terminated);
        }
        addDetail(c.text, false);
    }
    const char sep = separatorOf(b, e);
    if (sep == 0) {
        addDetail(text, false);
        return true;
    }
    split(b, e, sep, m_cells);
    QStringList fields;
    bool heading = m_cells.size() >= 2 && m_cells.size() <= MaxColumns;
    for (const Cell& c : m_cells) {
        double ignored = 0;
        const QString f = decodeCell(c);
        if (f.contains(QLatin1Char('=')) || parseNumber(c, sep != ',', ignored) == Parsed::Number)
            heading = false;
        fields << f;
    }
    const LogLayout known = knownLayout(text, fields.size(), heading);
    if (known != LogLayout::Other) {
        setUp(known, fields, sep, 0);
        return true;
    }
    if (!heading) {
        addDetail(text, m_sawVersion);
        return true;
    }
    for (int i = 0; i < fields.size(); ++i) {
        QString name, unit;
        nameAndUnit(fields[i], name, unit);
        if (isTimeName(name)) {
            setUp(LogLayout::Other, fields, sep, i);
            return true;
        }
    }
    m_candidate = Candidate{text, fields, sep};
    return true;
}

bool Reader::readTime(Cell c, double& t) {
    if (!m_timeKindKnown) {
        m_clock = std::memchr(c.b, ':', std::size_t(c.e - c.b)) != nullptr;
        m_file.timeOfDay = m_clock;
        m_timeKindKnown = true;
    }
    if (m_clock) {
        double seconds = 0;
        std::int64_t day = 0;
        if (!parseClock(c, seconds, day)) return false;
        if (!m_haveFirstDay) {
            m_firstDay = day;
            m_haveFirstDay = true;
        }
        // A log across midnight goes on past 24:00, so that its times keep increasing.
        t = double(day - m_firstDay) * 86400 + seconds;
        return true;
    }
    double v = 0;
    if (parseNumber(c, m_decimalComma, v) != Parsed::Number) return false;
    t = v * m_secondsPer;
    return std::isfinite(t);
}

bool Reader::readRow(const std::vector<Cell>& cells) {
    const auto n = qsizetype(cells.size());
    // A separator at the end of the line adds an empty field, as some programs write. A cell
    // run adds its cell's row and column to the calibration line; they are not plotted.
    const bool cellLine = m_file.layout == LogLayout::Calibration && n == m_fieldCount + 2;
    if (n != m_fieldCount && !cellLine && !(n == m_fieldCount + 1 && cells.back().empty()))
        return false;
    if (!readTime(cells[std::size_t(m_file.timeColumn)], m_rowTime)) return false;
    if (!m_kindsKnown) {
        // Another program's file: a column whose first cell is no number holds words.
        for (qsizetype i = 0; i < m_fieldCount; ++i) {
            LogColumn& c = m_file.columns[std::size_t(i)];
            double ignored = 0;
            if (c.kind == LogColumn::Kind::Value &&
                parseNumber(cells[std::size_t(i)], m_decimalComma, ignored) == Parsed::Bad)
                c.kind = LogColumn::Kind::Text;
            if (c.kind == LogColumn::Kind::Value && m_file.fuelColumn < 0 && isFuelName(c.name)) {
                m_file.fuelColumn = int(i);
                m_fuelFrom = FuelFrom::FuelState;
                c.rule = ReadRule::Step;
            }
        }
        m_kindsKnown = true;
    }
    if (m_valueFields.empty() && m_maxRows == 0) {
        for (qsizetype i = 0; i < m_fieldCount; ++i)
            if (m_file.columns[std::size_t(i)].kind == LogColumn::Kind::Value)
                m_valueFields.push_back(int(i));
        const qint64 perRow = 1 + qint64(m_valueFields.size()) + (m_fuelFrom != FuelFrom::None);
        m_maxRows = std::max<qint64>(1, m_options.maxNumbers / perRow);
        if (m_options.sizeHint > m_position) {
            // Sized once from the first line, generously: the pages of the room never written
            // to are never taken from the system, whereas growing a column on the way would
            // copy it and leave the old copy to the allocator.
            const qint64 lineBytes = std::max<qint64>(8, cells.back().e - cells.front().b + 2);
            const qint64 guess = (m_options.sizeHint - m_position) / lineBytes * 5 / 4 + 16;
            const auto rows = std::size_t(std::min(guess, m_maxRows));
            m_file.time.reserve(rows);
            for (int f : m_valueFields)
                m_file.columns[std::size_t(f)].values.reserve(rows);
            if (m_fuelFrom != FuelFrom::None) m_file.fuel.reserve(rows);
        }
    }
    for (int f : m_valueFields) {
        double v = NaN;
        if (parseNumber(cells[std::size_t(f)], m_decimalComma, v) == Parsed::Bad) return false;
        m_row[std::size_t(f)] = v;
    }
    return true;
}

bool Reader::pushRow(double t) {
    if (m_file.rows() >= m_maxRows) {
        m_file.truncated = true;
        m_stage = Stage::Done;
        return false;
    }
    m_file.time.push_back(t);
    for (int f : m_valueFields)
        m_file.columns[std::size_t(f)].values.push_back(m_row[std::size_t(f)]);
    if (m_fuelFrom != FuelFrom::None)
        m_file.fuel.push_back(fuelOf(m_fuelFrom, m_row[std::size_t(m_file.fuelColumn)]));
    return true;
}

bool Reader::dataLine(const char* b, const char* e, bool terminated) {
    if (startsWithVersion(b, e)) {
        // Another log appended to the file: its version line, dump and heading follow.
        m_inHeader = true;
        m_headerLines = 0;
        addDetail(decodeText(b, e), false);
        return true;
    }
    split(b, e, m_sep, m_cells);
    if (readRow(m_cells)) {
        m_anyLine = true;
        m_inHeader = false;
        // This program ends every line it writes; a last line without its end was cut
        // while being written, and its last number may be cut too.
        if (m_foreign || (!terminated && m_file.layout != LogLayout::Other)) {
            ++m_file.badLines;
            return true;
        }
        if (m_restart) {
            m_restart = false;
            if (m_file.rows() > 0) {
                // Each log restarts its clock: this one follows the last on the time axis.
                const double last = m_file.time.back();
                if (m_rowTime + m_offset < last) m_offset = last - m_rowTime;
                m_file.sessionStarts.push_back(last);
                // The offset is exact only to the last bit; the order must be exact.
                return pushRow(std::max(m_rowTime + m_offset, last));
            }
        }
        return pushRow(m_rowTime + m_offset);
    }
    const QString text = decodeText(b, e);
    if (text.isEmpty()) return true;
    m_anyLine = true;
    // A heading: one of this program's, or the file's own once more. A log of the same
    // layout goes on after the last one; a log of another layout is skipped.
    LogLayout known = knownLayout(text, qsizetype(m_cells.size()), false);
    bool heading = known != LogLayout::Other;
    if (!heading) {
        QStringList fields;
        for (const Cell& c : m_cells)
            fields << decodeCell(c);
        heading = fields == m_heading;
        known = m_file.layout;
    }
    if (heading) {
        m_foreign = known != m_file.layout;
        m_restart = !m_foreign;
        m_inHeader = false;
        return true;
    }
    if (m_inHeader && m_headerLines < MaxSessionHeaderLines) {
        ++m_headerLines;
        addDetail(text, true);
        return true;
    }
    ++m_file.badLines;
    return true;
}

// Keeps the longest run of rows whose times never decrease, dropping the fewest lines: a
// time mangled upwards in one line must not cost every line after it.
void keepTimeOrder(LogFile& f) {
    const std::vector<double>& t = f.time;
    if (std::is_sorted(t.begin(), t.end())) return;
    const qsizetype n = f.rows();
    std::vector<qsizetype> tails;
    std::vector<qsizetype> previous(std::size_t(n), -1);
    for (qsizetype i = 0; i < n; ++i) {
        const auto at =
            std::upper_bound(tails.begin(), tails.end(), t[std::size_t(i)],
                             [&t](double v, qsizetype j) { return v < t[std::size_t(j)]; });
        if (at != tails.begin()) previous[std::size_t(i)] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<char> keep(std::size_t(n), 0);
    for (qsizetype i = tails.back(); i >= 0; i = previous[std::size_t(i)])
        keep[std::size_t(i)] = 1;
    auto compact = [&keep](std::vector<double>& v) {
        if (v.empty()) return;
        std::size_t to = 0;
        for (std::size_t i = 0; i < v.size(); ++i)
            if (keep[i]) v[to++] = v[i];
        v.resize(to);
    };
    const qsizetype before = f.rows();
    compact(f.time);
    for (LogColumn& c : f.columns)
        compact(c.values);
    compact(f.fuel);
    f.badLines += before - f.rows();
}

void Reader::finish() {
    if (m_stage == Stage::Preamble) {
        m_file.error = m_anyLine ? LogFile::Error::NoTimeColumn : LogFile::Error::Empty;
        return;
    }
    if (m_file.error != LogFile::Error::None) return;
    keepTimeOrder(m_file);
}

} // namespace

Series LogFile::series(int column) const {
    if (column < 0 || column >= int(columns.size()) ||
        columns[std::size_t(column)].kind != LogColumn::Kind::Value)
        return {};
    return {time, columns[std::size_t(column)].values};
}

LogHeadings knownLogHeadings(const QString& languageFilePath) {
    LogHeadings h;
    auto add = [](QStringList& list, const QByteArray& heading) {
        const QString text = QString::fromUtf8(heading).trimmed();
        if (!text.isEmpty() && !list.contains(text)) list << text;
    };
    const LanguageTable builtIn;
    add(h.live, LogLines::heading(LogKind::Live, builtIn));
    add(h.calibration, LogLines::heading(LogKind::Calibration, builtIn));
    for (const char* marker : {"[ITA]", "[ING]", "[TUR]"}) {
        LanguageTable table;
        if (!SetLingua(table, languageFilePath, QString::fromLatin1(marker))) continue;
        add(h.live, LogLines::heading(LogKind::Live, table));
        add(h.calibration, LogLines::heading(LogKind::Calibration, table));
    }
    return h;
}

LogFile readLog(QIODevice& device, const LogHeadings& headings, const LogReadOptions& options) {
    LogFile file;
    Reader reader(headings, options, file);
    QByteArray pending;
    qint64 position = 0; // of pending's first byte in the file
    bool reading = true;
    bool discarding = false; // inside a line too long to keep
    bool first = true;
    while (reading) {
        const QByteArray chunk = device.read(ChunkBytes);
        if (chunk.isEmpty()) break;
        pending.append(chunk);
        qsizetype start = 0;
        if (first && pending.startsWith("\xEF\xBB\xBF")) start = 3; // a byte-order mark
        first = false;
        const char* data = pending.constData();
        while (reading) {
            const auto* nl = static_cast<const char*>(
                std::memchr(data + start, '\n', std::size_t(pending.size() - start)));
            if (!nl) break;
            if (discarding)
                discarding = false; // the rest of a skipped line ends here
            else
                reading = reader.line(data + start, nl, true, position + start);
            start = nl - data + 1;
        }
        pending.remove(0, start);
        position += start;
        if (pending.size() > MaxLineBytes) {
            if (!discarding) reader.overlongLine();
            discarding = true;
            position += pending.size();
            pending.clear();
        }
    }
    if (reading && !discarding && !pending.isEmpty())
        reader.line(pending.constData(), pending.constData() + pending.size(), false, position);
    reader.finish();
    return file;
}

LogFile readLogFile(const QString& path, const LogHeadings& headings,
                    const LogReadOptions& options) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        LogFile file;
        file.path = path;
        file.error = LogFile::Error::CannotOpen;
        file.errorDetail = f.errorString();
        return file;
    }
    LogReadOptions sized = options;
    if (sized.sizeHint < 0) sized.sizeHint = f.size();
    LogFile file = readLog(f, headings, sized);
    file.path = path;
    return file;
}

std::vector<int> defaultPlotColumns(const LogFile& file) {
    const int count = int(file.columns.size());
    auto plotted = [&](int c) {
        return c >= 0 && c < count && file.columns[std::size_t(c)].kind == LogColumn::Kind::Value;
    };
    std::vector<int> out;
    auto take = [&](std::initializer_list<int> columns) {
        for (int c : columns)
            if (plotted(c)) out.push_back(c);
    };
    switch (file.layout) {
    case LogLayout::Live:
        take({2, 7, 4, 9}); // Rpm, Lambda1, Pressure1, the first petrol time
        break;
    case LogLayout::Calibration:
        take({2, 7, 9, 10}); // Rpm, Lambda1, PetrolTinj, GasTinj
        break;
    case LogLayout::Other:
        for (int c = 0; c < count && out.size() < 4; ++c)
            if (c != file.fuelColumn) take({c});
        break;
    }
    return out;
}

QString logReadMessage(const LogFile& file, const LanguageTable& language) {
    auto text = [&language](const char* key, const char* italian) {
        return language.text(QString::fromLatin1(key), QString::fromUtf8(italian));
    };
    switch (file.error) {
    case LogFile::Error::CannotOpen:
        return LogTexts::message(LogTexts::CannotOpen, language, file.path, file.errorDetail);
    case LogFile::Error::Empty:
        return text("F03_T97", "Il file è vuoto");
    case LogFile::Error::NoTimeColumn:
        return text("F03_T98", "Nessuna riga di intestazione con una colonna del tempo");
    case LogFile::Error::None:
        break;
    }
    QStringList parts;
    if (file.badLines > 0) parts << text("F03_T96", "%1 righe non lette").arg(file.badLines);
    if (file.truncated)
        parts << text("F03_T99", "File troppo grande: lette le prime %1 righe").arg(file.rows());
    return parts.join(QStringLiteral("; "));
}
