#include "screens/calib/TableGrid.h"

#include "calib/TableClipboard.h"
#include "calib/TableTexts.h"
#include "lang/LanguageTable.h"
#include "screen/StatusLine.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace {

using Tool = TableGrid::Tool;
using Interpolation = TableOperations::Interpolation;

const QColor kSelectionFill(70, 150, 255, 110);
const QColor kSelectionEdge(0, 110, 255);
const QColor kEdited(255, 170, 0);

struct ToolText {
    Tool tool;
    const char* name; // the button's (and the action's) object name
    const char* key;
    const char* italian;
    QKeyCombination keys[2];
};
// Interpolation along rows and columns takes the keys spreadsheets fill with: Ctrl+R to the
// right, Ctrl+D down.
constexpr ToolText kTools[] = {
    {Tool::Set,
     "TableSet",
     "F16_T50",
     "Imposta le celle selezionate al valore",
     {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter}},
    {Tool::Percent,
     "TablePercent",
     "F16_T51",
     "Varia le celle selezionate della percentuale",
     {Qt::Key_Percent}},
    {Tool::Add, "TableAdd", "F16_T52", "Aumenta di 1", {Qt::Key_Plus}},
    {Tool::Subtract, "TableSubtract", "F16_T53", "Diminuisci di 1", {Qt::Key_Minus}},
    {Tool::Bilinear,
     "TableBilinear",
     "F16_T54",
     "Interpola tra gli angoli",
     {Qt::CTRL | Qt::Key_I}},
    {Tool::Rows, "TableRows", "F16_T55", "Interpola lungo le righe", {Qt::CTRL | Qt::Key_R}},
    {Tool::Columns,
     "TableColumns",
     "F16_T56",
     "Interpola lungo le colonne",
     {Qt::CTRL | Qt::Key_D}},
    {Tool::Smooth, "TableSmooth", "F16_T57", "Leviga", {Qt::CTRL | Qt::Key_L}},
    {Tool::Undo, "TableUndo", "F16_T58", "Annulla", {Qt::CTRL | Qt::Key_Z}},
    {Tool::Redo,
     "TableRedo",
     "F16_T59",
     "Ripeti",
     {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}},
    {Tool::Copy,
     "TableCopy",
     "F16_T60",
     "Copia",
     {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}},
    {Tool::Paste,
     "TablePaste",
     "F16_T61",
     "Incolla",
     {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}},
};

// The key as the tools know it: the keypad's keys are the main keys, and "+" or "%" may need
// Shift on the fitter's keyboard.
QKeySequence pressed(const QKeyEvent* key) {
    Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const int k = key->key();
    if (k == Qt::Key_Plus || k == Qt::Key_Minus || k == Qt::Key_Percent) mods &= ~Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(mods, Qt::Key(k)));
}

// Painted over the grid's boxes and transparent to the mouse: the selection and the edited
// cells, so the boxes keep the colours the page gives them (fuel, rejection).
class GridMarks final : public QWidget {
public:
    GridMarks(QWidget* canvas, std::function<void(QPainter&)> draw)
        : QWidget(canvas), m_draw(std::move(draw)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(canvas->rect());
        setObjectName(QStringLiteral("TableMarks"));
        show();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        m_draw(p);
    }

private:
    std::function<void(QPainter&)> m_draw;
};

} // namespace

