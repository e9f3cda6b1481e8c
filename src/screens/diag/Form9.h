#pragma once

#include "diag/DiagnosisView.h"
#include "screen/PollingScreen.h"

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The diagnosis screen: the ECU's hardware diagnosis (gas injector outputs, key and sensor
// voltages, solenoid valves, injector-1 sense, board temperature, debug values), polled
// every 100 ms.
class Form9 final : public PollingScreen {
    Q_OBJECT
public:
    explicit Form9(FormContext& context);

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

    // Diagnosis records decoded since the screen opened.
    int records() const { return m_records; }

protected:
    void onCloseRequested() override;
    void showLive(bool live) override;
    void applyLanguageStrings() override;

private:
    void showRecord();

    std::array<QLabel*, DiagnosisView::BoxCount> Label1{};
    std::array<QLineEdit*, DiagnosisView::BoxCount> Text1{};
    QGroupBox* Frame1; // "Stato Iniettori", elements 0..7
    QPushButton* Command1;
    int m_records = 0;
};
