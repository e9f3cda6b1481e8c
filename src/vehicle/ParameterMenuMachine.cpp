#include "ParameterMenuMachine.h"

#include "lang/LanguageTable.h"

ParameterMenuMachine::Tone ParameterMenuMachine::tone(Notice notice) {
    switch (notice) {
    case Notice::DefaultsRestored:
    case Notice::ReadAgain:
    case Notice::BulkVerified:
        return Tone::Done;
    case Notice::None:
    case Notice::ExitWhenDone:
        return Tone::Progress;
    case Notice::Refused:
    case Notice::BulkNotVerified:
    case Notice::RestoreUnconfirmed:
    case Notice::RestoreNotRead:
        break;
    }
    return Tone::Problem;
}

QString ParameterMenuMachine::text(Notice notice, const LanguageTable& language) {
    const auto t = [&language](const char* key, const char* design) {
        return language.text(QString::fromLatin1(key), QString::fromUtf8(design));
    };
    switch (notice) {
    case Notice::DefaultsRestored:
        return t("F05_T82", "Valori di default ripristinati");
    case Notice::ReadAgain:
        return t("F05_T85", "Configurazione riletta dalla centralina");
    case Notice::ExitWhenDone:
        return t("F05_T81", "USCITA AL TERMINE DELLA SCRITTURA") + QLatin1Char('\n') +
               t("F00_T08", "Premere di nuovo EXIT per uscire subito");
    case Notice::RestoreUnconfirmed:
        return t("F05_T84", "Ripristino dei valori di default non confermato: la centralina "
                            "potrebbe averli ripristinati");
    case Notice::RestoreNotRead:
        return t("F05_T83", "Valori di default ripristinati ma non riletti: i parametri mostrati "
                            "potrebbero non essere quelli della centralina");
    case Notice::None:
    case Notice::Refused:
    case Notice::BulkVerified:
    case Notice::BulkNotVerified:
        break;
    }
    return QString();
}

QString ParameterMenuMachine::restoreQuestion(const LanguageTable& language) {
    return language.text(
        QStringLiteral("F05_T27"),
        QStringLiteral("Ripristinare i valori di default? L'intera configurazione della vettura "
                       "nella centralina (parametri e tabella di correzione) verrà sostituita "
                       "dai valori di fabbrica."));
}

ParameterMenuMachine::Controls ParameterMenuMachine::controls() const {
    return {idle(), idle() && m_connected};
}

bool ParameterMenuMachine::begin(Phase phase) {
    if (!mayBegin() || phase == Phase::Idle) return false;
    m_phase = phase;
    m_restoreAcknowledged = false;
    m_exitWhenDone = false;
    return true;
}

bool ParameterMenuMachine::restoreAcknowledged() {
    if (m_phase != Phase::Defaults || m_restoreAcknowledged) return false;
    m_restoreAcknowledged = true;
    return true;
}

ParameterMenuMachine::Action ParameterMenuMachine::ended(Notice notice,
                                                         std::optional<bool> fromEcu) {
    m_phase = Phase::Idle;
    return {m_exitWhenDone, notice, fromEcu};
}

ParameterMenuMachine::Action ParameterMenuMachine::uploadEnded(bool valid) {
    if (m_phase == Phase::Defaults && m_restoreAcknowledged)
        return ended(Notice::DefaultsRestored, true);
    if (m_phase != Phase::Reading) return {};
    return ended(valid ? Notice::ReadAgain : Notice::Refused, valid);
}

ParameterMenuMachine::Action ParameterMenuMachine::bulkWriteEnded(bool verified) {
    if (m_phase != Phase::BulkWrite) return {};
    // What the set takes from the write's read-back is the write's own business.
    return ended(verified ? Notice::BulkVerified : Notice::BulkNotVerified, std::nullopt);
}

ParameterMenuMachine::Action ParameterMenuMachine::exitClicked(bool waiting) {
    if (waiting && !idle()) {
        m_exitWhenDone = true;
        return {false, Notice::ExitWhenDone, std::nullopt};
    }
    Action a{true, Notice::None, std::nullopt};
    if (m_phase == Phase::Defaults) {
        // The restore is no write sequence, but sent it may have been carried out even if its
        // acknowledgement never came back: the set shown may not be the ECU's any more.
        a.notice = m_restoreAcknowledged ? Notice::RestoreNotRead : Notice::RestoreUnconfirmed;
        a.fromEcu = false;
    }
    m_phase = Phase::Idle;
    return a;
}
