#pragma once

#include "screen/FormBase.h"

class QComboBox;
class QLabel;
class QPushButton;

// The serial-port settings dialog: port and line settings for the running program only
// (Config.ini is never written).
class Form4 final : public FormBase {
    Q_OBJECT
public:
    explicit Form4(FormContext& context);

protected:
    void onCloseRequested() override;

private:
    void okClicked();
    void close4();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QComboBox* Combo1;
    QComboBox* Combo2;
    QComboBox* Combo3;
    QComboBox* Combo4;
    QComboBox* Combo5;
    QPushButton* Command1;
    QPushButton* Command2;

    // The pending choice, applied by OK only. DialogDevice: a port the system reported, chosen
    // instead of a port number (empty for COM1..COM8).
    int DialogPort = 0;
    QString DialogDevice;
    QString DialogBaud, DialogParity, DialogDataBits, DialogStopBits;
};
