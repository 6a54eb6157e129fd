// The text of lumivex.cfg: thirteen records, one a line, each line ended by CR LF. Strings are
// written between double quotes without escaping, integers as decimal digits, booleans as #TRUE#
// or #FALSE#; on reading, records are separated by commas or line ends alike.
#pragma once

#include <string>

#include "settings/settings.h"

namespace lumivex {

std::string FormatSettingsFile(const Settings& values);

// Assigns the records to `values` in order until the text ends or a record cannot be converted
// to its setting's type; the records read before that keep their new values. Answers how many
// records were taken; `badRecord`, when given, tells whether a record stopped the reading (rather
// than the end of the text).
int ParseSettingsFile(const std::string& text, Settings& values, bool* badRecord = nullptr);

// False for a text holding control bytes other than tab, CR and LF: no settings file the program
// wrote, but a damaged one (or another file under its name).
bool IsSettingsText(const std::string& text);

}  // namespace lumivex
