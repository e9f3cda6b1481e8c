#include "diag/DiagnosisView.h"
#include "diag/LevelLamps.h"
#include "diag/LiveBars.h"
#include "diag/LiveLayout.h"
#include "diag/LiveTexts.h"
#include "lang/LanguageTable.h"
#include "params/ParameterSet.h"

#include <QtTest>

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

    LanguageTable m_lang;

private slots:
    void initTestCase() {
        m_lang.store(QStringLiteral("sCMsg04"), QStringLiteral("ATTESA TEMPERATURA"));
        m_lang.store(QStringLiteral("sCMsg07"), QStringLiteral("ATTESA GIRI"));
        m_lang.store(QStringLiteral("sCMsg09"), QStringLiteral("ATTESA DECELERAZIONE SOTTO"));
        m_lang.store(QStringLiteral("sCMsg12"), QStringLiteral("GAS"));
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
        QCOMPARE(line(10), QStringLiteral("ATTESA DECELERAZIONE SOTTO  2100    "));
        QCOMPARE(line(4), QStringLiteral("ATTESA TEMPERATURA  50    "));
        QCOMPARE(line(5), QStringLiteral("ATTESA TEMPERATURA  50    "));
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
        QCOMPARE(bar.colours[19], (Rgb{150, 0, 0}));
        QCOMPARE(bar.colours[9], (Rgb{0, 190, 0}));
    }

    void fuelLampsAndTheNotConnectedLook() {
        QCOMPARE(fuelLamps(1), (FuelLamps{Colours::Red, Colours::DarkGreen}));
        QCOMPARE(fuelLamps(0), (FuelLamps{Colours::DarkRed, Colours::Green}));
        const NotConnectedLook look = notConnectedLook();
        QCOMPARE(segmentsOf(look.pressure1, Colours::Yellow), range(0, 1));
        QCOMPARE(segmentsOf(look.pressure2, Colours::Yellow), range(0, 1));
        QCOMPARE(segmentsOf(look.lambda, Colours::Yellow), range(18, 19));
        QCOMPARE(look.lamps, (FuelLamps{Colours::Yellow, Colours::Yellow}));
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
        ParameterSet p;
        SetParameterDefaults(p);
        p.setValue(InjectorCount, 0); // an ECU that reports no cylinder still shows one
        p.setValue(LevelSenderType, 2);
        const LiveLayout l = liveLayout(p);
        QCOMPARE(l.cylinders, 1);
        QCOMPARE(l.levelBars, 4);
        QVERIFY(!l.showPressure2 && !l.methane);
        QCOMPARE(displayCylinders(12), 8);
        QCOMPARE(liveTexts(sampleLive()).injection[8], QStringLiteral("4100"));
    }

    void diagnosisMappingAndScaling() {
        DiagnosisRecord r{};
        for (int i = 0; i < DiagnosisView::BoxCount; ++i)
            r[i] = 100 + i;
        r[DiagnosisView::BoardTemperatureWord] = 253;
        QList<QPair<int, QString>> shown;
        for (const DiagnosisView::Box& b : DiagnosisView::boxes(r))
            shown << qMakePair(b.element, b.text);
        const QList<QPair<int, QString>> expected{
            {10, "100"}, {12, "101"}, {13, "25.3"}, {11, "103"}, {8, "104"}, {9, "105"},
            {0, "106"},  {1, "107"},  {2, "108"},   {3, "109"},  {4, "110"}, {5, "111"},
            {6, "112"},  {7, "113"},  {14, "114"},  {16, "116"}}; // "Var debug2" (15) untouched
        QCOMPARE(shown, expected);

        using DiagnosisView::tenthsText;
        QCOMPARE(tenthsText(250), QStringLiteral("25"));
        QCOMPARE(tenthsText(1005), QStringLiteral("100.5"));
        QCOMPARE(tenthsText(0), QStringLiteral("0"));
        QCOMPARE(tenthsText(1005, QStringLiteral(",")), QStringLiteral("100,5"));
        r[DiagnosisView::BoardTemperatureWord] = 0xFFFB;
        QCOMPARE(DiagnosisView::boxes(r)[2].text, QStringLiteral("-0.5"));
        r[DiagnosisView::BoardTemperatureWord] = 0x8000;
        QCOMPARE(DiagnosisView::boxes(r)[2].text, QStringLiteral("-3276.8"));
    }
};

QTEST_GUILESS_MAIN(TestDiag)
#include "test_diag.moc"
