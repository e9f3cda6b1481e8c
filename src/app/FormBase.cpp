#include "FormBase.h"

#include "SetTopmost.h"

#include <QCloseEvent>

FormBase::FormBase(ScreenId id, FormContext& context)
    : QWidget(nullptr), ctx(context), g(context.g), m_id(id) {
    setObjectName(screenName(id));
    setWindowTitle(QString::fromLatin1(Caption));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

FormBase::~FormBase() {
    if (m_cycle)
        m_cycle->stop();
    if (m_link)
        m_link->close();
}

void FormBase::showScreen() {
    SetTopmost(this, true);
    show();
    raise();
    activateWindow();
}

void FormBase::unloadScreen() {
    onUnload();
    if (m_cycle)
        m_cycle->stop();
    SetTopmost(this, false);
}

EcuLink& FormBase::link() {
    if (!m_link)
        m_link = ctx.linkFactory();
    return *m_link;
}

ExchangeCycle& FormBase::cycle() {
    if (!m_cycle)
        m_cycle = std::make_unique<ExchangeCycle>(link(), g.link);
    return *m_cycle;
}

void FormBase::closeEvent(QCloseEvent* event) {
    event->ignore();
    onCloseRequested();
}

bool FormBase::openLink() {
    return link().open(g.CommPortNumber, g.CommSettings);
}

void FormBase::closeLink() {
    if (m_link && m_link->isOpen())
        m_link->close();
}

QString FormBase::lang(const char* key, const QString& design) const {
    return g.language.text(QString::fromLatin1(key), design);
}
