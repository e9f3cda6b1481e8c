#include "calib/TableClipboard.h"
#include "calib/TableHistory.h"
#include "calib/TableOperations.h"
#include "calib/TableTexts.h"
#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"

#include <QtTest>

using TableOperations::cellOf;
using Status = TablePaste::Status;
using Interpolation = TableOperations::Interpolation;

namespace {

KtarValues filled(int value) {
    KtarValues v;
    v.fill(value);
    return v;
}

// The cells of a block, row by row, for comparisons that print what differs.
QList<int> block(const KtarValues& v, const TableSelection& s) {
    QList<int> out;
    for (int row = s.top; row <= s.bottom; ++row)
        for (int column = s.left; column <= s.right; ++column)
            out << v[cellOf(row, column)];
    return out;
}

// A table of `base` with some cells set: {row, column, value}.
KtarValues tableWith(int base, std::initializer_list<std::array<int, 3>> cells) {
    KtarValues v = filled(base);
    for (const auto& [row, column, value] : cells)
        v[cellOf(row, column)] = value;
    return v;
}

QList<int> interpolated(const KtarValues& v, const TableSelection& s, Interpolation how) {
    return block(TableOperations::interpolate(v, s, how).values, s);
}

// Every cell outside the selection as it was.
bool untouchedOutside(const KtarValues& before, const KtarValues& after, const TableSelection& s) {
    for (int cell = 0; cell < TableSize; ++cell)
        if (!s.contains(cell / TableSide, cell % TableSide) && before[cell] != after[cell])
            return false;
    return true;
}

// The cells an operation reported changed, against a literal list.
QList<int> changedCells(const KtarCells& changed) {
    QList<int> out;
    for (int cell = 0; cell < TableSize; ++cell)
        if (changed[cell]) out << cell;
    return out;
}

LanguageTable language(const char* marker) {
    LanguageTable t;
    SetLingua(t, QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt"),
              QString::fromLatin1(marker));
    return t;
}

} // namespace

class TestTableTools : public QObject {
    Q_OBJECT
private slots:
    // A drag in any direction spans the same rectangle, and nothing names a cell off the table.
    void selectionSpansTwoCellsAndStaysOnTheTable() {
        QCOMPARE(TableSelection::spanning(5, 6, 2, 1), (TableSelection{2, 1, 5, 6}));
        QCOMPARE(TableSelection::spanning(-3, 9, 12, 6), (TableSelection{0, 6, 7, 7}));
        // A selection built by hand past the table's edge touches only the table.
        const KtarValues before = filled(120);
        const TableChange c = TableOperations::add(before, {6, 6, 11, 40}, 1);
        QCOMPARE(int(c.changed.count()), 4);
        QCOMPARE(block(c.values, {6, 6, 7, 7}), (QList<int>{121, 121, 121, 121}));
    }

    void interpolationFillsBetweenTheSelectionsEnds() {
        const TableSelection s{2, 3, 4, 5};
        // The middle is overwritten, whatever it held.
        const KtarValues v =
            tableWith(105, {{2, 3, 100}, {2, 5, 120}, {4, 3, 130}, {4, 5, 150}, {3, 4, 149}});
        const TableChange bilinear = TableOperations::interpolate(v, s, Interpolation::Bilinear);
        QCOMPARE(block(bilinear.values, s),
                 (QList<int>{100, 110, 120, 115, 125, 135, 130, 140, 150}));
        QVERIFY(untouchedOutside(v, bilinear.values, s));
        QCOMPARE(bilinear.held, 0);
        // The corners kept their values: only the five cells between them changed.
        QCOMPARE(
            changedCells(bilinear.changed),
            (QList<int>{cellOf(2, 4), cellOf(3, 3), cellOf(3, 4), cellOf(3, 5), cellOf(4, 4)}));

        // Along rows each row goes between its own ends; thirds round to the nearer whole
        // number and a half away from zero.
        const KtarValues rows = tableWith(
            140, {{0, 0, 100}, {0, 3, 101}, {1, 0, 110}, {1, 3, 104}, {2, 0, 100}, {2, 2, 101}});
        QCOMPARE(interpolated(rows, {0, 0, 1, 3}, Interpolation::Rows),
                 (QList<int>{100, 100, 101, 101, 110, 108, 106, 104}));
        QCOMPARE(interpolated(rows, {2, 0, 2, 2}, Interpolation::Rows),
                 (QList<int>{100, 101, 101}));

        // Along columns each column between its top and bottom cell.
        const KtarValues columns =
            tableWith(140, {{5, 6, 100}, {7, 6, 150}, {5, 7, 120}, {7, 7, 121}});
        QCOMPARE(interpolated(columns, {5, 6, 7, 7}, Interpolation::Columns),
                 (QList<int>{100, 120, 125, 121, 150, 121}));
    }

