#include "common/TestData.h"

#include "diag/LogLines.h"
#include "diag/LogReader.h"
#include "lang/LanguageTable.h"
#include "lang/SetLingua.h"
#include "params/ParameterSet.h"
#include "plot/CursorReadout.h"
#include "plot/Decimation.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

const QString kLanguageFile = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/Stringhe312.txt");

LanguageTable language(const char* marker) {
    LanguageTable t;
    if (!SetLingua(t, kLanguageFile, QString::fromLatin1(marker)))
        qFatal("cannot load %s from %s", marker, qPrintable(kLanguageFile));
    return t;
}

// The engine of line i: warming up on petrol, on gas (ECU state 12) from line switchAt.
LiveData engineAt(int i, int switchAt) {
    LiveData d;
    d.EcuState = i >= switchAt ? 12 : 3;
    d.Rpm = 800 + i % 3000;
    d.Kcor = 100 + i % 7;
    d.Pressure1 = 1100 + i % 50;
    d.Pressure2 = 400;
    d.Temperature = -5 + i % 60;
    d.Lambda1 = 100 + (i * 37) % 800;
    d.LevelInput = 2000;
    for (int c = 0; c < 8; ++c)
        d.PetrolInjTime[c] = 3000 + c + i % 500;
    d.PetrolTinj = 3100;
    d.GasTinj = 4100 + i % 9;
    return d;
}

// A log as LogWriter writes it: headers, then a line every 50 ms from 50 ms on.
QByteArray liveLog(const LanguageTable& lang, int lines, int switchAt = 1 << 30) {
    QByteArray log =
        LogLines::headers(LogKind::Live, QStringLiteral("3.1.2"), {1, 4, 7}, numberedSet(), lang);
    for (int i = 0; i < lines; ++i)
        log += LogLines::liveLine(50 + 50 * i, engineAt(i, switchAt));
    return log;
}

QByteArray calibrationLog(const LanguageTable& lang, const std::vector<int>& phases) {
    QByteArray log = LogLines::headers(LogKind::Calibration, QStringLiteral("3.1.2"), {1, 4, 7},
                                       numberedSet(), lang);
    // Lines from 4 on as a cell run writes them, with the cell's row and column.
    for (std::size_t i = 0; i < phases.size(); ++i)
        log += LogLines::calibrationLine(50 + 50 * qint64(i), engineAt(int(i), 0), phases[i],
                                         i >= 4 ? std::optional(LogLines::LogCell{2, 7})
                                                : std::nullopt);
    return log;
}

QByteArray lf(QByteArray log) {
    return log.replace("\r\n", "\n");
}

QList<double> valuesOf(const LogFile& f, int column) {
    const auto& v = f.columns[std::size_t(column)].values;
    return QList<double>(v.begin(), v.end());
}

// "read/skipped": how many lines became rows, and how many were skipped as unreadable.
QString lineCounts(const LogFile& f) {
    return QStringLiteral("%1/%2").arg(f.rows()).arg(f.badLines);
}

// What any read must hold, whatever the bytes were: `lines` is how many lines the file has.
void checkSound(const LogFile& f, qsizetype lines) {
    if (!f.ok()) {
        QCOMPARE(f.rows(), qsizetype(0));
        return;
    }
    QVERIFY(f.timeColumn >= 0 && f.timeColumn < int(f.columns.size()));
    QCOMPARE(f.columns[std::size_t(f.timeColumn)].kind, LogColumn::Kind::Time);
    QVERIFY(std::is_sorted(f.time.begin(), f.time.end()));
    for (double t : f.time)
        QVERIFY(std::isfinite(t));
    for (const LogColumn& c : f.columns)
        QCOMPARE(qsizetype(c.values.size()),
                 c.kind == LogColumn::Kind::Value ? f.rows() : qsizetype(0));
    QVERIFY(f.fuel.empty() || qsizetype(f.fuel.size()) == f.rows());
    QVERIFY(std::is_sorted(f.sessionStarts.begin(), f.sessionStarts.end()));
    // Every line is a row, a skipped line or neither (headers): never counted twice.
    QVERIFY(f.badLines >= 0);
    QVERIFY(f.rows() + f.badLines <= lines);
}

} // namespace

class TestLogReader : public QObject {
    Q_OBJECT

