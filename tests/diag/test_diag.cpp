#include "common/FileSizeLimit.h"
#include "common/TestData.h"

#include "diag/DiagnosisView.h"
#include "diag/LevelLamps.h"
#include "diag/LiveBars.h"
#include "diag/LiveLayout.h"
#include "diag/LiveTexts.h"
#include "diag/LogFileName.h"
#include "diag/LogLines.h"
#include "diag/LogWriter.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

namespace {

// Which segments of a bar carry a colour.
QList<int> segmentsOf(const SegmentColours& bar, Rgb colour) {
    QList<int> out;
    for (int i = 0; i < BarSegments; ++i)
        if (bar[i] == colour) out << i;
    return out;
}

QList<int> range(int from, int to) {
    QList<int> out;
    for (int i = from; i <= to; ++i)
        out << i;
    return out;
}

LiveData sampleLive() {
    LiveData d;
    d.EcuState = 12;
    d.Rpm = 2500;
    d.Kcor = 100;
    d.Pressure1 = 1300;
    d.Pressure2 = 650;
    d.Temperature = -5;
    d.Lambda1 = 450;
    d.LevelInput = 2048;
    // Four cylinders fitted; 5..8 still hold what an earlier eight-cylinder record left.
    d.PetrolInjTime = {3100, 3200, 3300, 3400, 51, 52, 53, 54};
    d.GasInjTime = {4100, 4200, 4300, 4400, 0, 0, 0, 0};
    d.PetrolTinj = 3150;
    d.GasTinj = 4120;
    return d;
}

} // namespace

