#include "common/World.h"

#include "params/ParameterId.h"
#include "screen/Shape.h"
#include "screens/calib/CalibrationPlot.h"
#include "screens/calib/Form15.h"
#include "screens/menu/Form12.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

constexpr Rgb kWhite{255, 255, 255};

// Default breakpoints but the seventh injection time, and a table whose six drawn curves
// never share a pixel, except where a test puts them together.
void calibratedTable(ParameterSet& set) {
    SetParameterDefaults(set);
    set.setValue(TinjBreakpoint1 + 6, 14500);
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            set.setKtar(8 * row + column + 1, 102 + 7 * column + row);
}

QColor pixel(QWidget* w, QPoint at) {
    return w->grab().toImage().pixelColor(at);
}

QColor colour(Rgb c) {
    return Shape::toColour(c);
}

QColor curve(int c) {
    return colour(CalibrationGraph::curveColour(c));
}

} // namespace

class TestGraphScreen : public QObject {
    Q_OBJECT

    // The view opened the way the calibration page opens it, on a table read from an ECU.
    static Form15* openView(World& w, const std::function<void(ParameterSet&)>& adjust = {}) {
        calibratedTable(w.g.parameters);
        if (adjust) adjust(w.g.parameters);
        w.host.show(ScreenId::Form15);
        return w.screen<Form15>(ScreenId::Form15);
    }

    static CalibrationPlot* plotOf(Form15* view) { return view->findChild<CalibrationPlot*>(); }

    static QString text(World& w, const char* name) {
        return w.control<QLineEdit>(ScreenId::Form15, QString::fromLatin1(name))->text();
    }

    static QPushButton* button(World& w, const char* name) {
        return w.control<QPushButton>(ScreenId::Form15, QString::fromLatin1(name));
    }

    static QColor lineFill(World& w, const char* name) {
        return w.control<Shape>(ScreenId::Form15, QString::fromLatin1(name))->fill();
    }

    static QTimer* blinkTimer(Form15* view) {
        return view->findChild<QTimer*>(QStringLiteral("Timer1"));
    }

    // Presses the mouse on the plot over view pixel `at`, whatever the plot's scale.
    static void pressAt(Form15* view, QPoint at) {
        CalibrationPlot* plot = plotOf(view);
        QTest::mousePress(plot, Qt::LeftButton, {}, plot->fromView(at));
    }

private slots:
    // The view draws the table it was given: the breakpoints in the legends, and every
    // curve's points where the graph puts them, in their colours, over the axes.
    void opensOnTheTableAndBlinksTheChosenCurve() {
        World w;
        Form15* view = openView(w);
        QVERIFY(view && view->isVisible());
        QCOMPARE(w.control<QLabel>(ScreenId::Form15, QStringLiteral("Label22"))->text(),
                 QStringLiteral("14500"));
        QVERIFY(!blinkTimer(view)->isActive());
        const QImage image = plotOf(view)->grab().toImage();
        QCOMPARE(image.pixelColor(56, 300), QColor(Qt::black));  // vertical axis
        QCOMPARE(image.pixelColor(300, 400), QColor(Qt::black)); // horizontal axis
        for (int c = 0; c < CalibrationGraph::CurveCount; ++c)
            for (int j = 0; j < CalibrationGraph::PointsPerCurve; ++j)
                QCOMPARE(image.pixelColor(view->graph().position(c, j)), curve(c + 1));

        // A legend entry chooses a curve that blinks with its legend line; another takes over;
        // deselected while white, the next tick paints it in colour and stops the timer. (When
        // a curve is white is the graph's test.)
        auto* plot = plotOf(view);
        w.click(ScreenId::Form15, QStringLiteral("Label24"));
        QCOMPARE(view->graph().selectedCurve(), 2);
        QVERIFY(button(w, "Label24")->isChecked());
        QVERIFY(blinkTimer(view)->isActive());
        const QPoint point = view->graph().position(1, 3);
        view->Timer1Tick(); // dark phase: the chosen curve and its legend line go white
        QCOMPARE(pixel(plot, point), colour(kWhite));
        QCOMPARE(lineFill(w, "Line5"), colour(kWhite));
        QCOMPARE(lineFill(w, "Line4"), curve(1));

        w.click(ScreenId::Form15, QStringLiteral("Label28"));
        QVERIFY(!button(w, "Label24")->isChecked());
        view->Timer1Tick();
        QCOMPARE(pixel(plot, point), curve(2));
        QCOMPARE(lineFill(w, "Line9"), colour(kWhite));
        w.click(ScreenId::Form15, QStringLiteral("Label30"));
        QVERIFY(blinkTimer(view)->isActive()); // its next tick paints and stops
        view->Timer1Tick();
        QVERIFY(!blinkTimer(view)->isActive());
        QCOMPARE(lineFill(w, "Line9"), curve(6));
        QCOMPARE(pixel(plot, view->graph().position(5, 0)), curve(6));
    }

