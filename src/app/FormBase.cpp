#include "FormBase.h"

#include "SetTopmost.h"
#include "WriteReport.h"
#include "link/WriteSequence.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTime>

#include <cstdio>

namespace {
// One line per frame: time of day to the millisecond, screen, direction, bytes in hex.
void traceFrame(const QString& screen, const char* direction, const QByteArray& frame) {
    std::fprintf(stderr, "%s %-6s %s %s\n",
                 qPrintable(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))),
                 qPrintable(screen), direction, frame.toHex(' ').constData());
}
} // namespace

FormBase::FormBase(ScreenId id, FormContext& context)
    : QWidget(nullptr), ctx(context), g(context.g), m_id(id) {
    setObjectName(screenName(id));
    setWindowTitle(QString::fromLatin1(Caption));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

FormBase::~FormBase() {
    if (m_cycle) m_cycle->stop();
    if (m_link) m_link->close();
}

void FormBase::showScreen() {
    SetTopmost(this, true);
    show();
    raise();
    activateWindow();
}

void FormBase::unloadScreen() {
    onUnload();
    if (m_cycle) m_cycle->stop();
    closeLink();
    SetTopmost(this, false);
}

void FormBase::handOverTo(ScreenId next) {
    if (m_cycle) m_cycle->stop();
    closeLink();
    ctx.dialogs.setBusy(false);
    ctx.host.show(next);
    ctx.host.hide(m_id);
}

void FormBase::leaveFor(ScreenId next) {
    if (m_cycle) m_cycle->stop();
    closeLink();
    ctx.dialogs.setBusy(false);
    ctx.host.show(next);
    ctx.host.unload(m_id);
}

EcuLink& FormBase::link() {
    if (!m_link) m_link = ctx.linkFactory();
    return *m_link;
}

ExchangeCycle& FormBase::cycle() {
    if (!m_cycle) {
        m_cycle = std::make_unique<ExchangeCycle>(link(), g.link);
        if (g.traceLink) {
            const QString screen = objectName();
            connect(m_cycle.get(), &ExchangeCycle::frameSent, this,
                    [screen](const QByteArray& f) { traceFrame(screen, "->", f); });
            connect(m_cycle.get(), &ExchangeCycle::frameReceived, this,
                    [screen](const QByteArray& f) { traceFrame(screen, "<-", f); });
        }
    }
    return *m_cycle;
}

void FormBase::closeEvent(QCloseEvent* event) {
    event->ignore();
    onCloseRequested();
}

bool FormBase::openLink() {
    return link().open(g.CommPortNumber, g.CommSettings);
}

bool FormBase::ensureLinkOpen() {
    if (link().isOpen()) return true;
    if (link().deviceLost()) return cycle().reopenDevice();
    return openLink();
}

void FormBase::closeLink() {
    if (m_link && m_link->isOpen()) m_link->close();
}

bool FormBase::holdExitFor(WriteSequence& writes, QString& notice) {
    notice.clear();
    if (!writes.isRunning()) return false;
    // A vanished adapter closes the link: that too is a link that no longer answers.
    if (!cycle().isLost() && link().isOpen()) return true;
    writes.interrupt();
    cycle().detach();
    writes.storeAcknowledged(g.parameters);
    g.parametersFromEcu = false;
    notice = WriteReport::outcome(writes, g.language);
    return false;
}

QString FormBase::lang(const char* key, const QString& design) const {
    return g.language.text(QString::fromLatin1(key), design);
}

QLineEdit* FormBase::digitField(const QString& name, int maxDigits) {
    auto* field = named(new QLineEdit(this), name);
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), field));
    field->setMaxLength(maxDigits);
    return field;
}
