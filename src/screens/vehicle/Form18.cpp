#include "screens/vehicle/Form18.h"

#include "params/ParameterSet.h"
#include "screen/Shape.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int Side = VehicleArchive::TableWidth; // the correction table is Side x Side

QTableWidgetItem* item(const QString& text, Qt::Alignment align = Qt::AlignCenter) {
    auto* i = new QTableWidgetItem(text);
    i->setTextAlignment(align);
    return i;
}

// Dark shades take white figures.
QColor figureOn(const Rgb& c) {
    return c.red * 299 + c.green * 587 + c.blue * 114 < 140000 ? QColor(Qt::white)
                                                               : QColor(Qt::black);
}

} // namespace

Form18::Form18(FormContext& context) : FormBase(ScreenId::Form18, context) {
    setWindowTitle(QString::fromLatin1(Caption));
    Label1 = named(new QLabel(this), QStringLiteral("Label1"));
    QFont title = Label1->font();
    title.setPointSize(12);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setWordWrap(true);

    Grid1 = table(QStringLiteral("Grid1"), 0, 3);
    Grid1->setHorizontalHeaderLabels({lang("F18_L04", QStringLiteral("Parametro")),
                                      lang("F18_L02", QStringLiteral("Centralina")),
                                      lang("F18_L03", QStringLiteral("File"))});
    Grid1->verticalHeader()->hide();
    Grid1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    Grid1->setColumnWidth(1, 120);
    Grid1->setColumnWidth(2, 120);
    Grid1->setMinimumHeight(150);

    Grid2 = table(QStringLiteral("Grid2"), Side, Side);
    Grid3 = table(QStringLiteral("Grid3"), Side, Side);
    auto* tables = new QGridLayout;
    const auto caption = [this](const char* name, const char* key, const char* italian) {
        auto* l = named(new QLabel(lang(key, QString::fromUtf8(italian)), this),
                        QString::fromLatin1(name));
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        return l;
    };
    tables->addWidget(caption("Label3", "F18_L05", "Tabella di correzione: centralina"), 0, 0);
    tables->addWidget(caption("Label4", "F18_L06", "Tabella di correzione: file"), 0, 1);
    tables->addWidget(Grid2, 1, 0);
    tables->addWidget(Grid3, 1, 1);

    Label5 = named(new QLabel(this), QStringLiteral("Label5"));
    Label5->setWordWrap(true);
    Label5->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Label6 = named(new QLabel(this), QStringLiteral("Label6"));
    Label6->setWordWrap(true);

    const auto button = [this](const char* name, const char* key, const char* design) {
        auto* b = named(new QPushButton(lang(key, QString::fromUtf8(design)), this),
                        QString::fromLatin1(name));
        b->setMinimumHeight(36);
        b->setMinimumWidth(200);
        return b;
    };
    Command1 = button("Command1", "F18_C01", "Carica nella centralina");
    Command2 = button("Command2", "F01_C02", "EXIT");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(14, 10, 14, 10);
    root->addWidget(Label1);
    root->addWidget(named(new QLabel(lang("F18_L01", QStringLiteral("Parametri diversi")), this),
                          QStringLiteral("Label2")));
    root->addWidget(Grid1, 1);
    root->addLayout(tables);
    root->addWidget(Label5);
    root->addWidget(Label6);
    root->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Form18::loadClicked);
    connect(Command2, &QPushButton::clicked, this, &Form18::onCloseRequested);
    Command1->setEnabled(false);
    resize(940, 660);
}

QTableWidget* Form18::table(const QString& name, int rows, int columns) {
    auto* t = named(new QTableWidget(rows, columns, this), name);
    // Only to look at: what is compared is what the ECU and the file hold.
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setWordWrap(false);
    if (rows == Side) {
        t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        t->verticalHeader()->setDefaultSectionSize(24);
        t->setFixedHeight(t->horizontalHeader()->sizeHint().height() + 24 * Side + 4);
        t->setMinimumWidth(400);
    }
    return t;
}

