#pragma once

#include "calib/TableHistory.h"
#include "calib/TableOperations.h"

#include <QObject>
#include <QString>
#include <array>
#include <map>
#include <span>

class LanguageTable;
class QAction;
class QDoubleSpinBox;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QSpinBox;
class StatusLine;
class QWidget;

// The calibration page's correction table as a tuner works it: a rectangle of cells selected
// with the mouse or Shift+arrows, the table tools on it (set, percentage, +1/-1, interpolation,
// smoothing), undo and redo of every edit since the page opened or since the last verified
// write, copy and paste with spreadsheets, and the edited, not yet written cells marked. The
// page's boxes stay what MODIFICA reads: every tool writes its result into them.
class TableGrid final : public QObject {
    Q_OBJECT
public:
    enum class Tool {
        Set,     // the selection to the value box's number
        Percent, // the selection by the percentage box's figure
        Add,
        Subtract,
        Bilinear,
        Rows,
        Columns,
        Smooth,
        Undo,
        Redo,
        Copy,
        Paste,
    };

    // `cells`: the 64 boxes of the table, cell 8 * row + column, laid on `canvas`.
    TableGrid(QWidget* canvas, std::span<QLineEdit* const, TableSize> cells,
              const LanguageTable& language);

    // The row of tools and the grid's status line, for the page to lay out.
    QWidget* toolBar() const { return m_toolBar; }

    // The boxes show the table the ECU holds. `fresh` (the page opened, a write verified): a
    // new history with nothing marked. Otherwise (a write not verified) the table that did
    // not go in stays a step to undo, and the marks follow what the ECU holds.
    void showEcu(const KtarValues& ecu, bool fresh);
    // The ECU holds `ecu` after a write cut short; the boxes keep what was typed.
    void ecuHolds(const KtarValues& ecu);
    // Off while a write runs: what was typed is what it sends.
    void setEditable(bool editable);

    void select(const TableSelection& selection);
    const TableSelection& selection() const { return m_selection; }
    const TableHistory& history() const { return m_history; }
    QAction* action(Tool tool) const { return m_actions.at(tool); }

signals:
    // A tool put a new number into a box: the page drops the box's rejection mark.
    void boxRewritten(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions(const LanguageTable& language);
    void buildToolBar(const LanguageTable& language);
    void run(Tool tool);
    void apply(const TableChange& change);
    // The history moved from `before`: the boxes that changed show the table again.
    void show(const KtarValues& before);
    void typed(int cell);
    void status(const QString& text, bool problem);
    void refresh();
    QMenu* contextMenu();

    int cellOf(const QObject* box) const;
    int cellAt(const QPoint& canvasPoint) const;
    bool keyForCell(int cell, QKeyEvent* key, bool press);
    // The selection from corner `anchor` to `current` (cells), the focus left where it is.
    void span(int anchor, int current);
    // The current cell moved to (row, column), and the focus with it; with `extend` the
    // anchor stays.
    void moveTo(int row, int column, bool extend);

    QWidget* m_canvas;
    std::array<QLineEdit*, TableSize> m_cells;
    const LanguageTable& m_language;
    QWidget* m_overlay = nullptr;
    QWidget* m_toolBar = nullptr;
    QSpinBox* m_value = nullptr;
    QDoubleSpinBox* m_percent = nullptr;
    StatusLine* m_status = nullptr;
    QMenu* m_menu = nullptr;
    std::map<Tool, QAction*> m_actions;

    TableHistory m_history;
    TableSelection m_selection;
    int m_anchor = 0;  // the corner a selection grows from
    int m_current = 0; // the corner that moves, the box with the focus
    bool m_dragging = false;
    bool m_clickedInto = false; // the press went into a cell that was not current
    bool m_moving = false;      // the focus is being moved by the grid itself
    bool m_editable = true;
    // Keystrokes into one box make one step: the cell being typed, and whether its typing is
    // the last step of the history.
    int m_typingCell = -1;
    bool m_typingStep = false;
    int m_held = 0;
    QString m_problem;
};
