#include "screens/vehicle/Form5.h"

#include "link/Commands.h"
#include "link/RequestPlan.h"
#include "link/WriteReport.h"
#include "params/ParameterSet.h"
#include "vehicle/VehicleArchive.h"
#include "vehicle/VehicleArchiveTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using Outcome = ExchangeCycle::Outcome;

const QString kCorrected =
    QStringLiteral("Alcuni parametri memorizzati nella tebella selezionata non \r\n"
                   "sono compatibili con la versione sw attuale.\r\n"
                   "Per questi parametri verrà caricato il valore di default\r\n");

const RequestPlan& plan() {
    return RequestPlan::parameterMenu();
}

} // namespace

Form5::Form5(FormContext& context) : FormBase(ScreenId::Form5, context) {
    const auto button = [this](const char* name, const char* key, const char* design) {
        auto* b = named(new QPushButton(lang(key, QString::fromUtf8(design)), this),
                        QString::fromLatin1(name));
        b->setMinimumHeight(40);
        QFont f = b->font();
        f.setPointSize(12);
        b->setFont(f);
        return b;
    };
    Command1 = button("Command1", "F05_C01", "Parametri LAMBDA");
    Command2 = button("Command2", "F05_C02", "Altri Parametri");
    Command3 = button("Command3", "F05_C03", "Parametri COMMUTAZIONE");
    Command4 = button("Command4", "F05_C04", "Parametri INDICATORE");
    Command7 = button("Command7", "F05_C07", "Valori di default");
    Command5 = button("Command5", "F05_C05", "Archivio VETTURE");
    Command9 = button("Command9", "F05_C09", "Salva CONFIGURAZIONE VETTURA");
    Command10 = button("Command10", "F05_C10", "Rileggi dalla centralina");
    Command8 = button("Command8", "F01_C02", "EXIT");

    Text4 = named(new QPlainTextEdit(lang("F05_T04", kCorrected), this), QStringLiteral("Text4"));
    Text4->setReadOnly(true);
    Text4->setMaximumHeight(76);
    Text4->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: rgb(255,255,200); color: rgb(150,0,0); }"));
    Text4->hide();
    ProgressBar1 = named(new QProgressBar(this), QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    StatusText = named(new QLabel(this), QStringLiteral("StatusText"));
    StatusText->setWordWrap(true);
    StatusText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    StatusText->hide();

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(24, 16, 24, 16);
    for (QPushButton* b : {Command1, Command2, Command3, Command4})
        root->addWidget(b);
    root->addSpacing(14);
    for (QPushButton* b : {Command7, Command5, Command9, Command10})
        root->addWidget(b);
    root->addSpacing(14);
    root->addWidget(Command8);
    root->addWidget(Text4);
    root->addWidget(ProgressBar1);
    root->addWidget(StatusText);
    root->addStretch();

    connect(Command1, &QPushButton::clicked, this, [this] { openPage(ScreenId::Form6); });
    connect(Command2, &QPushButton::clicked, this, [this] { openPage(ScreenId::Form13); });
    connect(Command3, &QPushButton::clicked, this, [this] { openPage(ScreenId::Form11); });
    connect(Command4, &QPushButton::clicked, this, [this] { openPage(ScreenId::Form14); });
    connect(Command7, &QPushButton::clicked, this, &Form5::restoreDefaults);
    connect(Command5, &QPushButton::clicked, this, &Form5::Command5Click);
    connect(Command9, &QPushButton::clicked, this, &Form5::Command9Click);
    connect(Command10, &QPushButton::clicked, this, &Form5::readAgain);
    connect(Command8, &QPushButton::clicked, this, &Form5::onCloseRequested);

    setupExchange();
    setButtons(true);
    resize(440, 620);
}

