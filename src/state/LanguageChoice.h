#pragma once

#include "lang/SetLingua.h"

struct VariabiliGlobali;

// Loads the section of language 1 (Italian), 2 (English) or 3 (Turkish) from the language
// file (beside a portable program, in the shared data of an installed one) and refreshes the
// texts taken from it (the lost-link text). Fails with what to tell the user when the file or
// the section could not be read.
Result<> loadLanguage(VariabiliGlobali& g, int languageIndex);
