#include "LiveTexts.h"

#include "lang/LanguageTable.h"

namespace {

// Above this the ECU reports no state text at all (the message table stops at 22).
constexpr int FirstStateWithoutText = 23;

} // namespace

LiveTexts liveTexts(const LiveData& live) {
    LiveTexts t;
    t.pressure1 = QString::number(live.Pressure1);
    t.pressure2 = QString::number(live.Pressure2);
    t.lambda1 = QString::number(live.Lambda1);
    t.lambda1Mean = QString::number(live.Lambda1Mean);
    t.temperature = QString::number(live.Temperature);
    t.levelInput = QString::number(live.LevelInput);
    t.rpm = QString::number(live.Rpm);
    t.ktab = QString::number(live.Ktab);
    t.kcor = QString::number(live.Kcor);
    for (int i = 0; i < 8; ++i) {
        t.injection[i] = QString::number(live.PetrolInjTime[i]);
        t.injection[i + 8] = QString::number(live.GasInjTime[i]);
    }
    return t;
}

QString ecuStateText(int state, int switchRpm, int switchTemperature,
                     const LanguageTable& language) {
    if (state >= FirstStateWithoutText) return QString();
    QString text = language.message(state);
    const QString gap = QStringLiteral("  ");
    switch (state) {
    case 4:
    case 5:
        text += gap + QString::number(switchTemperature);
        break;
    case 7:
    case 8:
        text += gap + QString::number(switchRpm);
        break;
    case 9:
    case 10:
        // Waiting for a deceleration: the switch happens once the engine falls 200 rpm
        // below the switching speed.
        text += gap + QString::number(switchRpm - 200);
        break;
    default:
        break;
    }
    return text;
}

QString statusLine(const LiveData& live, int switchRpm, int switchTemperature,
                   const LanguageTable& language) {
    return ecuStateText(live.EcuState, switchRpm, switchTemperature, language) +
           QStringLiteral("  ") + live.safetyFlag + QStringLiteral("  ") + live.cutOffFlag;
}
