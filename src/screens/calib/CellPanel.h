#pragma once

#include "calib/TableCell.h"
#include "calib/TableOperations.h"

#include <QWidget>
#include <optional>

class AutoCalibrationRun;
class CellMap;
class LanguageTable;
class ParameterSet;
class QLabel;
class QPushButton;

// The automatic calibration screen's cell-by-cell side: the coverage map, where the engine
// is and for how long, START of a run for the cell the engine holds, and the fill of the
// cells not calibrated, shown as a proposal with its changes marked before anything is
// written. It reads the run and the set; the screen starts runs and hands the run the fill
// to write, and the proposal stays on show until the run's store of it is over.
class CellPanel final : public QWidget {
    Q_OBJECT
public:
    // All three must outlive the panel.
    CellPanel(const AutoCalibrationRun& run, const ParameterSet& set, const LanguageTable& language,
              QWidget* parent);

    // Shows the run and the set as they are now; `canAct` is false while the screen cannot
    // start anything (no connection, leaving).
    void refresh(bool canAct);
    const std::optional<TableChange>& proposal() const { return m_proposal; }
    const CellMap& map() const { return *m_map; }

signals:
    void startCellClicked(TableCell cell);
    void writeFillClicked(const TableChange& change);

private:
    QString text(const char* key, const char* italian) const;
    static QString cellName(const QString& format, TableCell cell);
    void fillClicked();
    void cancelClicked();

    const AutoCalibrationRun& m_run;
    const ParameterSet& m_set;
    const LanguageTable& m_language;
    std::optional<TableChange> m_proposal;
    bool m_proposalWriting = false; // the run took the proposal into its store
    bool m_canAct = false;

    CellMap* m_map;
    QLabel* m_engineText; // LabelCell: where the engine is, for how long
    QLabel* m_fillText;   // LabelFill: what a fill needs, proposes or did
    QLabel* m_legend;
    QPushButton* m_start;  // CommandCell
    QPushButton* m_fill;   // CommandFill
    QPushButton* m_write;  // CommandFillWrite
    QPushButton* m_cancel; // CommandFillCancel
};
