#pragma once

#include "state/ScreenHost.h"

#include <QObject>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class RecordingUserDialogs;
struct VariabiliGlobali;

// Puts the virtual ECU into a state the tour wants to show: "factory", "out-of-range",
// "refuse" (a default the ECU will not store), "calibrated" (a table that is not flat),
// "warm-up" (the engine warm and on gas), "calibration-car" (warm at a steady speed, needing
// another coefficient), "cell-car" (the same car needing a coefficient per cell),
// "hold ROW COLUMN" (the engine held in that cell), "drive-cycle", "unplug", "plug".
using TourScenario = std::function<void(const QString& scenario)>;

// Walks the screens unattended and saves one picture of each into a folder, then ends. Each
// screen's stops are in the tour file of its folder (see ScreenTours.cpp); they drive the
// screens as the tests do, through public methods and controls found by name. A screen's stops
// start and end on the start screen, connected, in Italian, with a factory ECU.
class Tour : public QObject {
    Q_OBJECT
public:
    // `state`: the program's, which the screens show. `dialogs`: the ones the screens answer
    // to on the tour; a stop may give them the file name a fitter would choose.
    Tour(ScreenHost& host, const VariabiliGlobali& state, QString folder, TourScenario scenario,
         RecordingUserDialogs& dialogs);

    using Action = std::function<void()>;
    using Condition = std::function<bool()>;

    // How long a stop may wait for its state; a stop that waits on the engine (a calibration
    // run) gives its own.
    static constexpr int DefaultTimeoutMs = 15000;

    // One stop: do something, wait until `ready` holds, then save the picture `shot` takes
    // (if any).
    struct Step {
        QString picture; // file name without extension; empty: no picture
        Action action;
        Condition ready;
        std::function<QPixmap()> shot;
        int timeoutMs = DefaultTimeoutMs;
    };
    void add(Step step) { m_steps.push_back(std::move(step)); }
    // Acts, waits, and takes a picture of screen `id`.
    void picture(const QString& name, Action action, Condition ready, ScreenId id,
                 int timeoutMs = DefaultTimeoutMs);
    // Acts (a press that makes screen `id` ask the fitter something), then takes a picture of
    // the screen with the question over it as the fitter sees it. The tour's dialogs record
    // the question and give their preset answer; the box is drawn from what they recorded.
    void questionPicture(const QString& name, Action action, ScreenId id);
    // Acts and waits, without a picture.
    void pass(Action action, Condition ready, int timeoutMs = DefaultTimeoutMs) {
        add({QString(), std::move(action), std::move(ready), nullptr, timeoutMs});
    }
    void start();

    // Building blocks for the stops.
    Action press(ScreenId id, const char* control) const;
    Action scenario(const char* name) const;
    // Shows a screen as another screen would (one whose way in is built elsewhere).
    Action show(ScreenId id) const;
    Condition visible(ScreenId id) const;
    static Action then(Action first, Action second);
    QWidget* widget(ScreenId id) const;
    RecordingUserDialogs& dialogs() const { return m_dialogs; }
    const VariabiliGlobali& state() const { return m_state; }
    template <class F> F* screen(ScreenId id) const { return qobject_cast<F*>(widget(id)); }
    // A control of screen `id` by its name; null while the screen is not loaded.
    template <class W> W* control(ScreenId id, const char* name) const {
        QWidget* w = widget(id);
        return w ? w->findChild<W*>(QString::fromLatin1(name)) : nullptr;
    }

signals:
    void finished(int failures);

private:
    void poll();

    ScreenHost& m_host;
    const VariabiliGlobali& m_state;
    QString m_folder;
    TourScenario m_scenario;
    RecordingUserDialogs& m_dialogs;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    int m_waited = 0;
    int m_failures = 0;
    bool m_acted = false;
    QTimer m_timer;
};
