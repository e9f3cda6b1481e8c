#include "screens/calib/CellPanel.h"

#include "calib/AutoCalibrationRun.h"
#include "calib/TableFill.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"
#include "screens/calib/CellMap.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

CellPanel::CellPanel(const AutoCalibrationRun& run, const ParameterSet& set,
                     const LanguageTable& language, QWidget* parent)
    : QWidget(parent), m_run(run), m_set(set), m_language(language) {
    m_map = new CellMap(this);
    const auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    m_engineText = label("LabelCell");
    QFont f = m_engineText->font();
    f.setBold(true);
    m_engineText->setFont(f);
    m_fillText = label("LabelFill");
    m_legend = label("LabelLegend");
    m_legend->setText(text("F08_T67", "VERDE: TARATA  ARANCIO: NON VERIFICATA  ROSSO: AL LIMITE  "
                                      "BORDO BLU: IN TARATURA  CERCHIO: MOTORE"));
    QFont small = m_legend->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_legend->setFont(small);

    const auto button = [this](const char* name, const char* key, const char* italian) {
        auto* b = new QPushButton(text(key, italian), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumHeight(34);
        return b;
    };
    m_start = button("CommandCell", "F08_C60", "START TARATURA CELLA");
    m_fill = button("CommandFill", "F08_C61", "RIEMPI LE ALTRE CELLE");
    m_write = button("CommandFillWrite", "F08_C62", "SCRIVI TABELLA PROPOSTA");
    m_cancel = button("CommandFillCancel", "F08_C63", "ANNULLA");
    m_map->setAccessibleName(text("F08_T68", "MAPPA DELLE CELLE TARATE"));

    auto* buttons = new QGridLayout;
    buttons->addWidget(m_start, 0, 0);
    buttons->addWidget(m_fill, 0, 1);
    buttons->addWidget(m_write, 1, 0);
    buttons->addWidget(m_cancel, 1, 1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(m_map, 1);
    root->addWidget(m_legend);
    root->addWidget(m_engineText);
    root->addLayout(buttons);
    root->addWidget(m_fillText);

    connect(m_start, &QPushButton::clicked, this, [this] {
        if (const auto cell = m_run.coverage().engineCell()) emit startCellClicked(*cell);
    });
    connect(m_fill, &QPushButton::clicked, this, &CellPanel::fillClicked);
    connect(m_write, &QPushButton::clicked, this, [this] {
        if (m_proposal) emit writeFillClicked(*m_proposal);
    });
    connect(m_cancel, &QPushButton::clicked, this, &CellPanel::cancelClicked);
    refresh(false);
}

QString CellPanel::text(const char* key, const char* italian) const {
    return m_language.text(QString::fromLatin1(key), QString::fromUtf8(italian));
}

QString CellPanel::cellName(const QString& format, TableCell cell) {
    // Named as the calibration page names its cells: TINJ row, RPM column, from 1.
    return format.arg(cell.row + 1).arg(cell.column + 1);
}

void CellPanel::fillClicked() {
    m_proposal =
        TableFill::fromCalibrated(TableOperations::fromSet(m_set), m_run.coverage().calibrated());
    refresh(m_canAct);
}

void CellPanel::cancelClicked() {
    m_proposal.reset();
    refresh(m_canAct);
}

void CellPanel::refresh(bool canAct) {
    m_canAct = canAct;
    // The proposal goes once the run has written it; the screen's store line says how.
    const bool writing = m_run.fillWritten() && m_run.storing();
    if (m_proposal && m_proposalWriting && !writing) m_proposal.reset();
    m_proposalWriting = m_proposal && writing;

    const CellCoverage& coverage = m_run.coverage();
    CellMap::View v;
    v.values = m_proposal ? m_proposal->values : TableOperations::fromSet(m_set);
    v.breakpoints = Breakpoints::of(m_set);
    for (int i = 0; i < TableSize; ++i)
        v.results[std::size_t(i)] = coverage.at(TableCell::ofIndex(i));
    v.engine = coverage.engineCell();
    v.target = m_run.cellUnderCalibration();
    if (m_proposal) v.changed = m_proposal->changed;
    v.proposal = m_proposal.has_value();
    m_map->show(v);

    QStringList where;
    if (v.target)
        where << cellName(text("F08_T60", "TARATURA DELLA CELLA TINJ %1 RPM %2"), *v.target);
    if (v.engine)
        where << cellName(text("F08_T61", "MOTORE NELLA CELLA TINJ %1 RPM %2 DA %3 s"), *v.engine)
                     .arg(QString::number(coverage.dwellMs() / 1000.0, 'f', 1));
    else if (!m_run.linkLost()) // without a link nothing is known of the engine
        where << text("F08_T62", "MOTORE FERMO: NESSUNA CELLA");
    m_engineText->setText(where.join(QLatin1Char('\n')));

    // Nothing new starts while a proposal waits for its answer or a run or a write is under
    // way; the fill is written only outside calibration mode.
    const bool idle =
        canAct && m_run.canStart() && !m_run.busy() && !m_run.mayBeInCalibrationMode();
    m_start->setEnabled(canAct && !m_proposal && v.engine && m_run.canStart());
    m_fill->setEnabled(idle && !m_proposal && coverage.canFill());
    m_write->setVisible(v.proposal);
    m_cancel->setVisible(v.proposal);
    m_write->setEnabled(idle && v.proposal && v.changed.any());
    m_cancel->setEnabled(v.proposal && !writing);

    if (m_proposal)
        m_fillText->setText(m_proposal->changed.any()
                                ? text("F08_T65", "TABELLA PROPOSTA: %1 CELLE CAMBIANO (IN "
                                                  "GIALLO), NULLA È ANCORA SCRITTO")
                                      .arg(m_proposal->changed.count())
                                : text("F08_T66", "NESSUNA CELLA DA CAMBIARE"));
    else if (!coverage.canFill())
        m_fillText->setText(text("F08_T64", "PER RIEMPIRE LE ALTRE CELLE TARARE ALMENO I "
                                            "QUATTRO ANGOLI DI UNA ZONA"));
    else
        m_fillText->clear();
}
