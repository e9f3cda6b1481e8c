#include "screens/diag/Form9.h"

#include "link/Commands.h"
#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "screen/StatusLine.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The design captions of Label1 elements 0..16.
const char* const kLabels[DiagnosisView::BoxCount] = {
    "Inj 1",      "Inj 2",       "Inj 3",      "Inj 4",           "Inj 5",
    "Inj 6",      "Inj 7",       "Inj 8",      "Tensione chiave", "Tensione sensori",
    "StatoEVGas", "Stato EVGen", "Sense INJ1", "PCBTemp",         "Var debug1",
    "Var debug2", "Var debug3"};

constexpr int InjectorBoxes = 8;

} // namespace

Form9::Form9(FormContext& context) : PollingScreen(ScreenId::Form9, context) {
    for (int i = 0; i < DiagnosisView::BoxCount; ++i) {
        Label1[i] = named(new QLabel(QString::fromLatin1(kLabels[i]), this),
                          QStringLiteral("Label1_%1").arg(i));
        Text1[i] = valueBox(QStringLiteral("Text1_%1").arg(i), 6);
        Label1[i]->setBuddy(Text1[i]);
    }
    Frame1 =
        named(new QGroupBox(QStringLiteral("Stato Iniettori"), this), QStringLiteral("Frame1"));
    Command1 = named(new QPushButton(QStringLiteral("EXIT"), this), QStringLiteral("Command1"));
    Command1->setMinimumHeight(36);
    connect(Command1, &QPushButton::clicked, this, &Form9::onCloseRequested);

    auto* injectors = new QGridLayout(Frame1);
    for (int i = 0; i < InjectorBoxes; ++i) {
        injectors->addWidget(Label1[i], i, 0);
        injectors->addWidget(Text1[i], i, 1);
    }
    auto* others = new QGridLayout;
    for (int i = InjectorBoxes; i < DiagnosisView::BoxCount; ++i) {
        others->addWidget(Label1[i], i - InjectorBoxes, 0);
        others->addWidget(Text1[i], i - InjectorBoxes, 1);
    }
    auto* columns = new QHBoxLayout;
    columns->addWidget(Frame1);
    columns->addSpacing(24);
    columns->addLayout(others);
    auto* root = new QVBoxLayout(this);
    root->addLayout(columns);
    root->addWidget(messageLine());
    root->addWidget(Command1, 0, Qt::AlignRight);
    adjustSize();
    Command1->setFocus();

    applyLanguageStrings();
    cycle().on(Commands::Diagnosis, [this](const QByteArray& reply) {
        const auto record = LiveDecoding::decodeDiagnosis(reply);
        if (!record) return ExchangeCycle::Outcome::Rejected;
        g.diagnosis = *record;
        ++m_records;
        showRecord();
        received();
        return ExchangeCycle::Outcome::Next;
    });
    // The menu read a record just before opening the screen: it is shown at once.
    if (startPolling(RequestPlan::diagnosis().request(Commands::Diagnosis))) showRecord();
}

void Form9::applyLanguageStrings() {
    for (int i = 0; i < DiagnosisView::BoxCount; ++i) {
        const QByteArray key = QStringLiteral("F09_L%1").arg(i, 2, 10, QLatin1Char('0')).toLatin1();
        Label1[i]->setText(lang(key.constData(), Label1[i]->text()));
    }
    Frame1->setTitle(lang("F09_F01", Frame1->title()));
    Command1->setText(lang("F01_C02", Command1->text()));
}

void Form9::showRecord() {
    // The board temperature is shown with the system's decimal separator.
    for (const DiagnosisView::Box& box :
         DiagnosisView::boxes(g.diagnosis, QLocale().decimalPoint()))
        setValue(Text1[box.element], box.text);
}

void Form9::showLive(bool live) {
    for (QLineEdit* box : Text1)
        box->setEnabled(live);
}

void Form9::onCloseRequested() {
    leaveFor(ScreenId::Form2);
}
