#include "LevelPageReading.h"

namespace {

LevelPageReading::Fills dark() {
    LevelPageReading::Fills f;
    for (const char* step : {"Shape2", "Shape3", "Shape4", "Shape5"})
        f.insert(QString::fromLatin1(step), LevelPageReading::StepDark);
    f.insert(QStringLiteral("Shape1"), LevelPageReading::ReserveDark);
    return f;
}

} // namespace

LevelPageReading::Fills LevelPageReading::reading(int levelInput, int fuelState) {
    m_live = true;
    const LevelIndicatorLamps lit = m_indicator.show(levelInput);
    Fills f = dark();
    for (const QString& step : lit.lit)
        f.insert(step, Colours::Green);
    if (lit.reserveBright) f.insert(QStringLiteral("Shape1"), Colours::Red);
    f.insert(QStringLiteral("Shape6"), fuelState == 1 ? Colours::Red : Colours::Green);
    return f;
}

LevelPageReading::Fills LevelPageReading::lost() {
    m_live = false;
    Fills f = dark();
    f.insert(QStringLiteral("Shape6"), NoReading);
    return f;
}

LevelPageReading::Offered LevelPageReading::offered(bool editing) const {
    // Nothing to copy until the ECU has sent a reading.
    return {editing, editing && m_live, m_live};
}
