#pragma once

#include "calib/AutoCalibrationRun.h"
#include "diag/LogWriter.h"
#include "screen/FormBase.h"
#include "screens/calib/Form8Ui.h"

#include <QTimer>

class RequestPlan;

// The automatic calibration screen: the view and the link of one AutoCalibrationRun, which
// decides what is sent, what is stored and when the screen may leave. The exchange (Timer1)
// polls the ECU every 100 ms with the coefficient under test, sends what the run asks for and
// runs the store's write sequences; the calibration step (Timer3) moves the run every 50 ms;
// the log (Timer2), when on, writes one line every 50 ms. The controls are in Form8Ui.
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

protected:
    void onUnload() override;
    void onCloseRequested() override;

private:
    static const RequestPlan& plan();
    void setupExchange();
    ExchangeCycle::Outcome acknowledged(int command);

    // Hands the run's wish to the exchange: the request repeated on every tick, and a fuel
    // switch to go out once (or withdrawn, when the run no longer wants it).
    void syncRequest();
    // Puts the store's part that is due on the exchange, if it is not there yet.
    void runStorePart();
    void startClicked();
    void stopClicked();
    void startLogClicked();
    void stopLogClicked();

    // Leaves for the calibration page, telling what the run and the log leave behind.
    void leave();
    // False when the log's last lines could not be put on the disk (the log writer says why).
    bool stopLog();

    void showRun();
    void showStatus(const QString& text) { ui.showStatus(text); }
    // `why` names the vanished adapter; empty when the ECU fell silent.
    void linkLost(const QString& why);
    void linkFound();

    AutoCalibrationRun m_run;
    LogWriter m_log;
    int m_retryCount = 0; // this screen's own count of unanswered requests
    bool m_busy = false;  // the busy pointer shown
    QTimer Timer2{this};
    QTimer Timer3{this};
    Form8Ui ui;
};
