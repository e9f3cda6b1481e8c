#include "LogTexts.h"

#include "lang/LanguageTable.h"

#include <array>

namespace LogTexts {

namespace {

struct Entry {
    const char* key;
    const char* italian;
};

// The keys sit in the live screen's block of text-box keys, numbered far above its real
// boxes (Text1..Text17) so they never meet a control's caption.
constexpr std::array<Entry, 6> kTexts{{
    {"F03_T90", "Nome del file di log non valido"},
    {"F03_T91", "nome riservato dal sistema:"},
    {"F03_T92", "carattere non ammesso:"},
    {"F03_T93", "nome che termina con punto o spazio:"},
    {"F03_T94", "Impossibile aprire il file di log"},
    {"F03_T95", "Errore di scrittura sul file di log, acquisizione interrotta"},
}};

} // namespace

QString text(Id id, const LanguageTable& language) {
    const auto i = static_cast<std::size_t>(id);
    if (i >= kTexts.size()) return QString();
    const Entry& e = kTexts[i];
    return language.text(QString::fromLatin1(e.key), QString::fromUtf8(e.italian));
}

QString message(Id id, const LanguageTable& language, const QString& subject,
                const QString& detail) {
    QString m = text(id, language) + QStringLiteral(": ") + subject;
    if (!detail.isEmpty()) m += QStringLiteral(" (") + detail + QLatin1Char(')');
    return m;
}

} // namespace LogTexts
