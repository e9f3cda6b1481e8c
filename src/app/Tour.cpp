#include "Tour.h"

#include "Form2.h"
#include "ScreenHost.h"

#include <QAbstractButton>
#include <QDir>
#include <QWidget>
#include <cstdio>

namespace {
constexpr int kPollMs = 100;
constexpr int kStepTimeoutMs = 15000;

QWidget* widgetOf(ScreenHost& host, ScreenId id) {
    Screen* s = host.loaded(id);
    return s ? qobject_cast<QWidget*>(s->asObject()) : nullptr;
}

void click(ScreenHost& host, ScreenId id, const QString& name) {
    if (QWidget* w = widgetOf(host, id))
        if (auto* b = w->findChild<QAbstractButton*>(name))
            b->click();
}
} // namespace

Tour::Tour(ScreenHost& host, QString folder) : m_host(host), m_folder(std::move(folder)) {
    connect(&m_timer, &QTimer::timeout, this, &Tour::poll);
}

void Tour::start() {
    QDir().mkpath(m_folder);
    m_timer.start(kPollMs);
}

void Tour::poll() {
    if (m_next >= m_steps.size()) {
        m_timer.stop();
        emit finished(m_failures);
        return;
    }
    Step& step = m_steps[m_next];
    if (!m_acted) {
        m_acted = true;
        m_waited = 0;
        if (step.action)
            step.action();
        return;
    }
    m_waited += kPollMs;
    const bool ready = !step.ready || step.ready();
    if (!ready && m_waited < kStepTimeoutMs)
        return;
    if (!ready) {
        ++m_failures;
        std::fprintf(stderr, "tour: %s did not become ready\n", qPrintable(step.picture));
    }
    if (!step.picture.isEmpty() && step.shot) {
        if (QWidget* w = step.shot()) {
            const QString file = QDir(m_folder).filePath(step.picture + QStringLiteral(".png"));
            if (!w->grab().save(file)) {
                ++m_failures;
                std::fprintf(stderr, "tour: cannot write %s\n", qPrintable(file));
            } else {
                std::printf("%s\n", qPrintable(file));
            }
        }
    }
    ++m_next;
    m_acted = false;
}

void addStandardTour(Tour& tour, ScreenHost& host, TourScenario scenario) {
    auto screen = [&host](ScreenId id) { return [&host, id] { return widgetOf(host, id); }; };
    auto visible = [&host](ScreenId id) { return [&host, id] { return host.isVisible(id); }; };
    auto press = [&host](ScreenId id, const char* name) {
        return [&host, id, name] { click(host, id, QString::fromLatin1(name)); };
    };
    auto menuIn = [&host](Form2::Phase phase) {
        return [&host, phase] {
            auto* menu = qobject_cast<Form2*>(widgetOf(host, ScreenId::Form2));
            return menu && menu->isVisible() && menu->phase() == phase;
        };
    };
    auto then = [](std::function<void()> first, std::function<void()> second) {
        return [first, second] {
            first();
            second();
        };
    };
    auto set = [scenario](const char* name) {
        return [scenario, name] { scenario(QString::fromLatin1(name)); };
    };
    const auto backToStart = press(ScreenId::Form2, "Command1");
    const auto menu = press(ScreenId::Form1, "Command1");

    tour.add({QStringLiteral("01-start-screen"), nullptr, visible(ScreenId::Form1),
              screen(ScreenId::Form1)});
    tour.add({QStringLiteral("02-serial-settings"), press(ScreenId::Form1, "Command6"),
              visible(ScreenId::Form4), screen(ScreenId::Form4)});
    tour.add({QString(), press(ScreenId::Form4, "Command2"), visible(ScreenId::Form1), nullptr});
    tour.add({QStringLiteral("03-main-menu"), menu, menuIn(Form2::Phase::Ready),
              screen(ScreenId::Form2)});
    tour.add({QString(), backToStart, visible(ScreenId::Form1), nullptr});
    tour.add({QStringLiteral("04-main-menu-defaults-written"), then(set("out-of-range"), menu),
              menuIn(Form2::Phase::Ready), screen(ScreenId::Form2)});
    tour.add({QString(), backToStart, visible(ScreenId::Form1), nullptr});
    tour.add({QStringLiteral("05-main-menu-default-refused"), then(set("refuse"), menu),
              menuIn(Form2::Phase::Stopped), screen(ScreenId::Form2)});
    tour.add({QString(), then(backToStart, set("factory")), visible(ScreenId::Form1), nullptr});
    tour.add({QStringLiteral("06-start-screen-english"), press(ScreenId::Form1, "Command4"),
              visible(ScreenId::Form1), screen(ScreenId::Form1)});
    tour.add({QStringLiteral("07-start-screen-turkish"), press(ScreenId::Form1, "Command5"),
              visible(ScreenId::Form1), screen(ScreenId::Form1)});
    tour.add({QStringLiteral("08-main-menu-turkish"), menu, menuIn(Form2::Phase::Ready),
              screen(ScreenId::Form2)});
    tour.add({QString(), then(backToStart, press(ScreenId::Form1, "Command3")),
              visible(ScreenId::Form1), nullptr});
    tour.add({QStringLiteral("09-start-screen-port-error"), then(set("unplug"), menu),
              visible(ScreenId::Form1), screen(ScreenId::Form1)});
    tour.add({QStringLiteral("10-main-menu-not-connected"),
              then(set("plug"), then(press(ScreenId::Form1, "Command7"), menu)),
              visible(ScreenId::Form2), screen(ScreenId::Form2)});
    tour.add({QString(), then(backToStart, press(ScreenId::Form1, "Command7")),
              visible(ScreenId::Form1), nullptr});
}
