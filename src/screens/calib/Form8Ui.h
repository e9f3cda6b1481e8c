#pragma once

#include <QList>
#include <QString>

class AutoCalibrationRun;
class LanguageTable;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class Shape;
class StatusLine;
struct LiveData;

// The controls of the automatic calibration screen and how they show the run, apart from
// what the screen does with them. Every control carries its name as its objectName.
class Form8Ui {
public:
    // Builds the controls into `form` with their captions in the fitter's language; the
    // second pressure only with a second sensor, as on the live screen: without one the
    // ECU's word is no pressure at all. `beside` (if any) goes to the right of them all.
    void setupUi(QWidget* form, const LanguageTable& language, bool showPressure2,
                 QWidget* beside = nullptr);

    void showLive(const LiveData& live);
    // Values that are not coming in (no answer yet, link lost, no connection) are greyed, so
    // that nothing old reads as live.
    void setLiveShown(bool live);
    // The run's texts and figures, and the buttons it allows (none without a connection).
    void showRun(const AutoCalibrationRun& run, bool connected);
    void showStatus(const QString& text);

    QPushButton* Command3; // START TARATURA
    QPushButton* Command1; // STOP TARATURA
    QPushButton* Command5; // EXIT
    QPushButton* Command6; // START Acquisizione
    QPushButton* Command7; // STOP Acquisizione
    QPushButton* Command8; // the log just closed, opened in the viewer
    QLabel* Label1;        // what the run is doing
    QLabel* Label2;        // its result
    QLineEdit* Text28;     // log file name
    QLineEdit* Text30;     // KTAR TARATO
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
    Shape* Shape2;            // petrol lamp
    Shape* Shape3;            // gas lamp
    QList<QGroupBox*> frames; // the value frames, greyed together
    StatusLine* StoreText;    // the store's progress and outcome, references left out
    StatusLine* StatusText;   // the link, the port, the log, leaving

private:
    // Colours set last, so a style sheet is only set again when it changes.
    int m_rpmColour = -1;    // Text8: 0 red (engine stopped), 1 cyan
    int m_resultColour = -1; // Label2: 0 red, 1 green (converged)
};
