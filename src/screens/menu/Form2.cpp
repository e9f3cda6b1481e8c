#include "screens/menu/Form2.h"

#include "link/Commands.h"
#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "params/ParameterChecks.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kRed = QStringLiteral("color: rgb(255,0,0); font-weight: bold;");
const QString kBlue = QStringLiteral("color: rgb(0,0,255); font-weight: bold;");
const QString kWarning = QStringLiteral(
    "Alcuni parametri memorizzati in ECU non sono \ncompatibili con la versione sw attuale.\n"
    "Per questi parametri verrà caricato il valore di default\n");
const QString kRefused =
    QStringLiteral("La centralina non accetta i valori di default di questi parametri:");

using Outcome = ExchangeCycle::Outcome;

} // namespace

Form2::Form2(FormContext& context) : FormBase(ScreenId::Form2, context) {
    Label1 = named(new QLabel(QStringLiteral("TARVEX"), this), QStringLiteral("Label1"));
    QFont title = Label1->font();
    title.setPointSize(22);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setStyleSheet(QStringLiteral("color: rgb(0,50,140);"));
    Label4 = named(new QLabel(QStringLiteral("Sequential Injection System"), this),
                   QStringLiteral("Label4"));
    Label3 = named(new QLabel(QStringLiteral("VERSIONE SW ECU"), this), QStringLiteral("Label3"));
    Text1 = named(new QLineEdit(QStringLiteral("**.**.**"), this), QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    QFont big = Text1->font();
    big.setPointSize(13);
    big.setBold(true);
    Text1->setFont(big);
    Label3->setBuddy(Text1);
    // Wide enough for the lost-link text of any language, not only for a version number.
    Text1->setMinimumWidth(std::max(
        180, QFontMetrics(big).horizontalAdvance(g.LostLinkText + QStringLiteral("  ")) + 24));

    for (int i = 0; i < 2; ++i) {
        Option1[i] = named(new QRadioButton(this), QStringLiteral("Option1_%1").arg(i));
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { fuelClicked(i); });
    }
    Label2 = named(new QLabel(QStringLiteral("GPL"), this), QStringLiteral("Label2"));
    Label5 = named(new QLabel(QStringLiteral("METANO"), this), QStringLiteral("Label5"));
    Label2->setBuddy(Option1[0]);
    Label5->setBuddy(Option1[1]);
    QFont fuelFont = Label2->font();
    fuelFont.setPointSize(13);
    Label2->setFont(fuelFont);
    Label5->setFont(fuelFont);

    Command2 = named(new QPushButton(QStringLiteral("Diagnosi"), this), QStringLiteral("Command2"));
    Command3 = named(new QPushButton(QStringLiteral("Visualizza stato vettura"), this),
                     QStringLiteral("Command3"));
    Command4 = named(new QPushButton(QStringLiteral("Visualizza parametri centralina"), this),
                     QStringLiteral("Command4"));
    Command5 = named(new QPushButton(QStringLiteral("Taratura"), this), QStringLiteral("Command5"));
    Command1 = named(new QPushButton(QStringLiteral("EXIT"), this), QStringLiteral("Command1"));
    for (QPushButton* b : {Command2, Command3, Command4, Command5, Command1}) {
        b->setMinimumHeight(44);
        QFont f = b->font();
        f.setPointSize(12);
        b->setFont(f);
    }

    Text4 = named(new QPlainTextEdit(kWarning, this), QStringLiteral("Text4"));
    Text4->setReadOnly(true);
    Text4->setMaximumHeight(80);
    Text4->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: rgb(255,255,200); color: rgb(150,0,0); }"));
    Text4->hide();
    StatusText = named(new QLabel(this), QStringLiteral("StatusText"));
    StatusText->setWordWrap(true);
    StatusText->setStyleSheet(QStringLiteral("color: rgb(190,0,0); font-weight: bold;"));
    StatusText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    StatusText->hide();

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(24, 16, 24, 16);
    root->addWidget(Label1, 0, Qt::AlignHCenter);
    root->addWidget(Label4, 0, Qt::AlignHCenter);
    auto* versionRow = new QHBoxLayout;
    versionRow->addStretch();
    versionRow->addWidget(Label3);
    versionRow->addWidget(Text1);
    versionRow->addStretch();
    root->addSpacing(6);
    root->addLayout(versionRow);
    auto* fuelRow = new QHBoxLayout;
    fuelRow->addStretch();
    fuelRow->addWidget(Option1[0]);
    fuelRow->addWidget(Label2);
    fuelRow->addSpacing(40);
    fuelRow->addWidget(Option1[1]);
    fuelRow->addWidget(Label5);
    fuelRow->addStretch();
    root->addLayout(fuelRow);
    root->addSpacing(6);
    for (QPushButton* b : {Command2, Command3, Command4, Command5})
        root->addWidget(b);
    root->addSpacing(6);
    root->addWidget(Command1);
    root->addWidget(Text4);
    root->addWidget(StatusText);
    root->addStretch();

    connect(Command1, &QPushButton::clicked, this, &Form2::onCloseRequested);
    connect(Command2, &QPushButton::clicked, this, [this] {
        if (g.connected())
            startButtonExchange(Commands::Diagnosis, false);
        else
            leaveFor(ScreenId::Form9);
    });
    connect(Command3, &QPushButton::clicked, this, [this] {
        if (g.connected())
            startButtonExchange(Commands::LiveRecord, false);
        else
            leaveFor(ScreenId::Form3);
    });
    connect(Command5, &QPushButton::clicked, this, [this] {
        if (g.connected()) {
            startButtonExchange(Commands::LiveRecord, true);
        } else {
            leaveFor(ScreenId::Form16);
        }
    });
    connect(Command4, &QPushButton::clicked, this, [this] {
        // A button exchange left unfinished must not steer the next one.
        CalibrationRequested = 0;
        if (m_phase == Phase::Exchange) {
            m_phase = Phase::Ready;
            setFuelOptions(true);
        }
        Text4->hide();
        handOverTo(ScreenId::Form5);
    });

    setupExchange();
    resize(480, 560);

    // Load.
    CalibrationRequested = 0;
    applyLanguageStrings();
    if (!g.connected()) {
        Text1->setText(g.LostLinkText);
        for (QRadioButton* o : Option1)
            o->setEnabled(false);
        showFuel(0);
        SetParameterDefaults(g.parameters);
        return;
    }
    Text1->setText(versionText(g.EcuVersion));
    // Until the upload is done the fuel cannot be chosen: a switch in the middle of it would
    // be overwritten by the upload's own write-back.
    for (QRadioButton* o : Option1)
        o->setEnabled(false);
    if (!openLink()) {
        // Nothing was uploaded, so no screen may work on the set.
        setMenuButtons(false);
        showStatus(link().errorString());
        ctx.dialogs.information(this, QString::fromLatin1(Caption), link().errorString());
        return;
    }
    startUpload();
}

