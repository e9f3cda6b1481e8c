#include "LanguageTable.h"

#include <QRegularExpression>

namespace {

// Message keys that fill two entries, so that two ECU state codes show the same text.
int secondEntryOf(int entry) {
    switch (entry) {
    case 4:
    case 7:
    case 9:
    case 12:
    case 14:
    case 16:
        return entry + 1;
    default:
        return -1;
    }
}

bool isMessageKeyNumber(int n) {
    switch (n) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 7:
    case 9:
    case 11:
    case 12:
    case 14:
    case 16:
    case 21:
        return true;
    default:
        return false;
    }
}

// Parses the two digits at the end of a key like "sCMsg07"; -1 when they are not digits.
int twoDigits(const QString& key, int from) {
    if (key.size() != from + 2 || !key.at(from).isDigit() || !key.at(from + 1).isDigit()) return -1;
    return key.mid(from, 2).toInt();
}

} // namespace

LanguageTable::LanguageTable() {
    blankMessages();
}

QString LanguageTable::text(const QString& key, const QString& fallback) const {
    return m_texts.value(key, fallback);
}

QString LanguageTable::message(int entry) const {
    return entry >= 0 && entry < MessageCount ? m_messages[entry] : QStringLiteral(" ");
}

QString LanguageTable::parameterName(int entry) const {
    return entry >= 0 && entry < ParameterNameCount ? m_parameterNames[entry] : QString();
}

void LanguageTable::blankMessages() {
    m_messages.fill(QStringLiteral(" "));
}

bool LanguageTable::isScreenKey(const QString& key) {
    // F, screen number, "_", control letters, control number: F03_L04, F11_Ck1, F06_O30.
    static const QRegularExpression re(
        QStringLiteral("^F\\d\\d_(C|L|T|F|O)\\d\\d$|^F\\d\\d_Ck\\d$"));
    return re.match(key).hasMatch();
}

bool LanguageTable::isSingleKey(const QString& key) {
    static const QStringList singles{
        QStringLiteral("RP00000"), QStringLiteral("RPT0000"), QStringLiteral("tabEI00"),
        QStringLiteral("tabEO00"), QStringLiteral("strD000"), QStringLiteral("WC00000"),
        QStringLiteral("CB00000"), QStringLiteral("CG00000"), QStringLiteral("ATI0000"),
        QStringLiteral("AT00000"), QStringLiteral("KFRMin0"), QStringLiteral("KFRMax0"),
        QStringLiteral("KFR0000"), QStringLiteral("TF00000"), QStringLiteral("MKGB000"),
        QStringLiteral("WNC0000")};
    return singles.contains(key);
}

bool LanguageTable::store(const QString& key, const QString& text) {
    if (key.startsWith(QLatin1String("sCMsg"))) {
        const int n = twoDigits(key, 5);
        if (!isMessageKeyNumber(n)) return false;
        m_messages[n] = text;
        if (const int second = secondEntryOf(n); second > 0) m_messages[second] = text;
        return true;
    }
    if (key.startsWith(QLatin1String("strP_"))) {
        const int n = twoDigits(key, 5);
        if (n < 0 || n >= ParameterNameCount) return false;
        m_parameterNames[n] = text;
        return true;
    }
    if (isScreenKey(key) || isSingleKey(key)) {
        m_texts.insert(key, text);
        return true;
    }
    return false;
}
