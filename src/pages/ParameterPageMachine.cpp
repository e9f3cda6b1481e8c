#include "ParameterPageMachine.h"

#include "lang/LanguageTable.h"
#include "link/RequestPlan.h"
#include "link/WriteReport.h"

#include <utility>

ParameterPageMachine::ParameterPageMachine(PageLayout layout, const LanguageTable& language)
    : m_page(std::move(layout)), m_language(language) {}

void ParameterPageMachine::load(bool connected) {
    m_connected = connected;
    m_phase = connected ? Phase::Read : Phase::ViewOnly;
    m_lost = false;
    m_exitWhenWritten = false;
    m_message = {};
    m_marks.clear();
}

ParameterPageControls ParameterPageMachine::controls() const {
    ParameterPageControls c;
    c.editing = m_phase == Phase::Write;
    c.modes = m_connected && m_phase != Phase::Writing;
    // The pair always shows the mode the page is in, also after a commit chose read mode.
    c.writeModeShown = m_phase == Phase::Write || m_phase == Phase::Writing;
    // Nothing to write to while the ECU does not answer: the page keeps looking for it.
    c.modifica = c.editing && !m_lost;
    return c;
}

bool ParameterPageMachine::setMode(bool write) {
    if (!m_connected || m_phase == Phase::Writing) return false;
    m_phase = write ? Phase::Write : Phase::Read;
    m_marks.clear();
    m_message = {};
    return true;
}

bool ParameterPageMachine::modifica(const PageValues& values) {
    if (!controls().modifica) return false;
    m_marks.clear();
    PreparedWrite prepared = m_page.prepareWrite(values, m_language);
    if (!prepared.accepted()) {
        for (const QString& control : prepared.report.rejected)
            m_marks.insert(control, Mark::Wrong);
        m_message = {Message::Tone::Problem, prepared.report.message};
        return false;
    }
    m_prepared = std::move(prepared.writes);
    return true;
}

void ParameterPageMachine::portFailed(const QString& why) {
    m_prepared.clear();
    m_message = {Message::Tone::Problem, why};
}

void ParameterPageMachine::startWrite() {
    if (m_prepared.empty() || m_phase != Phase::Write) return;
    for (const PageField& f : m_page.layout().fields)
        m_marks.insert(f.control, Mark::Sent);
    m_writes.start(std::exchange(m_prepared, {}), WriteSequence::ReadBack::Parameters,
                   RequestPlan::parameterPage().writeTiming());
    m_phase = Phase::Writing;
    m_exitWhenWritten = false;
    m_message = {Message::Tone::Progress, progress()};
}

void ParameterPageMachine::writeProgressed() {
    if (m_phase == Phase::Writing) m_message = {Message::Tone::Progress, progress()};
}

std::optional<QString> ParameterPageMachine::writeEnded() {
    if (m_phase != Phase::Writing) return std::nullopt;
    m_phase = Phase::Read;
    m_marks.clear();
    // What the ECU did not keep is shown as it holds it, and marked.
    for (const WriteSequence::Write& w : m_writes.differences()) {
        for (const PageField& f : m_page.layout().fields)
            if (f.parameterId == w.id) m_marks.insert(f.control, Mark::Wrong);
        for (const PageChoice& c : m_page.layout().choices)
            if (c.parameterId == w.id) m_marks.insert(c.control, Mark::Wrong);
    }
    const bool verified = m_writes.result() == WriteSequence::Result::Verified;
    m_message = {verified ? Message::Tone::Done : Message::Tone::Problem,
                 WriteReport::outcome(m_writes, m_language)};
    if (!std::exchange(m_exitWhenWritten, false)) return std::nullopt;
    return m_message.text;
}

void ParameterPageMachine::exitHeld() {
    if (m_phase != Phase::Writing) return;
    m_exitWhenWritten = true;
    m_message = {Message::Tone::Progress,
                 m_language.text(QStringLiteral("F05_T81"),
                                 QStringLiteral("USCITA AL TERMINE DELLA SCRITTURA")) +
                     QLatin1Char('\n') +
                     m_language.text(QStringLiteral("F00_T08"),
                                     QStringLiteral("Premere di nuovo EXIT per uscire subito"))};
}

void ParameterPageMachine::linkLost(const QString& text) {
    m_lost = true;
    QString said = text;
    if (m_writes.isRunning()) said += QStringLiteral(" - ") + progress();
    m_message = {Message::Tone::Problem, said};
}

void ParameterPageMachine::linkFound() {
    m_lost = false;
    if (m_writes.isRunning())
        m_message = {Message::Tone::Progress, progress()};
    else
        m_message = {};
}

QString ParameterPageMachine::progress() const {
    return WriteReport::progress(m_writes, m_language);
}