void Form2::applyLanguageStrings() {
    Label3->setText(lang("F02_L03", Label3->text()));
    Label2->setText(lang("F02_L02", Label2->text()));
    Label5->setText(lang("F02_L05", Label5->text()));
    Command2->setText(lang("F02_C02", Command2->text()));
    Command3->setText(lang("F02_C03", Command3->text()));
    Command4->setText(lang("F02_C04", Command4->text()));
    Command5->setText(lang("F02_C05", Command5->text()));
    Command1->setText(lang("F01_C02", Command1->text()));
    Text4->setPlainText(lang("F02_T04", kWarning));
    Option1[0]->setAccessibleName(Label2->text());
    Option1[1]->setAccessibleName(Label5->text());
}

void Form2::setupExchange() {
    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));

    c.on(Commands::ReadParameters, [this](const QByteArray& reply) {
        if (!m_upload.parametersRead(reply)) return Outcome::Rejected;
        showFuel(g.parameters.value(GasType));
        cycle().send(plan().request(Commands::ReadTable));
        return Outcome::Next;
    });
    c.on(Commands::ReadTable, [this](const QByteArray& reply) {
        if (!m_upload.tableRead(reply)) return Outcome::Rejected;
        return uploadChecked();
    });
    c.on(Commands::LiveRecord, [this](const QByteArray& reply) {
        // A late live record must not carry the menu off in the middle of an upload.
        if (m_phase != Phase::Exchange) return Outcome::Rejected;
        if (!LiveDecoding::decodeLiveRecord(reply, g.liveData, g.parameters.value(InjectorCount)))
            return Outcome::Rejected;
        if (CalibrationRequested == 1) {
            CalibrationRequested = 0;
            // The calibration record is asked for with the coefficient the ECU uses now.
            cycle().send(plan().calibrationLive(g.liveData.Kcor));
            return Outcome::Next;
        }
        handOver(ScreenId::Form3);
        return Outcome::HandOver;
    });
    c.on(Commands::CalibrationLive, [this](const QByteArray& reply) {
        if (m_phase != Phase::Exchange) return Outcome::Rejected;
        if (!LiveDecoding::decodeCalibrationLive(reply, g.liveData)) return Outcome::Rejected;
        handOver(ScreenId::Form16);
        return Outcome::HandOver;
    });
    c.on(Commands::Diagnosis, [this](const QByteArray& reply) {
        if (m_phase != Phase::Exchange) return Outcome::Rejected;
        const auto record = LiveDecoding::decodeDiagnosis(reply);
        if (!record) return Outcome::Rejected;
        g.diagnosis = *record;
        handOver(ScreenId::Form9);
        return Outcome::HandOver;
    });
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return Outcome::Rejected;
        g.EcuVersion = *version;
        Text1->setText(versionText(g.EcuVersion));
        StatusText->hide();
        // The ECU is back. Whatever was under way carries on where it stopped: the request
        // it was repeating is still the one to send (a write goes out again at its slot).
        if (m_phase == Phase::Uploading || m_phase == Phase::Exchange) return Outcome::Next;
        return Outcome::End;
    });

    ExchangeCycle::LostLink lost;
    lost.notify = [this] { Text1->setText(lostLinkNotice(g.LostLinkText)); };
    c.setLostLink(lost);
    c.setDeviceLost(
        [this](const QString& why) {
            Text1->setText(g.LostLinkText);
            showStatus(why);
        },
        [this] {
            if (!openLink()) return false;
            StatusText->hide();
            return true;
        });
}

