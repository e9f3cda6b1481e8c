#pragma once

#include "link/WriteSequence.h"
#include "pages/ParameterPage.h"
#include "screen/FormBase.h"

#include <QHash>
#include <QSet>
#include <utility>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QGridLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

// One parameter page, built from its PageLayout: the boxes with their labels and units, the
// option groups and check boxes, read and write mode, "Modifica", EXIT and the message line.
// "Modifica" checks every box, then writes the page's parameters one acknowledgement at a
// time, reads them back and takes into the ParameterSet what the ECU reports holding.
//
// Form13, Form6, Form11 and Form14 arrange the controls and add what is theirs.
class ParameterPageForm : public FormBase {
    Q_OBJECT
public:
    enum class Phase {
        ViewOnly, // not connected: the page can only be looked at
        Read,
        Write,
        Writing, // a write sequence runs; the page's controls wait for it
    };
    Phase phase() const { return m_phase; }
    const WriteSequence& writes() const { return m_writes; }

    // The exchange tick (Timer1).
    void Timer1Tick() { cycle().tick(); }

protected:
    ParameterPageForm(ScreenId id, FormContext& context, PageLayout layout);

    // Puts `body` above the mode row and the message line, then fills the page from the
    // ParameterSet. Each page calls it once at the end of its constructor.
    void arrange(QLayout* body);
    // Rows of label, box and unit for the given boxes, in order; a heading goes above the
    // box it is paired with.
    QGridLayout* fieldRows(const QStringList& controls,
                           const std::vector<std::pair<QString, QLabel*>>& headings = {});
    // A heading label of the page's own (a section title above some rows).
    QLabel* heading(const QString& name, const char* key, const QString& design);

    QLineEdit* box(const QString& control) const { return m_boxes.value(control); }
    QLabel* labelOf(const QString& control) const { return m_labels.value(control); }
    QLabel* unitOf(const QString& control) const { return m_units.value(control); }
    // The frame of an option group, or a check box.
    QWidget* choice(const QString& control) const { return m_choiceWidgets.value(control); }
    QAbstractButton* option(const QString& control, int index) const;

    // Boxes the fitter never types into (set by other controls of the page).
    void keepLocked(const QString& control) { m_alwaysLocked.insert(control); }

    PageValues shownValues() const;
    virtual void showValues(const PageValues& values);
    const ParameterPage& page() const { return m_page; }

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

    bool isWriteMode() const { return m_phase == Phase::Write; }
    bool connected() const { return g.connected(); }
    // Opens the port if it is closed; on failure the message line gives device and reason.
    bool ensureOpen();

    enum class Tone { Rejected, Progress, Done, Problem };
    void showMessage(const QString& text, Tone tone);
    void hideMessage();

    void onCloseRequested() override;
    void onUnload() override;

private:
    void buildControls();
    void setupExchange();
    void load();
    void setMode(bool write);
    void modifica();
    ExchangeCycle::Outcome writeEnded();
    void paintChoices();
    // Marks boxes (and option groups) red or green; an empty colour clears the mark.
    void paintBoxes(const QStringList& controls, const QString& colour);
    void restyle(const QString& control);
    void enableControls();
    QString lostText() const;
    // The ECU went silent or the adapter away: said on the message line, then linkLost().
    void tellLost(const QString& text);

    ParameterPage m_page;
    Phase m_phase = Phase::Read;
    WriteSequence m_writes;
    bool m_exitWhenWritten = false;

    QHash<QString, QLineEdit*> m_boxes;
    QHash<QString, QLabel*> m_labels;
    QHash<QString, QLabel*> m_units;
    QHash<QString, QString> m_boxColour; // a box's mark; none: its plain look
    QHash<QString, QWidget*> m_choiceWidgets;
    QHash<QString, QButtonGroup*> m_groups;
    QSet<QString> m_alwaysLocked;
    QRadioButton* m_readMode = nullptr;
    QRadioButton* m_writeMode = nullptr;
    QPushButton* Command2 = nullptr; // "Modifica"
    QPushButton* Command1 = nullptr; // EXIT
    QLabel* m_message = nullptr;
};