TableGrid::TableGrid(QWidget* canvas, std::span<QLineEdit* const, TableSize> cells,
                     const LanguageTable& language)
    : QObject(canvas), m_canvas(canvas), m_language(language) {
    std::copy(cells.begin(), cells.end(), m_cells.begin());
    for (int cell = 0; cell < TableSize; ++cell) {
        QLineEdit* box = m_cells[cell];
        // Keys, mouse and the context menu: the grid's menu replaces the box's, whose undo
        // would go round the table's history.
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, this, [this, cell] { typed(cell); });
    }
    m_overlay = new GridMarks(canvas, [this](QPainter& p) {
        const KtarCells edited = m_history.edited();
        for (int cell = 0; cell < TableSize; ++cell) {
            const QRect r = m_cells[cell]->geometry();
            if (m_selection.contains(cell / TableSide, cell % TableSide))
                p.fillRect(r, kSelectionFill);
            if (edited[cell]) {
                p.setPen(QPen(kEdited, 2));
                p.drawRect(r.adjusted(1, 1, -1, -1));
                // A corner as spreadsheets mark a cell with a note: seen even under the selection.
                const QPoint c = r.topRight();
                p.setPen(Qt::NoPen);
                p.setBrush(kEdited);
                p.drawPolygon(QPolygon({c, c + QPoint(-7, 0), c + QPoint(0, 7)}));
                p.setBrush(Qt::NoBrush);
            }
        }
        const QRect first =
            m_cells[TableOperations::cellOf(m_selection.top, m_selection.left)]->geometry();
        const QRect last =
            m_cells[TableOperations::cellOf(m_selection.bottom, m_selection.right)]->geometry();
        p.setPen(QPen(kSelectionEdge, 2));
        p.drawRect(first.united(last).adjusted(-2, -2, 2, 2));
    });
    buildActions(language);
    buildToolBar(language);
    refresh();
}

void TableGrid::buildActions(const LanguageTable& language) {
    for (const ToolText& t : kTools) {
        auto* a = new QAction(
            language.text(QString::fromLatin1(t.key), QString::fromUtf8(t.italian)), this);
        a->setObjectName(QString::fromLatin1(t.name));
        QList<QKeySequence> keys;
        for (QKeyCombination k : t.keys)
            if (k.key() != Qt::Key_unknown) keys << QKeySequence(k);
        a->setShortcuts(keys);
        // Shown in the menu and named in the tooltip; the boxes' keys reach the tools through
        // the grid's filter, because a text box keeps Ctrl+Z, Ctrl+V and "+" for itself.
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setToolTip(QStringLiteral("%1 (%2)").arg(
            a->text(), a->shortcut().toString(QKeySequence::NativeText)));
        connect(a, &QAction::triggered, this, [this, tool = t.tool] { run(tool); });
        m_actions[t.tool] = a;
    }
}

void TableGrid::buildToolBar(const LanguageTable& language) {
    const auto caption = [&language](const char* key, const char* italian) {
        return language.text(QString::fromLatin1(key), QString::fromUtf8(italian));
    };
    m_toolBar = new QWidget(m_canvas->parentWidget());
    auto* row = new QHBoxLayout(m_toolBar);
    row->setContentsMargins(0, 0, 0, 0);
    const auto button = [this, row](Tool tool, const QString& text) {
        // A short caption on the button, the whole text in the menu and the tooltip; the
        // button takes the caption from the action again whenever the action changes.
        if (!text.isEmpty()) m_actions[tool]->setIconText(text);
        auto* b = new QToolButton(m_toolBar);
        b->setDefaultAction(m_actions[tool]);
        b->setObjectName(m_actions[tool]->objectName());
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumHeight(28);
        row->addWidget(b);
        return b;
    };

    m_value = new QSpinBox(m_toolBar);
    m_value->setObjectName(QStringLiteral("TableValue"));
    m_value->setRange(TableMin, TableMax);
    m_value->setValue(TableMin);
    m_value->setToolTip(m_actions[Tool::Set]->text());
    m_value->installEventFilter(this);
    row->addWidget(m_value);
    button(Tool::Set, caption("F16_C10", "Imposta"));
    row->addSpacing(10);

    m_percent = new QDoubleSpinBox(m_toolBar);
    m_percent->setObjectName(QStringLiteral("TablePercentage"));
    m_percent->setRange(-50, 50);
    m_percent->setDecimals(1);
    m_percent->setSingleStep(1);
    m_percent->setSuffix(QStringLiteral(" %"));
    m_percent->setToolTip(m_actions[Tool::Percent]->text());
    m_percent->installEventFilter(this);
    row->addWidget(m_percent);
    button(Tool::Percent, caption("F16_C11", "Varia %"));
    row->addSpacing(10);

    button(Tool::Add, QStringLiteral("+1"));
    button(Tool::Subtract, QStringLiteral("\u22121"));
    row->addSpacing(10);
    QToolButton* interpolate = button(Tool::Bilinear, caption("F16_C12", "Interpola"));
    auto* ways = new QMenu(interpolate);
    ways->addActions({m_actions[Tool::Bilinear], m_actions[Tool::Rows], m_actions[Tool::Columns]});
    interpolate->setMenu(ways);
    interpolate->setPopupMode(QToolButton::MenuButtonPopup);
    button(Tool::Smooth, QString());
    row->addSpacing(10);
    button(Tool::Undo, QString());
    button(Tool::Redo, QString());
    row->addSpacing(12);

    // Beside the tools, where the fitter is looking: cells held, a paste refused, what is
    // edited and not yet written.
    m_status = new StatusLine(QStringLiteral("TableStatus"), m_toolBar);
    row->addWidget(m_status, 1);
}

