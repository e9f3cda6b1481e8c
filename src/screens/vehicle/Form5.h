#pragma once

#include "link/ParameterUploadCycle.h"
#include "link/WriteSequence.h"
#include "screen/FormBase.h"
#include "screen/StatusLine.h"
#include "screens/vehicle/ArchiveButtons.h"
#include "vehicle/ParameterMenuMachine.h"

#include <memory>

class ParameterSet;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The parameter menu: the way to the four parameter pages, the ECU's own defaults, and the
// bulk write of a whole vehicle configuration. Its port is open only while an operation runs.
class Form5 final : public FormBase {
    Q_OBJECT
public:
    explicit Form5(FormContext& context);

    using Phase = ParameterMenuMachine::Phase;
    Phase phase() const { return m_menu.phase(); }
    const WriteSequence& bulkWrite() const { return m_writes; }

    // Writes `configuration` whole into the ECU (parameters 1..62, then table entries 1..64),
    // reads it back and compares. `corrected`: the configuration needed corrections when it
    // was loaded, which Text4 says until the write ends. False, with the reason on the screen,
    // when no write can start (not connected, busy, port not opened).
    bool startBulkWrite(const ParameterSet& configuration, bool corrected);

    // A line from the screen that handed over to the menu (a page's interrupted write).
    void showNotice(const QString& text) override;
    // A workbook the comparison hands back to be loaded: written into the ECU whole.
    void takeVehicle(const VehicleLoad& loaded) override;

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

protected:
    void onCloseRequested() override;
    void onUnload() override;

private:
    using Tone = StatusLine::Tone;
    using Notice = ParameterMenuMachine::Notice;

    void setupExchange();
    void restoreDefaults();
    bool beginOperation(Phase phase);
    // The operation ended as `action` says: the port is released and the notice shown.
    ExchangeCycle::Outcome operationEnded(const ParameterMenuMachine::Action& action,
                                          const QString& detail = QString());
    void readAgain();
    void setButtons(bool enabled);
    // The write's progress (or outcome) with what a loaded workbook did not give as it stood.
    QString withLoadNote(const QString& text) const;
    void showProgress();
    QString lostText() const;
    void openPage(ScreenId page);
    // The write under way: the bulk write, or the defaults a read-again writes back.
    WriteSequence& runningWrites();

    QPushButton* Command1;  // Parametri LAMBDA
    QPushButton* Command2;  // Altri Parametri
    QPushButton* Command3;  // Parametri COMMUTAZIONE
    QPushButton* Command4;  // Parametri INDICATORE
    QPushButton* Command7;  // Valori di default
    QPushButton* Command5;  // Archivio VETTURE
    QPushButton* Command9;  // Salva CONFIGURAZIONE VETTURA
    QPushButton* Command11; // Confronta con archivio
    QPushButton* Command10; // Rileggi dalla centralina
    QPushButton* Command8;  // EXIT
    QPlainTextEdit* Text4;
    QProgressBar* ProgressBar1;
    StatusLine* StatusText;

    ParameterMenuMachine m_menu{g.connected()};
    WriteSequence m_writes; // the bulk write
    std::unique_ptr<ParameterUploadCycle> m_upload;
    // The values a loaded workbook did not give as they stood, named beside the write's
    // progress and outcome.
    QString m_loadNote;
    ArchiveButtons m_archive{
        *this,
        g,
        ctx.dialogs,
        {[this](const QString& text, Tone tone) { StatusText->tell(text, tone); },
         [this](bool busy) {
             setButtons(!busy);
             ctx.dialogs.setBusy(busy);
         },
         [this](const ParameterSet& configuration, bool corrected, const QString& note) {
             m_loadNote = note;
             if (startBulkWrite(configuration, corrected)) return true;
             m_loadNote.clear();
             return false;
         },
         [this](const VehicleLoad& loaded) {
             handOverTo(ScreenId::Form18);
             if (Screen* s = ctx.host.loaded(ScreenId::Form18)) s->takeVehicle(loaded);
         }}};
};