// A side's table under its own breakpoints: rpm across, injection time down, as the
// calibration page shows it.
void Form18::fillTable(QTableWidget* grid, const ParameterSet& set, bool fileSide) {
    QStringList rpm;
    QStringList tinj;
    for (int i = 0; i < Side; ++i) {
        rpm << QString::number(set.value(RpmBreakpoint1 + i));
        tinj << QString::number(set.value(TinjBreakpoint1 + i));
    }
    grid->setHorizontalHeaderLabels(rpm);
    grid->setVerticalHeaderLabels(tinj);
    for (int cell = 0; cell < TableSize; ++cell)
        grid->setItem(cell / Side, cell % Side, item(QString::number(set.ktar(cell + 1))));
    for (const VehicleComparison::Cell& c : m_comparison.cells) {
        QTableWidgetItem* i = grid->item(c.row(), c.column());
        const Rgb shade = VehicleComparison::shade(c.difference());
        i->setBackground(Shape::toColour(shade));
        i->setForeground(figureOn(shade));
        if (fileSide && c.replaced) i->setText(i->text() + QStringLiteral(" *"));
        i->setToolTip(QStringLiteral("%1 \u2192 %2 (%3%4)")
                          .arg(c.ecuValue)
                          .arg(c.fileValue)
                          .arg(c.difference() > 0 ? QStringLiteral("+") : QString())
                          .arg(c.difference()));
    }
}

void Form18::takeVehicle(const VehicleLoad& load) {
    m_comparison = VehicleComparison::of(g.parameters, load, g.language);
    Label1->setText(lang("F18_T01", QStringLiteral("Confronto della centralina con %1"))
                        .arg(QFileInfo(load.fileName).fileName()));
    // The menu reads the file and refuses what it cannot read, so a refusal never gets here;
    // nothing is shown of one that did.
    Command1->setEnabled(m_comparison.ok() && !m_comparison.same());
    Grid1->setRowCount(0);
    if (!m_comparison.ok()) return;

    ParameterSet file;
    load.image.storeImage(file);
    bool anyReplaced = false;
    Grid1->setRowCount(static_cast<int>(m_comparison.parameters.size()));
    int row = 0;
    for (const VehicleComparison::Parameter& p : m_comparison.parameters) {
        Grid1->setItem(row, 0, item(p.name, Qt::AlignLeft | Qt::AlignVCenter));
        Grid1->setItem(row, 1, item(QString::number(p.ecuValue)));
        Grid1->setItem(
            row, 2,
            item(QString::number(p.fileValue) + (p.replaced ? QStringLiteral(" *") : QString())));
        anyReplaced = anyReplaced || p.replaced;
        ++row;
    }
    fillTable(Grid2, g.parameters, false);
    fillTable(Grid3, file, true);
    anyReplaced = anyReplaced || std::any_of(m_comparison.cells.begin(), m_comparison.cells.end(),
                                             [](const auto& c) { return c.replaced; });

    Label5->setText(
        m_comparison.same()
            ? lang("F18_T02", QStringLiteral("Nessuna differenza: la centralina contiene già "
                                             "questa configurazione."))
            : lang("F18_T03", QStringLiteral("Parametri diversi: %1 - Celle diverse: %2. Nulla "
                                             "è stato scritto nella centralina."))
                  .arg(m_comparison.parameters.size())
                  .arg(m_comparison.cells.size()));
    QStringList notes;
    if (!m_comparison.cells.empty())
        notes << lang("F18_T05", QStringLiteral("Celle colorate: rosso se il file è più alto, blu "
                                                "se è più basso; più scuro, più grande la "
                                                "differenza."));
    if (anyReplaced)
        notes << lang("F18_T04", QStringLiteral("* valore del file non utilizzabile: al suo "
                                                "posto verrebbe scritto il default"));
    Label6->setText(notes.join(QLatin1Char('\n')));
}

void Form18::loadClicked() {
    if (!m_comparison.ok()) return;
    // This screen is gone once it has left: the workbook goes to the menu as a copy.
    const VehicleLoad load = m_comparison.load;
    leaveFor(ScreenId::Form5);
    if (Screen* menu = ctx.host.loaded(ScreenId::Form5)) menu->takeVehicle(load);
}

void Form18::onCloseRequested() {
    leaveFor(ScreenId::Form5);
}
