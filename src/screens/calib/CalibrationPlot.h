#pragma once

#include <QWidget>
#include <array>

class CalibrationGraph;
class QLabel;

// The plot of the graphical calibration view: grid, scale, axes, frame and the six curves,
// painted from the graph's state on every paint event, so it survives being covered, resized
// or moved to a screen of another scale. At scale 1 its pixels are the view's pixels, the
// geometry the graph's positions are given in; a larger widget scales the whole plot, centred,
// and clicks are mapped back to those pixels. The captions are real labels, for screen readers.
class CalibrationPlot final : public QWidget {
    Q_OBJECT
public:
    static constexpr int BaseWidth = 600;
    static constexpr int BaseHeight = 456;

    CalibrationPlot(const CalibrationGraph& graph, QWidget* parent);

    // Under the horizontal axis (Label3) and at the top of the vertical one (Label4).
    void setCaptions(const QString& horizontal, const QString& vertical);
    // The injection-time breakpoints under the columns (Label16..Label22), from the graph.
    void showBreakpoints();
    // A ring around the point the keyboard stepped to, while the plot has the focus; a column
    // below 0 takes it away.
    void setMarker(int column, int point);

    double scale() const;
    // Where the view's pixel (0, 0) lies in this widget: the top left corner at scale 1.
    QPointF origin() const;
    // A position in this widget in the view's pixels at scale 1, rounded to the nearest pixel.
    QPoint toView(QPointF widgetPosition) const;
    QPoint fromView(QPoint viewPixel) const;

    QSize sizeHint() const override { return {BaseWidth, BaseHeight}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // A mouse button went down on the plot, at this view pixel.
    void pressed(QPoint viewPixel);
    // Left or right arrow: the previous or next point of the selected curve.
    void stepped(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void placeLabels();
    QLabel* makeLabel(const QString& name, const QString& text, Qt::Alignment align);

    const CalibrationGraph& m_graph;
    QLabel* Label3;
    QLabel* Label4;
    std::array<QLabel*, 11> m_scale{}; // Label5..Label15: 100, 110, ... 200
    std::array<QLabel*, 7> m_tinj{};   // Label16..Label22
    int m_markerColumn = -1;
    int m_markerPoint = 0;
};
