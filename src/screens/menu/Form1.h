#pragma once

#include "screen/FormBase.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class StatusLine;

// The start screen: program version, language, connected or not, the serial settings, and
// the way to the main menu through the connection check (command 7).
class Form1 final : public FormBase {
    Q_OBJECT
public:
    // The program's version, set once in the build.

    explicit Form1(FormContext& context);

    // The connection check's tick (Timer1).
    void ConnectionCheckTick() { cycle().tick(); }

protected:
    void onCloseRequested() override;
    void applyLanguageStrings() override;

private:
    void chooseLanguage(int index);
    void menuClicked();
    void toggleConnected();
    void serialSettingsClicked();
    void showPortError(int code);
    void showDetail(const QString& text);
    void setupConnectionCheck();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Image2;
    QLineEdit* Text1;
    QPlainTextEdit* Text2;
    QPlainTextEdit* Text3;
    QPlainTextEdit* Text4;
    StatusLine* PortErrorDetail; // the device and the reason behind a port notice
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command8; // the log viewer, which needs no ECU
};