    void smoothingPullsASpikeTowardItsNeighbours() {
        const KtarValues v = tableWith(110, {{3, 4, 150}});
        const TableChange c = TableOperations::smooth(v, TableSelection::whole());
        // The spike goes half way to the mean of its four neighbours (110): 130. Each
        // neighbour goes half way to (150 + 3 * 110) / 4 = 120: 115. Diagonal cells only see
        // 110 around them and stay.
        QCOMPARE(block(c.values, {2, 3, 4, 5}),
                 (QList<int>{110, 115, 110, 115, 130, 115, 110, 115, 110}));
        QCOMPARE(int(c.changed.count()), 5);
        // One press is one step: a second pulls the spike further.
        QCOMPARE(TableOperations::smooth(c.values, TableSelection::whole()).values[cellOf(3, 4)],
                 123);

        // At the table's corner a cell has two neighbours and at an edge three; 116.67 rounds
        // to 117.
        const TableChange e =
            TableOperations::smooth(tableWith(110, {{0, 0, 150}}), TableSelection::whole());
        QCOMPARE(block(e.values, {0, 0, 1, 1}), (QList<int>{130, 117, 117, 110}));

        // Cells outside the selection are read, never written.
        const TableChange only = TableOperations::smooth(v, TableSelection::cell(3, 4));
        QCOMPARE(changedCells(only.changed), (QList<int>{cellOf(3, 4)}));
        QCOMPARE(only.values[cellOf(3, 4)], 130);
        QVERIFY(TableOperations::smooth(filled(120), TableSelection::whole()).changed.none());
    }

    void percentageRoundsHalfAwayFromZeroAndHoldsAtTheLimits() {
        KtarValues v = filled(120);
        const QList<int> row{100, 101, 105, 110, 130, 140, 145, 150};
        for (int column = 0; column < TableSide; ++column)
            v[cellOf(0, column)] = row[column];
        const TableSelection s{0, 0, 0, 7};
        // 115.5 -> 116; 154, 159.5 and 165 are held at 150.
        const TableChange up = TableOperations::changeByPercent(v, s, 10);
        QCOMPARE(block(up.values, s), (QList<int>{110, 111, 116, 121, 143, 150, 150, 150}));
        QCOMPARE(up.held, 3);
        // 104.5 -> 105 and 142.5 -> 143; 95 and 95.95 are held at 100, 99.75 rounds into range.
        const TableChange down = TableOperations::changeByPercent(v, s, -5);
        QCOMPARE(block(down.values, s), (QList<int>{100, 100, 100, 105, 124, 133, 138, 143}));
        QCOMPARE(down.held, 2);
        // A held cell that was already at its limit is held, not changed.
        QVERIFY(!down.changed[cellOf(0, 0)]);
        QVERIFY(down.changed[cellOf(0, 1)]);
        QVERIFY(untouchedOutside(v, down.values, s));
        // Fractions of a percent count: 110 * 1.025 = 112.75.
        QCOMPARE(TableOperations::changeByPercent(v, s, 2.5).values[cellOf(0, 3)], 113);
        const TableChange nothing = TableOperations::changeByPercent(v, s, qQNaN());
        QVERIFY(nothing.changed.none());
        QCOMPARE(TableOperations::changeByPercent(v, s, 1e300).held, 8);
    }

    void setAndAddHoldAtTheLimits() {
        const KtarValues v = filled(148);
        const TableSelection s{1, 1, 2, 2};
        const TableChange set = TableOperations::setTo(v, s, 160);
        QCOMPARE(block(set.values, s), (QList<int>{150, 150, 150, 150}));
        QCOMPARE(set.held, 4);
        const TableChange plus = TableOperations::add(v, s, 3);
        QCOMPARE(block(plus.values, s), (QList<int>{150, 150, 150, 150}));
        QCOMPARE(plus.held, 4);
        const TableChange minus = TableOperations::add(v, s, -48);
        QCOMPARE(block(minus.values, s), (QList<int>{100, 100, 100, 100}));
        QCOMPARE(minus.held, 0);
        QCOMPARE(TableOperations::add(minus.values, s, -1).held, 4);
    }

