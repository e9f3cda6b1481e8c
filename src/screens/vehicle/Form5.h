#pragma once

#include "link/ParameterUpload.h"
#include "link/WriteSequence.h"
#include "screen/FormBase.h"
#include "vehicle/VehicleArchive.h"

#include <optional>

class ParameterSet;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The parameter menu: the way to the four parameter pages, the ECU's own defaults, and the
// bulk write of a whole vehicle configuration. Its port is open only while an operation runs.
class Form5 final : public FormBase {
    Q_OBJECT
public:
    explicit Form5(FormContext& context);

    enum class Phase {
        Idle,
        Defaults,  // restore the ECU defaults, then read parameters and table back
        BulkWrite, // every parameter and table entry, then read back and compared
        Reading,   // the whole set read again, checked and repaired as the main menu does
    };
    Phase phase() const { return m_phase; }
    const WriteSequence& bulkWrite() const { return m_writes; }

    // Writes `configuration` whole into the ECU (parameters 1..62, then table entries 1..64),
    // reads it back and compares. `corrected`: the configuration needed corrections when it
    // was loaded, which Text4 says until the write ends. False, with the reason on the screen,
    // when no write can start (not connected, busy, port not opened).
    bool startBulkWrite(const ParameterSet& configuration, bool corrected);

    // A line from the screen that handed over to the menu (a page's interrupted write).
    void showNotice(const QString& text) override;
    // A workbook read here or passed back by the comparison: written into the ECU whole.
    void takeVehicle(const VehicleLoad& load) override;

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

protected:
    void onCloseRequested() override;
    void onUnload() override;

private:
    void setupExchange();
    void restoreDefaults();
    bool beginOperation(Phase phase);
    void endOperation();
    ExchangeCycle::Outcome bulkWriteEnded();
    ExchangeCycle::Outcome defaultsRead();
    void readAgain();
    ExchangeCycle::Outcome readChecked();
    void setButtons(bool enabled);
    enum class Tone { Progress, Done, Problem };
    void showStatus(const QString& text, Tone tone);
    void showProgress();
    QString lostText() const;
    void openPage(ScreenId page);
    // The vehicle archive: loading a workbook into the ECU, saving the ECU's configuration.
    void Command5Click();
    void Command9Click();
    // The set was wholly read from the ECU; otherwise false, and `refusal` on the status line.
    bool readFromEcu(const char* key, const char* refusal);
    // The comparison of the ECU with a workbook, on a screen of its own.
    void Command11Click();
    // The workbook the fitter chooses, read; nothing when none was chosen or it was refused
    // (the reason is on the status line).
    std::optional<VehicleLoad> chooseWorkbook(const QString& title);
    QString archiveFolder();
    // Buttons off and the busy pointer while a workbook is read or written.
    void fileWork(bool busy);

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
    QLabel* StatusText;

    Phase m_phase = Phase::Idle;
    WriteSequence m_writes;
    ParameterUpload m_upload{g.parameters, g.writeList};
    bool m_defaultsAcknowledged = false;
    bool m_exitWhenDone = false;
    // The values a loaded workbook did not give as they stood, named beside the write's
    // progress and outcome.
    QString m_loadNote;
};
