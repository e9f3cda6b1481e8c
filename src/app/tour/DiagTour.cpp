// The stops of the live acquisition, its trend chart, the diagnosis and the log viewer.

#include "ScreenTours.h"
#include "TourSteps.h"

#include "diag/LogLines.h"
#include "params/ParameterSet.h"
#include "screen/TimePlot.h"
#include "screens/diag/Form17.h"
#include "screens/diag/Form3.h"
#include "screens/diag/Form9.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cmath>
#include <memory>

namespace {

// When the drive of the viewer's log switches to gas, in seconds.
constexpr double DriveSwitchAt = 150;

// Ten minutes of a drive as the live screen logs it: two and a half minutes warming up on
// petrol, then gas, where the mixture runs a little lean and the petrol times the ECU
// computes climb; the reducer's pressure sags as the speed rises.
bool writeDriveLog(const QString& path, const VariabiliGlobali& g) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray out =
        LogLines::headers(LogKind::Live, programVersion(), {2, 4, 7}, g.parameters, g.language);
    QRandomGenerator noise(600);
    LiveData d;
    for (qint64 ms = 50; ms <= 600000; ms += 50) {
        const double s = double(ms) / 1000;
        const bool gas = s >= DriveSwitchAt;
        const double drive = s < 60 ? 0 : 1 - std::exp(-(s - 60) / 20);
        d.EcuState = gas ? 12 : 3;
        d.Rpm = int(850 + drive * (1300 + 700 * std::sin(s / 11) + 300 * std::sin(s / 3.7)) +
                    noise.bounded(30));
        d.Temperature = int(std::min(82.0, 18 + s * 0.42));
        d.Pressure1 = gas ? int(1180 - d.Rpm / 25 + noise.bounded(40)) : int(noise.bounded(20));
        d.Pressure2 = 0;
        // The probe swings round the middle; on gas a little leaner.
        d.Lambda1 = int(450 + 380 * std::sin(s * 5.1) + (gas ? -60 : 0) + noise.bounded(40));
        d.Kcor = gas ? 104 + noise.bounded(3) : 100;
        d.LevelInput = 3000;
        for (int c = 0; c < 8; ++c)
            d.PetrolInjTime[c] =
                int((2300 + d.Rpm * 0.55) * (gas ? 1.06 : 1.0)) + noise.bounded(60);
        out += LogLines::liveLine(ms, d);
    }
    return f.write(out) == out.size();
}

} // namespace

void ScreenTours::form3(Tour& t) {
    const ScreenId self = ScreenId::Form3;
    const auto showingRecords = [&t, self](int records) {
        return showing<Form3>(t, self,
                              [records](const Form3& s) { return s.liveRecords() >= records; });
    };
    const auto logging = [&t, self] {
        auto* s = t.screen<Form3>(self);
        return s && s->logWriter().isOpen() && s->logWriter().elapsedMs() >= 1500;
    };
    const auto stopped = [&t, self] {
        auto* s = t.screen<Form3>(self);
        return s && !s->logWriter().isOpen();
    };
    // The tour's own log goes where a fitter's would; it is not kept.
    const auto dropLog = [&t, self] {
        if (auto* s = t.screen<Form3>(self)) QFile::remove(s->logWriter().filePath());
    };

    passToReadyMenu(t, t.scenario("warm-up"));
    t.picture(QStringLiteral("20-live-on-gas"), t.press(ScreenId::Form2, "Command3"),
              showingRecords(8), self);
    t.picture(QStringLiteral("21-live-logging"), t.press(self, "Command3"), logging, self);
    t.pass(Tour::then(t.press(self, "Command4"), dropLog), stopped);

    // The trend chart over 30 s: a few seconds forced back to petrol, then the switch to gas.
    auto mark = std::make_shared<int>(0);
    const auto records = [&t, self] {
        auto* s = t.screen<Form3>(self);
        return s ? s->liveRecords() : 0;
    };
    const auto commuta = [&t, self, mark, records] {
        *mark = records();
        t.press(self, "Command2")();
    };
    const auto after = [&t, mark, records](bool petrol, int count) {
        return [&t, mark, records, petrol, count] {
            return (t.state().liveData.FuelState == 1) == petrol && records() >= *mark + count;
        };
    };
    t.pass(
        [&t, self, commuta] {
            t.press(self, "Command5")();
            if (auto* window = t.control<QComboBox>(self, "Combo1")) window->setCurrentIndex(1);
            commuta();
        },
        after(true, 30));
    t.picture(QStringLiteral("25-live-trend-switch-to-gas"), commuta, after(false, 45), self);
    // The chart is the fitter's choice for the run: hidden again for the other stops.
    t.pass(t.press(self, "Command5"), [&t, self] {
        auto* panel = t.control<QWidget>(self, "TrendPanel");
        return panel && panel->isHidden();
    });
    passScreenToStart(t, self);
    offlinePicture(t, QStringLiteral("22-live-not-connected"), "Command3", self);
}

void ScreenTours::form9(Tour& t) {
    const ScreenId self = ScreenId::Form9;
    const ScreenId menu = ScreenId::Form2;
    const auto polling = showing<Form9>(t, self, [](const Form9& s) { return s.records() >= 5; });

    passToReadyMenu(t);
    t.picture(QStringLiteral("23-diagnosis"), t.press(menu, "Command2"), polling, self);
    passScreenToStart(t, self);
    offlinePicture(t, QStringLiteral("24-diagnosis-not-connected"), "Command2", self);
}

void ScreenTours::form17(Tour& t) {
    const ScreenId self = ScreenId::Form17;
    const QString path = QDir::temp().filePath(QStringLiteral("tarvex-tour-drive.log"));
    t.pass(
        [&t, path] {
            writeDriveLog(path, t.state());
            t.press(ScreenId::Form1, "Command8")();
        },
        t.visible(self));
    // The switch to gas, 20 s of it, the cursor just after it.
    t.picture(
        QStringLiteral("26-viewer-switch-zoomed"),
        [&t, self, path] {
            auto* viewer = t.screen<Form17>(self);
            auto* plot = t.control<TimePlot>(self, "Plot1");
            if (!viewer || !plot) return;
            viewer->openFile(path);
            plot->view().show({DriveSwitchAt - 8, DriveSwitchAt + 12});
            plot->setCursor(DriveSwitchAt + 2.02);
        },
        nullptr, self);
    t.pass(Tour::then(t.press(self, "Command4"), [path] { QFile::remove(path); }),
           [&t, self] { return !t.visible(self)(); });
}
