#pragma once

#include "plot/PlotSeries.h"

#include <QString>
#include <QStringList>
#include <vector>

class LanguageTable;
class QIODevice;

// The column headings of the two logs this program writes, in every language the fitter may
// have had when the log was written.
struct LogHeadings {
    QStringList live;
    QStringList calibration;
};
// The headings of the language file's three sections, and the program's own Italian ones
// for a file that lacks them.
LogHeadings knownLogHeadings(const QString& languageFilePath);

enum class LogLayout { Live, Calibration, Other };

struct LogColumn {
    enum class Kind {
        Time,
        Value,
        Text, // a column of words in another program's file: listed, not kept
    };
    QString name; // as the heading has it
    QString unit; // "" when not known
    Kind kind = Kind::Value;
    ReadRule rule = ReadRule::Linear; // a state column is a step
    std::vector<double> values;       // Value columns: one per row, NaN where the cell was empty
};

// An acquisition log (or another program's table) as read for the viewer.
struct LogFile {
    enum class Error {
        None,
        CannotOpen,   // errorDetail: the system's reason
        Empty,        // nothing but blank lines
        NoTimeColumn, // no heading line with a time column near the top
    };
    Error error = Error::None;
    QString path;
    QString errorDetail;

    LogLayout layout = LogLayout::Other;
    // The version line and the parameter dump (one entry per "label=value"), of every log
    // appended to the file; another program's lines above its heading.
    QStringList details;
    std::vector<LogColumn> columns; // every column of the heading, in order
    int timeColumn = -1;
    bool timeOfDay = false; // times are of the day (hh:mm:ss cells), not since the start
    // Seconds, never decreasing; per row.
    std::vector<double> time;
    // The fuel per row, as the live record says it: 1 petrol, 0 gas, NaN not known. Read
    // from the ECU state in a live log, from the calibration phase in a calibration log,
    // from a fuel-state column in another file; empty when the file tells nothing of it.
    int fuelColumn = -1;
    std::vector<double> fuel;
    // Where each log appended to the same file begins: each restarts its clock, so each is
    // placed on the time axis where the one before it ended.
    std::vector<double> sessionStarts;
    qint64 badLines = 0;    // lines skipped: cut short, wrong field count, not numbers, time
                            // out of order
    bool truncated = false; // the memory budget was reached; the rows up to it are kept

    bool ok() const { return error == Error::None; }
    qsizetype rows() const { return qsizetype(time.size()); }
    // A Value column as a curve; an empty one for any other column.
    Series series(int column) const;
    Series fuelSeries() const { return {time, fuel}; }
};

struct LogReadOptions {
    // Numbers kept in memory at most (time, every value column and the fuel, per row): 128
    // MiB. A ten-hour live log needs 13 million.
    qint64 maxNumbers = 16 * 1024 * 1024;
    // The device's size in bytes when known, so that the columns are sized once.
    qint64 sizeHint = -1;
};

// Reads a log line by line. Never throws and never fails on what it reads: a line it
// cannot use is counted and skipped. A log written by this program is recognised by its
// heading in any of `headings`; any other text with a heading line (fields separated by
// semicolons, commas or tabs) and a time column is read too. Lines end in LF or CR LF; the
// last line of a log of this program that has no line end was cut short while written and
// is not read.
LogFile readLog(QIODevice& device, const LogHeadings& headings, const LogReadOptions& options = {});
LogFile readLogFile(const QString& path, const LogHeadings& headings,
                    const LogReadOptions& options = {});

// The columns the viewer plots when a file opens: speed, lambda, pressure and the first
// petrol time of a live log; speed, lambda and both injection times of a calibration log;
// the first four value columns (the fuel state aside) of another file.
std::vector<int> defaultPlotColumns(const LogFile& file);

// What the viewer tells the fitter about the reading: why it failed, or the lines it could
// not read and whether the file was cut; empty for a clean read.
QString logReadMessage(const LogFile& file, const LanguageTable& language);