const RequestPlan& Form2::plan() {
    return RequestPlan::mainMenu();
}

void Form2::writeThenUpload(std::vector<WriteSequence::Write> writes) {
    m_writes.start(std::move(writes), WriteSequence::ReadBack::None, plan().writeTiming());
    // The upload that follows is the read-back: it shows what the ECU kept and checks it.
    runWrites(m_writes, false, [this] {
        m_upload.writtenBack();
        cycle().send(plan().request(Commands::ReadParameters));
        return Outcome::Next;
    });
}

void Form2::startUpload() {
    m_upload.start();
    m_phase = Phase::Uploading;
    g.link.LinkRetryCount = 0;
    cycle().send(plan().request(Commands::ReadParameters));
    setMenuButtons(false);
    ctx.dialogs.setBusy(true);
    cycle().start(50);
}

ExchangeCycle::Outcome Form2::uploadChecked() {
    switch (m_upload.step()) {
    case ParameterUpload::Step::Valid:
        m_phase = Phase::Ready;
        g.parametersFromEcu = true;
        setMenuButtons(true);
        setFuelOptions(true);
        ctx.dialogs.setBusy(false);
        return Outcome::End;
    case ParameterUpload::Step::Refused:
        Text4->show();
        m_phase = Phase::Stopped;
        ctx.dialogs.setBusy(false);
        showStatus(lang("F02_T05", kRefused) + QLatin1Char('\n') + m_upload.refusedText());
        return Outcome::End;
    case ParameterUpload::Step::WriteBack:
    case ParameterUpload::Step::ReadParameters:
    case ParameterUpload::Step::ReadTable:
        break;
    }
    Text4->show();
    writeThenUpload(m_upload.writeBack());
    return Outcome::Next;
}

void Form2::showFuel(int gasType) {
    if (gasType != 0 && gasType != 1) return;
    Option1[gasType]->setChecked(true);
    Label2->setStyleSheet(gasType == 0 ? kRed : kBlue);
    Label5->setStyleSheet(gasType == 1 ? kRed : kBlue);
}

void Form2::fuelClicked(int index) {
    const int gasType = g.parameters.value(GasType);
    // Only a real change of fuel is written; the gas type always travels with the end-of-gas
    // pressure that suits that gas.
    if (!((index == 1 && gasType == 0) || (index == 0 && gasType == 1))) {
        showFuel(gasType);
        return;
    }
    CalibrationRequested = 0;
    setFuelOptions(false);
    if (!ensureLinkOpen()) {
        showFuel(gasType);
        setFuelOptions(true);
        ctx.dialogs.information(this, QString::fromLatin1(Caption), link().errorString());
        return;
    }
    m_upload.start();
    m_phase = Phase::Uploading;
    setMenuButtons(false);
    ctx.dialogs.setBusy(true);
    g.link.LinkRetryCount = 0;
    writeThenUpload({{GasType, index, false}, {EndOfGasPressure, index == 1 ? 850 : 400, false}});
    cycle().start(50);
}

void Form2::setFuelOptions(bool enabled) {
    for (QRadioButton* o : Option1)
        o->setEnabled(enabled);
}

void Form2::setMenuButtons(bool enabled) {
    for (QPushButton* b : {Command2, Command3, Command4, Command5})
        b->setEnabled(enabled);
}

void Form2::startButtonExchange(int request, bool calibration) {
    // Only "Taratura" asks for the calibration record after the live one; a press of another
    // button, even while that exchange is still waiting, takes its place.
    CalibrationRequested = calibration ? 1 : 0;
    if (!ensureLinkOpen()) {
        CalibrationRequested = 0;
        showStatus(link().errorString());
        ctx.dialogs.information(this, QString::fromLatin1(Caption), link().errorString());
        return;
    }
    m_phase = Phase::Exchange;
    // The fuel cannot change while the menu is about to hand over on the ECU's answer.
    setFuelOptions(false);
    g.link.LinkRetryCount = 0;
    cycle().send(plan().request(request));
    cycle().start(200);
}

void Form2::handOver(ScreenId next) {
    setFuelOptions(true);
    m_phase = Phase::Ready;
    Text4->hide();
    handOverTo(next);
}

void Form2::showStatus(const QString& text) {
    StatusText->setText(text);
    StatusText->show();
}

void Form2::onUnload() {
    ctx.dialogs.setBusy(false);
}

void Form2::onCloseRequested() {
    leaveFor(ScreenId::Form1);
}
