#include "CalibrationTexts.h"

#include "lang/LanguageTable.h"

namespace CalibrationTexts {

QString command9Caption(const CalibrationPageMachine& page, const LanguageTable& language) {
    // The acknowledgement captions are fixed texts: the ECU-side mode names fitters know.
    if (!page.modeAcknowledged())
        return language.text(QStringLiteral("F16_C09"), QStringLiteral("TARATURA NON ATTIVA"));
    return page.ecuManual() ? QStringLiteral("TARATURA ATTIVA")
                            : QStringLiteral("TARATURA NON ATTIVA");
}

QString notice(PageNotice notice, const LanguageTable& language) {
    switch (notice) {
    case PageNotice::ExitAfterWrite:
        return language.text(QStringLiteral("F16_T90"),
                             QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA"));
    case PageNotice::ExitAgainToLeave:
        return language.text(
            QStringLiteral("F16_T91"),
            QStringLiteral("LA CENTRALINA NON RISPONDE: PREMERE DI NUOVO EXIT PER USCIRE"));
    case PageNotice::None:
        break;
    }
    return {};
}

QString manualMayStillBeOn(const LanguageTable& language) {
    return language.text(
        QStringLiteral("F16_T92"),
        QStringLiteral("ATTENZIONE: LA CENTRALINA POTREBBE ESSERE ANCORA IN TARATURA MANUALE"));
}

GraphCaptions graphCaptions(int languageIndex, bool connected) {
    const QString kgb = QStringLiteral("KGB");
    switch (languageIndex) {
    case 2:
        return {connected ? QStringLiteral("TARVEX - Graphical calibration")
                          : QStringLiteral("TARVEX - Graphical calibration Not connected"),
                QStringLiteral("RPM"),
                QStringLiteral("TINJ"),
                QStringLiteral("Injection time"),
                kgb,
                kgb,
                QStringLiteral("Deactivate")};
    case 3:
        return {connected ? QStringLiteral("TARVEX - ") : QStringLiteral("TARVEX - Pas connecté"),
                QString(),
                QString(),
                QString(),
                kgb,
                kgb,
                QString()};
    default:
        return {connected ? QStringLiteral("TARVEX - Taratura grafica")
                          : QStringLiteral("TARVEX - Taratura grafica Non connesso"),
                QStringLiteral("RPM"),
                QStringLiteral("TINJ"),
                QStringLiteral("Tempo iniezione"),
                kgb,
                kgb,
                QStringLiteral("Deselezionare")};
    }
}

Message selectCurveMessage(int languageIndex) {
    switch (languageIndex) {
    case 2:
        return {QStringLiteral("TARVEX - Select the curve"),
                QStringLiteral("Please, select the curve, before reaching the graph.")};
    case 3:
        return {};
    default:
        return {QStringLiteral("TARVEX - Seleziona curva"),
                QStringLiteral("Occorre selezionare la curva, prima di accedere al grafico.")};
    }
}

} // namespace CalibrationTexts
