#pragma once

#include "lang/SetLingua.h"

struct VariabiliGlobali;

// Loads the section of language 1 (Italian), 2 (English) or 3 (Turkish) from the language
// file beside the program and refreshes the texts taken from it (the lost-link text).
LanguageLoad loadLanguage(VariabiliGlobali& g, int languageIndex);

// What to tell the user about a load that went wrong; empty when it went well.
QString languageProblemText(const LanguageLoad& load);
