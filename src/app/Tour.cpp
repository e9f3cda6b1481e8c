#include "Tour.h"

#include <QAbstractButton>
#include <QDir>
#include <QWidget>
#include <cstdio>

namespace {
constexpr int kPollMs = 100;
} // namespace

Tour::Tour(ScreenHost& host, QString folder, TourScenario scenario, RecordingUserDialogs& dialogs)
    : m_host(host), m_folder(std::move(folder)), m_scenario(std::move(scenario)),
      m_dialogs(dialogs) {
    connect(&m_timer, &QTimer::timeout, this, &Tour::poll);
}

void Tour::picture(const QString& name, Action action, Condition ready, ScreenId id,
                   int timeoutMs) {
    add({name, std::move(action), std::move(ready), [this, id] { return widget(id); }, timeoutMs});
}

void Tour::start() {
    QDir().mkpath(m_folder);
    m_timer.start(kPollMs);
}

QWidget* Tour::widget(ScreenId id) const {
    Screen* s = m_host.loaded(id);
    return s ? qobject_cast<QWidget*>(s->asObject()) : nullptr;
}

Tour::Action Tour::press(ScreenId id, const char* control) const {
    return [this, id, control] {
        if (QWidget* w = widget(id))
            if (auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(control))) b->click();
    };
}

Tour::Action Tour::scenario(const char* name) const {
    return [this, name] {
        if (m_scenario) m_scenario(QString::fromLatin1(name));
    };
}

Tour::Action Tour::show(ScreenId id) const {
    return [this, id] { m_host.show(id); };
}

Tour::Condition Tour::visible(ScreenId id) const {
    return [this, id] { return m_host.isVisible(id); };
}

Tour::Action Tour::then(Action first, Action second) {
    return [first, second] {
        first();
        second();
    };
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
        if (step.action) step.action();
        return;
    }
    m_waited += kPollMs;
    const bool ready = !step.ready || step.ready();
    if (!ready && m_waited < step.timeoutMs) return;
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
