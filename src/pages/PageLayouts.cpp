#include "PageLayouts.h"

#include "params/ParameterId.h"

namespace {

using Kind = PageRule::Kind;

PageText text(const char* key, const char* design) {
    return {QString::fromLatin1(key), QString::fromUtf8(design)};
}

PageText fixed(const char* design) {
    return {QString(), QString::fromUtf8(design)};
}

PageField field(const char* control, int id, const char* labelControl, PageText label,
                const char* unit) {
    return {QString::fromLatin1(control), id, QString::fromLatin1(labelControl), std::move(label),
            QString::fromUtf8(unit)};
}

PageLayout page(const char* form, const char* readMode, const char* writeMode,
                const char* messageLine) {
    PageLayout p;
    p.form = QString::fromLatin1(form);
    p.readMode = QString::fromLatin1(readMode);
    p.writeMode = QString::fromLatin1(writeMode);
    p.messageLine = QString::fromLatin1(messageLine);
    return p;
}

PageRule range(const char* control, int low, int high, const char* suffix) {
    return PageRule::range(QString::fromLatin1(control), low, high, QString::fromLatin1(suffix));
}

} // namespace

namespace PageLayouts {

PageLayout otherParameters() {
    PageLayout p = page("Form13", "Option1", "Option2", "Label3");
    p.fields = {
        field("Text1", CoilCount, "Label1", text("F13_L01", "NUMERO BOBINE"), ""),
        field("Text2", InjectorCount, "Label2", text("F13_L02", "NUMERO INIETTORI"), ""),
        field("Text3", CalibrationPressure, "Label4", text("F13_L04", "PRESSIONE DI TARATURA"),
              "mbar"),
        field("Text4", MinTemperature, "Label5", text("F13_L05", "TEMPERATURA MINIMA"), "°C"),
        field("Text5", MaxTemperature, "Label6", text("F13_L06", "TEMPERATURA MASSIMA"), "°C"),
        field("Text6", CalibrationTemperature, "Label11",
              text("F13_L11", "TEMPERATURA DI TARATURA"), "°C"),
        field("Text7", PressureCorrectionRpm, "Label14",
              text("F13_L14", "SOGLIA GIRI INSERIMENTO CORRETTIVO PRESSIONE"), "rpm"),
    };
    p.choices = {
        {QStringLiteral("Option3"),
         PressureSensorType,
         QStringLiteral("Frame1"),
         text("F13_F01", "SENSORE PRESSIONE"),
         {{0, text("F13_O30", "Differenziale ")}, {1, text("F13_O31", "Assoluto ")}}},
        {QStringLiteral("Option4"),
         GasInjectorType,
         QStringLiteral("Frame2"),
         text("F13_F02", "INIETTORE GAS"),
         {{0, fixed("RV 101.10")},
          {1, fixed("MQ 201.30")},
          {2, fixed("TQ3")},
          {3, fixed("MQ 201.40")},
          {4, fixed("RVT 102.20")},
          {5, fixed("MQ 201.50")}}},
    };
    // The uneven blanks after the ranges are the texts fitters already know; keep them.
    p.checks = {
        range("Text1", 1, 8, " 1-8 "),
        range("Text2", 1, 8, " 1-8 "),
        range("Text3", 500, 2000, " 500-2000 "),
        range("Text4", 0, 100, " 0-100 "),
        range("Text5", 0, 100, " 0-100"),
        // 0 and 0 switch the temperature window off; otherwise it must be 5 degrees wide.
        PageRule::pair(Kind::Window, QStringLiteral("Text4"), QStringLiteral("Text5"),
                       QStringLiteral("-"), QStringLiteral(" > 5 "), 5),
        range("Text6", 60, 105, " 60-105"),
        range("Text7", 700, 8000, " 700-8000"),
    };
    p.writeOrder = {PressureSensorType, GasInjectorType,        CoilCount,
                    InjectorCount,      CalibrationPressure,    MinTemperature,
                    MaxTemperature,     CalibrationTemperature, PressureCorrectionRpm};
    return p;
}

PageLayout lambda() {
    PageLayout p = page("Form6", "Option3", "Option4", "Label1");
    p.fields = {
        field("Text6", Lambda1LeanThreshold, "Label21", text("F06_L21", "SOGLIA MAGRO"), "mV"),
        field("Text5", Lambda1RichThreshold, "Label23", text("F06_L23", "SOGLIA RICCO"), "mV"),
        field("Text3", LambdaCorrectionRpm, "Label3",
              text("F06_L03", "SOGLIA GIRI INSERIMENTO CORREZIONE LAMBDA"), ""),
    };
    p.choices = {
        {QStringLiteral("Option1"),
         Lambda1Type,
         QStringLiteral("Frame1"),
         text("F06_F01", "TIPO LAMBDA1"),
         {{0, text("F06_O00", "DIRITTO 0-5V")},
          {1, text("F06_O01", "INVERTITO 5-0V")},
          {2, text("F06_O02", "DIRITTO 0-1V")},
          {3, text("F06_O03", "INVERTITO 1-0V")}}},
    };
    const QString type = QStringLiteral("Option1");
    const QString rich = QStringLiteral("Text5");
    const QString lean = QStringLiteral("Text6");
    // Types 0 and 1 are 0-5 V probes, 2 and 3 are 0-1 V probes; 0 and 2 read high when rich,
    // 1 and 3 read low when rich. The order text states the rule the pair must meet.
    p.checks = {
        range("Text5", 0, 5000, " 0-5000 ").when(type, {0, 1}),
        range("Text5", 0, 1000, " 0-1000 ").when(type, {2, 3}),
        range("Text6", 0, 5000, " 0-5000 ").when(type, {0, 1}),
        range("Text6", 0, 1000, " 0-1000 ").when(type, {2, 3}),
        PageRule::pair(Kind::NotBelow, rich, lean, QStringLiteral(" > ")).when(type, {0, 2}),
        PageRule::pair(Kind::NotAbove, rich, lean, QStringLiteral(" < ")).when(type, {1, 3}),
        range("Text3", 700, 8000, " 700-8000 "),
    };
    p.writeOrder = {Lambda1Type, Lambda1LeanThreshold, Lambda1RichThreshold, LambdaCorrectionRpm};
    return p;
}

PageLayout switching() {
    PageLayout p = page("Form11", "Option1", "Option2", "Label10");
    p.fields = {
        field("Text1", SwitchRpm, "Label1", text("F11_L01", "GIRI COMMUTAZIONE"), ""),
        field("Text2", GasToPetrolOverlap, "Label3", text("F11_L03", "TEMPO SOVRAPPOSIZIONE "),
              " msec"),
        field("Text3", PetrolToGasOverlap, "Label2", text("F11_L02", "TEMPO SOVRAPPOSIZIONE "),
              " msec"),
        field("Text4", SwitchTemperature, "Label4", text("F11_L04", "TEMPERATURA COMMUTAZIONE"),
              "°C"),
        field("Text5", EndOfGasPressure, "Label12", text("F11_L12", "PRESSIONE FINE GAS"), " mbar"),
    };
    p.choices = {
        {QStringLiteral("Option3"),
         SwitchOnDeceleration,
         QStringLiteral("Frame1"),
         text("F11_F01", "COMMUTAZIONE"),
         {{0, text("F11_O30", "Accelerazione")}, {1, text("F11_O31", "Decelerazione")}}},
        {QStringLiteral("Check1"),
         HotSwitching,
         QString(),
         text("F11_Ck1", "Commutazione a caldo"),
         {}},
    };
    // The switching temperature stops at 80 here although the ECU keeps up to 100: a value
    // above 80 from the ECU is shown, and must be lowered before the page writes.
    p.checks = {
        range("Text1", 1200, 8000, " 1200-8000 "), range("Text2", 0, 1000, " 0-1000 "),
        range("Text3", 0, 1000, " 0-1000 "),       range("Text4", 40, 80, " 40-80 "),
        range("Text5", 100, 1000, " 100-1000"),
    };
    p.writeOrder = {SwitchOnDeceleration, HotSwitching,      SwitchRpm,       GasToPetrolOverlap,
                    PetrolToGasOverlap,   SwitchTemperature, EndOfGasPressure};
    return p;
}

PageLayout levelIndicator() {
    PageLayout p = page("Form14", "Option1", "Option2", "Label11");
    // The threshold boxes are never typed into: their scroll bars set them. They carry the
    // three-step labels, which name them in a message if one ever holds no number.
    p.fields = {
        field("Text1", LevelMin, "Label1", text("F14_L01", "MIN LIVELLO"), "mV"),
        field("Text2", LevelMax, "Label2", text("F14_L02", "MAX LIVELLO"), "mV"),
        field("Text3", LevelThreshold1, "Label3", text("F14_L03", "SOGLIA Ris -> 1/3"), "%"),
        field("Text4", LevelThreshold2, "Label4", text("F14_L04", "SOGLIA 1/3 -> 2/3"), "%"),
        field("Text5", LevelThreshold3, "Label5", text("F14_L05", "SOGLIA 2/3 -> 3/3"), "%"),
    };
    // The sender's elements are 1 and 2, and the element number is the value the ECU takes.
    p.choices = {
        {QStringLiteral("Option4"),
         LevelSenderType,
         QStringLiteral("Frame2"),
         text("F14_F02", "COMMUTATORE "),
         {{1, text("F14_O41", "LVS-1")}, {2, text("F14_O42", "LVS-2")}}},
    };
    p.checks = {
        range("Text1", 0, 5000, " 0-5000 "),
        range("Text2", 0, 5000, " 0-5000 "),
        // Empty and full at the same reading leave no span to divide the tank by.
        PageRule::pair(Kind::Different, QStringLiteral("Text1"), QStringLiteral("Text2"),
                       QStringLiteral(" <> ")),
    };
    p.writeOrder = {LevelSenderType, LevelMin,        LevelMax,
                    LevelThreshold1, LevelThreshold2, LevelThreshold3};
    return p;
}

} // namespace PageLayouts