    // Keys choose a curve and step along it; a press on a point of the chosen curve, on the
    // window scaled up, fills the boxes and beeps once for every point in reach (which those
    // are is the graph's test). With no curve chosen a key is told, as a click is.
    void keysAndPressesReadThePointsOfTheChosenCurve() {
        World w;
        // Curve 4 meets curve 2 on point 5.
        Form15* view =
            openView(w, [](ParameterSet& s) { s.setKtar(8 * 5 + 3 + 1, s.ktar(8 * 5 + 1 + 1)); });
        auto* third = button(w, "Label25");
        QCOMPARE(third->focusPolicy(), Qt::StrongFocus);
        QTest::keyClick(third, Qt::Key_Space);
        QCOMPARE(view->graph().selectedCurve(), 3);
        CalibrationPlot* plot = plotOf(view);
        QTest::keyClick(plot, Qt::Key_Right);
        QTest::keyClick(plot, Qt::Key_Right);
        QCOMPARE(text(w, "Text1"), QString::number(w.g.parameters.value(RpmBreakpoint1 + 2)));
        QCOMPARE(text(w, "Text2"), QString::number(w.g.parameters.value(TinjBreakpoint1 + 1)));
        QCOMPARE(text(w, "Text3"), QString::number(w.g.parameters.ktar(8 * 1 + 2 + 1)));
        QCOMPARE(w.dialogs.beeps, 2);

        w.click(ScreenId::Form15, QStringLiteral("Label24"));
        view->resize(view->width() * 2, view->height() * 2);
        QVERIFY(plot->scale() > 1.5);
        pressAt(view, view->graph().position(1, 5) + QPoint(2, -2));
        QCOMPARE(w.dialogs.beeps, 4);
        QCOMPARE(text(w, "Text1"), QString::number(w.g.parameters.value(RpmBreakpoint1 + 1)));
        QCOMPARE(text(w, "Text2"), QString::number(w.g.parameters.value(TinjBreakpoint1 + 5)));
        QCOMPARE(text(w, "Text3"), QString::number(w.g.parameters.ktar(8 * 5 + 1 + 1)));
        QCOMPARE(pixel(plot, plot->fromView(view->graph().position(0, 0))), curve(1));
        QVERIFY(!w.host.loaded(ScreenId::Form12));

        QTest::keyClick(button(w, "Label30"), Qt::Key_Space);
        QCOMPARE(view->graph().selectedCurve(), 0);
        QTest::keyClick(plot, Qt::Key_Left);
        QVERIFY(w.host.isVisible(ScreenId::Form12));
    }

    // Without a chosen curve a press anywhere on the view (the plot, the legend box, the panel)
    // stops the blink and asks for a curve on one message screen, in the language of the
    // moment; its EXIT closes only the message. With a curve chosen a press beside the plot
    // reads nothing and says nothing. EXIT closes the view and its message alike.
    void withoutACurveOneMessageScreenAsksForOne() {
        World w;
        Form15* view = openView(w);
        w.click(ScreenId::Form15, QStringLiteral("Label23"));
        view->Timer1Tick(); // curve 1 white
        w.click(ScreenId::Form15, QStringLiteral("Label30"));
        pressAt(view, view->graph().position(0, 0));
        QVERIFY(!blinkTimer(view)->isActive());
        QCOMPARE(lineFill(w, "Line4"), curve(1)); // not left white for good
        QCOMPARE(w.dialogs.beeps, 0);
        auto* message = w.screen<Form12>(ScreenId::Form12);
        QVERIFY(message && message->isVisible());
        QCOMPARE(message->windowTitle(), QStringLiteral("TARVEX - Seleziona curva"));

        w.g.LanguageIndex = 2;
        const auto pressOn = [&w](const char* where) {
            QTest::mousePress(w.control<QWidget>(ScreenId::Form15, QString::fromLatin1(where)),
                              Qt::LeftButton, {}, QPoint(2, 2));
        };
        pressOn("Shape2");
        QCOMPARE(w.screen<Form12>(ScreenId::Form12), message);
        QCOMPARE(message->windowTitle(), QStringLiteral("TARVEX - Select the curve"));
        int windows = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            windows += top->objectName() == QStringLiteral("Form12") && top->isVisible();
        QCOMPARE(windows, 1);
        w.click(ScreenId::Form12, QStringLiteral("Command1"));
        QVERIFY(!w.host.loaded(ScreenId::Form12));
        QVERIFY(w.host.isVisible(ScreenId::Form15));
        pressOn("Label1");
        QVERIFY(w.host.isVisible(ScreenId::Form12));
        w.click(ScreenId::Form12, QStringLiteral("Command1"));

        w.click(ScreenId::Form15, QStringLiteral("Label24"));
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->width() - 2, 2));
        QVERIFY(!w.host.loaded(ScreenId::Form12));
        QVERIFY(blinkTimer(view)->isActive());
        QCOMPARE(text(w, "Text1"), QStringLiteral("0"));

        // EXIT with the message up closes both and goes back to the page.
        w.click(ScreenId::Form15, QStringLiteral("Label30"));
        pressAt(view, QPoint(100, 100));
        QVERIFY(w.host.isVisible(ScreenId::Form12));
        w.click(ScreenId::Form15, QStringLiteral("Command1"));
        QVERIFY(!w.host.loaded(ScreenId::Form15));
        QVERIFY(!w.host.loaded(ScreenId::Form12));
        QVERIFY(w.host.isVisible(ScreenId::Form16));
        QVERIFY(!blinkTimer(view)->isActive()); // freed on the next pass of the loop
    }

    void offlineShowsTheDemonstrationAndLeavesTheSetAlone() {
        World w;
        w.g.ConnectedMode = WorkMode::NotConnected;
        ParameterSet before;
        calibratedTable(before);
        Form15* view = openView(w);
        QCOMPARE(view->windowTitle(), QStringLiteral("TARVEX - Taratura grafica Non connesso"));
        w.click(ScreenId::Form15, QStringLiteral("Label23"));
        pressAt(view, view->graph().position(0, 1)); // the 90 below the 100 line
        QCOMPARE(text(w, "Text3"), QStringLiteral("90"));
        QCOMPARE(text(w, "Text2"), QStringLiteral("5000"));
        w.click(ScreenId::Form15, QStringLiteral("Command1"));
        QVERIFY(w.g.parameters == before);
    }
};

QTEST_MAIN(TestGraphScreen)
#include "test_graph_screen.moc"
