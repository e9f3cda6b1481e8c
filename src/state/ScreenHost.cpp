#include "state/ScreenHost.h"

QString screenName(ScreenId id) {
    return QStringLiteral("Form%1").arg(static_cast<int>(id));
}

Screen* ScreenHost::loaded(ScreenId id) const {
    const auto it = m_screens.find(id);
    if (it == m_screens.end() || it->second.first.isNull()) return nullptr;
    return it->second.second;
}

bool ScreenHost::isVisible(ScreenId id) const {
    const Screen* s = loaded(id);
    return s && s->isScreenVisible();
}

Screen* ScreenHost::show(ScreenId id) {
    Screen* s = loaded(id);
    if (!s) {
        if (!m_factory) return nullptr;
        s = m_factory(id);
        if (!s) return nullptr;
        m_screens[id] = {QPointer<QObject>(s->asObject()), s};
    }
    s->showScreen();
    return s;
}

void ScreenHost::hide(ScreenId id) {
    if (Screen* s = loaded(id)) s->hideScreen();
}

void ScreenHost::unload(ScreenId id) {
    Screen* s = loaded(id);
    if (!s) return;
    m_screens.erase(id);
    s->unloadScreen();
    s->hideScreen();
    s->asObject()->deleteLater();
    if (id == ScreenId::Form1 && onProgramEnd) onProgramEnd();
}

ScreenHost::~ScreenHost() {
    for (auto& [id, entry] : m_screens)
        delete entry.first.data();
}
