#include "CalibrationFields.h"

#include "pages/PageLayout.h"
#include "params/ParameterId.h"

namespace {

// The corrective boxes a fitter types into, in check order.
struct TypedCorrective {
    const char* control;
    int parameterId;
    const char* labelKey;
    const char* label;
    int low;
    int high;
};
constexpr TypedCorrective kTyped[] = {
    {"Text10", PressureCorrectionInterval, "F16_L07", "Intervallo pressione", 10, 1000},
    {"Text25", PressureCorrectionRpm, "F16_L03", "Soglia giri inserimento ", 700, 8000},
    {"Text24", LambdaCorrectionRpm, "F16_L02", "Soglia giri inserimento ", 700, 8000},
    {"Text26", TemperatureCorrectionInterval, "F16_L11", "Intervallo temperatura ", 2, 50},
};

// The correctives set by spinners: the spinner's value is written.
struct SpunCorrective {
    const char* control; // the box beside the spinner
    int parameterId;
    const char* labelKey;
    const char* label;
    int high;
    int CalibrationInput::*value;
};
constexpr SpunCorrective kSpun[] = {
    {"Text23", PressureCorrection, "F16_L15", "Correttivo pressione", 5,
     &CalibrationInput::pressureCorrection},
    {"Text19", TemperatureCorrection, "F16_L13", "Correttivo temperatura", 3,
     &CalibrationInput::temperatureCorrection},
    {"Text20", LambdaMaxVariation, "F16_L14", "Massima variazione ", 8,
     &CalibrationInput::lambdaMaxVariation},
};

PageText text(const char* key, const char* design) {
    return {QString::fromLatin1(key), QString::fromLatin1(design)};
}

QStringList gridControls(int first, int count) {
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << CalibrationFields::gridControl(first + i);
    return out;
}

int numberIn(const CalibrationInput& input, const QString& control) {
    return FieldCheck::readNumber(input.texts.value(control)).value_or(0);
}

// The value written for a corrective parameter: the spinner's, or the number typed.
int correctiveValue(const CalibrationInput& input, int parameterId) {
    for (const SpunCorrective& c : kSpun)
        if (c.parameterId == parameterId) return input.*c.value;
    for (const TypedCorrective& c : kTyped)
        if (c.parameterId == parameterId) return numberIn(input, QString::fromLatin1(c.control));
    return 0;
}

} // namespace

QString CalibrationFields::gridControl(int element) {
    return QStringLiteral("Text6_%1").arg(element);
}

FieldReport CalibrationFields::check(const CalibrationInput& input, const LanguageTable& language) {
    FieldCheck check(input.texts);
    for (const TypedCorrective& c : kTyped)
        check.requireRange(QString::fromLatin1(c.control), c.low, c.high,
                           text(c.labelKey, c.label).in(language) +
                               QStringLiteral(" %1-%2 ").arg(c.low).arg(c.high));
    // The grid's texts lead with a blank: one after the other they would run together
    // ("RPM 500-500RPM 650-2000") on the fitter's message line.
    check.requireBreakpointRow(gridControls(0, 8), 500, 10000, QStringLiteral(" RPM "));
    check.requireBreakpointRow(gridControls(8, 8), 500, 25000, QStringLiteral(" TINJ "));
    for (int i = 16; i < GridSize; ++i)
        check.requireRange(gridControl(i), TableMin, TableMax,
                           QStringLiteral(" TAB KTAR %1-%2").arg(TableMin).arg(TableMax));

    // A spinner holds its value in range; this catches a page that let one through.
    for (const SpunCorrective& c : kSpun)
        if (const int v = input.*c.value; v < 0 || v > c.high)
            check.reject({QString::fromLatin1(c.control)},
                         text(c.labelKey, c.label).in(language) +
                             QStringLiteral(" 0-%1 ").arg(c.high));
    // In manual calibration the coefficient overwrites all 64 cells.
    if (input.manual && (input.manualKgb < TableMin || input.manualKgb > TableMax))
        check.reject({QStringLiteral("Text11")},
                     text("F16_F10", "KGB").in(language) +
                         QStringLiteral(" %1-%2 ").arg(TableMin).arg(TableMax));
    return check.report();
}

PreparedWrite CalibrationFields::prepareWrite(const CalibrationInput& input,
                                              const LanguageTable& language) {
    PreparedWrite result;
    result.report = check(input, language);
    if (!result.accepted()) return result;
    auto& w = result.writes;
    // The correctives frame by frame (pressure, temperature, lambda), then both breakpoint
    // rows, then the cells by table address.
    for (const int id : {PressureCorrection, PressureCorrectionInterval, PressureCorrectionRpm,
                         TemperatureCorrection, TemperatureCorrectionInterval, LambdaMaxVariation,
                         LambdaCorrectionRpm})
        w.push_back({id, correctiveValue(input, id), false});
    for (int i = 0; i < 16; ++i)
        w.push_back({RpmBreakpoint1 + i, numberIn(input, gridControl(i)), false});
    for (int cell = 0; cell < TableSize; ++cell)
        w.push_back({cell + 1,
                     input.manual ? input.manualKgb : numberIn(input, gridControl(16 + cell)),
                     true});
    return result;
}
