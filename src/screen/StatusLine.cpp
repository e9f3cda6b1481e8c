#include "screen/StatusLine.h"

StatusLine::StatusLine(const QString& objectName, QWidget* parent) : QLabel(parent) {
    setObjectName(objectName);
    setWordWrap(true);
    // A port's device and reason are copied into a support call or a search.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setStyleSheet(toneStyle(m_tone));
    hide();
}

void StatusLine::tell(const QString& text, Tone tone) {
    if (text.isEmpty()) {
        quiet();
        return;
    }
    if (tone != m_tone) {
        m_tone = tone;
        setStyleSheet(toneStyle(tone));
    }
    setText(text);
    show();
}

void StatusLine::quiet() {
    clear();
    hide();
}

QString StatusLine::toneStyle(Tone tone) {
    switch (tone) {
    case Tone::Progress:
        return QStringLiteral("color: rgb(0,50,140); font-weight: bold;");
    case Tone::Done:
        return QStringLiteral("color: rgb(0,120,0); font-weight: bold;");
    case Tone::Problem:
        break;
    }
    return QStringLiteral("color: rgb(190,0,0); font-weight: bold;");
}
