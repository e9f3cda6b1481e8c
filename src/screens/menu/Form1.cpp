#include "screens/menu/Form1.h"

#include "link/Commands.h"
#include "link/RequestPlan.h"
#include "screen/SetTopmost.h"
#include "screen/StatusLine.h"
#include "state/CommConfig.h"
#include "state/LanguageChoice.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kGrey(225, 225, 225);
const QString kPortProblem = QStringLiteral("Problemi sulla porta di comunicazione. \n");

QPlainTextEdit* errorBox(QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setPlainText(kPortProblem);
    box->setMaximumHeight(64);
    box->setStyleSheet(QStringLiteral("QPlainTextEdit { background: rgb(225,225,225); color: "
                                      "rgb(180,0,0); font-weight: bold; }"));
    box->hide();
    return box;
}

} // namespace

Form1::Form1(FormContext& context) : FormBase(ScreenId::Form1, context) {
    // The pictures are compiled into the screens' static library, which the linker would
    // otherwise leave out: nothing refers to them by name.
    Q_INIT_RESOURCE(images);
    // 1. Grey window and text boxes.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kGrey);
    setPalette(pal);
    setAutoFillBackground(true);

    Label1 = named(new QLabel(QStringLiteral("TARVEX"), this), QStringLiteral("Label1"));
    QFont titleFont = Label1->font();
    titleFont.setPointSize(26);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    Label1->setStyleSheet(QStringLiteral("color: rgb(0,50,140);"));
    Label2 = named(new QLabel(QStringLiteral("Sequential Injection System"), this),
                   QStringLiteral("Label2"));
    QFont subFont = Label2->font();
    subFont.setPointSize(13);
    subFont.setItalic(true);
    Label2->setFont(subFont);
    Image2 = named(new QLabel(this), QStringLiteral("Image2"));
    QPixmap mark(QStringLiteral(":/images/logo.png"));
    mark.setDevicePixelRatio(2.0);
    Image2->setPixmap(mark);

    Text1 = named(new QLineEdit(this), QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setAlignment(Qt::AlignCenter);
    Text1->setMaximumWidth(120);
    Text1->setStyleSheet(QStringLiteral("QLineEdit { background: rgb(225,225,225); }"));
    Text1->setAccessibleName(QStringLiteral("Versione programma"));
    Text2 = named(errorBox(this), QStringLiteral("Text2"));
    Text3 = named(errorBox(this), QStringLiteral("Text3"));
    Text4 = named(errorBox(this), QStringLiteral("Text4"));
    PortErrorDetail = new StatusLine(QStringLiteral("PortErrorDetail"), this);

    Command1 = named(new QPushButton(QStringLiteral("MENU"), this), QStringLiteral("Command1"));
    Command2 = named(new QPushButton(QStringLiteral("EXIT"), this), QStringLiteral("Command2"));
    Command3 = named(new QPushButton(this), QStringLiteral("Command3"));
    Command4 = named(new QPushButton(this), QStringLiteral("Command4"));
    Command5 = named(new QPushButton(this), QStringLiteral("Command5"));
    Command6 = named(new QPushButton(QStringLiteral("Parametri seriale"), this),
                     QStringLiteral("Command6"));
    Command7 =
        named(new QPushButton(QStringLiteral("Non connesso"), this), QStringLiteral("Command7"));
    Command8 = named(new QPushButton(QStringLiteral("Visualizzatore log"), this),
                     QStringLiteral("Command8"));
    // The caption stays the same in both modes; the pressed look tells which one is on.
    Command7->setCheckable(true);
    const QString languageNames[] = {QStringLiteral("Italiano"), QStringLiteral("English"),
                                     QStringLiteral("Türkçe")};
    const QString flagFiles[] = {QStringLiteral(":/images/flag-italian.png"),
                                 QStringLiteral(":/images/flag-english.png"),
                                 QStringLiteral(":/images/flag-turkish.png")};
    QPushButton* flags[] = {Command3, Command4, Command5};
    for (int i = 0; i < 3; ++i) {
        flags[i]->setIcon(QIcon(flagFiles[i]));
        flags[i]->setIconSize(QSize(48, 32));
        flags[i]->setToolTip(languageNames[i]);
        flags[i]->setAccessibleName(languageNames[i]);
        connect(flags[i], &QPushButton::clicked, this, [this, i] { chooseLanguage(i + 1); });
    }
    for (QPushButton* b : {Command1, Command2, Command6, Command7, Command8}) {
        b->setMinimumHeight(40);
        b->setMinimumWidth(150);
    }
    QFont menuFont = Command1->font();
    menuFont.setPointSize(14);
    menuFont.setBold(true);
    Command1->setFont(menuFont);
    Command1->setDefault(true);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(24, 18, 24, 18);
    auto* head = new QHBoxLayout;
    head->addWidget(Image2);
    auto* titles = new QVBoxLayout;
    titles->addWidget(Label1);
    titles->addWidget(Label2);
    head->addLayout(titles, 1);
    auto* version = new QVBoxLayout;
    version->addStretch();
    version->addWidget(Text1);
    head->addLayout(version);
    root->addLayout(head);
    auto* langs = new QHBoxLayout;
    langs->addStretch();
    for (QPushButton* b : flags)
        langs->addWidget(b);
    langs->addStretch();
    root->addSpacing(8);
    root->addLayout(langs);
    root->addSpacing(8);
    auto* buttons = new QGridLayout;
    buttons->addWidget(Command1, 0, 0, 1, 2);
    buttons->addWidget(Command6, 1, 0);
    buttons->addWidget(Command7, 1, 1);
    buttons->addWidget(Command8, 2, 0, 1, 2);
    buttons->addWidget(Command2, 3, 0, 1, 2);
    root->addLayout(buttons);
    root->addWidget(Text2);
    root->addWidget(Text3);
    root->addWidget(Text4);
    root->addWidget(PortErrorDetail);
    root->addStretch();

    connect(Command1, &QPushButton::clicked, this, &Form1::menuClicked);
    connect(Command2, &QPushButton::clicked, this, &Form1::onCloseRequested);
    connect(Command6, &QPushButton::clicked, this, &Form1::serialSettingsClicked);
    connect(Command7, &QPushButton::clicked, this, &Form1::toggleConnected);
    // Over the start screen, which stays as it is: the viewer takes no port.
    connect(Command8, &QPushButton::clicked, this, [this] { ctx.host.show(ScreenId::Form17); });

    // Load: language, version, connected work, texts, configuration.
    chooseLanguage(1);
    Text1->setText(programVersion());
    g.ConnectedMode = WorkMode::Connected;
    Command7->setChecked(false);
    applyLanguageStrings();
    const Result<> config = LoadConfig(g);
    setupConnectionCheck();
    resize(520, 420);
    if (!config)
        ctx.dialogs.information(this, QString::fromLatin1(Caption),
                                QStringLiteral("Config.ini: %1").arg(config.errorString()));
}

void Form1::setupConnectionCheck() {
    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return ExchangeCycle::Outcome::Rejected;
        Text2->hide();
        Text3->hide();
        Text4->hide();
        g.EcuVersion = *version;
        handOverTo(ScreenId::Form2);
        return ExchangeCycle::Outcome::HandOver;
    });
    // The check is over when nothing answers, and when the adapter is pulled out during it.
    LinkWatch watch;
    watch.giveUp = true;
    watch.lost = [this](const QString& why) {
        Text4->show();
        // Something answers, but nothing that could be used: a wrong port setting, another
        // device, or a damaged cable.
        if (!why.isEmpty())
            showDetail(why);
        else if (cycle().lostReason() == ExchangeCycle::LostReason::InvalidReplies)
            showDetail(lang("F00_T07", QStringLiteral("risposte non valide")));
        closeLink();
    };
    watchLink(watch);
}

