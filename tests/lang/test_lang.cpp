#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

class TestLang : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray& content) {
        const QString path = m_dir.filePath(QStringLiteral("Stringhe312.txt"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }

private slots:
    void entriesAreKeySeparatorTextInsideTheirSection() {
        QString path = write("[ITA]\n"
                             "F02_C03=Visualizza stato vettura\n"
                             "F02_C04 Visualizza parametri\n" // any separator
                             "F02_C05\n"                      // key alone: empty text
                             "F01_T02=Problemi. \n"           // trailing blank kept
                             "ZZZ_X99=not a key\n"
                             "F02_C02=first\n"
                             "F02_C02=second\n"
                             "[FINE]\n");
        LanguageTable t;
        QVERIFY(SetLingua(t, path, QStringLiteral("[ITA]")));
        QCOMPARE(t.text(QStringLiteral("F02_C03")), QStringLiteral("Visualizza stato vettura"));
        QCOMPARE(t.text(QStringLiteral("F02_C04")), QStringLiteral("Visualizza parametri"));
        QVERIFY(t.has(QStringLiteral("F02_C05")));
        QCOMPARE(t.text(QStringLiteral("F02_C05"), QStringLiteral("design")), QString());
        QCOMPARE(t.text(QStringLiteral("F01_T02")), QStringLiteral("Problemi. "));
        QVERIFY(!t.has(QStringLiteral("ZZZ_X99")));
        QCOMPARE(t.text(QStringLiteral("F02_C02")), QStringLiteral("second"));

        // Section markers start and end a section anywhere in a line.
        path = write("# comment mentioning [ING] in passing\n"
                     "F01_C02=Exit\n"
                     "F01_C06=Serial [FINE] cut\n"
                     "F01_C07=outside\n"
                     "[ITA]\n"
                     "F01_C07=Non connesso\n"
                     "[FINE]\n"
                     "again [ING]\n"
                     "F02_C02=Diagnosis\n");
        QVERIFY(SetLingua(t, path, QStringLiteral("[ING]")));
        QCOMPARE(t.text(QStringLiteral("F01_C02")), QStringLiteral("Exit"));
        QVERIFY(!t.has(QStringLiteral("F01_C06"))); // the line holding [FINE] ends the section
        QVERIFY(!t.has(QStringLiteral("F01_C07")));
        // A second section with the same marker loads on top, and may run to the end of file.
        QCOMPARE(t.text(QStringLiteral("F02_C02")), QStringLiteral("Diagnosis"));
    }

    // Texts missing from a language keep the previous one; the message table is blanked on
    // every load, and one key may serve several state codes.
    void missingKeysKeepThePreviousLanguage() {
        const QString path =
            write("[ITA]\nF02_C02=Diagnosi\nF02_C03=Stato\nsCMsg04=Attesa\nsCMsg16=Forzato\n"
                  "sCMsg21=Taratura\nsCMsg05=no such key\nstrP_00=Iniettori=\nstrP_50=ultimo\n"
                  "strP_51=fuori\n[FINE]\n[ING]\nF02_C02=Diagnosis\n[FINE]\n");
        LanguageTable t;
        SetLingua(t, path, QStringLiteral("[ITA]"));
        const std::pair<int, const char*> messages[] = {
            {4, "Attesa"},    {5, "Attesa"}, {16, "Forzato"}, {17, "Forzato"},
            {21, "Taratura"}, {6, " "},      {99, " "}};
        for (const auto& [code, text] : messages)
            QCOMPARE(t.message(code), QString::fromUtf8(text));
        QCOMPARE(t.parameterName(0), QStringLiteral("Iniettori="));
        QCOMPARE(t.parameterName(50), QStringLiteral("ultimo"));
        QCOMPARE(t.parameterName(51), QString());
        SetLingua(t, path, QStringLiteral("[ING]"));
        QCOMPARE(t.text(QStringLiteral("F02_C02")), QStringLiteral("Diagnosis"));
        QCOMPARE(t.text(QStringLiteral("F02_C03")), QStringLiteral("Stato"));
        QCOMPARE(t.message(4), QStringLiteral(" "));
    }

    void utf8AndLegacyFilesReadAlike() {
        // UTF-8 with a byte-order mark and Windows line ends.
        QString path =
            write("\xEF\xBB\xBF[TUR]\r\nF01_C07=Ba\xC4\x9Fl\xC4\xB1 de\xC4\x9Fil\r\n[FINE]\r\n");
        LanguageTable t;
        QVERIFY(SetLingua(t, path, QStringLiteral("[TUR]")));
        QCOMPARE(t.text(QStringLiteral("F01_C07")), QStringLiteral("Bağlı değil"));
        // A legacy Turkish file: 0xD0 0xFD 0xDE are Ğ ı Ş there, not Ð ý Þ.
        path = write(
            "[TUR]\nF01_C06=\xD0\xFD\xDE\xDD\n[FINE]\n[ITA]\nF01_C06=Propriet\xE0 \x80\n[FINE]\n");
        QVERIFY(SetLingua(t, path, QStringLiteral("[TUR]")));
        QCOMPARE(t.text(QStringLiteral("F01_C06")), QStringLiteral("ĞıŞİ"));
        QVERIFY(SetLingua(t, path, QStringLiteral("[ITA]")));
        QCOMPARE(t.text(QStringLiteral("F01_C06")), QStringLiteral("Proprietà €"));
    }

    void badFilesSayWhatIsWrong() {
        LanguageTable t;
        auto why = [&t](const QString& path) {
            return SetLingua(t, path, QStringLiteral("[ITA]")).errorString();
        };
        QVERIFY(why(m_dir.filePath(QStringLiteral("none.txt")))
                    .contains(QStringLiteral("non trovato")));
        QVERIFY(why(write("")).contains(QStringLiteral("non contiene la sezione [ITA]")));
        QVERIFY(
            why(write("[ITA]")).contains(QStringLiteral("[ITA] del file delle lingue è vuota")));
        QVERIFY(
            why(write(QByteArray("\0\1\2\3\xFF\xFE", 6))).contains(QStringLiteral("non contiene")));
        QVERIFY(why(m_dir.path()).contains(QStringLiteral("non leggibile")));
    }

    // The file shipped beside the program: every language holds the same keys, every key is
    // one the program knows, and none is empty.
    void shippedFileIsCompleteInEveryLanguage() {
        const QString path = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QMap<QString, QSet<QString>> keys;
        QString section;
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.startsWith(QLatin1Char('['))) {
                section = line == QLatin1String("[FINE]") ? QString() : line;
                continue;
            }
            if (section.isEmpty() || line.isEmpty()) continue;
            QVERIFY2(line.size() > 8, qPrintable(section + QLatin1Char(' ') + line));
            const QString key = line.left(7);
            QVERIFY2(LanguageTable::isScreenKey(key) || LanguageTable::isSingleKey(key) ||
                         key.startsWith(QLatin1String("sCMsg")) ||
                         key.startsWith(QLatin1String("strP_")),
                     qPrintable(key));
            keys[section].insert(key);
        }
        QCOMPARE(keys.keys(), (QStringList{QStringLiteral("[ING]"), QStringLiteral("[ITA]"),
                                           QStringLiteral("[TUR]")}));
        QCOMPARE(keys[QStringLiteral("[ING]")], keys[QStringLiteral("[ITA]")]);
        QCOMPARE(keys[QStringLiteral("[TUR]")], keys[QStringLiteral("[ITA]")]);
        for (const char* needed : {"F01_C02", "F01_C06", "F01_C07", "F01_T04", "F02_T04", "F02_T05",
                                   "strD000", "sCMsg21", "strP_50", "RPT0000", "WNC0000"})
            QVERIFY2(keys[QStringLiteral("[ITA]")].contains(QString::fromLatin1(needed)), needed);
        for (const char* marker : {"[ITA]", "[ING]", "[TUR]"}) {
            LanguageTable t;
            QVERIFY(SetLingua(t, path, QString::fromLatin1(marker)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLang)
#include "test_lang.moc"
