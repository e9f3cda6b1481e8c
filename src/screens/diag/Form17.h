#pragma once

#include "diag/LogReader.h"
#include "plot/MinMaxIndex.h"
#include "screen/FormBase.h"

#include <vector>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class StatusLine;
class TimePlot;

// The log viewer: opens an acquisition log of this program (or any table of text with a time
// column), lists its columns and plots the ticked ones against time, with the fuel band, the
// file's details and a cursor. It needs no ECU: it is reached from the start screen, and from
// the live and automatic calibration screens with the log they have just closed, over which
// it opens without taking their port.
class Form17 final : public FormBase {
    Q_OBJECT
public:
    explicit Form17(FormContext& context);

    // Reads the file and shows it; a file that cannot be read is told on the screen.
    void openFile(const QString& path) override;
    const LogFile& log() const { return m_log; }

protected:
    void onCloseRequested() override;

private:
    void chooseFile();
    void exportPicture();
    // The ticked columns handed to the plot.
    void showColumns();

    QPushButton* Command1;  // open
    QPushButton* Command2;  // export the picture
    QPushButton* Command3;  // the whole log
    QPushButton* Command4;  // EXIT
    QLabel* Label1;         // the file
    QLabel* Label2;         // "Colonne"
    QLabel* Label3;         // "Dettagli"
    QLabel* Label4;         // how the mouse and the keys move the plot
    QListWidget* List1;     // the columns, ticked to be plotted
    QPlainTextEdit* Text1;  // version and parameter lines
    StatusLine* StatusText; // lines not read, errors
    TimePlot* Plot1;

    LogFile m_log;
    std::vector<MinMaxIndex> m_indexes; // per column; empty for all but the value columns
    MinMaxIndex m_fuelIndex;
};
