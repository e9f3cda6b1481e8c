#pragma once

#include "link/ParameterUpload.h"
#include "link/WriteSequence.h"
#include "screen/FormBase.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class RequestPlan;

// The main menu: ECU version, upload of the whole parameter set with range check and
// write-back of defaults, the LPG / methane choice, and the way to the other screens.
class Form2 final : public FormBase {
    Q_OBJECT
public:
    explicit Form2(FormContext& context);

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

    enum class Phase {
        Idle,      // not connected, or the port could not be opened
        Uploading, // upload, check and write-back rounds
        Ready,     // a valid set is held; the buttons are released
        Exchange,  // a button's short exchange before handing over
        Stopped,   // the ECU keeps refusing defaults
    };
    Phase phase() const { return m_phase; }

    int CalibrationRequested = 0;

    // A line from the screen that just came back here: the calibration page left without the
    // ECU confirming the end of manual calibration, or with its write interrupted.
    void showNotice(const QString& text) override { showStatus(text); }

protected:
    void onUnload() override;
    void onCloseRequested() override;

private:
    void setupExchange();
    void applyLanguageStrings();
    void showFuel(int gasType);
    void fuelClicked(int index);
    void setMenuButtons(bool enabled);
    void setFuelOptions(bool enabled);
    void startUpload();
    void startButtonExchange(int request, bool calibration);
    void handOver(ScreenId next);
    static const RequestPlan& plan();
    // Writes the list, then uploads the whole set again.
    void writeThenUpload(std::vector<WriteSequence::Write> writes);
    void showStatus(const QString& text);
    ExchangeCycle::Outcome uploadChecked();

    QLabel* Label1;
    QLabel* Label4;
    QLabel* Label3;
    QLineEdit* Text1;
    QRadioButton* Option1[2];
    QLabel* Label2;
    QLabel* Label5;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPlainTextEdit* Text4;
    QLabel* StatusText; // what went wrong on this screen: a refused default, a vanished port

    Phase m_phase = Phase::Idle;
    ParameterUpload m_upload{g.parameters, g.writeList};
    WriteSequence m_writes;
};
