#pragma once

#include "link/ParameterUploadCycle.h"
#include "link/RequestPlan.h"
#include "screen/FormBase.h"
#include "state/MainMenuMachine.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class StatusLine;

// The main menu: ECU version, upload of the whole parameter set with range check and
// write-back of defaults, the LPG / methane choice, and the way to the other screens.
class Form2 final : public FormBase {
    Q_OBJECT
public:
    explicit Form2(FormContext& context);

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

    using Phase = MainMenuMachine::Phase;
    Phase phase() const { return m_menu.phase(); }

    // A line from the screen that just came back here: the calibration page left without the
    // ECU confirming the end of manual calibration, or with its write interrupted.
    void showNotice(const QString& text) override { showStatus(text); }

protected:
    void onUnload() override { ctx.dialogs.setBusy(false); }
    void onCloseRequested() override { leaveFor(ScreenId::Form1); }

private:
    void setupExchange();
    void applyLanguageStrings() override;
    void showFuel(int gasType);
    void fuelClicked(int index);
    // Buttons and fuel options as the menu's phase allows.
    void showControls();
    // The upload, after `writes` (a change of fuel) when there are any.
    void startUpload(std::vector<WriteSequence::Write> writes = {});
    void buttonClicked(MainMenuMachine::Button button);
    // A record of a button's exchange arrived: ask for the next, or hand over.
    ExchangeCycle::Outcome follow(const MainMenuMachine::Next& next);
    static const RequestPlan& plan() { return RequestPlan::mainMenu(); }
    void showStatus(const QString& text);
    ExchangeCycle::Outcome uploadEnded(ParameterUpload::Step step);

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
    StatusLine* StatusText; // what went wrong on this screen: a refused default, a vanished port

    MainMenuMachine m_menu{g.connected()};
    std::unique_ptr<ParameterUploadCycle> m_upload;
};
