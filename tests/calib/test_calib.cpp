#include "calib/Correctives.h"
#include "calib/MarkerGeometry.h"
#include "diag/LiveData.h"
#include "params/ParameterSet.h"

#include <QtTest>

namespace {

ParameterSet defaults() {
    ParameterSet s;
    SetParameterDefaults(s);
    return s;
}
} // namespace

class TestCalib : public QObject {
    Q_OBJECT
private slots:
    // --- Operating-point marker -------------------------------------------------------------

    void markerSitsOnTheDefaultBreakpoints() {
        const Breakpoints b = Breakpoints::of(defaults());
        const QList<QPair<int, float>> left{{0, 960},     {649, 960},   {650, 1320}, {1000, 2160},
                                            {1500, 2580}, {7000, 7200}, {7001, 7440}};
        for (const auto& [rpm, expected] : left)
            QCOMPARE(MarkerGeometry::markerLeft(rpm, b.rpm), expected);
        const QList<QPair<int, float>> top{
            {1999, 720}, {2000, 840}, {3500, 1320}, {15000, 4200}, {15001, 4320}};
        for (const auto& [tinj, expected] : top)
            QCOMPARE(MarkerGeometry::markerTop(tinj, b.tinj), expected);
        // Pixels at scale 1: the marker's far corner and the last table cell.
        QCOMPARE(MarkerGeometry::toPixels(QRectF(7440, 4320, 375, 375)), QRectF(496, 288, 25, 25));
        QCOMPARE(MarkerGeometry::textBox(79), QRect(6960, 4200, 735, 330));
        QCOMPARE(MarkerGeometry::textBox(8), QRect(120, 840, 855, 330));
        QCOMPARE(MarkerGeometry::textBox(80), QRect());
    }

    void markerStaysFiniteOnEqualOrDisorderedBreakpoints() {
        std::array<int, 8> b{800, 800, 2000, 3000, 4000, 5000, 6000, 7000};
        QCOMPARE(MarkerGeometry::markerLeft(800, b), 1320.0f);
        // Breakpoints out of order, as an ECU may hold them: still inside the grid.
        b = {650, 3000, 2000, 2000, 4000, 1000, 6000, 7000};
        for (int rpm : {650, 2000, 2500, 3000, 5000, 7000}) {
            const float left = MarkerGeometry::markerLeft(rpm, b);
            QVERIFY2(std::isfinite(left) && left >= 1320 && left <= 7200,
                     qPrintable(QString::number(rpm)));
        }
        QCOMPARE(MarkerGeometry::markerLeft(5000, b), 6192.0f); // between b5 = 1000 and b6 = 6000
    }

    // --- Correctives -----------------------------------------------------------------------

    void correctiveFiguresTruncateTowardZero() {
        ParameterSet s = defaults(); // CalibrationTemperature 70, CalibrationPressure 1300
        s.setValue(TemperatureCorrection, 3);
        s.setValue(TemperatureCorrectionInterval, 10);
        const QList<QPair<int, int>> temperature{{90, 6},  {72, 0},  {71, 0}, {70, 0},
                                                 {40, -9}, {65, -1}, {62, -2}};
        for (const auto& [t, shown] : temperature)
            QCOMPARE(Correctives::temperatureFigure(t, s), shown);

        s.setValue(PressureCorrection, 5);
        s.setValue(PressureCorrectionInterval, 100);
        LiveData live;
        live.Pressure1 = 1000;
        live.Rpm = 2000;
        live.Temperature = 65;
        QCOMPARE(Correctives::figures(live, s), (Correctives::Figures{-1, 15}));
        QCOMPARE(Correctives::pressureFigure(1000, 1100, s), 15); // at the threshold: on
        QCOMPARE(Correctives::pressureFigure(1000, 1099, s), 0);
        QCOMPARE(Correctives::pressureFigure(1330, 2000, s), -1);

        s.setValue(PressureCorrection, 0);
        QCOMPARE(Correctives::pressureFigure(0, 2000, s), 0);
        s.setValue(TemperatureCorrectionInterval, 0);
        QCOMPARE(Correctives::temperatureFigure(90, s), 0);
    }

    void correctiveFigureBeyondSixteenBitsIsNotWrapped() {
        ParameterSet s = defaults();
        s.setValue(PressureCorrection, 5);
        s.setValue(PressureCorrectionInterval, 1);
        QCOMPARE(Correctives::pressureFigure(65535, 8000, s), std::int64_t(-321175));
        s.setValue(TemperatureCorrection, 2'000'000'000);
        s.setValue(TemperatureCorrectionInterval, 1);
        QCOMPARE(Correctives::temperatureFigure(32767, s), std::int64_t(32697) * 2'000'000'000);
    }

    void numbersAreGreenOnGasAndRedOtherwise() {
        QCOMPARE(Correctives::numberColour(0), (Rgb{0, 255, 0}));
        QCOMPARE(Correctives::numberColour(1), (Rgb{255, 0, 0}));
        QCOMPARE(Correctives::numberColour(7), (Rgb{255, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(TestCalib)
#include "test_calib.moc"
