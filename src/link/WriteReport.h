#pragma once

#include <QString>

class LanguageTable;
class WriteSequence;

// What a screen says about a write sequence, in the fitter's language: its progress while it
// runs, then how it ended (verified, the values the ECU did not keep by name, or how many
// writes the ECU confirmed before the fitter left).
namespace WriteReport {

QString progress(const WriteSequence& sequence, const LanguageTable& language);
QString outcome(const WriteSequence& sequence, const LanguageTable& language);

} // namespace WriteReport
