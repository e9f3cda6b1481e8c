#pragma once

#include "pages/ParameterPageMachine.h"
#include "screen/FormBase.h"
#include "screens/pages/PageFields.h"

class QLayout;
class StatusLine;
class QPushButton;
class QRadioButton;

// One parameter page, built from its PageLayout: the boxes with their labels and units, the
// option groups and check boxes, read and write mode, "Modifica", EXIT and the message line.
// What the page does is its ParameterPageMachine's; the view builds the controls, shows the
// machine's state on them and runs the machine's write on its exchange.
//
// Form13, Form6, Form11 and Form14 arrange the controls and add what is theirs.
class ParameterPageForm : public FormBase {
    Q_OBJECT
public:
    using Phase = ParameterPagePhase;
    Phase phase() const { return m_machine.phase(); }
    const WriteSequence& writes() const { return m_machine.writes(); }

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

protected:
    ParameterPageForm(ScreenId id, FormContext& context, PageLayout layout);

    // Puts `body` above the mode row and the message line, then fills the page from the
    // ParameterSet. Each page calls it once at the end of its constructor.
    void arrange(QLayout* body);
    QGridLayout* fieldRows(const QStringList& controls,
                           const std::vector<std::pair<QString, QLabel*>>& headings = {}) {
        return m_fields.rows(controls, headings);
    }
    // A heading label of the page's own (a section title above some rows).
    QLabel* heading(const QString& name, const char* key, const QString& design);

    QLineEdit* box(const QString& control) const { return m_fields.box(control); }
    QLabel* labelOf(const QString& control) const { return m_fields.labelOf(control); }
    QLabel* unitOf(const QString& control) const { return m_fields.unitOf(control); }
    QWidget* choice(const QString& control) const { return m_fields.choice(control); }
    QAbstractButton* option(const QString& control, int index) const {
        return m_fields.option(control, index);
    }
    void keepLocked(const QString& control) { m_fields.keepLocked(control); }

    PageValues shownValues() const { return m_fields.values(); }
    virtual void showValues(const PageValues& values);
    const ParameterPage& page() const { return m_machine.page(); }

    // Hooks for the pages' own additions.
    virtual void choiceClicked(const QString& control, int index);
    virtual void modeChanged() {}
    // After the ParameterSet took the read-back of a write.
    virtual void committed() {}
    // How the exchange goes on once a write ended: pages that only talk to write end it.
    virtual ExchangeCycle::Outcome afterWrite() { return ExchangeCycle::Outcome::End; }
    // The link came back after a loss: what the version reply leads to when no write runs.
    virtual ExchangeCycle::Outcome whenIdleAndFound() { return ExchangeCycle::Outcome::End; }
    // The ECU stopped answering or the adapter went away: nothing received is live any more.
    virtual void linkLost() {}

    // The page's own setters follow the boxes: offered in write mode only.
    bool isWriteMode() const { return m_machine.controls().editing; }
    bool connected() const { return g.connected(); }
    // Opens the port if it is closed; on failure the message line gives device and reason.
    bool ensureOpen();

    void onCloseRequested() override;
    void onUnload() override;

private:
    void buildControls();
    void setupExchange();
    void setMode(bool write);
    void modifica();
    ExchangeCycle::Outcome writeEnded();
    void showStored();
    // The machine's state on the controls: marks, what is offered, the message line.
    void render();
    // The ECU went silent or the adapter away: said on the message line, then linkLost().
    void tellLost(const QString& text);

    ParameterPageMachine m_machine;
    PageFields m_fields;
    QRadioButton* m_readMode = nullptr;
    QRadioButton* m_writeMode = nullptr;
    QPushButton* Command2 = nullptr; // "Modifica"
    QPushButton* Command1 = nullptr; // EXIT
    StatusLine* m_message = nullptr;
};