// --- What the page asks -----------------------------------------------------------------------

void TableGrid::showEcu(const KtarValues& ecu, bool fresh) {
    m_typingCell = -1;
    m_held = 0;
    m_problem.clear();
    if (fresh) {
        m_history.restart(ecu);
    } else {
        m_history.setWritten(ecu);
        m_history.edit(ecu);
    }
    for (int cell = 0; cell < TableSize; ++cell)
        m_cells[cell]->setText(QString::number(ecu[cell]));
    refresh();
}

void TableGrid::ecuHolds(const KtarValues& ecu) {
    m_history.setWritten(ecu);
    m_typingCell = -1;
    refresh();
}

void TableGrid::setEditable(bool editable) {
    m_editable = editable;
    refresh();
}

void TableGrid::select(const TableSelection& selection) {
    const TableSelection s =
        TableSelection::spanning(selection.top, selection.left, selection.bottom, selection.right);
    span(TableOperations::cellOf(s.top, s.left), TableOperations::cellOf(s.bottom, s.right));
}

void TableGrid::span(int anchor, int current) {
    m_anchor = anchor;
    m_current = current;
    m_selection = TableSelection::spanning(anchor / TableSide, anchor % TableSide,
                                           current / TableSide, current % TableSide);
    // Whatever is typed next is a step of its own.
    m_typingCell = -1;
    m_overlay->update();
}

// --- The tools ---------------------------------------------------------------------------------

void TableGrid::run(Tool tool) {
    if (!m_editable && tool != Tool::Copy) return;
    // What was typed so far is one step; whatever comes now is another.
    m_typingCell = -1;
    m_problem.clear();
    m_held = 0;
    const KtarValues& v = m_history.current();
    const TableSelection& s = m_selection;
    switch (tool) {
    case Tool::Set:
        apply(TableOperations::setTo(v, s, m_value->value()));
        return;
    case Tool::Percent:
        apply(TableOperations::changeByPercent(v, s, m_percent->value()));
        return;
    case Tool::Add:
    case Tool::Subtract:
        apply(TableOperations::add(v, s, tool == Tool::Add ? 1 : -1));
        return;
    case Tool::Bilinear:
    case Tool::Rows:
    case Tool::Columns: {
        const Interpolation how = tool == Tool::Bilinear ? Interpolation::Bilinear
                                  : tool == Tool::Rows   ? Interpolation::Rows
                                                         : Interpolation::Columns;
        apply(TableOperations::interpolate(v, s, how));
        return;
    }
    case Tool::Smooth:
        apply(TableOperations::smooth(v, s));
        return;
    case Tool::Undo:
    case Tool::Redo: {
        const KtarValues before = v;
        if (tool == Tool::Undo ? m_history.undo() : m_history.redo()) show(before);
        refresh();
        return;
    }
    case Tool::Copy:
        QGuiApplication::clipboard()->setText(TableClipboard::copy(v, s));
        refresh();
        return;
    case Tool::Paste: {
        const TablePaste p =
            TableClipboard::paste(v, QGuiApplication::clipboard()->text(), s.top, s.left);
        if (!p.ok()) {
            // Nothing of a refused paste goes in: the reason is all that changes.
            m_problem = TableTexts::pasteRefusal(p, m_language);
            refresh();
            return;
        }
        select({p.top, p.left, p.top + p.rows - 1, p.left + p.columns - 1});
        apply(p.change);
        return;
    }
    }
}

