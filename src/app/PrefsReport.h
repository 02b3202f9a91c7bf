#pragma once

#include <string>

class CPrefs;

// Every preference with its current value, one "name = value" line each, after a line telling
// where the settings store lives and under which key.
std::string FormatPrefsReport(const CPrefs& prefs, const std::string& storePath);
