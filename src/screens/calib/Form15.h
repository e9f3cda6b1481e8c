#pragma once

#include "calib/CalibrationGraph.h"
#include "screen/FormBase.h"

#include <array>

class CalibrationPlot;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class Shape;

// The graphical calibration view: the first six rpm columns of the table as curves over the
// first seven injection-time breakpoints. The fitter picks a curve in the legend (it blinks)
// and clicks one of its points to read its rpm, injection time and coefficient. It reads the
// table when it opens and never talks to the ECU; without a connection it shows the
// demonstration curves. The calibration page stays loaded behind it and resumes when the view
// is left.
class Form15 final : public FormBase {
    Q_OBJECT
public:
    explicit Form15(FormContext& context);

    // The blink tick (Timer1, 1000 ms while a curve is chosen).
    void Timer1Tick();

    const CalibrationGraph& graph() const { return m_graph; }

protected:
    void onUnload() override;
    void onCloseRequested() override;
    void applyLanguageStrings() override;
    // A press on the view's own background: the legend box, the panel, the captions.
    void mousePressEvent(QMouseEvent* event) override;

private:
    void selectCurve(int curve);
    void deselect();
    void inspect(QPoint viewPixel);
    void stepPoint(int delta);
    void showSelectCurveMessage();
    // Legend lines, legend states and the plot, from the graph.
    void showCurves();

    CalibrationGraph m_graph;
    CalibrationPlot* m_plot;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label29;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    std::array<QPushButton*, CalibrationGraph::CurveCount> m_legend{}; // Label23..Label28
    std::array<Shape*, CalibrationGraph::CurveCount> m_legendLine{};   // Line4..Line9
    QPushButton* Label30;
    QPushButton* Command1;
    QTimer* Timer1;
    int m_keyPoint = -1;         // the point the arrows stepped to on the chosen curve
    bool m_messageShown = false; // this view opened the message screen
};
