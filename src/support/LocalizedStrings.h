#pragma once

#include "support/LocalizedFormat.h"

#include <string>

// The program's user-visible texts, looked up by key in the string file "loomstrings.ini"
// (section "Strings", one "key = text" line per text; see CIniFileReader for the file rules).
//
// In a text, the two-character sequences "\n" and "\t" stand for a line break and a tab. There
// is no other escape: a lone backslash stays as written.
//
// A key the file does not hold (or any key before a string file is loaded) gives the key itself,
// so the missing text is visible where it belongs; each such key is logged once.
//
// All functions may be called from any thread.

// Loads the string file, replacing the texts of an earlier one. False (and no texts) when it
// cannot be read; the failure is logged.
bool SetStringFile(const std::string& path);
// The path given to the last SetStringFile; "" before.
std::string GetStringFile();

// The text stored under the key, escapes expanded; the key itself when missing.
std::string MyLoadString(const std::string& key);
// True when the string file holds a text for the key.
bool HasLocalizedString(const std::string& key);

// The text stored under the key, used as a format for the arguments (see FormatLocalized):
// when the text's conversions do not match the arguments, the text is returned unformatted.
template <typename... Args>
std::string MyLoadFormattedString(const std::string& key, const Args&... args) {
    return FormatLocalized(MyLoadString(key), args...);
}

// Turns the escapes "\n" into a line break and "\t" into a tab.
std::string ParseCarriageReturns(const std::string& text);