void Form1::applyLanguageStrings() {
    Command2->setText(lang("F01_C02", QStringLiteral("EXIT")));
    Command6->setText(lang("F01_C06", QStringLiteral("Parametri seriale")));
    Command7->setText(lang("F01_C07", QStringLiteral("Non connesso")));
    Command8->setText(lang("F17_T01", QStringLiteral("Visualizzatore log")));
    Text2->setPlainText(lang("F01_T02", kPortProblem));
    Text3->setPlainText(lang("F01_T03", kPortProblem));
    Text4->setPlainText(lang("F01_T04", kPortProblem));
}

void Form1::chooseLanguage(int index) {
    const Result<> loaded = loadLanguage(g, index);
    if (!loaded && !g.languageProblemReported) {
        g.languageProblemReported = true;
        ctx.dialogs.information(this, QString::fromLatin1(Caption), loaded.errorString());
    }
    applyLanguageStrings();
}

void Form1::menuClicked() {
    showDetail(QString());
    Text2->hide();
    Text3->hide();
    Text4->hide();
    // A check already under way holds the port: a second press must not skip it.
    if (cycle().isRunning() && link().isOpen()) return;
    cycle().stop();
    if (g.connected() && !link().isOpen()) {
        if (!openLink()) {
            showPortError(link().errorCode());
            return;
        }
        cycle().send(RequestPlan::connectionCheck().request(Commands::Version));
        cycle().start(RequestPlan::connectionCheck().startDelayOf(Commands::Version));
        return;
    }
    handOverTo(ScreenId::Form2);
}

void Form1::showPortError(int code) {
    QPlainTextEdit* box = code == EcuLink::ErrorPortAlreadyOpen ? Text2
                          : code == EcuLink::ErrorInvalidPort   ? Text3
                                                                : Text4;
    box->show();
    showDetail(link().errorString());
}

void Form1::showDetail(const QString& text) {
    // The fitter needs to know which device and why, not only that something failed.
    PortErrorDetail->tell(text);
}

void Form1::toggleConnected() {
    if (g.connected()) {
        g.ConnectedMode = WorkMode::NotConnected;
        cycle().stop();
        closeLink();
        Command6->setEnabled(false);
    } else {
        g.ConnectedMode = WorkMode::Connected;
        Command6->setEnabled(true);
    }
    Command7->setChecked(!g.connected());
}

void Form1::serialSettingsClicked() {
    SetTopmost(this, false);
    handOverTo(ScreenId::Form4);
}

void Form1::onCloseRequested() {
    ctx.host.unload(ScreenId::Form1);
}