    LogHeadings m_headings;
    LanguageTable m_ita, m_eng, m_tur;

    LogFile read(const QByteArray& bytes, LogReadOptions options = {}) const {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return readLog(buffer, m_headings, options);
    }

private slots:
    void initTestCase() {
        m_ita = language("[ITA]");
        m_eng = language("[ING]");
        m_tur = language("[TUR]");
        m_headings = knownLogHeadings(kLanguageFile);
        QCOMPARE(m_headings.live.size(), 3); // Italian, English, Turkish
        QCOMPARE(m_headings.calibration.size(), 3);
    }

    void readsTheProgramsOwnLogsInEveryLanguage_data() {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<bool>("calibration");
        QTest::addColumn<bool>("crlf");
        for (const char* m : {"[ITA]", "[ING]", "[TUR]"})
            for (bool cal : {false, true})
                for (bool crlf : {true, false})
                    QTest::addRow("%s %s %s", m, cal ? "calibration" : "live",
                                  crlf ? "CR LF" : "LF")
                        << QString::fromLatin1(m) << cal << crlf;
    }
    void readsTheProgramsOwnLogsInEveryLanguage() {
        QFETCH(QString, marker);
        QFETCH(bool, calibration);
        QFETCH(bool, crlf);
        const LanguageTable lang = language(marker.toLatin1().constData());
        const std::vector<int> phases{0, 3, 3, 4, 5, 5, 6, 7, 8, 0};
        QByteArray log = calibration ? calibrationLog(lang, phases) : liveLog(lang, 10, 6);
        if (!crlf) log = lf(log);
        const LogFile f = read(log);

        QVERIFY(f.ok());
        QCOMPARE(f.layout, calibration ? LogLayout::Calibration : LogLayout::Live);
        QCOMPARE(lineCounts(f), QStringLiteral("10/0"));
        QVERIFY(logReadMessage(f, lang).isEmpty());
        const QStringList heading =
            QString::fromUtf8(
                LogLines::heading(calibration ? LogKind::Calibration : LogKind::Live, lang))
                .trimmed()
                .split(QLatin1Char(';'));
        QCOMPARE(int(f.columns.size()), heading.size());
        QCOMPARE(f.columns[0].name, heading[0]);
        QCOMPARE(f.columns[2].name, heading[2]);
        QCOMPARE(f.timeColumn, 0);
        QCOMPARE(f.columns[2].unit, QStringLiteral("rpm"));
        QCOMPARE(f.columns[6].unit, QStringLiteral("°C"));
        QCOMPARE(f.time[0], 0.05);
        QCOMPARE(f.time[9], 0.5);
        QCOMPARE(valuesOf(f, 2)[4], 804.0);
        QCOMPARE(valuesOf(f, 6)[0], -5.0);
        QCOMPARE(f.columns[1].rule, ReadRule::Step);

        const auto fuel = QList<double>(f.fuel.begin(), f.fuel.end());
        if (calibration) {
            // Gas while measuring on gas and until back on petrol; idle tells nothing.
            QCOMPARE(f.fuelColumn, 8);
            QCOMPARE(fuel.mid(1, 8), (QList<double>{1, 1, 1, 0, 0, 0, 1, 1}));
            QVERIFY(std::isnan(fuel[0]));
            QCOMPARE(valuesOf(f, 10)[3], 4103.0); // Tinj_GAS
            // Plotted on opening: speed, lambda, both injection times.
            QCOMPARE(defaultPlotColumns(f), (std::vector<int>{2, 7, 9, 10}));
        } else {
            QCOMPARE(f.fuelColumn, 1);
            QCOMPARE(fuel, (QList<double>{1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
            QCOMPARE(valuesOf(f, 16)[9], 3016.0); // Tinj 8
            // Speed, lambda, pressure, the first petrol time.
            QCOMPARE(defaultPlotColumns(f), (std::vector<int>{2, 7, 4, 9}));
        }
        QVERIFY(f.details.contains(QStringLiteral("SW PC 3.1.2 SW ECU 1.4.7")));
        // The dump, one label and value per entry.
        QVERIFY(f.details.contains(lang.parameterName(0) + QString::number(1000 + InjectorCount)));
        QVERIFY(
            f.details.contains(lang.parameterName(1).mid(1) + QString::number(1000 + CoilCount)));
    }

    // A log longer than one read of the file: lines cut by the reads are joined again.
    void readsAcrossChunkBoundaries() {
        const LogFile f = read(liveLog(m_eng, 25000));
        QCOMPARE(lineCounts(f), QStringLiteral("25000/0"));
        const auto rpm = valuesOf(f, 2);
        for (int i = 0; i < 25000; ++i)
            QCOMPARE(rpm[i], double(800 + i % 3000));
        QCOMPARE(f.time.back(), 1250.0);
    }

    void tornLastLineAndBadLinesAreSkippedAndCounted() {
        const QByteArray log = liveLog(m_ita, 20);
        // Cut inside the last number: that line is not read, though its fields are all there.
        LogFile f = read(log.chopped(4));
        QCOMPARE(lineCounts(f), QStringLiteral("19/1"));
        // Cut inside the time: just as well.
        f = read(log + "1234");
        QCOMPARE(lineCounts(f), QStringLiteral("20/1"));
        // A time mangled upwards costs its own line, not every line after it.
        f = read(QByteArray(log).replace("\r\n300;", "\r\n9300;"));
        QCOMPARE(lineCounts(f), QStringLiteral("19/1"));
        QCOMPARE(f.time.back(), 1.0);

        QByteArray bad = liveLog(m_ita, 5);
        bad += "garbage\r\n";
        bad += "\r\n   \r\n"; // blank lines are no lines of data
        bad += "1000;3;800\r\n";
        bad += LogLines::liveLine(1050, engineAt(1, 0)).replace("1050;", "1050;x");
        QByteArray nul = LogLines::liveLine(1100, engineAt(2, 0));
        nul[nul.size() - 4] = '\0';
        bad += nul;
        bad +=
            "1150;12;900;100;1100;400;-5;450;2000;3000;3001;3002;3003;3004;3005;3006;3007;3008\r\n";
        bad += LogLines::liveLine(1200, engineAt(2, 0));
        f = read(bad);
        QCOMPARE(lineCounts(f), QStringLiteral("6/5"));
        QCOMPARE(f.time.back(), 1.2);
        QCOMPARE(logReadMessage(f, m_ita), QStringLiteral("5 righe non lette"));
        QCOMPARE(logReadMessage(f, m_eng), QStringLiteral("5 lines not read"));
    }

    void logsAppendedToOneFileFollowEachOther() {
        // The same name twice, the second time with the program in English.
        LogFile f = read(liveLog(m_ita, 10) + liveLog(m_eng, 5));
        QCOMPARE(lineCounts(f), QStringLiteral("15/0"));
        QCOMPARE(f.sessionStarts, (std::vector<double>{0.5}));
        QCOMPARE(f.time[10], 0.5);
        QCOMPARE(f.time[14], 0.7);
        QCOMPARE(f.columns[2].values[10], 800.0);
        QCOMPARE(f.details.count(QStringLiteral("SW PC 3.1.2 SW ECU 1.4.7")), 2);

        // A calibration log under the same name: its lines do not fit the columns.
        f = read(liveLog(m_ita, 10) + calibrationLog(m_eng, {0, 3, 4}) + liveLog(m_ita, 2));
        QCOMPARE(lineCounts(f), QStringLiteral("12/3"));
    }

    void readsOtherProgramsTables() {
        // Commas, units in brackets, an empty cell and a column of words.
        LogFile f = read("time (s),rpm,map [kPa],note\n0.00,800,35.2,idle\n0.05,805,35.1,idle\n"
                         "0.10,,35.0,\"x, y\"");
        QVERIFY(f.ok());
        QCOMPARE(f.layout, LogLayout::Other);
        QCOMPARE(f.timeColumn, 0);
        QCOMPARE(f.columns[0].unit, QStringLiteral("s"));
        QCOMPARE(f.columns[2].name, QStringLiteral("map"));
        QCOMPARE(f.columns[2].unit, QStringLiteral("kPa"));
        QCOMPARE(f.columns[3].kind, LogColumn::Kind::Text);
        QCOMPARE(f.rows(), qsizetype(3)); // its last line has no end, and needs none
        QCOMPARE(f.time[2], 0.1);
        QVERIFY(std::isnan(f.columns[1].values[2]));
        QCOMPARE(f.columns[2].values[1], 35.1);
        QVERIFY(f.fuel.empty());
        // Neither the time nor the words are plotted.
        QCOMPARE(defaultPlotColumns(f), (std::vector<int>{1, 2}));

        // Semicolons and decimal commas, a line above the heading, time in milliseconds.
        f = read("Logger XY v2\r\nZeit ms;Drehzahl;Lambda\r\n0;800;0,98\r\n100;810;1,02\r\n");
        QCOMPARE(f.rows(), qsizetype(2));
        QCOMPARE(f.time[1], 0.1);
        QCOMPARE(f.columns[2].values[1], 1.02);
        QCOMPARE(f.details, QStringList{QStringLiteral("Logger XY v2")});

        // Tabs, clock times with a date across midnight, a fuel-state column.
        f = read("Date Time\tRPM\tFuelState\n2024-05-01 23:59:59.5\t900\t1\n"
                 "2024-05-02T00:00:00.5\t950\t0\n");
        QVERIFY(f.timeOfDay);
        QCOMPARE(f.time, (std::vector<double>{86399.5, 86400.5}));
        QCOMPARE(f.fuelColumn, 2);
        QCOMPARE(f.fuel, (std::vector<double>{1, 0}));
        QCOMPARE(f.columns[2].rule, ReadRule::Step);
        QCOMPARE(defaultPlotColumns(f), std::vector<int>{1}); // the fuel is the band

        // No column named as a time: the first one, when it holds numbers.
        f = read("idx,value\n1,10\n2,20\n");
        QCOMPARE(f.timeColumn, 0);
        QCOMPARE(f.rows(), qsizetype(2));
    }

    void emptyAndUnusableFilesSayWhy() {
        QCOMPARE(read("").error, LogFile::Error::Empty);
        QCOMPARE(read("\r\n  \n\n").error, LogFile::Error::Empty);
        const LogFile words = read("just some text\nmore text\n");
        QCOMPARE(words.error, LogFile::Error::NoTimeColumn);
        QCOMPARE(logReadMessage(words, m_ita),
                 QStringLiteral("Nessuna riga di intestazione con una colonna del tempo"));
        QCOMPARE(read("a,b,c\nx,y,z\n").error, LogFile::Error::NoTimeColumn);
        QByteArray image("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        image += QByteArray(200000, '\0');
        QCOMPARE(read(image).error, LogFile::Error::NoTimeColumn);

        // A log stopped before its first line: nothing to draw, but nothing wrong.
        const LogFile headersOnly = read(liveLog(m_ita, 0));
        QVERIFY(headersOnly.ok());
        QCOMPARE(headersOnly.rows(), qsizetype(0));

        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("missing.log"));
        const LogFile none = readLogFile(missing, m_headings);
        QCOMPARE(none.error, LogFile::Error::CannotOpen);
        QVERIFY(logReadMessage(none, m_ita).startsWith(QStringLiteral("Impossibile aprire")));
        QVERIFY(logReadMessage(none, m_ita).contains(missing));
    }

    void keepsToItsMemoryBudget() {
        LogReadOptions options;
        options.maxNumbers = 18 * 100; // time, 16 values and the fuel per row
        const LogFile f = read(liveLog(m_eng, 1000), options);
        QVERIFY(f.truncated);
        QCOMPARE(f.rows(), qsizetype(100));
        QCOMPARE(logReadMessage(f, m_eng),
                 QStringLiteral("File too large: the first 100 lines were read"));

        // A line that never ends is skipped without being held.
        QByteArray log = liveLog(m_eng, 3);
        log += QByteArray(3 << 20, '7');
        log += "\r\n" + LogLines::liveLine(200, engineAt(3, 0));
        const LogFile g = read(log);
        QCOMPARE(lineCounts(g), QStringLiteral("4/1"));
    }

    // Mangled logs, seeded, for a few seconds: the reader and the plotting that follows never
    // crash, never read out of bounds (the sanitizer build runs this too) and always hand
    // back columns that agree with each other.
    void fuzzedLogsNeverBreakTheReader() {
        const std::vector<QByteArray> bases{
            liveLog(m_ita, 300, 150),
            lf(calibrationLog(m_eng, {0, 3, 3, 4, 5, 5, 6, 7, 8, 1, 5, 6})),
            liveLog(m_tur, 50) + liveLog(m_eng, 50, 10),
            "time (s),rpm,map [kPa],note\n0.00,800,35.2,idle\n0.05,805,35.1,idle\n0.10,810,35,x\n",
            "Date Time;RPM;FuelState\n01/05/2024 10:00:00,5;900;1\n01/05/2024 10:00:01,0;950;0\n",
        };
        std::vector<QByteArray> inserts{"99999999999999999999999",
                                        "1e308",
                                        "-1e400",
                                        "1e-320",
                                        "inf",
                                        "nan",
                                        "\r",
                                        "\n",
                                        ";",
                                        ",",
                                        "\"",
                                        "12:00:00",
                                        "2024-13-45 99:99:99",
                                        "\xff\xfe",
                                        "-",
                                        "+-5",
                                        "0x10",
                                        "SW PC 3.1.2 SW ECU 1.4.7\r\n"};
        inserts.push_back(QByteArray("\0\0", 2));
        inserts.push_back(LogLines::heading(LogKind::Live, m_eng));
        inserts.push_back(LogLines::heading(LogKind::Calibration, m_ita));
        QRandomGenerator rng(20240501);
        QElapsedTimer clock;
        clock.start();
        int runs = 0;
        while (runs < 200 || (clock.elapsed() < 3000 && runs < 20000)) {
            QByteArray b = bases[rng.bounded(int(bases.size()))];
            const int mutations = 1 + rng.bounded(8);
            for (int m = 0; m < mutations && !b.isEmpty(); ++m) {
                const int at = rng.bounded(int(b.size()));
                switch (rng.bounded(9)) {
                case 0: // flipped bits
                    b[at] = char(b[at] ^ (1 << rng.bounded(8)));
                    break;
                case 1: // a stretch cut out, maybe with line ends
                    b.remove(at, 1 + rng.bounded(60));
                    break;
                case 2: { // a column dropped
                    const auto sep = b.indexOf(';', at);
                    if (sep >= 0)
                        b.remove(sep, std::max<qsizetype>(1, b.indexOf(';', sep + 1) - sep));
                    break;
                }
                case 3: { // a column doubled
                    const auto sep = b.indexOf(';', at);
                    const auto next = sep < 0 ? -1 : b.indexOf(';', sep + 1);
                    if (next > sep) b.insert(sep, b.mid(sep, next - sep));
                    break;
                }
                case 4:
                    b.insert(at, inserts[rng.bounded(int(inserts.size()))]);
                    break;
                case 5: // the file cut short
                    b.truncate(at);
                    break;
                case 6: { // a line repeated elsewhere
                    const auto from = b.lastIndexOf('\n', at) + 1;
                    const auto to = b.indexOf('\n', at);
                    b.insert(rng.bounded(int(b.size())), b.mid(from, to < 0 ? -1 : to - from + 1));
                    break;
                }
                case 7: // a run of noise
                    for (int k = rng.bounded(40); k > 0; --k)
                        b.insert(at, char(rng.bounded(256)));
                    break;
                case 8: // a line too long for any log
                    if (rng.bounded(20) == 0) b.insert(at, QByteArray(70000, '5'));
                    break;
                }
            }
            const LogFile f = read(b);
            const auto seed = QStringLiteral("run %1").arg(runs);
            const qsizetype lines = b.count('\n') + 1;
            checkSound(f, lines);
            if (QTest::currentTestFailed()) QFAIL(qPrintable(seed));
            (void)logReadMessage(f, m_ita);
            // What the viewer does next with whatever came back.
            for (int c = 0; c < int(f.columns.size()); ++c) {
                const Series s = f.series(c);
                if (s.t.empty()) continue;
                const MinMaxIndex index(s.v);
                const TimeRange all{f.time.front(), f.time.back()};
                (void)decimate(s, index, all, 1366);
                (void)decimate(s, index, {all.begin, all.begin + (all.end - all.begin) / 100}, 300);
                (void)readAt(s, (all.begin + all.end) / 2, f.columns[std::size_t(c)].rule);
            }
            if (!f.fuel.empty())
                (void)stepRuns(decimate(f.fuelSeries(), MinMaxIndex(f.fuel),
                                        {f.time.front(), f.time.back()}, 500));
            ++runs;
        }
        qInfo("%d mangled logs read in %lld ms", runs, qint64(clock.elapsed()));
    }
};

QTEST_GUILESS_MAIN(TestLogReader)
#include "test_log_reader.moc"
