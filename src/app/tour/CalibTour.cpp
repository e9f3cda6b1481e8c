// The stops of the calibration page, its graphical view and the automatic calibration.

#include "ScreenTours.h"
#include "TourSteps.h"

#include "screens/calib/CalibrationPlot.h"
#include "screens/calib/CellPanel.h"
#include "screens/calib/Form15.h"
#include "screens/calib/Form16.h"
#include "screens/calib/Form8.h"
#include "screens/calib/TableGrid.h"
#include "state/RecordingUserDialogs.h"
#include "state/VariabiliGlobali.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSpinBox>

void ScreenTours::form16(Tour& t) {
    const ScreenId self = ScreenId::Form16;
    const auto when = [&t, self](std::function<bool(const Form16&)> what) {
        return showing<Form16>(t, self, std::move(what));
    };
    const auto machine = [&t, self](std::function<bool(const CalibrationPageMachine&)> what) {
        return showing<Form16>(t, self, [what](const Form16& p) { return what(p.page()); });
    };
    const auto type = [&t, self](const char* box, const char* text) {
        if (auto* field = t.control<QLineEdit>(self, box))
            field->setText(QString::fromLatin1(text));
    };

    passToReadyMenu(t, t.scenario("warm-up"));
    t.picture(QStringLiteral("16a-calibration-page"), t.press(ScreenId::Form2, "Command5"),
              when([&t, self](const Form16&) {
                  const LiveData& live = t.state().liveData;
                  const auto* marker = t.control<QWidget>(self, "Shape1");
                  return live.FuelState == 0 && live.Rpm > 0 && marker && marker->isVisible();
              }),
              self);
    // The table worked as a tuner works it: four corners set (100, 120, 130, 150), the block
    // between them interpolated and still selected, every cell it changed marked as not yet
    // written. Then all of it undone, so the stops after see the table as the ECU holds it.
    const auto grid = [&t, self] {
        auto* page = t.screen<Form16>(self);
        return page ? page->findChild<TableGrid*>() : nullptr;
    };
    t.picture(
        QStringLiteral("16f-calibration-table-interpolated"),
        [&t, self, grid] {
            TableGrid* tools = grid();
            auto* value = t.control<QSpinBox>(self, "TableValue");
            if (!tools || !value) return;
            for (const auto& [row, column, v] :
                 {std::array<int, 3>{1, 1, 100}, {1, 5, 120}, {5, 1, 130}, {5, 5, 150}}) {
                tools->select(TableSelection::cell(row, column));
                value->setValue(v);
                tools->action(TableGrid::Tool::Set)->trigger();
            }
            tools->select({1, 1, 5, 5});
            tools->action(TableGrid::Tool::Bilinear)->trigger();
        },
        [grid] {
            const TableGrid* tools = grid();
            return tools && tools->history().edited().count() >= 20;
        },
        self);
    t.pass(
        [grid] {
            TableGrid* tools = grid();
            for (int step = 0; tools && step < 10 && tools->history().canUndo(); ++step)
                tools->action(TableGrid::Tool::Undo)->trigger();
            if (tools) tools->select(TableSelection::cell(0, 0));
        },
        [grid] {
            const TableGrid* tools = grid();
            return tools && tools->history().edited().none();
        });
    t.pass(t.press(self, "Command9"),
           machine([](const CalibrationPageMachine& m) { return m.ecuManual(); }));
    t.picture(
        QStringLiteral("16b-calibration-manual-on"),
        [&t, self] {
            if (auto* spinner = t.control<QScrollBar>(self, "VScroll1")) spinner->setValue(-120);
        },
        when([&t](const Form16&) { return t.state().liveData.Kcor == 120; }), self);
    // MODIFICA with manual calibration on asks before it flattens the table; here the fitter
    // answers no.
    t.questionPicture(QStringLiteral("16e-calibration-manual-write-question"),
                      Tour::then([&t] { t.dialogs().answer = false; }, t.press(self, "Command7")),
                      self);
    t.pass([&t] { t.dialogs().answer = true; },
           machine([](const CalibrationPageMachine& m) { return !m.writing(); }));
    t.pass(t.press(self, "Command9"), machine([](const CalibrationPageMachine& m) {
               return m.modeAcknowledged() && !m.ecuManual();
           }));
    t.picture(QStringLiteral("16c-calibration-rejected"),
              Tour::then(
                  [type] {
                      type("Text6_1", "500");
                      type("Text6_26", "151");
                  },
                  t.press(self, "Command7")),
              when([&t, self](const Form16&) {
                  const auto* message = t.control<QLabel>(self, "Label4");
                  return message && !message->text().isEmpty();
              }),
              self);
    passScreenToStart(t, self);
    offlinePicture(t, QStringLiteral("16d-calibration-not-connected"), "Command5", self);
}

