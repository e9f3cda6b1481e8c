#include "state/CommConfig.h"

#include "state/VariabiliGlobali.h"

#include <QFile>

Result<> LoadConfig(VariabiliGlobali& g) {
    g.CommPortNumber.clear();
    g.CommSettings.clear();
    QFile file(g.configFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        // Nothing to pre-select: the settings dialog then opens with every list empty.
        g.CommBaud.clear();
        g.CommParity.clear();
        g.CommDataBits.clear();
        g.CommStopBits.clear();
        return Failure{file.fileName() + QStringLiteral(": ") + file.errorString()};
    }
    QByteArray first = file.readLine();
    file.close();
    while (first.endsWith('\n') || first.endsWith('\r'))
        first.chop(1);
    if (first.startsWith("\xEF\xBB\xBF")) first.remove(0, 3);
    const QString line = QString::fromLatin1(first);
    g.CommPortNumber = line.left(1);
    g.CommSettings = line.mid(1);
    ParseCommSettings(g);
    return {};
}

void ParseCommSettings(VariabiliGlobali& g) {
    const QString& s = g.CommSettings;
    auto pick = [&s](std::initializer_list<std::pair<const char*, const char*>> tests,
                     const char* otherwise) {
        for (const auto& [needle, value] : tests)
            if (s.contains(QLatin1String(needle))) return QString::fromLatin1(value);
        return QString::fromLatin1(otherwise);
    };
    g.CommBaud =
        pick({{"4800", "4800"}, {"9600", "9600"}, {"19200", "19200"}, {"38400", "38400"}}, "57600");
    g.CommParity = pick({{"n", "n"}, {"e", "e"}}, "o");
    g.CommDataBits = pick({{",4,", "4"}, {",5,", "5"}, {",6,", "6"}, {",7,", "7"}}, "8");
    g.CommStopBits = pick({{",1.5", "1.5"}, {",1", "1"}, {",2", "2"}}, "1.5");
}
