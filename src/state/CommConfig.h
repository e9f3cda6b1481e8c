#pragma once

#include "base/Result.h"

#include <QString>

struct VariabiliGlobali;

// Reads the first line of Config.ini: its first character is the port number, the rest the
// settings string. Fails with the reason when the file cannot be read (the settings then
// stay empty, so a later connection attempt fails with a port error).
Result<> LoadConfig(VariabiliGlobali& g);

// Splits CommSettings into the four fields the settings dialog pre-selects, by substring
// search, first match wins, with fixed values when nothing matches.
void ParseCommSettings(VariabiliGlobali& g);