void ScreenTours::form15(Tour& t) {
    const ScreenId self = ScreenId::Form15;
    // A mouse press on point (column, point) of the plot, as the fitter's click.
    const auto pressPoint = [&t, self](int column, int point) {
        return [&t, self, column, point] {
            auto* view = t.screen<Form15>(self);
            auto* plot = view ? view->findChild<CalibrationPlot*>() : nullptr;
            if (!plot) return;
            const QPointF at = plot->fromView(view->graph().position(column, point));
            QMouseEvent press(QEvent::MouseButtonPress, at, plot->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(plot, &press);
        };
    };
    const auto white = [&t, self](int curve) {
        return showing<Form15>(
            t, self, [curve](const Form15& v) { return v.graph().whiteCurve() == curve; });
    };
    // The way back a fitter takes: view, calibration page, main menu, start screen.
    const auto leave = [&t, self](const Tour::Action& last) {
        t.pass(t.press(self, "Command1"), t.visible(ScreenId::Form16));
        t.pass(t.press(ScreenId::Form16, "Command1"), t.visible(ScreenId::Form2));
        passMenuToStart(t, last);
    };

    // Connected: a table uploaded from the virtual ECU, curve 3 chosen and its fourth point
    // read, taken in the second the curve blinks white.
    passToReadyMenu(t, t.scenario("calibrated"));
    t.pass(Tour::then(t.show(self), t.press(self, "Label25")), t.visible(self));
    t.picture(QStringLiteral("15a-graph-curve-selected"), pressPoint(2, 3), white(3), self);
    leave(t.scenario("factory"));

    // Offline: the demonstration curves; then the plot clicked before a curve is chosen.
    t.picture(QStringLiteral("15b-graph-not-connected"),
              Tour::then(t.press(ScreenId::Form1, "Command7"), t.show(self)), t.visible(self),
              self);
    t.picture(QStringLiteral("15c-message-select-curve"), pressPoint(0, 0),
              t.visible(ScreenId::Form12), ScreenId::Form12);
    leave(t.press(ScreenId::Form1, "Command7"));
}

void ScreenTours::form8(Tour& t) {
    const ScreenId self = ScreenId::Form8;
    const auto state = [&t, self](std::function<bool(const AutoCalibrationRun&)> holds) {
        return showing<Form8>(t, self, [holds](const Form8& s) { return holds(s.run()); });
    };
    const auto running = state([](const AutoCalibrationRun& r) { return r.live().Rpm > 0; });
    // A run takes about a minute of engine time: measuring on petrol, on gas, and again.
    constexpr int runMs = 240000;

    passToReadyMenu(t, t.scenario("calibration-car"));
    t.pass(t.press(ScreenId::Form2, "Command5"), t.visible(ScreenId::Form16));
    // Through the page's button, as a fitter comes: the page closes its port first. Shown over
    // a page still polling, the two screens would share the ECU's one line.
    t.pass(t.press(ScreenId::Form16, "Command8"), running);
    t.picture(QStringLiteral("80-autocal-measuring-gas"), t.press(self, "Command3"),
              state([](const AutoCalibrationRun& r) { return r.phase() == 5 && r.avgOnGas() > 0; }),
              self, runMs);
    t.picture(QStringLiteral("81-autocal-stored"), nullptr, state([](const AutoCalibrationRun& r) {
                  return r.phase() == 8 && !r.mayBeInCalibrationMode();
              }),
              self, runMs);
    t.picture(QStringLiteral("83-autocal-adapter-pulled"), t.scenario("unplug"),
              state([](const AutoCalibrationRun& r) { return r.linkLost(); }), self);
    t.pass(t.scenario("plug"), state([](const AutoCalibrationRun& r) { return !r.linkLost(); }));

    // Cell by cell on a roller bench: the corners of a region, the last one pictured while it
    // measures on gas beside the map of the others, then the cells between proposed.
    t.pass(t.scenario("cell-car"), running);
    const struct {
        TableCell cell;
        const char* hold; // the scenario keeps the name, not a copy
    } corners[] = {
        {{1, 1}, "hold 1 1"}, {{1, 5}, "hold 1 5"}, {{5, 1}, "hold 5 1"}, {{5, 5}, "hold 5 5"}};
    for (const auto& [c, hold] : corners) {
        t.pass(t.scenario(hold), state([c](const AutoCalibrationRun& r) {
                   return r.coverage().engineCell() == c && r.coverage().dwellMs() >= 2000;
               }));
        // A gas record of this run: the averages on show may be the last run's.
        const auto measuringGas = state([c](const AutoCalibrationRun& r) {
            return r.cellUnderCalibration() == c && r.phase() == 5 && r.live().GasTinj > 0;
        });
        if (c == corners[3].cell)
            t.picture(QStringLiteral("84-autocal-cell-measuring-gas"), t.press(self, "CommandCell"),
                      measuringGas, self, runMs);
        else
            t.pass(t.press(self, "CommandCell"), measuringGas, runMs);
        t.pass(nullptr, state([](const AutoCalibrationRun& r) {
                   return !r.cellUnderCalibration() && !r.mayBeInCalibrationMode();
               }),
               runMs);
    }
    t.picture(QStringLiteral("85-autocal-cell-fill-proposed"), t.press(self, "CommandFill"),
              showing<Form8>(t, self,
                             [](const Form8& s) {
                                 const auto* panel = s.findChild<const CellPanel*>();
                                 return panel && panel->proposal();
                             }),
              self);
    t.pass(t.press(self, "CommandFillCancel"), t.visible(self));

    const auto backToStart = [&t, self] {
        t.pass(t.press(self, "Command5"), t.visible(ScreenId::Form16));
        t.pass(t.press(ScreenId::Form16, "Command1"), t.visible(ScreenId::Form2));
        passMenuToStart(t);
    };
    backToStart();

    // The longest texts: Turkish.
    passToReadyMenu(t, Tour::then(t.scenario("factory"), t.press(ScreenId::Form1, "Command5")));
    t.pass(t.press(ScreenId::Form2, "Command5"), t.visible(ScreenId::Form16));
    t.picture(QStringLiteral("82-autocal-turkish"), t.press(ScreenId::Form16, "Command8"), running,
              self);
    backToStart();
    t.pass(Tour::then(t.press(ScreenId::Form1, "Command3"),
                      Tour::then(t.scenario("drive-cycle"), t.scenario("factory"))),
           t.visible(ScreenId::Form1));
}