void Form5::setupExchange() {
    ExchangeCycle& c = cycle();
    c.timer().setObjectName(QStringLiteral("Timer1"));
    c.on(Commands::RestoreDefaults, [this](const QByteArray&) {
        m_defaultsAcknowledged = true;
        cycle().send(plan().request(Commands::ReadParameters));
        return Outcome::Next;
    });
    c.on(Commands::ReadParameters, [this](const QByteArray& reply) {
        if (m_phase == Phase::Reading) {
            if (!m_upload.parametersRead(reply)) return Outcome::Rejected;
            cycle().send(plan().request(Commands::ReadTable));
            return Outcome::Next;
        }
        // Only the restore reads here; a bulk write's read-back is its sequence's.
        if (m_phase != Phase::Defaults) return Outcome::Rejected;
        const auto block = Commands::decodeParameters(reply);
        if (!block) return Outcome::Rejected;
        for (int k = 1; k <= ParameterCount; ++k)
            g.parameters.setValue(k, (*block)[k - 1]);
        cycle().send(plan().request(Commands::ReadTable));
        return Outcome::Next;
    });
    c.on(Commands::ReadTable, [this](const QByteArray& reply) {
        if (m_phase == Phase::Reading)
            return m_upload.tableRead(reply) ? readChecked() : Outcome::Rejected;
        if (m_phase != Phase::Defaults) return Outcome::Rejected;
        const auto table = Commands::decodeTable(reply);
        if (!table) return Outcome::Rejected;
        for (int j = 1; j <= TableSize; ++j)
            g.parameters.setKtar(j, (*table)[j - 1]);
        return defaultsRead();
    });
    c.on(Commands::Version, [this](const QByteArray& reply) {
        const auto version = Commands::decodeVersion(reply);
        if (!version) return Outcome::Rejected;
        g.EcuVersion = *version;
        // The ECU is back: the operation goes on with the request it was repeating.
        return m_phase == Phase::Idle ? Outcome::End : Outcome::Next;
    });
    ExchangeCycle::LostLink lost;
    lost.notify = [this] { showStatus(lostText(), Tone::Problem); };
    lost.found = [this] {
        if (m_phase == Phase::BulkWrite)
            showProgress();
        else
            StatusText->hide();
    };
    c.setLostLink(lost);
    c.setDeviceLost([this](const QString& why) { showStatus(why, Tone::Problem); },
                    [this] {
                        if (!openLink()) return false;
                        StatusText->hide();
                        return true;
                    });
}

QString Form5::lostText() const {
    QString text = lostLinkNotice(lang("F05_T80", QStringLiteral("PERSA COMUNICAZIONE")));
    if (m_phase == Phase::BulkWrite)
        text += QStringLiteral(" - ") + WriteReport::progress(m_writes, g.language);
    return text;
}

void Form5::setButtons(bool enabled) {
    for (QPushButton* b : {Command1, Command2, Command3, Command4})
        b->setEnabled(enabled);
    // Without a connection the menu offers the pages to look at, and EXIT.
    for (QPushButton* b : {Command7, Command5, Command9, Command10})
        b->setEnabled(enabled && g.connected());
}

void Form5::showStatus(const QString& text, Tone tone) {
    const char* colour = tone == Tone::Problem ? "rgb(200,0,0)"
                         : tone == Tone::Done  ? "rgb(0,120,0)"
                                               : "rgb(0,50,140)";
    StatusText->setStyleSheet(QStringLiteral("color: %1; font-weight: bold;").arg(colour));
    StatusText->setText(text);
    StatusText->show();
}

void Form5::showNotice(const QString& text) {
    showStatus(text, Tone::Problem);
}

void Form5::showProgress() {
    ProgressBar1->setRange(0, m_writes.total());
    ProgressBar1->setValue(m_writes.acknowledged());
    QString text = WriteReport::progress(m_writes, g.language);
    if (!m_loadNote.isEmpty()) text += QLatin1Char('\n') + m_loadNote;
    showStatus(text, Tone::Progress);
}

void Form5::openPage(ScreenId page) {
    if (m_phase != Phase::Idle) return;
    leaveFor(page);
}

bool Form5::beginOperation(Phase phase) {
    if (!g.connected() || m_phase != Phase::Idle) return false;
    if (!ensureLinkOpen()) {
        showStatus(link().errorString(), Tone::Problem);
        return false;
    }
    m_phase = phase;
    m_exitWhenDone = false;
    setButtons(false);
    ctx.dialogs.setBusy(true);
    StatusText->hide();
    g.link.LinkRetryCount = 0;
    return true;
}

void Form5::endOperation() {
    m_phase = Phase::Idle;
    // The menu holds the line only while an operation runs.
    cycle().stop();
    closeLink();
    ctx.dialogs.setBusy(false);
    setButtons(true);
}