    void historyUndoesRedoesAndRestartsAtAVerifiedWrite() {
        const KtarValues ecu = filled(105);
        TableHistory h(ecu);
        QVERIFY(!h.undo());
        // Edit: the selection raised; edit: one box typed, out of range as typed.
        QVERIFY(h.edit(TableOperations::add(ecu, {0, 0, 0, 1}, 5).values));
        QVERIFY(h.editCell(cellOf(7, 7), 160));
        QVERIFY(!h.editCell(cellOf(7, 7), 160)); // the same value again is no step
        QCOMPARE(h.current()[cellOf(7, 7)], 160);
        QCOMPARE(changedCells(h.edited()), (QList<int>{0, 1, 63}));

        QVERIFY(h.undo());
        QCOMPARE(h.current()[cellOf(7, 7)], 105);
        QCOMPARE(changedCells(h.edited()), (QList<int>{0, 1}));
        QVERIFY(h.canRedo());
        QVERIFY(h.redo());
        QCOMPARE(changedCells(h.edited()), (QList<int>{0, 1, 63}));
        QVERIFY(!h.redo());
        QVERIFY(h.undo());
        QVERIFY(h.undo());
        QCOMPARE(h.current(), ecu);
        QVERIFY(h.edited().none());

        // An edit after an undo drops what was undone.
        QVERIFY(h.redo());
        QVERIFY(h.editCell(5, 140));
        QVERIFY(!h.canRedo());

        // A verified write: the written table is the new start, with nothing to undo.
        const KtarValues written = h.current();
        h.restart(written);
        QVERIFY(!h.canUndo());
        QVERIFY(!h.canRedo());
        QVERIFY(h.edited().none());
        QCOMPARE(h.current(), written);
        QVERIFY(h.editCell(5, 141));
        QVERIFY(h.undo());
        QCOMPARE(h.current(), written);
        QVERIFY(!h.undo());

        // "1", "12", "120" typed into one box: one step; typed back to where it started: none,
        // and nothing left to redo.
        KtarValues typed = written;
        QVERIFY(!h.amend(typed));
        typed[9] = 1;
        QVERIFY(h.edit(typed));
        typed[9] = 120;
        QVERIFY(h.amend(typed));
        QVERIFY(h.undo());
        QCOMPARE(h.current(), written);
        QVERIFY(h.redo());
        QCOMPARE(h.current()[9], 120);
        QVERIFY(!h.amend(written));
        QVERIFY(!h.canUndo());
        QVERIFY(!h.canRedo());

        // A write not verified: the marks follow what the ECU holds, the steps stay.
        QVERIFY(h.editCell(2, 130));
        QVERIFY(h.editCell(3, 131));
        KtarValues partly = written;
        partly[2] = 130;
        h.setWritten(partly);
        QCOMPARE(changedCells(h.edited()), (QList<int>{3}));
        QVERIFY(h.undo());
        h.restart(written);

        // A long session keeps its most recent steps.
        for (int i = 0; i < int(TableHistory::MaxSteps) + 5; ++i)
            h.editCell(i % TableSize, 100 + i % 50);
        int undone = 0;
        while (h.undo())
            ++undone;
        QCOMPARE(undone, int(TableHistory::MaxSteps));
    }

    // Copy gives what a spreadsheet pastes as a block, rows of injection time first; the same
    // text pastes back anywhere it fits.
    void copyAndPasteRoundTrip() {
        const KtarValues v = tableWith(105, {{1, 2, 111}, {1, 4, 113}, {2, 3, 122}});
        const QString text = TableClipboard::copy(v, TableSelection::spanning(2, 4, 1, 2));
        QCOMPARE(text, QStringLiteral("111\t105\t113\n105\t122\t105\n"));

        const TablePaste p = TableClipboard::paste(filled(120), text, 6, 5);
        QVERIFY(p.ok());
        QCOMPARE(block(p.change.values, {6, 5, 7, 7}), (QList<int>{111, 105, 113, 105, 122, 105}));
        QVERIFY(untouchedOutside(filled(120), p.change.values, {6, 5, 7, 7}));
        QCOMPARE(int(p.change.changed.count()), 6);
    }

    // What other programs put on the clipboard: CR LF, semicolons, spaces, decimals of zero.
    void pasteTakesOtherProgramsText() {
        const KtarValues v = filled(120);
        const QList<QPair<QString, QList<int>>> cases{
            {QStringLiteral("101\t102\r\n103\t104\r\n"), {101, 102, 103, 104}},
            {QStringLiteral("101;102\n103;104"), {101, 102, 103, 104}},
            {QStringLiteral(" 101 \t102,00\r103.0\t+104\n\n"), {101, 102, 103, 104}},
        };
        for (const auto& [text, expected] : cases) {
            const TablePaste p = TableClipboard::paste(v, text, 0, 0);
            QVERIFY2(p.ok(), qPrintable(TableTexts::pasteRefusal(p, LanguageTable())));
            QCOMPARE(block(p.change.values, {0, 0, 1, 1}), expected);
        }
        QVERIFY(TableClipboard::paste(v, QStringLiteral("150"), 7, 7).ok());
    }

