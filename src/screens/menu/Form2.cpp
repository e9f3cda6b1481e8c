#include "screens/menu/Form2.h"

#include "link/Commands.h"
#include "link/LiveDecoding.h"
#include "link/RequestPlan.h"
#include "params/FuelChoice.h"
#include "params/ParameterChecks.h"
#include "screen/StatusLine.h"

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

using Outcome = ExchangeCycle::Outcome;

} // namespace

Form2::Form2(FormContext& context) : FormBase(ScreenId::Form2, context) {
    const auto sized = [](QWidget* w, int points, bool bold) {
        QFont f = w->font();
        f.setPointSize(points);
        f.setBold(bold);
        w->setFont(f);
        return f;
    };
    Label1 = named(new QLabel(QStringLiteral("TARVEX"), this), QStringLiteral("Label1"));
    sized(Label1, 22, true);
    Label1->setStyleSheet(QStringLiteral("color: rgb(0,50,140);"));
    Label4 = named(new QLabel(QStringLiteral("Sequential Injection System"), this),
                   QStringLiteral("Label4"));
    Label3 = named(new QLabel(QStringLiteral("VERSIONE SW ECU"), this), QStringLiteral("Label3"));
    Text1 = named(new QLineEdit(QStringLiteral("**.**.**"), this), QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    const QFont big = sized(Text1, 13, true);
    Label3->setBuddy(Text1);
    // Wide enough for the lost-link text of any language, not only for a version number.
    Text1->setMinimumWidth(std::max(
        180, QFontMetrics(big).horizontalAdvance(g.LostLinkText + QStringLiteral("  ")) + 24));

    Label2 = named(new QLabel(QStringLiteral("GPL"), this), QStringLiteral("Label2"));
    Label5 = named(new QLabel(QStringLiteral("METANO"), this), QStringLiteral("Label5"));
    for (int i = 0; i < 2; ++i) {
        Option1[i] = named(new QRadioButton(this), QStringLiteral("Option1_%1").arg(i));
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { fuelClicked(i); });
        QLabel* label = i == 0 ? Label2 : Label5;
        label->setBuddy(Option1[i]);
        sized(label, 13, false);
    }

    const auto button = [this, &sized](const char* name, const char* design, auto clicked) {
        auto* b =
            named(new QPushButton(QString::fromUtf8(design), this), QString::fromLatin1(name));
        b->setMinimumHeight(44);
        sized(b, 12, false);
        connect(b, &QPushButton::clicked, this, clicked);
        return b;
    };
    using Button = MainMenuMachine::Button;
    Command2 = button("Command2", "Diagnosi", [this] { buttonClicked(Button::Diagnosis); });
    Command3 =
        button("Command3", "Visualizza stato vettura", [this] { buttonClicked(Button::LiveData); });
    Command4 = button("Command4", "Visualizza parametri centralina", [this] {
        m_menu.parametersOpened();
        showControls();
        Text4->hide();
        handOverTo(ScreenId::Form5);
    });
    Command5 = button("Command5", "Taratura", [this] { buttonClicked(Button::Calibration); });
    Command1 = button("Command1", "EXIT", [this] { onCloseRequested(); });

    Text4 = named(new QPlainTextEdit(kWarning, this), QStringLiteral("Text4"));
    Text4->setReadOnly(true);
    Text4->setMaximumHeight(80);
    Text4->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: rgb(255,255,200); color: rgb(150,0,0); }"));
    Text4->hide();
    StatusText = new StatusLine(QStringLiteral("StatusText"), this);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(24, 16, 24, 16);
    root->addWidget(Label1, 0, Qt::AlignHCenter);
    root->addWidget(Label4, 0, Qt::AlignHCenter);
    root->addSpacing(6);
    // The version and the fuel, each centred on its row; a gap between the two fuels.
    const auto row = [root](std::initializer_list<QWidget*> widgets, QWidget* gapBefore) {
        auto* line = new QHBoxLayout;
        line->addStretch();
        for (QWidget* w : widgets) {
            if (w == gapBefore) line->addSpacing(40);
            line->addWidget(w);
        }
        line->addStretch();
        root->addLayout(line);
    };
    row({Label3, Text1}, nullptr);
    row({Option1[0], Label2, Option1[1], Label5}, Option1[1]);
    root->addSpacing(6);
    for (QPushButton* b : {Command2, Command3, Command4, Command5})
        root->addWidget(b);
    root->addSpacing(6);
    for (QWidget* w : std::initializer_list<QWidget*>{Command1, Text4, StatusText})
        root->addWidget(w);
    root->addStretch();

    setupExchange();
    resize(480, 560);
    // Load: the texts of the language chosen, then the upload when connected.
    applyLanguageStrings();
    showControls();
    if (!g.connected()) {
        Text1->setText(g.LostLinkText);
        showFuel(0);
        SetParameterDefaults(g.parameters);
        return;
    }
    Text1->setText(versionText(g.EcuVersion));
    if (!openLink()) {
        m_menu.portFailed();
        showControls();
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

    ParameterUploadCycle::Hooks hooks;
    hooks.parametersRead = [this] { showFuel(g.parameters.value(GasType)); };
    hooks.repairing = [this] { Text4->show(); };
    hooks.finished = [this](ParameterUpload::Step step) { return uploadEnded(step); };
    m_upload = std::make_unique<ParameterUploadCycle>(c, plan(), g.parameters, g.writeList,
                                                      g.EcuVersion, std::move(hooks));
    c.on(Commands::LiveRecord, [this](const QByteArray& reply) {
        if (m_menu.phase() != Phase::Exchange ||
            !LiveDecoding::decodeLiveRecord(reply, g.liveData, g.parameters.value(InjectorCount)))
            return Outcome::Rejected;
        return follow(m_menu.liveRecord());
    });
    c.on(Commands::CalibrationLive, [this](const QByteArray& reply) {
        if (m_menu.phase() != Phase::Exchange ||
            !LiveDecoding::decodeCalibrationLive(reply, g.liveData))
            return Outcome::Rejected;
        return follow(m_menu.calibrationRecord());
    });
    c.on(Commands::Diagnosis, [this](const QByteArray& reply) {
        const auto record = LiveDecoding::decodeDiagnosis(reply);
        if (m_menu.phase() != Phase::Exchange || !record) return Outcome::Rejected;
        g.diagnosis = *record;
        return follow(m_menu.diagnosis());
    });
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return Outcome::Rejected;
        g.EcuVersion = *version;
        Text1->setText(versionText(g.EcuVersion));
        StatusText->quiet();
        // The ECU is back. Whatever was under way carries on where it stopped: the request
        // it was repeating is still the one to send (a write goes out again at its slot).
        return m_menu.resumesWhenFound() ? Outcome::Next : Outcome::End;
    });

    LinkWatch watch;
    watch.lost = [this](const QString& why) {
        // A vanished adapter is named on the status line; silence in the version box.
        Text1->setText(why.isEmpty() ? lostLinkNotice(g.LostLinkText) : g.LostLinkText);
        if (!why.isEmpty()) StatusText->tell(why);
    };
    watch.found = [this] { StatusText->quiet(); };
    watchLink(watch);
}