void Form5::restoreDefaults() {
    if (!g.connected() || m_phase != Phase::Idle) return;
    // The ECU replaces the car's whole configuration, its tuned table included: only when the
    // fitter says so.
    if (!ctx.dialogs.question(
            this, QString::fromLatin1(Caption),
            lang("F05_T27",
                 QStringLiteral("Ripristinare i valori di default? L'intera configurazione della "
                                "vettura nella centralina (parametri e tabella di correzione) "
                                "verrà sostituita dai valori di fabbrica."))))
        return;
    if (!beginOperation(Phase::Defaults)) return;
    m_defaultsAcknowledged = false;
    cycle().send(plan().request(Commands::RestoreDefaults));
    cycle().start(50);
}

ExchangeCycle::Outcome Form5::defaultsRead() {
    g.parametersFromEcu = true;
    endOperation();
    showStatus(lang("F05_T82", QStringLiteral("Valori di default ripristinati")), Tone::Done);
    if (m_exitWhenDone) {
        leaveFor(ScreenId::Form2);
        return Outcome::HandOver;
    }
    return Outcome::End;
}

void Form5::readAgain() {
    if (!beginOperation(Phase::Reading)) return;
    // From the first value read the set is neither the old one nor yet the ECU's.
    g.parametersFromEcu = false;
    m_upload.start();
    cycle().send(plan().request(Commands::ReadParameters));
    cycle().start(50);
}

ExchangeCycle::Outcome Form5::readChecked() {
    if (m_upload.step() == ParameterUpload::Step::WriteBack) {
        // Values this software cannot trust: their defaults are written back and the whole
        // set is read again, as the main menu does after its upload.
        m_writes.start(m_upload.writeBack(), WriteSequence::ReadBack::None, plan().writeTiming());
        runWrites(m_writes, false, [this] {
            m_upload.writtenBack();
            cycle().send(plan().request(Commands::ReadParameters));
            return Outcome::Next;
        });
        return Outcome::Next;
    }
    const bool valid = m_upload.step() == ParameterUpload::Step::Valid;
    g.parametersFromEcu = valid;
    endOperation();
    showStatus(valid ? lang("F05_T85", QStringLiteral("Configurazione riletta dalla centralina"))
                     : lang("F02_T05", QStringLiteral("La centralina non accetta i valori di "
                                                      "default di questi parametri:")) +
                           QLatin1Char('\n') + m_upload.refusedText(),
               valid ? Tone::Done : Tone::Problem);
    if (m_exitWhenDone) {
        leaveFor(ScreenId::Form2);
        return Outcome::HandOver;
    }
    return Outcome::End;
}

bool Form5::startBulkWrite(const ParameterSet& configuration, bool corrected) {
    if (!beginOperation(Phase::BulkWrite)) return false;
    Text4->setVisible(corrected);
    WriteList& list = g.writeList;
    list.loadImage(configuration);
    m_writes.start(list.image(), WriteSequence::ReadBack::Both, plan().writeTiming());
    m_writes.onProgress = [this](int, int) { showProgress(); };
    runWrites(m_writes, true, [this] { return bulkWriteEnded(); });
    ProgressBar1->show();
    showProgress();
    cycle().start(50);
    return true;
}

ExchangeCycle::Outcome Form5::bulkWriteEnded() {
    // What the ECU reported holding, read back after the writes: the set never holds a
    // value the ECU did not keep.
    settleWrites(m_writes, true);
    endOperation();
    Text4->hide();
    ProgressBar1->hide();
    QString text = WriteReport::outcome(m_writes, g.language);
    if (!m_loadNote.isEmpty()) text += QLatin1Char('\n') + m_loadNote;
    m_loadNote.clear();
    showStatus(text,
               m_writes.result() == WriteSequence::Result::Verified ? Tone::Done : Tone::Problem);
    if (m_exitWhenDone) {
        leaveFor(ScreenId::Form2);
        return Outcome::HandOver;
    }
    return Outcome::End;
}

QString Form5::archiveFolder() {
    QString folder, why;
    if (VehicleArchive::ensureFolder(g.folders.userFolder(), folder, why)) return folder;
    // The dialog still opens, somewhere the fitter may write: the file may be kept elsewhere.
    showStatus(VehicleArchiveTexts::folderError(folder, why, g.language), Tone::Problem);
    return g.folders.fallbackFolder();
}

void Form5::fileWork(bool busy) {
    setButtons(!busy);
    ctx.dialogs.setBusy(busy);
}

