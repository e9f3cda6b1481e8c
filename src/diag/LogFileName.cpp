#include "LogFileName.h"

#include "LogTexts.h"
#include "lang/LanguageTable.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// Names Windows opens as a device whatever the extension: "CON.log" is the console.
bool isDeviceName(const QString& component) {
    static const QRegularExpression re(
        QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|COM[0-9]|LPT[0-9])$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString stem = component.section(QLatin1Char('.'), 0, 0).trimmed();
    return re.match(stem).hasMatch();
}

// A drive prefix such as "C:" that starts an absolute Windows path.
bool isDrive(const QString& component) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z]:$"));
    return re.match(component).hasMatch();
}

// Why one folder or file name is refused (the message detail), or an empty string.
QString refusedNameReason(const QString& component, const LanguageTable& language) {
    static const QString refused = QStringLiteral("<>:\"|?*");
    for (const QChar c : component) {
        if (c.unicode() < 32 || refused.contains(c)) {
            const QString shown =
                c.unicode() < 32 ? QStringLiteral("0x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                 : QString(c);
            return LogTexts::text(LogTexts::RefusedCharacter, language) + QStringLiteral(" ") +
                   shown;
        }
    }
    if (isDeviceName(component))
        return LogTexts::text(LogTexts::ReservedName, language) + QStringLiteral(" ") + component;
    // Windows drops a trailing blank or dot silently and would write somewhere else.
    if (component.endsWith(QLatin1Char(' ')) || component.endsWith(QLatin1Char('.')))
        return LogTexts::text(LogTexts::RefusedEnding, language) + QStringLiteral(" \"") +
               component + QLatin1Char('"');
    return QString();
}

} // namespace

QString logDateStamp(const QDateTime& now) {
    return now.toString(QStringLiteral("ddMMyyyyHHmmss"));
}

Result<QString> resolveLogFileName(const QString& boxText, const QString& folder, LogKind kind,
                                   const QDateTime& now, const LanguageTable& language) {
    const QString typed = boxText.trimmed();
    if (typed.isEmpty()) {
        const QString stem =
            kind == LogKind::Live ? QStringLiteral("TARVEX") : QStringLiteral("TaraturaTARVEX");
        return QDir(folder).absoluteFilePath(stem + logDateStamp(now) + QStringLiteral(".log"));
    }
    // A fitter who types the extension means this name, not "name.log.log"; whatever the
    // case, as Windows reads it.
    const bool hasExtension = typed.endsWith(QStringLiteral(".log"), Qt::CaseInsensitive);
    QString name = hasExtension ? typed : typed + QStringLiteral(".log");
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool absolute = QDir::isAbsolutePath(name);
    const QStringList components = name.split(QLatin1Char('/'));
    for (int i = 0; i < components.size(); ++i) {
        const QString& c = components[i];
        if (c.isEmpty() || c == QLatin1String(".") || c == QLatin1String("..") ||
            (absolute && i == 0 && isDrive(c)))
            continue;
        const QString reason = refusedNameReason(c, language);
        if (!reason.isEmpty())
            return Failure{LogTexts::message(LogTexts::InvalidName, language, name, reason)};
    }
    return QDir::cleanPath(absolute ? name : QDir(folder).absoluteFilePath(name));
}
