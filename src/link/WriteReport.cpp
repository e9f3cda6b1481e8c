#include "link/WriteReport.h"

#include "lang/LanguageTable.h"
#include "link/WriteSequence.h"
#include "params/RepairRounds.h"

namespace WriteReport {

QString progress(const WriteSequence& sequence, const LanguageTable& language) {
    return language.text(QStringLiteral("F00_T05"), QStringLiteral("Scrittura in corso: %1 / %2"))
        .arg(sequence.acknowledged())
        .arg(sequence.total());
}

QString outcome(const WriteSequence& sequence, const LanguageTable& language) {
    switch (sequence.result()) {
    case WriteSequence::Result::Verified:
        return language.text(QStringLiteral("F00_T01"),
                             QStringLiteral("Parametri scritti e verificati"));
    case WriteSequence::Result::Written:
        return language.text(QStringLiteral("F00_T02"), QStringLiteral("Parametri scritti"));
    case WriteSequence::Result::Differences:
        return language.text(QStringLiteral("F00_T03"),
                             QStringLiteral("La centralina non ha memorizzato:")) +
               QLatin1Char(' ') +
               RepairRounds::describe(sequence.differences(), QStringLiteral(", "));
    case WriteSequence::Result::Interrupted:
        return language
            .text(QStringLiteral("F00_T04"),
                  QStringLiteral(
                      "Scrittura interrotta: la centralina ha confermato %1 scritture su %2"))
            .arg(sequence.acknowledged())
            .arg(sequence.total());
    case WriteSequence::Result::Abandoned:
        return language
            .text(QStringLiteral("F00_T06"),
                  QStringLiteral("Scrittura abbandonata: dopo la perdita del collegamento ha "
                                 "risposto un'altra centralina (la prima ha confermato %1 "
                                 "scritture su %2)"))
            .arg(sequence.acknowledged())
            .arg(sequence.total());
    case WriteSequence::Result::Idle:
    case WriteSequence::Result::Running:
        break;
    }
    return progress(sequence, language);
}

} // namespace WriteReport
