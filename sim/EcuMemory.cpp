#include "EcuMemory.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace {
// The ECU's own factory set, word by word in block order. Kept here rather than taken from
// the tool, so that a mistake in the tool's defaults shows up against the ECU.
constexpr std::uint16_t kFactoryWords[62] = {
    4,    4,    2,    350,  600,  500,  60,    40,    20,    0,    // 1..10
    0,    2300, 50,   50,   0,    10,   30,    60,    0,     5000, // 11..20
    0,    100,  1100, 0,    1500, 0,    10,    70,    1300,  400,  // 21..30
    2500, 1000, 0,    650,  1000, 2000, 3000,  4000,  5000,  6000, // 31..40
    7000, 2000, 3500, 5000, 7000, 9000, 11000, 13000, 15000, 2,    // 41..50
    350,  600,  500,  60,   40,   20,   0,     1,     1,     800,  // 51..60
    1,    0};                                                      // 61..62

// Nothing a real image holds comes near this; a bigger file is something else.
constexpr qint64 kMaxImageBytes = 64 * 1024;

bool readNumber(const QByteArray& text, long max, long& value) {
    bool ok = false;
    const long v = text.trimmed().toLong(&ok, 10);
    if (!ok || v < 0 || v > max) return false;
    value = v;
    return true;
}

} // namespace

EcuMemory EcuMemory::factory() {
    EcuMemory m;
    for (int i = 1; i <= 62; ++i)
        m.factoryWords[i] = kFactoryWords[i - 1];
    for (int j = 1; j <= 64; ++j)
        m.factoryTable[j] = 105;
    m.restoreFactory();
    return m;
}

void EcuMemory::restoreFactory() {
    words = factoryWords;
    table = factoryTable;
}

void EcuMemory::putOutOfRange() {
    words[13] = 30; // switch temperature below anything an engine switches at
    words[4] = 700; // lean threshold above the rich one on a straight probe
    words[5] = 600;
    words[10] = 20; // temperature pair closer than five degrees
    words[11] = 22;
    words[22] = 65535; // pressure correction interval: an erased EEPROM cell
    words[29] = 2600;  // calibration pressure above the sensor's span
    words[35] = 600;   // second rpm breakpoint below the first
    table[1] = 90;
    table[64] = 170;
}

QByteArray EcuMemory::imageText() const {
    QByteArray out = "# TARVEX ECU image: parameters by id, then the 64 KTAR cells\n";
    out += "version=" + QByteArray::number(version[0]) + '.' + QByteArray::number(version[1]) +
           '.' + QByteArray::number(version[2]) + '\n';
    for (int k = 1; k <= 62; ++k)
        out += QByteArray::number(k) + '=' + QByteArray::number(words[k]) + '\n';
    out += "ktar=";
    for (int j = 1; j <= 64; ++j) {
        out += QByteArray::number(table[j]);
        out += j == 64 ? '\n' : ' ';
    }
    return out;
}

bool EcuMemory::readImageText(const QByteArray& text, QString& error) {
    // Parse into a copy: a file that fails half way must not leave a half-loaded ECU.
    EcuMemory next = *this;
    std::set<QByteArray> seen;
    int lineNumber = 0;
    const auto fail = [&error, &lineNumber](const QString& what) {
        error = QStringLiteral("line %1: %2").arg(lineNumber).arg(what);
        return false;
    };
    for (const QByteArray& raw : text.split('\n')) {
        ++lineNumber;
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const int eq = line.indexOf('=');
        if (eq <= 0)
            return fail(QStringLiteral("expected key=value, found \"%1\"")
                            .arg(QString::fromLatin1(line.left(40))));
        const QByteArray key = line.left(eq).trimmed().toLower();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (!seen.insert(key).second)
            return fail(QStringLiteral("\"%1\" is given twice").arg(QString::fromLatin1(key)));

        if (key == "version") {
            const QList<QByteArray> parts = value.split('.');
            long part[3] = {0, 0, 0};
            if (parts.size() != 3 || !readNumber(parts[0], 255, part[0]) ||
                !readNumber(parts[1], 255, part[1]) || !readNumber(parts[2], 255, part[2]))
                return fail(QStringLiteral("version must be three numbers 0-255 as a.b.c"));
            for (int i = 0; i < 3; ++i)
                next.version[i] = static_cast<std::uint8_t>(part[i]);
        } else if (key == "ktar") {
            QByteArray spaced = value;
            spaced.replace(',', ' ').replace(';', ' ');
            const QList<QByteArray> cells = spaced.simplified().split(' ');
            if (spaced.simplified().isEmpty() || cells.size() != 64)
                return fail(QStringLiteral("ktar needs 64 numbers, found %1")
                                .arg(spaced.simplified().isEmpty() ? 0 : cells.size()));
            for (int j = 1; j <= 64; ++j) {
                long cell = 0;
                if (!readNumber(cells[j - 1], 255, cell))
                    return fail(QStringLiteral("ktar cell %1 is not a number 0-255").arg(j));
                next.table[j] = static_cast<std::uint8_t>(cell);
            }
        } else {
            long id = 0;
            if (!readNumber(key, 62, id) || id < 1)
                return fail(QStringLiteral("unknown key \"%1\" (parameters are 1 to 62)")
                                .arg(QString::fromLatin1(key.left(20))));
            long word = 0;
            if (!readNumber(value, 65535, word))
                return fail(QStringLiteral("parameter %1 must be a number 0-65535").arg(id));
            next.words[static_cast<std::size_t>(id)] = static_cast<std::uint16_t>(word);
        }
    }
    if (seen.empty()) {
        error = QStringLiteral("no ECU image entries found");
        return false;
    }
    *this = std::move(next);
    error.clear();
    return true;
}

bool EcuMemory::loadImage(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray text = file.read(kMaxImageBytes + 1);
    if (text.size() > kMaxImageBytes) {
        error = QStringLiteral("%1 is too large to be an ECU image").arg(path);
        return false;
    }
    if (text.contains('\0')) {
        error = QStringLiteral("%1 is not a text image").arg(path);
        return false;
    }
    QString why;
    if (!readImageText(text, why)) {
        error = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), why);
        return false;
    }
    error.clear();
    return true;
}

bool EcuMemory::saveImage(const QString& path, QString& error) const {
    // Written aside and renamed, so an interrupted save never leaves half an image.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray text = imageText();
    if (file.write(text) != text.size() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    error.clear();
    return true;
}
