#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class ScreenHost;

// Walks the screens unattended and saves one picture of each into a folder, then ends.
class Tour : public QObject {
    Q_OBJECT
public:
    Tour(ScreenHost& host, QString folder);

    // One stop: do something, wait until `ready` holds, then save the screen `shot` (if any).
    struct Step {
        QString picture; // file name without extension; empty: no picture
        std::function<void()> action;
        std::function<bool()> ready;
        std::function<QWidget*()> shot;
    };
    void add(Step step) { m_steps.push_back(std::move(step)); }
    void start();

signals:
    void finished(int failures);

private:
    void poll();

    ScreenHost& m_host;
    QString m_folder;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    int m_waited = 0;
    int m_failures = 0;
    bool m_acted = false;
    QTimer m_timer;
};

// Puts the virtual ECU into a state the tour wants to show: "factory", "out-of-range",
// "refuse" (a default the ECU will not store), "unplug", "plug".
using TourScenario = std::function<void(const QString& scenario)>;

// The standard walk through every screen this version has, in the states a fitter meets.
void addStandardTour(Tour& tour, ScreenHost& host, TourScenario scenario);