void TableGrid::apply(const TableChange& change) {
    const KtarValues before = m_history.current();
    if (m_history.edit(change.values)) show(before);
    m_held = change.held;
    refresh();
}

void TableGrid::show(const KtarValues& before) {
    const KtarValues& now = m_history.current();
    for (int cell = 0; cell < TableSize; ++cell) {
        if (now[cell] == before[cell]) continue;
        m_cells[cell]->setText(QString::number(now[cell]));
        emit boxRewritten(m_cells[cell]);
    }
    // A number typed next replaces the current cell's, as after moving to it. Only in the box
    // with the focus: another box would keep showing its number highlighted.
    QLineEdit* current = m_cells[m_current];
    if (current->window()->focusWidget() == current) current->selectAll();
}

void TableGrid::typed(int cell) {
    bool ok = false;
    const int value = m_cells[cell]->text().toInt(&ok);
    // An emptied box is MODIFICA's to refuse; the history keeps its last number meanwhile.
    if (!ok) return;
    KtarValues after = m_history.current();
    after[cell] = value;
    if (m_typingCell == cell && m_typingStep) {
        m_typingStep = m_history.amend(after);
    } else {
        m_typingCell = cell;
        m_typingStep = m_history.edit(after);
    }
    m_held = 0;
    m_problem.clear();
    refresh();
}

void TableGrid::refresh() {
    for (const auto& [tool, a] : m_actions)
        a->setEnabled(tool == Tool::Copy || m_editable);
    m_actions[Tool::Undo]->setEnabled(m_editable && m_history.canUndo());
    m_actions[Tool::Redo]->setEnabled(m_editable && m_history.canRedo());
    m_value->setEnabled(m_editable);
    m_percent->setEnabled(m_editable);

    QStringList lines;
    if (!m_problem.isEmpty()) lines << m_problem;
    const QString held = TableTexts::held(m_held, m_language);
    if (!held.isEmpty()) lines << held;
    const auto edited = static_cast<int>(m_history.edited().count());
    if (edited > 0)
        lines << m_language
                     .text(QStringLiteral("F16_T62"),
                           QStringLiteral("Celle modificate, non ancora scritte: %1"))
                     .arg(edited);
    // Cells edited and not yet written are work under way; a refusal or a held cell is not.
    m_status->tell(lines.join(QLatin1Char('\n')), m_problem.isEmpty() && held.isEmpty()
                                                      ? StatusLine::Tone::Progress
                                                      : StatusLine::Tone::Problem);
    m_overlay->update();
}

QMenu* TableGrid::contextMenu() {
    if (m_menu) return m_menu;
    m_menu = new QMenu(m_canvas);
    m_menu->setObjectName(QStringLiteral("TableMenu"));
    const auto add = [this](std::initializer_list<Tool> tools) {
        for (Tool t : tools)
            m_menu->addAction(m_actions[t]);
        m_menu->addSeparator();
    };
    add({Tool::Set, Tool::Percent, Tool::Add, Tool::Subtract});
    add({Tool::Bilinear, Tool::Rows, Tool::Columns, Tool::Smooth});
    add({Tool::Undo, Tool::Redo});
    add({Tool::Copy, Tool::Paste});
    return m_menu;
}

// --- Mouse and keys ----------------------------------------------------------------------------

int TableGrid::cellOf(const QObject* box) const {
    for (int cell = 0; cell < TableSize; ++cell)
        if (m_cells[cell] == box) return cell;
    return -1;
}

int TableGrid::cellAt(const QPoint& canvasPoint) const {
    for (int cell = 0; cell < TableSize; ++cell)
        if (m_cells[cell]->geometry().contains(canvasPoint)) return cell;
    return -1;
}

void TableGrid::moveTo(int row, int column, bool extend) {
    const TableSelection at = TableSelection::cell(row, column);
    const int cell = TableOperations::cellOf(at.top, at.left);
    span(extend ? m_anchor : cell, cell);
    m_moving = true;
    m_cells[cell]->setFocus(Qt::OtherFocusReason);
    m_cells[cell]->selectAll();
    m_moving = false;
}

