#pragma once

#include "calib/CalibrationPageMachine.h"
#include "link/WriteSequence.h"
#include "screen/FormBase.h"

#include <QColor>
#include <QStringList>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class RequestPlan;
class Shape;
class StatusLine;
class TableGrid;
struct CalibrationInput;

// The calibration page: the correction table with its two breakpoint rows, the marker that
// follows the engine across it, the live values, the three correctives, manual calibration
// driven live through command 10, the fuel switch, and the verified write of everything on
// the page. What each click and each reply does to the page's mode is CalibrationPageMachine's
// business; this is its view and its link.
class Form16 final : public FormBase {
    Q_OBJECT
public:
    explicit Form16(FormContext& context);

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

    // Shown again when the graphical view closes: polling starts over if the page was talking.
    void showScreen() override;

    const CalibrationPageMachine& page() const { return m_page; }
    const WriteSequence& writes() const { return m_writes; }

protected:
    void onUnload() override;
    void onCloseRequested() override;
    void applyLanguageStrings() override;

private:
    QWidget* buildGrid();
    QWidget* buildLivePanel();
    QWidget* buildCorrectives();
    QWidget* buildButtons();
    QLineEdit* numberBox(const QString& name, bool editable);
    QGroupBox* frame(int number, const QString& title, QWidget* content);
    QGroupBox* frame(int number, const QString& title, QLineEdit* box);
    QScrollBar* spinner(const QString& name, int low, int high, QLineEdit* shows);
    // A spinner's value, and setting it without the change going anywhere.
    static int spun(const QScrollBar* bar);
    static void spin(QScrollBar* bar, int value);
    QLabel* label(int number, const QString& text);
    void setupExchange();
    static const RequestPlan& plan();

    void load();
    void fillCorrectives();
    // Breakpoints and table as the set holds them; `verified`: the table's history starts over.
    void fillGrid(bool verified);
    void showLive();
    void colourNumbers(const QColor& colour);
    void moveMarker();
    void refreshControls();
    // Puts the machine's request in force on the exchange.
    void syncRequest();
    void linkLost();
    void linkFound();

    void modificaClicked();
    CalibrationInput typedInput() const;
    void markRejected(const QStringList& controls);
    void clearRejected(QLineEdit* box);
    ExchangeCycle::Outcome writeFinished(bool verified, const QString& outcome);
    // Acts on what the machine decided about leaving; true when the page is gone.
    bool carryOut(const PageAction& action, const QString& writeNote = QString());
    // What the page said of a write it gave up while waiting to leave.
    QStringList m_abandonedWriteNotes;

    // Text6 elements 0..79: rpm breakpoints, injection-time breakpoints, table cells.
    std::array<QLineEdit*, 80> Text6{};
    Shape* Shape1;
    QLineEdit* Text1;  // Lambda1
    QLineEdit* Text2;  // Lambda1Mean
    QLineEdit* Text7;  // Pressure1
    QLineEdit* Text16; // Pressure2
    QLineEdit* Text22; // Temperature
    QLineEdit* Text5;  // Rpm
    QLineEdit* Text12; // PetrolTinj
    QLineEdit* Text4;  // GasTinj
    QLineEdit* Text14; // Kcor
    QLineEdit* Text11; // ManualKgb
    QScrollBar* VScroll1;
    QLineEdit* Text15;      // status line
    QLineEdit* Text3;       // ECU version, or the lost-link text
    StatusLine* Label4;     // MODIFICA: rejected fields, then the write's progress and outcome
    StatusLine* StatusText; // the page's notices: the port, leaving while the ECU is silent
    // The correctives.
    QLineEdit* Text23;
    QScrollBar* VScroll4;
    QLineEdit* Text10;
    QLineEdit* Text13;
    QLineEdit* Text25;
    QLineEdit* Text19;
    QScrollBar* VScroll3;
    QLineEdit* Text26;
    QLineEdit* Text27;
    QLineEdit* Text20;
    QScrollBar* VScroll2;
    QLineEdit* Text24;
    QGroupBox* Frame19; // Pressure2: only with a second pressure sensor
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command5;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command9;

    // The table's cells as a tuner works them: selection, tools, history, clipboard.
    TableGrid* m_grid = nullptr;
    // Every box whose number takes the fuel's colour.
    QList<QLineEdit*> m_coloured;
    QColor m_numberColour;
    QStringList m_rejected;
    CalibrationPageMachine m_page;
    WriteSequence m_writes;
};
