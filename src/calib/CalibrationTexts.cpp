#include "CalibrationTexts.h"

#include "lang/LanguageTable.h"

namespace CalibrationTexts {

QString command9Caption(const CalibrationPageMachine& page, const LanguageTable& language) {
    // The caption names the mode the ECU last acknowledged, in the fitter's language: a
    // button that turned Italian on the first click would read as another program's.
    if (page.modeAcknowledged() && page.ecuManual())
        return language.text(QStringLiteral("F16_T93"), QStringLiteral("TARATURA ATTIVA"));
    return language.text(QStringLiteral("F16_C09"), QStringLiteral("TARATURA NON ATTIVA"));
}

QString exitAgain(const LanguageTable& language) {
    return language.text(QStringLiteral("F00_T08"),
                         QStringLiteral("Premere di nuovo EXIT per uscire subito"));
}

QString notice(PageNotice notice, const LanguageTable& language) {
    switch (notice) {
    case PageNotice::ExitAfterWrite:
        return language.text(QStringLiteral("F16_T90"),
                             QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA")) +
               QLatin1Char('\n') + exitAgain(language);
    case PageNotice::ExitAtAcknowledgement:
        return language.text(QStringLiteral("F08_T82"),
                             QStringLiteral("USCITA ALLA CONFERMA DELLA CENTRALINA")) +
               QLatin1Char('\n') + exitAgain(language);
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

QString manualTableQuestion(int coefficient, const LanguageTable& language) {
    return language
        .text(QStringLiteral("F16_T94"),
              QStringLiteral("Taratura manuale attiva: la scrittura mette il coefficiente %1 in "
                             "tutte le 64 celle della tabella e la tabella tarata della vettura "
                             "andrà persa. Continuare?"))
        .arg(coefficient);
}

namespace {

// A text the fixed tables leave empty, from the language file; Italian when it was not loaded.
void fillBlank(QString& text, const LanguageTable& language, const char* key, const char* italian) {
    if (text.isEmpty()) text = language.text(QString::fromLatin1(key), QString::fromUtf8(italian));
}

} // namespace

GraphCaptions graphCaptions(int languageIndex, bool connected, const LanguageTable& language) {
    const QString kgb = QStringLiteral("KGB");
    GraphCaptions c;
    switch (languageIndex) {
    case 2:
        c = {connected ? QStringLiteral("TARVEX - Graphical calibration")
                       : QStringLiteral("TARVEX - Graphical calibration Not connected"),
             QStringLiteral("RPM"),
             QStringLiteral("TINJ"),
             QStringLiteral("Injection time"),
             kgb,
             kgb,
             QStringLiteral("Deactivate")};
        break;
    case 3:
        c = {connected ? QStringLiteral("TARVEX - ") : QStringLiteral("TARVEX - Pas connecté"),
             QString(),
             QString(),
             QString(),
             kgb,
             kgb,
             QString()};
        break;
    default:
        c = {connected ? QStringLiteral("TARVEX - Taratura grafica")
                       : QStringLiteral("TARVEX - Taratura grafica Non connesso"),
             QStringLiteral("RPM"),
             QStringLiteral("TINJ"),
             QStringLiteral("Tempo iniezione"),
             kgb,
             kgb,
             QStringLiteral("Deselezionare")};
        break;
    }
    fillBlank(c.label1, language, "F15_T80", "RPM");
    fillBlank(c.label2, language, "F15_T81", "TINJ");
    fillBlank(c.label3, language, "F15_T82", "Tempo iniezione");
    fillBlank(c.label30, language, "F15_T83", "Deselezionare");
    return c;
}

Message selectCurveMessage(int languageIndex, const LanguageTable& language) {
    Message m;
    switch (languageIndex) {
    case 2:
        m = {QStringLiteral("TARVEX - Select the curve"),
             QStringLiteral("Please, select the curve, before reaching the graph.")};
        break;
    case 3:
        break;
    default:
        m = {QStringLiteral("TARVEX - Seleziona curva"),
             QStringLiteral("Occorre selezionare la curva, prima di accedere al grafico.")};
        break;
    }
    fillBlank(m.caption, language, "F15_T84", "TARVEX - Seleziona curva");
    fillBlank(m.text, language, "F15_T85",
              "Occorre selezionare la curva, prima di accedere al grafico.");
    return m;
}

} // namespace CalibrationTexts
