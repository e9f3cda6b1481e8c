#include "screens/diag/Form17.h"

#include "screen/StatusLine.h"
#include "screen/TimePlot.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

Form17::Form17(FormContext& context) : FormBase(ScreenId::Form17, context) {
    auto button = [this](const char* key, const char* design, const QString& name) {
        auto* b = named(new QPushButton(lang(key, QString::fromUtf8(design)), this), name);
        b->setMinimumHeight(34);
        return b;
    };
    Command1 = button("F17_C01", "Apri file", QStringLiteral("Command1"));
    Command2 = button("F17_C02", "Esporta PNG", QStringLiteral("Command2"));
    Command3 = button("F17_C03", "Vista intera", QStringLiteral("Command3"));
    Command4 = button("F01_C02", "EXIT", QStringLiteral("Command4"));
    Label1 = named(new QLabel(lang("F17_T01", QStringLiteral("Visualizzatore log")), this),
                   QStringLiteral("Label1"));
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont title = Label1->font();
    title.setBold(true);
    Label1->setFont(title);
    Label2 = named(new QLabel(lang("F17_L02", QStringLiteral("Colonne")), this),
                   QStringLiteral("Label2"));
    Label3 = named(new QLabel(lang("F17_L03", QStringLiteral("Dettagli del file")), this),
                   QStringLiteral("Label3"));
    Label4 = named(new QLabel(lang("F17_T05", QStringLiteral("Rotella: zoom · trascina: "
                                                             "intervallo · tasto destro: sposta "
                                                             "· frecce: cursore")),
                              this),
                   QStringLiteral("Label4"));
    QFont hint = Label4->font();
    hint.setPointSize(8);
    Label4->setFont(hint);
    List1 = named(new QListWidget(this), QStringLiteral("List1"));
    Text1 = named(new QPlainTextEdit(this), QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    StatusText = new StatusLine(QStringLiteral("StatusText"), this);
    Plot1 = named(new TimePlot(this), QStringLiteral("Plot1"));
    Command2->setEnabled(false);
    Command3->setEnabled(false);

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(Label2);
    sideLayout->addWidget(List1, 3);
    sideLayout->addWidget(Label3);
    sideLayout->addWidget(Text1, 2);
    auto* split = new QSplitter(this);
    split->addWidget(side);
    split->addWidget(Plot1);
    split->setStretchFactor(1, 1);
    split->setSizes({230, 1000});

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command3);
    buttons->addWidget(Command2);
    buttons->addWidget(Label4, 1);
    buttons->addWidget(Command4);
    auto* root = new QVBoxLayout(this);
    root->addWidget(Label1);
    root->addWidget(split, 1);
    root->addWidget(StatusText);
    root->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Form17::chooseFile);
    connect(Command2, &QPushButton::clicked, this, &Form17::exportPicture);
    connect(Command3, &QPushButton::clicked, Plot1, &TimePlot::resetView);
    connect(Command4, &QPushButton::clicked, this, &Form17::onCloseRequested);
    connect(List1, &QListWidget::itemChanged, this, &Form17::showColumns);
    // Fits a laptop's 1366 x 768 screen with its task bar.
    resize(1280, 680);
}

void Form17::chooseFile() {
    const QString path = ctx.dialogs.openFileName(
        this, lang("F17_C01", QStringLiteral("Apri file")), g.folders.userFolder(),
        lang("F17_T06", QStringLiteral("File di log")) +
            QStringLiteral(" (*.log *.csv *.txt);;* (*)"));
    if (!path.isEmpty()) openFile(path);
}

void Form17::openFile(const QString& path) {
    ctx.dialogs.setBusy(true);
    // The plot reads the old log's curves until it is handed the new ones.
    Plot1->setCurves({});
    Plot1->setFuel({}, {}, {});
    m_log = LogFile(); // not two logs in memory at once
    m_log = readLogFile(path, knownLogHeadings(g.languageFilePath()));
    m_indexes.clear();
    m_indexes.resize(m_log.columns.size());
    for (std::size_t c = 0; c < m_log.columns.size(); ++c)
        if (m_log.columns[c].kind == LogColumn::Kind::Value)
            m_indexes[c] = MinMaxIndex(m_log.columns[c].values);
    m_fuelIndex = MinMaxIndex(m_log.fuel);

    const QSignalBlocker quiet(List1);
    List1->clear();
    const std::vector<int> shown = defaultPlotColumns(m_log);
    for (std::size_t c = 0; c < m_log.columns.size(); ++c) {
        const LogColumn& column = m_log.columns[c];
        auto* item = new QListWidgetItem(
            column.unit.isEmpty() ? column.name
                                  : QStringLiteral("%1 [%2]").arg(column.name, column.unit),
            List1);
        if (column.kind != LogColumn::Kind::Value) {
            // The time and columns of words are listed, not plotted.
            item->setFlags(Qt::ItemIsEnabled);
            continue;
        }
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        const bool on = std::find(shown.begin(), shown.end(), int(c)) != shown.end();
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        item->setForeground(TimePlot::colourOf(int(c)));
    }
    Text1->setPlainText(m_log.details.join(QLatin1Char('\n')));
    Label1->setText(m_log.ok() ? QStringLiteral("%1 (%2)").arg(
                                     QDir::toNativeSeparators(path),
                                     lang("F17_T04", QStringLiteral("%1 righe")).arg(m_log.rows()))
                               : QDir::toNativeSeparators(path));
    const QString message = logReadMessage(m_log, g.language);
    StatusText->tell(message, m_log.ok() ? StatusLine::Tone::Progress : StatusLine::Tone::Problem);
    Plot1->setFuel(m_log.fuelSeries(), lang("F03_L11", QStringLiteral("Benzina")),
                   lang("F17_T07", QStringLiteral("Gas")), &m_fuelIndex);
    showColumns();
    Plot1->resetView();
    Plot1->setCursor(std::numeric_limits<double>::quiet_NaN());
    Command2->setEnabled(m_log.ok());
    Command3->setEnabled(m_log.ok());
    Plot1->setFocus();
    ctx.dialogs.setBusy(false);
}

void Form17::showColumns() {
    std::vector<TimePlot::Curve> curves;
    for (int c = 0; c < List1->count() && c < int(m_log.columns.size()); ++c) {
        if (List1->item(c)->checkState() != Qt::Checked) continue;
        const LogColumn& column = m_log.columns[std::size_t(c)];
        curves.push_back({column.name, column.unit, TimePlot::colourOf(c), m_log.series(c),
                          column.rule, &m_indexes[std::size_t(c)]});
    }
    Plot1->setCurves(std::move(curves));
}

void Form17::exportPicture() {
    const QString suggested =
        QFileInfo(m_log.path)
            .dir()
            .filePath(QFileInfo(m_log.path).completeBaseName() + QStringLiteral(".png"));
    const QString path =
        ctx.dialogs.saveFileName(this, lang("F17_C02", QStringLiteral("Esporta PNG")), suggested,
                                 QStringLiteral("PNG (*.png)"));
    if (path.isEmpty()) return;
    if (Plot1->grab().save(path, "PNG"))
        StatusText->tell(lang("F17_T02", QStringLiteral("Immagine salvata:")) + QLatin1Char(' ') +
                             QDir::toNativeSeparators(path),
                         StatusLine::Tone::Done);
    else
        StatusText->tell(lang("F17_T03", QStringLiteral("Impossibile salvare l'immagine")) +
                         QStringLiteral(": ") + QDir::toNativeSeparators(path));
}

void Form17::onCloseRequested() {
    // The screen below (the start screen, the live screen) was never left.
    ctx.host.unload(ScreenId::Form17);
}
