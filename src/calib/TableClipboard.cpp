#include "TableClipboard.h"

#include <QRegularExpression>
#include <QStringTokenizer>

#include <limits>
#include <optional>

namespace {

// A whole number as spreadsheets copy one, or nothing. A number too long for any
// arithmetic is returned as the largest value of its sign: out of range all the same.
std::optional<long long> wholeNumber(QStringView field) {
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d+)(?:[.,]0+)?$"));
    const QRegularExpressionMatch m = re.match(field);
    if (!m.hasMatch()) return std::nullopt;
    const bool negative = m.capturedView(1) == u"-";
    bool fits = false;
    const long long magnitude = m.capturedView(2).toLongLong(&fits);
    if (!fits)
        return negative ? std::numeric_limits<long long>::min()
                        : std::numeric_limits<long long>::max();
    return negative ? -magnitude : magnitude;
}

TablePaste refused(TablePaste paste, TablePaste::Status status, int line = 0, int field = 0,
                   QStringView content = {}) {
    // A page of prose pasted by mistake is one long value: the message shows its start.
    constexpr qsizetype Shown = 24;
    paste.status = status;
    paste.line = line;
    paste.field = field;
    paste.content = content.size() > Shown
                        ? content.left(Shown).toString() + QStringLiteral("\u2026")
                        : content.toString();
    return paste;
}

} // namespace

namespace TableClipboard {

QString copy(const KtarValues& values, const TableSelection& selection) {
    const TableSelection s =
        TableSelection::spanning(selection.top, selection.left, selection.bottom, selection.right);
    QString text;
    for (int row = s.top; row <= s.bottom; ++row) {
        for (int column = s.left; column <= s.right; ++column) {
            if (column > s.left) text += QLatin1Char('\t');
            text += QString::number(values[TableOperations::cellOf(row, column)]);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

TablePaste paste(const KtarValues& values, const QString& text, int top, int left) {
    TablePaste out;
    out.top = top;
    out.left = left;

    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (lines.endsWith(QLatin1Char('\n')))
        lines.chop(1);
    if (lines.trimmed().isEmpty()) return refused(out, TablePaste::Status::Empty);
    const QChar separator =
        lines.contains(QLatin1Char('\t')) ? QLatin1Char('\t') : QLatin1Char(';');

    // Every value is read before anything is judged on size or range, so that text that is
    // no table at all is named as such; only the part that can fit the table is kept.
    std::array<std::array<int, TableSide>, TableSide> block{};
    std::optional<TablePaste> outOfRange;
    int line = 0;
    for (QStringView lineText : qTokenize(QStringView(lines), QLatin1Char('\n'))) {
        ++line;
        int field = 0;
        for (QStringView fieldText : qTokenize(lineText, separator)) {
            ++field;
            const QStringView trimmed = fieldText.trimmed();
            const std::optional<long long> v = wholeNumber(trimmed);
            if (!v) return refused(out, TablePaste::Status::NotAWholeNumber, line, field, trimmed);
            if (*v < TableMin || *v > TableMax) {
                if (!outOfRange)
                    outOfRange = refused(out, TablePaste::Status::OutOfRange, line, field, trimmed);
            } else if (line <= TableSide && field <= TableSide) {
                block[line - 1][field - 1] = static_cast<int>(*v);
            }
        }
        if (line == 1)
            out.columns = field;
        else if (field != out.columns)
            return refused(out, TablePaste::Status::Ragged, line);
    }
    out.rows = line;
    // Compared as room left, so that no cell number from the screen can overflow a sum.
    if (top < 0 || left < 0 || out.rows > TableSide - top || out.columns > TableSide - left)
        return refused(out, TablePaste::Status::OffTheTable);
    if (outOfRange) {
        outOfRange->rows = out.rows;
        outOfRange->columns = out.columns;
        return *outOfRange;
    }

    out.status = TablePaste::Status::Pasted;
    out.change =
        TableOperations::fill(values, {top, left, top + out.rows - 1, left + out.columns - 1},
                              [&](int row, int column) { return block[row - top][column - left]; });
    return out;
}

} // namespace TableClipboard