class TestDiag : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    LanguageTable m_lang;
    qint64 m_now = 0;
    const QDateTime m_wall{QDate(2024, 3, 5), QTime(14, 7, 9)};

    LogWriter writer(LogKind kind) {
        return LogWriter(
            kind, m_lang, [this] { return m_now; }, [this] { return m_wall; });
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_lang.store(QStringLiteral("sCMsg04"), QStringLiteral("ATTESA TEMPERATURA"));
        m_lang.store(QStringLiteral("sCMsg07"), QStringLiteral("ATTESA GIRI"));
        m_lang.store(QStringLiteral("sCMsg09"), QStringLiteral("ATTESA DECELERAZIONE SOTTO"));
        m_lang.store(QStringLiteral("sCMsg12"), QStringLiteral("GAS"));
        m_lang.store(QStringLiteral("RP00000"), QStringLiteral("T;S;R"));
    }

    void statusLineRules() {
        auto line = [&](int state, const QString& safety = {}, const QString& cut = {}) {
            LiveData d;
            d.EcuState = state;
            d.safetyFlag = safety;
            d.cutOffFlag = cut;
            return statusLine(d, 2300, 50, m_lang);
        };
        QCOMPARE(line(9), QStringLiteral("ATTESA DECELERAZIONE SOTTO  2100    "));
        QCOMPARE(line(4), QStringLiteral("ATTESA TEMPERATURA  50    "));
        QCOMPARE(line(8), QStringLiteral("ATTESA GIRI  2300    "));
        QCOMPARE(line(13), QStringLiteral("GAS    "));
        QCOMPARE(line(6, QStringLiteral("SAFETY")), QStringLiteral("   SAFETY  "));
        QCOMPARE(line(23, QStringLiteral("SAFETY"), QStringLiteral("CUTOFF")),
                 QStringLiteral("  SAFETY  CUTOFF"));
        QCOMPARE(line(255), QStringLiteral("    "));
    }

    void pressureBarsAtTheirLimits() {
        QCOMPARE(segmentsOf(pressureBar(0, Pressure1Step), Colours::Yellow), QList<int>{0});
        QCOMPARE(segmentsOf(pressureBar(0, Pressure1Step), Colours::DarkRed), range(1, 19));
        QCOMPARE(segmentsOf(pressureBar(2849, Pressure1Step), Colours::Yellow), range(0, 18));
        QCOMPARE(segmentsOf(pressureBar(2850, Pressure1Step), Colours::Yellow), range(0, 19));
        QCOMPARE(segmentsOf(pressureBar(65535, Pressure1Step), Colours::Yellow), range(0, 19));
        QCOMPARE(segmentsOf(pressureBar(1425, Pressure2Step), Colours::Yellow), range(0, 19));
        QCOMPARE(segmentsOf(pressureBar(149, Pressure2Step), Colours::Yellow), range(0, 1));
    }

    void lambdaCursorForEveryProbe() {
        const LambdaScale straight1V = lambdaScaleFor(2);
        QCOMPARE(lambdaScaleFor(7), straight1V); // an unknown probe reads as the default one
        struct Case {
            int type, mv, segment;
        };
        const Case cases[]{{2, 1000, 0}, {2, 1200, 0}, {2, 951, 0},   {2, 949, 1},   {2, 60, 18},
                           {2, 50, 19},  {2, 0, 19},   {3, 1000, 19}, {3, 50, 0},    {3, 60, 1},
                           {3, 940, 18}, {3, 100, 1}, // a shared edge goes to the lower segment
                           {3, 990, 19}, // rich end of an inverted probe: the cursor never vanishes
                           {0, 5000, 0}, {0, 300, 18}, {0, 250, 19},  {1, 4800, 19}, {1, 4700, 18},
                           {1, 250, 0}};
        for (const Case& c : cases)
            QVERIFY2(lambdaCursor(c.mv, lambdaScaleFor(c.type)) == c.segment,
                     qPrintable(QStringLiteral("type %1, %2 mV").arg(c.type).arg(c.mv)));

        const LambdaBar bar = lambdaBar(60, straight1V);
        QCOMPARE(bar.cursor, 18);
        QCOMPARE(segmentsOf(bar.colours, Colours::Yellow), QList<int>{18});
    }

    void levelLampsOfBothSenders() {
        auto lit = [](const LevelLamps::Lamps& l) {
            int n = 0;
            for (const Rgb& b : l.bars)
                n += b == Colours::Green ? 1 : 0;
            return QString(l.reserve == Colours::Red ? QLatin1Char('R') : QLatin1Char('-')) +
                   QLatin1Char('/') + QString::number(n);
        };
        LevelLamps three;
        QCOMPARE(lit(three.lamps()), QStringLiteral("-/0"));
        const QList<QPair<int, QString>> threeStep{{10, "-/3"}, {12, "-/2"}, {11, "-/1"},
                                                   {5, "R/0"},  {0, "-/0"},  {7, "-/0"}};
        for (const auto& [code, want] : threeStep)
            QCOMPARE(lit(three.update(code, 1)), want);
        three.update(10, 1);
        QCOMPARE(lit(three.update(99, 1)), QStringLiteral("-/3")); // unknown code: unchanged

        // The reserve blinks two refreshes dim, four lit; a steady code restarts the cycle.
        QString seq;
        for (int i = 0; i < 8; ++i)
            seq += lit(three.update(9, 1)).at(0);
        QCOMPARE(seq, QStringLiteral("--RRRR--"));
        three.update(11, 1);
        QCOMPARE(three.blinkCounter(), 0);
        QCOMPARE(lit(three.update(9, 1)), QStringLiteral("-/0"));

        LevelLamps four;
        const QList<QPair<int, QString>> fourStep{{10, "-/4"}, {15, "-/3"}, {14, "-/2"},
                                                  {13, "-/1"}, {9, "R/0"},  {9, "R/0"},
                                                  {5, "-/0"},  {10, "-/4"}, {0, "-/0"}};
        for (const auto& [code, want] : fourStep)
            QCOMPARE(lit(four.update(code, 2)), want);
        QCOMPARE(four.blinkCounter(), 0);
    }

    void layoutFromTheParameters() {
        ParameterSet p = defaultSet();
        p.setValue(InjectorCount, 0); // an ECU that reports no cylinder still shows one
        p.setValue(LevelSenderType, 2);
        const LiveLayout l = liveLayout(p);
        QCOMPARE(l.cylinders, 1);
        QCOMPARE(l.levelBars, 4);
        QVERIFY(!l.showPressure2 && !l.methane);
        QCOMPARE(displayCylinders(12), 8);
        QCOMPARE(liveTexts(sampleLive()).injection[8], QStringLiteral("4100"));
    }

    // The version and live lines are checked in the file below.
    void logLinesByteForByte() {
        QCOMPARE(LogLines::calibrationLine(50, sampleLive(), 3),
                 QByteArray("50;12;2500;100;1300;650;-5;450;3;3150;4120\r\n"));
        QCOMPARE(LogLines::calibrationLine(50, sampleLive(), 5, LogLines::LogCell{3, 8}),
                 QByteArray("50;12;2500;100;1300;650;-5;450;5;3150;4120;3;8\r\n"));

        // The dump follows its own order, labels straight before values.
        LanguageTable labelled;
        for (int n = 0; n < LanguageTable::ParameterNameCount; ++n)
            labelled.store(QStringLiteral("strP_%1").arg(n, 2, 10, QLatin1Char('0')),
                           QStringLiteral("[%1]").arg(n));
        const auto dump = LogLines::parameterDump(numberedSet(), labelled);
        QCOMPARE(dump[0],
                 QByteArray("[0]1001[1]1002[2]1029[3]1003[4]1028[5]1004[6]1005[7]1010\r\n"));
        QCOMPARE(dump[6], QByteArray("[48]1057[49]1061[50]1062\r\n"));
        // Without a language file the parameter names keep the dump readable.
        QCOMPARE(LogLines::parameterDump(numberedSet(), LanguageTable())[6],
                 QByteArray("PressureSensorType=1057;HotSwitching=1061;GasType=1062\r\n"));
        QCOMPARE(LogLines::heading(LogKind::Live, m_lang), QByteArray("T;S;R\r\n"));
        QVERIFY(LogLines::heading(LogKind::Calibration, m_lang).startsWith("Tempo ms;Stato ECU;"));
    }

    void logNamesAndRefusals() {
        const QString dir = m_dir.path();
        auto resolve = [&](const QString& box, LogKind kind = LogKind::Live) {
            return resolveLogFileName(box, dir, kind, m_wall, m_lang);
        };
        QCOMPARE(*resolve(QStringLiteral("   ")),
                 dir + QStringLiteral("/TARVEX05032024140709.log"));
        QCOMPARE(*resolve(QString(), LogKind::Calibration),
                 dir + QStringLiteral("/TaraturaTARVEX05032024140709.log"));
        QCOMPARE(*resolve(QStringLiteral("  prova 1  ")), dir + QStringLiteral("/prova 1.log"));
        QCOMPARE(*resolve(QStringLiteral("sub\\giro")), dir + QStringLiteral("/sub/giro.log"));
        QCOMPARE(*resolve(dir + QStringLiteral("/abs")), dir + QStringLiteral("/abs.log"));
        // A typed extension is the extension, in any case; another one is part of the name.
        QCOMPARE(*resolve(QStringLiteral("giro.log")), dir + QStringLiteral("/giro.log"));
        QCOMPARE(*resolve(QStringLiteral("GIRO.LOG ")), dir + QStringLiteral("/GIRO.LOG"));
        QCOMPARE(*resolve(QStringLiteral("giro.txt")), dir + QStringLiteral("/giro.txt.log"));
        QVERIFY(!resolve(QStringLiteral("CON.log")).ok());
        for (const char* bad : {"CON", "com1", "sub/Nul.txt", "LPT9", "a?b", "a:b", "x<y", "a|b",
                                "cartella./x", "tab\tname"}) {
            const Result<QString> r = resolve(QString::fromLatin1(bad));
            QVERIFY2(!r.ok(), bad);
            QVERIFY2(
                r.errorString().startsWith(QStringLiteral("Nome del file di log non valido: ")),
                bad);
        }
        QCOMPARE(resolve(QStringLiteral("COM1")).errorString(),
                 QStringLiteral("Nome del file di log non valido: COM1.log "
                                "(nome riservato dal sistema: COM1.log)"));
        QVERIFY(resolve(QStringLiteral("console")).ok());
    }

    // START, lines every tick, STOP, and a second START in the same second on the same file;
    // then the files that cannot be opened or written.
    void logFilesFromStartToStopOrFailure() {
        const ParameterSet params = numberedSet();
        LogWriter w = writer(LogKind::Live);
        auto startWith = [&](const QString& box) {
            return LogWriter::Start{box, m_dir.path(), QStringLiteral("3.1.2"), {2, 0, 9}, params};
        };
        const LogWriter::Start start = startWith(QString());
        LiveData live = sampleLive();
        Acquisition state = LogWriter::StartRequested;
        m_now = 10'000'000'000; // the clock's origin is irrelevant: only differences count
        QCOMPARE(w.tick(state, start, live), LogWriter::Tick::Running);
        QCOMPARE(state, LogWriter::Logging);
        m_now += 50;
        QCOMPARE(w.tick(state, start, live), LogWriter::Tick::Running);
        live.Rpm = 0;
        m_now += 51;
        QCOMPARE(w.tick(state, start, live), LogWriter::Tick::Running);
        // Every line is on disk while the file is still open.
        const QString path = m_dir.filePath(QStringLiteral("TARVEX05032024140709.log"));
        QCOMPARE(w.filePath(), path);
        QVERIFY(readAll(path).endsWith("\r\n101;12;0;100;1300;650;-5;450;2048;3100;3200;3300;3400;"
                                       "51;52;53;54\r\n"));
        state = LogWriter::Stopped;
        QCOMPARE(w.tick(state, start, live), LogWriter::Tick::Stopped);
        QVERIFY(!w.isOpen());

        QByteArray headers = "SW PC 3.1.2 SW ECU 2.0.9\r\n";
        for (const QByteArray& l : LogLines::parameterDump(params, m_lang))
            headers += l;
        headers += "T;S;R\r\n";
        QCOMPARE(headers.count("\r\n"), 9);
        const QByteArray first =
            headers + "50;12;2500;100;1300;650;-5;450;2048;3100;3200;3300;3400;51;52;53;54\r\n" +
            "101;12;0;100;1300;650;-5;450;2048;3100;3200;3300;3400;51;52;53;54\r\n";
        QCOMPARE(readAll(path), first);

        state = LogWriter::StartRequested;
        QCOMPARE(w.tick(state, start, live), LogWriter::Tick::Running);
        w.close();
        QCOMPARE(readAll(path), first + headers);

        state = LogWriter::StartRequested;
        QCOMPARE(w.tick(state, startWith(QStringLiteral("CON")), LiveData()),
                 LogWriter::Tick::Failed);
        QCOMPARE(state, LogWriter::Stopped);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("CON.log"))));

        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("taken.log")));
        state = LogWriter::StartRequested;
        QCOMPARE(w.tick(state, startWith(QStringLiteral("taken")), LiveData()),
                 LogWriter::Tick::Failed);
        QVERIFY(w.errorString().startsWith(QStringLiteral("Impossibile aprire il file di log: ") +
                                           m_dir.filePath(QStringLiteral("taken.log")) + " ("));
        QVERIFY(!w.start(startWith(QStringLiteral("missing/folder/x"))));
        // The log's folder is made on the first log; a file in its way is named with the
        // reason, and left as it was.
        QFile blocker(m_dir.filePath(QStringLiteral("documents")));
        QVERIFY(blocker.open(QIODevice::WriteOnly) && blocker.write("notes") == 5);
        blocker.close();
        LogWriter::Start inDocuments = startWith(QString());
        inDocuments.folder = blocker.fileName() + QStringLiteral("/TARVEX");
        QVERIFY(!w.start(inDocuments));
        QVERIFY2(w.errorString().startsWith(QStringLiteral("Impossibile aprire il file di log: ") +
                                            inDocuments.folder + QStringLiteral("/TARVEX")),
                 qPrintable(w.errorString()));
        QVERIFY2(w.errorString().endsWith(qt_error_string(ENOTDIR) + QLatin1Char(')')),
                 qPrintable(w.errorString()));
        QCOMPARE(readAll(blocker.fileName()), QByteArray("notes"));

        // The disk fills up in the middle of a log: the log stops and is closed, and the
        // lines already written stay whole.
        state = LogWriter::StartRequested;
        const LogWriter::Start fills = startWith(QStringLiteral("fills"));
        QCOMPARE(w.tick(state, fills, sampleLive()), LogWriter::Tick::Running);
        const QByteArray before = readAll(w.filePath());
        m_now += 50;
        withFileSizeLimit(before.size() + 10, [&] {
            QCOMPARE(w.tick(state, fills, sampleLive()), LogWriter::Tick::Failed);
        });
        QCOMPARE(state, LogWriter::Stopped);
        QVERIFY(w.errorString().startsWith(QStringLiteral("Errore di scrittura")));
        QVERIFY(!w.isOpen());
        QCOMPARE(readAll(w.filePath()), before);

        // A full disk while writing the headers.
        if (QFile::exists(QStringLiteral("/dev/full"))) {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"),
                                m_dir.filePath(QStringLiteral("full.log"))));
            QVERIFY(!w.start(startWith(QStringLiteral("full"))));
            QVERIFY(w.errorString().startsWith(
                QStringLiteral("Errore di scrittura sul file di log, acquisizione interrotta: ")));
            QVERIFY(!w.isOpen());
        }
    }

    // Which word goes to which box is the diagnosis screen's test; the tenths are here.
    void diagnosisTenths() {
        using DiagnosisView::tenthsText;
        QCOMPARE(tenthsText(250), QStringLiteral("25"));
        QCOMPARE(tenthsText(1005), QStringLiteral("100.5"));
        QCOMPARE(tenthsText(0), QStringLiteral("0"));
        QCOMPARE(tenthsText(1005, QStringLiteral(",")), QStringLiteral("100,5"));
        DiagnosisRecord r{};
        r[DiagnosisView::BoardTemperatureWord] = 0xFFFB;
        QCOMPARE(DiagnosisView::boxes(r)[2].text, QStringLiteral("-0.5"));
        r[DiagnosisView::BoardTemperatureWord] = 0x8000;
        QCOMPARE(DiagnosisView::boxes(r)[2].text, QStringLiteral("-3276.8"));
    }
};

QTEST_GUILESS_MAIN(TestDiag)
#include "test_diag.moc"