void Form2::startUpload(std::vector<WriteSequence::Write> writes) {
    const int first = writes.empty() ? Commands::ReadParameters : Commands::WriteParameter;
    m_upload->start(ParameterUpload::Check::Ranges, std::move(writes));
    m_menu.uploadStarted();
    showControls();
    ctx.dialogs.setBusy(true);
    cycle().start(plan().startDelayOf(first));
}

ExchangeCycle::Outcome Form2::uploadEnded(ParameterUpload::Step step) {
    ctx.dialogs.setBusy(false);
    const bool valid = step == ParameterUpload::Step::Valid;
    m_menu.uploadEnded(valid);
    showControls();
    if (valid)
        g.parametersFromEcu = true;
    else
        showStatus(m_upload->refusedText(g.language));
    return Outcome::End;
}

void Form2::showFuel(int gasType) {
    if (gasType != 0 && gasType != 1) return;
    Option1[gasType]->setChecked(true);
    Label2->setStyleSheet(gasType == 0 ? kRed : kBlue);
    Label5->setStyleSheet(gasType == 1 ? kRed : kBlue);
}

void Form2::fuelClicked(int index) {
    const int gasType = g.parameters.value(GasType);
    auto writes = FuelChoice::switchWrites(gasType, index);
    if (writes.empty()) {
        showFuel(gasType);
        return;
    }
    if (!ensureLinkOpen()) {
        showFuel(gasType);
        ctx.dialogs.information(this, QString::fromLatin1(Caption), link().errorString());
        return;
    }
    startUpload(std::move(writes));
}

void Form2::showControls() {
    const MainMenuMachine::Controls c = m_menu.controls();
    for (QPushButton* b : {Command2, Command3, Command4, Command5})
        b->setEnabled(c.buttons);
    for (QRadioButton* o : Option1)
        o->setEnabled(c.fuel);
}

void Form2::buttonClicked(MainMenuMachine::Button button) {
    if (!g.connected()) {
        leaveFor(MainMenuMachine::screenOf(button));
        return;
    }
    if (!ensureLinkOpen()) {
        m_menu.buttonFailed();
        showStatus(link().errorString());
        ctx.dialogs.information(this, QString::fromLatin1(Caption), link().errorString());
        return;
    }
    const int request = m_menu.buttonClicked(button);
    showControls();
    cycle().send(plan().request(request));
    cycle().start(plan().startDelayOf(request));
}

ExchangeCycle::Outcome Form2::follow(const MainMenuMachine::Next& next) {
    if (!next.taken) return Outcome::Rejected;
    if (next.request == Commands::CalibrationLive) {
        // The calibration record is asked for with the coefficient the ECU uses now.
        cycle().send(plan().calibrationLive(g.liveData.Kcor));
        return Outcome::Next;
    }
    showControls();
    Text4->hide();
    handOverTo(next.handOver);
    return Outcome::HandOver;
}

void Form2::showStatus(const QString& text) {
    StatusText->tell(text);
}
