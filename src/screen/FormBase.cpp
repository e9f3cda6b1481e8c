#include "screen/FormBase.h"

#include "link/WriteReport.h"
#include "link/WriteSequence.h"
#include "screen/SetTopmost.h"

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
    m_exitPatience.setSingleShot(true);
    connect(&m_exitPatience, &QTimer::timeout, this, [this] {
        if (isVisible()) onCloseRequested();
    });
}

FormBase::~FormBase() {
    if (m_cycle) m_cycle->stop();
    if (m_link) m_link->close();
}

void FormBase::showScreen() {
    m_exitAsked = false;
    m_exitPatience.stop();
    SetTopmost(this, true);
    show();
    raise();
    activateWindow();
}

void FormBase::unloadScreen() {
    m_exitPatience.stop();
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

void FormBase::leaveFor(ScreenId next, const QString& notice) {
    leaveFor(next);
    if (notice.isEmpty()) return;
    if (Screen* s = ctx.host.loaded(next)) s->showNotice(notice);
}

void FormBase::showFileIn(ScreenId id, const QString& path) {
    if (Screen* s = ctx.host.show(id)) s->openFile(path);
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
    // Closing the window in the middle of a write is asked once; then it leaves as a second
    // EXIT does, without waiting for the rest.
    if (!m_exitAsked && busyWithEcu()) {
        if (!ctx.dialogs.question(
                this, QString::fromLatin1(Caption),
                lang("F00_T09", QStringLiteral("Una scrittura è in corso. Uscire subito? La "
                                               "centralina potrebbe conservare solo una parte "
                                               "dei valori."))))
            return;
        m_exitAsked = true;
    }
    onCloseRequested();
}

bool FormBase::exitMayWait() {
    if (m_exitAsked) {
        m_exitPatience.stop();
        return false;
    }
    m_exitAsked = true;
    m_exitPatience.start(ExitPatienceMs);
    return true;
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
    if (!cycle().isLost() && link().isOpen() && exitMayWait()) return true;
    notice = cutWrites(writes);
    return false;
}

QString FormBase::cutWrites(WriteSequence& writes) {
    writes.interrupt();
    cycle().detach();
    writes.storeAcknowledged(g.parameters);
    g.parametersFromEcu = false;
    return WriteReport::outcome(writes, g.language);
}

void FormBase::runVerifiedWrite(WriteSequence& writes, VerifiedWrite how) {
    if (how.progress) {
        writes.onProgress = [this, &writes, tell = how.progress](int, int) {
            tell(WriteReport::progress(writes, g.language));
        };
        how.progress(WriteReport::progress(writes, g.language));
    }
    runWrites(writes, how.sameBlock, [this, &writes, how] {
        settleWrites(writes, how.wholeSet);
        const bool verified = writes.result() == WriteSequence::Result::Verified;
        return how.ended(verified, WriteReport::outcome(writes, g.language));
    });
}

void FormBase::watchLink(LinkWatch watch) {
    ExchangeCycle::LostLink lost;
    lost.giveUp = watch.giveUp;
    lost.poll = watch.poll;
    lost.found = watch.found;
    lost.notify = [tell = watch.lost] {
        if (tell) tell(QString());
    };
    cycle().setLostLink(lost);
    if (watch.giveUp) {
        cycle().setDeviceLost(watch.lost, nullptr);
        return;
    }
    cycle().setDeviceLost(watch.lost, [this, found = watch.found] {
        if (!openLink()) return false;
        if (found) found();
        return true;
    });
}

void FormBase::runWrites(WriteSequence& writes, bool sameBlock,
                         std::function<ExchangeCycle::Outcome()> finished) {
    std::optional<Commands::ParameterBlock> before;
    if (sameBlock && g.parametersFromEcu) {
        before.emplace();
        for (int k = 1; k <= ParameterCount; ++k)
            (*before)[k - 1] = g.parameters.value(k);
    }
    writes.expectSameEcu(g.EcuVersion, before);
    cycle().run(writes, std::move(finished));
}

void FormBase::settleWrites(const WriteSequence& writes, bool wholeSet) {
    writes.storeReadBack(g.parameters);
    if (writes.result() == WriteSequence::Result::Abandoned)
        g.parametersFromEcu = false;
    else if (wholeSet)
        g.parametersFromEcu = true;
}

QString FormBase::lostLinkNotice(const QString& text) const {
    if (!m_cycle || m_cycle->lostReason() != ExchangeCycle::LostReason::InvalidReplies) return text;
    return text + QStringLiteral(" (") + lang("F00_T07", QStringLiteral("risposte non valide")) +
           QLatin1Char(')');
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