void Form5::Command9Click() {
    if (!g.connected() || m_phase != Phase::Idle) return;
    // Only a set the ECU sent whole is saved: one never read would load as a car with every
    // value out of range, one cut short by a lost link is half this car and half the last.
    if (!g.parametersFromEcu) {
        showStatus(lang("F05_T23", QStringLiteral("Configurazione non letta dalla centralina: "
                                                  "rileggerla con \"Rileggi dalla centralina\" "
                                                  "prima di salvarla.")),
                   Tone::Problem);
        return;
    }
    const QString chosen = ctx.dialogs.saveFileName(
        this, lang("tabEO00", QStringLiteral("Salva configurazione vettura")), archiveFolder(),
        lang("F05_T25", QStringLiteral("Cartelle di lavoro Excel")) + QStringLiteral(" (*.xlsx)"));
    if (chosen.isEmpty()) return;
    // The dialog asked before overwriting the name as typed; ".xlsx" may make it another file.
    const QString target = VehicleArchive::saveName(chosen);
    if (target != chosen && QFileInfo::exists(target) &&
        !ctx.dialogs.question(this, QString::fromLatin1(Caption),
                              lang("F05_T24", QStringLiteral("Il file %1 esiste già. Sostituirlo?"))
                                  .arg(QDir::toNativeSeparators(target))))
        return;
    fileWork(true);
    const VehicleSave saved = VehicleArchive::save(target, g.parameters);
    fileWork(false);
    if (saved.ok)
        showStatus(lang("F05_T22", QStringLiteral("Configurazione salvata in %1"))
                       .arg(QDir::toNativeSeparators(saved.path)),
                   Tone::Done);
    else
        showStatus(VehicleArchiveTexts::saveError(saved, g.language), Tone::Problem);
}

void Form5::Command5Click() {
    if (!g.connected() || m_phase != Phase::Idle) return;
    const QString chosen = ctx.dialogs.openFileName(
        this, lang("tabEI00", QStringLiteral("Carica configurazione vettura")), archiveFolder(),
        lang("F05_T25", QStringLiteral("Cartelle di lavoro Excel")) +
            QStringLiteral(" (*.xlsx *.xls);;") + lang("F05_T26", QStringLiteral("Tutti i file")) +
            QStringLiteral(" (*)"));
    if (chosen.isEmpty()) return;
    fileWork(true);
    const VehicleLoad load = VehicleArchive::load(chosen);
    fileWork(false);
    if (!load.ok()) {
        // Nothing of a refused file reaches the ECU or the set.
        showStatus(VehicleArchiveTexts::loadError(load, g.language), Tone::Problem);
        return;
    }
    // The set takes the configuration from the ECU's read-back at the end, not from the file.
    ParameterSet configuration;
    load.image.storeImage(configuration);
    m_loadNote = VehicleArchiveTexts::replaced(load, g.language);
    if (!startBulkWrite(configuration, load.corrected())) m_loadNote.clear();
}

void Form5::onCloseRequested() {
    QString notice;
    bool wait = false;
    if (m_phase == Phase::Defaults) {
        // The restore is no write sequence, but it is not cut in the middle either while the
        // ECU answers, unless the fitter insists.
        wait = !cycle().isLost() && link().isOpen() && exitMayWait();
        if (!wait) {
            // Sent, and perhaps carried out even if its acknowledgement never came back.
            g.parametersFromEcu = false;
            notice = m_defaultsAcknowledged
                         ? lang("F05_T83", QStringLiteral("Valori di default ripristinati ma non "
                                                          "riletti: i parametri mostrati "
                                                          "potrebbero non essere quelli della "
                                                          "centralina"))
                         : lang("F05_T84", QStringLiteral("Ripristino dei valori di default non "
                                                          "confermato: la centralina potrebbe "
                                                          "averli ripristinati"));
        }
    } else {
        wait = holdExitFor(m_writes, notice);
    }
    if (wait) {
        m_exitWhenDone = true;
        showStatus(lang("F05_T81", QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA")) +
                       QLatin1Char('\n') +
                       lang("F00_T08", QStringLiteral("Premere di nuovo EXIT per uscire subito")),
                   Tone::Progress);
        return;
    }
    // Said once, as the fitter leaves: the main menu has no line for another screen's news.
    // The box waits for the fitter, and nothing may go to the ECU meanwhile.
    cycle().stop();
    if (!notice.isEmpty()) ctx.dialogs.information(this, QString::fromLatin1(Caption), notice);
    leaveFor(ScreenId::Form2);
}

void Form5::onUnload() {
    ctx.dialogs.setBusy(false);
    if (m_writes.isRunning()) {
        m_writes.interrupt();
        cycle().detach();
    }
}
