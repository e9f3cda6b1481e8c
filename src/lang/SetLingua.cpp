#include "SetLingua.h"

#include "LanguageTable.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

namespace {

// Windows code page 1252, bytes 0x80..0x9F; the rest of the page is Latin-1. Undefined
// positions map to U+FFFD so they show up rather than vanish.
constexpr char16_t kWestern80[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char16_t turkishAt(unsigned char b) {
    switch (b) {
    case 0x8E:
    case 0x9E:
        return 0xFFFD;
    case 0xD0:
        return 0x011E; // Ğ
    case 0xDD:
        return 0x0130; // İ
    case 0xDE:
        return 0x015E; // Ş
    case 0xF0:
        return 0x011F; // ğ
    case 0xFD:
        return 0x0131; // ı
    case 0xFE:
        return 0x015F; // ş
    default:
        return 0;
    }
}

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString ignored = decoder.decode(bytes);
    Q_UNUSED(ignored);
    return !decoder.hasError();
}

} // namespace

QString decodeSingleByte(const QByteArray& line, bool turkish) {
    QString out;
    out.reserve(line.size());
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        char16_t u = b;
        if (turkish && turkishAt(b))
            u = turkishAt(b);
        else if (b >= 0x80 && b <= 0x9F)
            u = kWestern80[b - 0x80];
        out.append(QChar(u));
    }
    return out;
}

Result<> SetLingua(LanguageTable& table, const QString& filePath, const QString& marker) {
    auto fail = [](const QString& text) { return Failure{text}; };
    const QString keptDesign =
        QStringLiteral("\n\nLe schermate restano con i testi italiani di base.");
    const QString keptLoaded = QStringLiteral("\n\nLe schermate restano con i testi già caricati.");
    table.blankMessages();

    QFile file(filePath);
    if (!QFileInfo::exists(filePath))
        return fail(QStringLiteral("File delle lingue non trovato:\n%1").arg(filePath) +
                    keptDesign);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("File delle lingue non leggibile:\n%1: %2")
                        .arg(filePath, file.errorString()) +
                    keptDesign);
    QByteArray bytes = file.readAll();
    file.close();

    const bool utf8 = isUtf8(bytes);
    if (utf8 && bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    const bool turkish = marker == QLatin1String("[TUR]");

    bool inSection = false;
    bool found = false;
    int entries = 0;
    const QList<QByteArray> rawLines = bytes.split('\n');
    for (QByteArray raw : rawLines) {
        if (raw.endsWith('\r')) raw.chop(1);
        const QString line = utf8 ? QString::fromUtf8(raw) : decodeSingleByte(raw, turkish);
        if (!inSection) {
            if (line.contains(marker)) {
                inSection = true;
                found = true;
            }
            continue;
        }
        if (line.contains(QLatin1String("[FINE]"))) {
            inSection = false;
            continue;
        }
        // Characters 1..7 are the key, 8 a separator that is not examined, 9.. the text.
        if (table.store(line.left(7), line.size() > 8 ? line.mid(8) : QString())) ++entries;
    }

    if (!found)
        return fail(QStringLiteral("Il file delle lingue non contiene la sezione %1.").arg(marker) +
                    keptLoaded);
    if (entries == 0)
        return fail(QStringLiteral("La sezione %1 del file delle lingue è vuota.").arg(marker) +
                    keptLoaded);
    return {};
}