bool TableGrid::keyForCell(int cell, QKeyEvent* key, bool press) {
    const QKeySequence seq = pressed(key);
    for (const auto& [tool, a] : m_actions) {
        if (!a->shortcuts().contains(seq)) continue;
        if (!press) return true;
        if (tool == Tool::Set) {
            // From a box, Ctrl+Enter fills the selection with the number typed in it, as
            // spreadsheets fill; the value box then shows the number used.
            bool ok = false;
            const int value = m_cells[cell]->text().toInt(&ok);
            if (ok && value >= TableMin && value <= TableMax) m_value->setValue(value);
            if (ok && (value < TableMin || value > TableMax)) {
                m_typingCell = -1;
                m_problem.clear();
                apply(TableOperations::setTo(m_history.current(), m_selection, value));
                return true;
            }
        }
        a->trigger();
        return true;
    }
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier) return false;
    const bool extend = mods == Qt::ShiftModifier;
    QLineEdit* box = m_cells[cell];
    const bool whole = box->hasSelectedText() && box->selectedText() == box->text();
    int dRow = 0;
    int dColumn = 0;
    switch (key->key()) {
    case Qt::Key_Up:
        dRow = -1;
        break;
    case Qt::Key_Down:
        dRow = 1;
        break;
    // Left and right move the text cursor inside a number, and the cell at its edges.
    case Qt::Key_Left:
        if (!extend && !whole && box->cursorPosition() > 0) return false;
        dColumn = -1;
        break;
    case Qt::Key_Right:
        if (!extend && !whole && box->cursorPosition() < box->text().size()) return false;
        dColumn = 1;
        break;
    default:
        return false;
    }
    if (press) {
        const int from = extend ? m_current : cell;
        moveTo(from / TableSide + dRow, from % TableSide + dColumn, extend);
    }
    return true;
}

bool TableGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_value || watched == m_percent) {
        // Enter in the value or percentage box applies it.
        if (event->type() != QEvent::KeyPress) return false;
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k != Qt::Key_Return && k != Qt::Key_Enter) return false;
        run(watched == m_value ? Tool::Set : Tool::Percent);
        return true;
    }
    const int cell = cellOf(watched);
    // A box being destroyed still sends its last events here, when it is no longer a line edit.
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (cell < 0 || !box) return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Taken as a key press here rather than by a window shortcut.
        if (!keyForCell(cell, static_cast<QKeyEvent*>(event), false)) return false;
        event->accept();
        return true;
    case QEvent::KeyPress:
        return keyForCell(cell, static_cast<QKeyEvent*>(event), true);
    case QEvent::FocusIn: {
        // Tab selects the cell it lands on; a click is the mouse's business below, and the
        // window coming back keeps the selection.
        const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
        if (!m_moving && (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason))
            span(cell, cell);
        return false;
    }
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        const bool extend = e->modifiers() & Qt::ShiftModifier;
        if (e->button() == Qt::LeftButton) {
            m_clickedInto = cell != m_current;
            span(extend ? m_anchor : cell, cell);
            m_dragging = true;
        } else if (!m_selection.contains(cell / TableSide, cell % TableSide)) {
            // A right click outside the selection is on the cell the fitter means.
            span(cell, cell);
        }
        return false;
    }
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!m_dragging || !(e->buttons() & Qt::LeftButton)) return false;
        const QPoint at = box->mapTo(m_canvas, e->position().toPoint());
        const int over = cellAt(at);
        if (over >= 0 && over != m_current) span(m_anchor, over);
        // Out of its box the drag selects cells, not the box's text.
        return !box->rect().contains(e->position().toPoint());
    }
    case QEvent::MouseButtonRelease:
        // The first click into a cell selects its number, so typing replaces it, as in a
        // spreadsheet; a click into the cell already current places the text cursor.
        if (m_dragging && m_clickedInto && m_current == cell) box->selectAll();
        m_dragging = false;
        m_clickedInto = false;
        return false;
    case QEvent::ContextMenu:
        contextMenu()->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        return false;
    }
}
