#include "screen/PollingScreen.h"

#include "link/Commands.h"
#include "screen/StatusLine.h"

#include <QLineEdit>

PollingScreen::PollingScreen(ScreenId id, FormContext& context) : FormBase(id, context) {
    m_message = new StatusLine(QStringLiteral("StatusText"), this);

    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return ExchangeCycle::Outcome::Rejected;
        g.EcuVersion = *version;
        showLinkBack();
        // The screen's own request is still the one in force: polling resumes now.
        return ExchangeCycle::Outcome::Next;
    });
    // Found again, the version reply above puts the values back in force.
    LinkWatch watch;
    watch.lost = [this](const QString& why) {
        setLive(false);
        showLinkLost(why);
    };
    watchLink(watch);
}

bool PollingScreen::startPolling(const ExchangeCycle::Request& request) {
    if (!g.connected()) {
        setLive(false);
        showLinkLost(QString());
        return false;
    }
    if (!openLink()) {
        setLive(false);
        showLinkLost(link().errorString());
        return false;
    }
    cycle().send(request);
    cycle().start(request.intervalMs);
    // What the menu read just before opening this screen is the ECU's latest word.
    setLive(true);
    showLinkBack();
    return true;
}

void PollingScreen::received() {
    if (m_live) return;
    setLive(true);
    showLinkBack();
}

void PollingScreen::setLive(bool live) {
    m_live = live;
    showLive(live);
}

void PollingScreen::showLinkLost(const QString& reason) {
    const QString text = lostLinkNotice(g.LostLinkText);
    showMessage(reason.isEmpty() ? text : text + QStringLiteral(": ") + reason);
}

void PollingScreen::showLinkBack() {
    clearMessage();
}

void PollingScreen::showMessage(const QString& text) {
    m_message->tell(text);
}

void PollingScreen::clearMessage() {
    m_message->quiet();
}

QLineEdit* PollingScreen::valueBox(const QString& name, int digits) {
    auto* box = named(new QLineEdit(this), name);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = box->font();
    f.setPointSize(12);
    f.setBold(true);
    box->setFont(f);
    box->setFixedWidth(QFontMetrics(f).horizontalAdvance(QString(digits, QLatin1Char('8'))) + 16);
    // The values change several times a second. A box that paints all of its pixels (the
    // corners of its frame in the window's colour) spares the frame behind it a repaint on
    // every change: that was half of the screen's CPU.
    box->setBackgroundRole(QPalette::Window);
    box->setAutoFillBackground(true);
    box->setAttribute(Qt::WA_OpaquePaintEvent);
    return box;
}

void PollingScreen::setValue(QLineEdit* box, const QString& text) {
    if (box->text() == text) return;
    box->setText(text);
    // A text longer than its box shows its beginning, not its end.
    box->setCursorPosition(0);
}
