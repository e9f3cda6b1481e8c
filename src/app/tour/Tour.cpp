#include "Tour.h"

#include "screen/QtUserDialogs.h"
#include "state/RecordingUserDialogs.h"
#include "state/VariabiliGlobali.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {
constexpr int kPollMs = 100;
} // namespace

Tour::Tour(ScreenHost& host, const VariabiliGlobali& state, QString folder, TourScenario scenario,
           RecordingUserDialogs& dialogs)
    : m_host(host), m_state(state), m_folder(std::move(folder)), m_scenario(std::move(scenario)),
      m_dialogs(dialogs) {
    connect(&m_timer, &QTimer::timeout, this, &Tour::poll);
}

void Tour::picture(const QString& name, Action action, Condition ready, ScreenId id,
                   int timeoutMs) {
    add({name, std::move(action), std::move(ready),
         [this, id] {
             QWidget* w = widget(id);
             return w ? w->grab() : QPixmap();
         },
         timeoutMs});
}

void Tour::questionPicture(const QString& name, Action action, ScreenId id) {
    const auto asked = [this] { return !m_dialogs.questionText.isEmpty(); };
    const auto act = [this, action = std::move(action)] {
        m_dialogs.questionTitle.clear();
        m_dialogs.questionText.clear();
        if (action) action();
    };
    const auto shot = [this, id] {
        QWidget* w = widget(id);
        if (!w) return QPixmap();
        QPixmap picture = w->grab();
        const auto box = QtUserDialogs::questionBox(w, m_dialogs.questionTitle,
                                                    m_dialogs.questionText, &m_state.language);
        // Laid out at the size it opens with; a picture has no window manager to frame it, so
        // the frame and the title bar are drawn here.
        box->setAttribute(Qt::WA_DontShowOnScreen);
        box->show();
        const QPixmap face = box->grab();
        box->hide();
        const int bar = QFontMetrics(box->font()).height() + 10;
        const QRect frame((picture.width() - face.width()) / 2 - 1,
                          (picture.height() - face.height() - bar) / 2 - 1, face.width() + 2,
                          face.height() + bar + 2);
        QPainter p(&picture);
        p.fillRect(frame, QColor(60, 60, 60));
        const QRect title(frame.left() + 1, frame.top() + 1, face.width(), bar);
        p.fillRect(title, QColor(0, 60, 130));
        p.setPen(Qt::white);
        p.drawText(title.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   m_dialogs.questionTitle);
        p.drawPixmap(title.left(), title.bottom() + 1, face);
        return picture;
    };
    add({name, act, asked, shot, DefaultTimeoutMs});
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
        if (auto* b = this->control<QAbstractButton>(id, control)) b->click();
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
        if (const QPixmap shot = step.shot(); !shot.isNull()) {
            const QString file = QDir(m_folder).filePath(step.picture + QStringLiteral(".png"));
            if (!shot.save(file)) {
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
