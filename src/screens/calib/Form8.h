#pragma once

#include "calib/AutoCalibrationRun.h"
#include "diag/LogWriter.h"
#include "link/WriteSequence.h"
#include "screen/FormBase.h"

#include <QTimer>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RequestPlan;
class Shape;

// The automatic calibration screen: the view and the link of one AutoCalibrationRun. The
// exchange (Timer1) polls the ECU every 100 ms with the coefficient under test and sends what
// the run asks for; the calibration step (Timer3) moves the run every 50 ms; the log
// (Timer2), when on, writes one line every 50 ms. The converged coefficient is stored as two
// verified write sequences: the 64 table cells read back with command 8, then the calibration
// pressure and temperature read back with command 1.
class Form8 final : public FormBase {
    Q_OBJECT
public:
    explicit Form8(FormContext& context);
    ~Form8() override;

    // The three timers' steps; the timers call them, tests call them directly.
    void Timer1Tick() { cycle().tick(); } // exchange
    void Timer2Tick();                    // log
    void Timer3Tick();                    // calibration step

    const AutoCalibrationRun& run() const { return m_run; }
    // The two parts of the store, for what they wrote and how they ended.
    const WriteSequence& tableStore() const { return m_tableStore; }
    const WriteSequence& referenceStore() const { return m_referenceStore; }

protected:
    void onUnload() override;
    void onCloseRequested() override;

private:
    static const RequestPlan& plan();
    void buildControls();
    void applyLanguageStrings();
    void setupExchange();
    ExchangeCycle::Outcome acknowledged(int command);

    // Hands the run's wish to the exchange: the request repeated on every tick, and a fuel
    // switch to go out once (or withdrawn, when the run no longer wants it).
    void syncRequest();
    void startClicked();
    void stopClicked();
    void startLogClicked();
    void stopLogClicked();

    void startStore();
    ExchangeCycle::Outcome tableStored();
    ExchangeCycle::Outcome storeEnded();

    // Leaves for the calibration page. Says so when the ECU may still be in calibration mode
    // or the store was cut short (only possible after a lost link).
    void leave();
    // False when the log's last lines could not be put on the disk (the log writer says why).
    bool stopLog();

    void showLive();
    // Values that are not coming in (no answer yet, link lost, no connection) are greyed, so
    // that nothing old reads as live.
    void setLiveShown(bool live);
    void showRun();
    void showStatus(const QString& text);
    void linkLost();
    void linkFound();
    // What EXIT is waiting for, if it was pressed; otherwise the line is cleared.
    void showExitWait();

    AutoCalibrationRun m_run;
    LogWriter m_log;
    WriteSequence m_tableStore;
    WriteSequence m_referenceStore;
    std::vector<WriteSequence::Write> m_references; // what the second part writes
    WriteSequence* m_storing = nullptr;             // the part running now
    QString m_storeReport;
    int m_retryCount = 0; // this screen's own count of unanswered requests
    bool m_exitAsked = false;
    bool m_busy = false;
    // Colours set last, so a style sheet is only set again when it changes.
    int m_rpmColour = -1;    // Text8: 0 red (engine stopped), 1 cyan
    int m_resultColour = -1; // Label2: 0 red, 1 green (converged)

    QTimer Timer2{this};
    QTimer Timer3{this};

    QPushButton* Command3; // START TARATURA
    QPushButton* Command1; // STOP TARATURA
    QPushButton* Command5; // EXIT
    QPushButton* Command6; // START Acquisizione
    QPushButton* Command7; // STOP Acquisizione
    QPushButton* Command8; // the log just closed, opened in the viewer
    QLabel* Label1;        // what the run is doing
    QLabel* Label2;        // its result
    QLabel* Label22;
    QLabel* Label24;
    QLineEdit* Text28; // log file name
    QLineEdit* Text30; // KTAR TARATO
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text7;
    QLineEdit* Text8;
    QLineEdit* Text9;
    QLineEdit* Text11;
    QLineEdit* Text20;
    QLineEdit* Text21;
    QLineEdit* Text22;
    Shape* Shape2; // petrol lamp
    Shape* Shape3; // gas lamp
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QGroupBox* Frame4;
    QGroupBox* Frame5;
    QGroupBox* Frame7;
    QGroupBox* Frame8;
    QGroupBox* Frame10;
    QGroupBox* Frame11;
    QGroupBox* Frame12;
    QGroupBox* Frame13;
    QLabel* StoreText;  // the store's progress and outcome, references left out
    QLabel* StatusText; // the link, the port, the log, leaving
};
