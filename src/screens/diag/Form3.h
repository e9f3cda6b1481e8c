#pragma once

#include "diag/LevelLamps.h"
#include "diag/LiveLayout.h"
#include "diag/LiveRing.h"
#include "diag/LogWriter.h"
#include "screen/PollingScreen.h"

#include <QElapsedTimer>
#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class Shape;
class TimePlot;

// The live acquisition screen: what the ECU reports while the engine runs (speed, pressures,
// lambda, temperature, injection times, KTAB/KCOR, state, fuel, level), the forced fuel
// switch, the acquisition log, and the trend chart of the last minutes beside the values.
class Form3 final : public PollingScreen {
    Q_OBJECT
public:
    explicit Form3(FormContext& context);

    // The exchange tick (Timer1), the graphic refresh (Timer2) and the log tick (Timer3).
    void Timer1Tick() { cycle().tick(); }
    void Timer2Tick();
    void Timer3Tick();

    // Live records decoded since the screen opened.
    int liveRecords() const { return m_records; }
    const LogWriter& logWriter() const { return m_log; }
    // The samples of the trend chart.
    const LiveRing& trend() const { return m_ring; }

protected:
    void onUnload() override;
    void onCloseRequested() override;
    void showLive(bool live) override;
    void applyLanguageStrings() override;
    void showLinkLost(const QString& reason) override;
    void showLinkBack() override;

private:
    using Bar = std::array<Shape*, BarSegments>;

    void buildControls();
    void buildLayout();
    void applyLayout();
    void setupExchange();
    void buildChart();
    // The ticked curves of the ring, handed to the plot again: the ring has moved on.
    void refreshChart();
    void showChart(bool shown);
    void pauseChart(bool paused);
    QGroupBox* frame(const QString& name, const QString& title);
    Bar makeBar(const QString& name);
    static void paint(const Bar& bar, const SegmentColours& colours);
    void paintLevel(const LevelLamps::Lamps& lamps);
    void showValues();
    void startLogging();
    void stopLogging();
    void showLogLine(const QString& text, bool error);
    void updateLogButtons();
    // Every timer off and the log closed: the screen is being left.
    // False when the log's last lines could not be put on the disk (the log writer says why).
    bool stopEverything();
    LogWriter::Start logStart() const;

    QPushButton* Command1; // EXIT
    QPushButton* Command2; // Commuta
    QPushButton* Command3; // START Acquisizione
    QPushButton* Command4; // STOP Acquisizione
    QLabel* Label3;        // "Log file"
    QLineEdit* Text15;     // log file name
    QLabel* LogFileText;   // the file being written, or why logging stopped
    QLabel* Label4;        // "VERSIONE SW ECU"
    QLineEdit* Text17;
    QLabel* Label10; // "Stato ECU"
    QLineEdit* Text1;
    QLabel* Label6; // "RPM"
    QLabel* Label7; // "x min"
    QLineEdit* Text6;
    QGroupBox* Frame1; // injection times
    std::array<QLineEdit*, 16> Text5{};
    std::array<QLabel*, 8> CylinderLabel{};
    QLabel* Label11; // "Benzina"
    QLabel* Label5;  // "METANO"
    QLabel* Label12; // "GPL"
    QGroupBox* Frame7;
    QLineEdit* Text10;
    Bar Shape3{};
    QGroupBox* Frame11;
    QLineEdit* Text12;
    Bar Shape4{};
    QGroupBox* Frame2;
    QLineEdit* Text3;
    Bar Shape1{};
    QLabel* Label28; // "MAGRA"
    QLabel* Label29; // "RICCA"
    QGroupBox* Frame5;
    QLineEdit* Text2;
    QGroupBox* Frame3;
    QLineEdit* Text8;
    QGroupBox* Frame9;
    QLineEdit* Text7;
    QGroupBox* Frame6;
    QLineEdit* Text9;
    QGroupBox* Frame4;                                   // level
    Shape* Shape2;                                       // reserve lamp
    std::array<Shape*, LevelLamps::BarCount> LevelBar{}; // Shape8 (lowest) .. Shape11
    std::array<QLabel*, 8> Label2{};
    QLineEdit* Text4;
    Shape* Shape6; // petrol lamp
    Shape* Shape7; // gas lamp
    QLabel* PetrolLampLabel;
    QLabel* GasLampLabel;
    QPushButton* Command5; // the trend chart shown or hidden
    QPushButton* Command7; // the log just closed, opened in the viewer
    QWidget* TrendPanel;
    TimePlot* Plot1;
    std::array<QCheckBox*, LiveCurveCount - 1> Check1{}; // the curves, by LiveCurve
    QComboBox* Combo1;                                   // the seconds shown
    QPushButton* Command6;                               // pause
    QTimer* Timer2;
    QTimer* Timer3;

    // The boxes that show received values, greyed while nothing live is shown.
    std::vector<QLineEdit*> m_values;
    LiveLayout m_layout;
    LevelLamps m_level;
    LogWriter m_log;
    LiveRing m_ring;
    QElapsedTimer m_clock; // the ring's time
    int m_records = 0;
};