    // Any fault refuses the whole paste, with where it is.
    void pasteRefusesWithTheReason() {
        struct Case {
            QString text;
            int top;
            int left;
            Status status;
            int line;
            int field;
            QString content;
        };
        const int farRight = std::numeric_limits<int>::max();
        // Nine rows are too many even where a value is also out of range.
        const QString nineRows = QStringLiteral("101\n").repeated(8) + QStringLiteral("170\n");
        const QList<Case> cases{
            // A 2 x 3 block with its first value two cells from the right edge.
            {QStringLiteral("101\t102\t103\n104\t105\t106\n"), 0, 6, Status::OffTheTable, 0, 0, {}},
            {QStringLiteral("101\n102\n"), 7, 0, Status::OffTheTable, 0, 0, {}},
            {QStringLiteral("101"), -1, 0, Status::OffTheTable, 0, 0, {}},
            {QStringLiteral("101"), 0, farRight, Status::OffTheTable, 0, 0, {}},
            {nineRows, 0, 0, Status::OffTheTable, 0, 0, {}},
            {QStringLiteral("101\t102\n103\t120,5\n"), 0, 0, Status::NotAWholeNumber, 2, 2,
             QStringLiteral("120,5")},
            // Commas never separate: the whole line is one value that is no number.
            {QStringLiteral("100,105,110"), 0, 0, Status::NotAWholeNumber, 1, 1,
             QStringLiteral("100,105,110")},
            {QStringLiteral("101\t\t103"), 0, 0, Status::NotAWholeNumber, 1, 2, {}},
            {QStringLiteral("101\n\n102"), 0, 0, Status::NotAWholeNumber, 2, 1, {}},
            {QStringLiteral("Tinj\tRPM"), 0, 0, Status::NotAWholeNumber, 1, 1,
             QStringLiteral("Tinj")},
            {QStringLiteral("101\t102\n103"), 0, 0, Status::Ragged, 2, 0, {}},
            {QStringLiteral("101\t99\n"), 0, 0, Status::OutOfRange, 1, 2, QStringLiteral("99")},
            {QStringLiteral("101\n99999999999999999999999"), 0, 0, Status::OutOfRange, 2, 1,
             QStringLiteral("99999999999999999999999")},
            {QStringLiteral("\r\n"), 0, 0, Status::Empty, 0, 0, {}},
        };
        const KtarValues v = filled(120);
        for (const Case& c : cases) {
            const TablePaste p = TableClipboard::paste(v, c.text, c.top, c.left);
            QVERIFY2(p.status == c.status, qPrintable(c.text));
            QCOMPARE(p.line, c.line);
            QCOMPARE(p.field, c.field);
            QCOMPARE(p.content, c.content);
            QVERIFY(p.change.changed.none());
            QVERIFY(!TableTexts::pasteRefusal(p, LanguageTable()).isEmpty());
        }
        const TablePaste edge = TableClipboard::paste(v, cases[0].text, 0, 6);
        QCOMPARE(TableTexts::pasteRefusal(edge, language("[ING]")),
                 QStringLiteral("Nothing pasted: a block of 2 rows by 3 columns from cell TINJ 1 "
                                "RPM 7 runs off the 8 × 8 table."));

        // Prose pasted by mistake: the message shows its start, and a "%2" in it is kept.
        const QString prose = QStringLiteral("%2 ") + QStringLiteral("word ").repeated(10000);
        const TablePaste p = TableClipboard::paste(v, prose, 0, 0);
        QCOMPARE(p.status, Status::NotAWholeNumber);
        QCOMPARE(TableTexts::pasteRefusal(p, language("[ING]")),
                 QStringLiteral("Nothing pasted: \"%2 word word word word w\u2026\" (line 1, "
                                "column 1 of the copied text) is not a whole number."));
    }

    // The Italian fallbacks are the design texts of the language file, word for word.
    void textsFallBackToTheItalianOfTheLanguageFile() {
        const LanguageTable italian = language("[ITA]");
        TablePaste p;
        p.line = 2;
        p.field = 3;
        p.content = QStringLiteral("x");
        for (Status s : {Status::Empty, Status::NotAWholeNumber, Status::Ragged,
                         Status::OffTheTable, Status::OutOfRange}) {
            p.status = s;
            QCOMPARE(TableTexts::pasteRefusal(p, LanguageTable()),
                     TableTexts::pasteRefusal(p, italian));
        }
        QCOMPARE(TableTexts::held(3, LanguageTable()), TableTexts::held(3, italian));
        QCOMPARE(TableTexts::held(3, language("[ING]")),
                 QStringLiteral("Cells held at the 100..150 limit: 3"));
        QVERIFY(TableTexts::held(0, italian).isEmpty());
        p.status = Status::Pasted;
        QVERIFY(TableTexts::pasteRefusal(p, italian).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTableTools)
#include "test_table_tools.moc"
