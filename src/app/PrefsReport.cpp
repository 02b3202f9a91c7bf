#include "app/PrefsReport.h"

#include "app/CPrefs.h"

std::string FormatPrefsReport(const CPrefs& prefs, const std::string& storePath) {
    std::string report = "Settings store: " + (storePath.empty() ? "(none)" : storePath) +
                         ", key " + CPrefs::kCurrentKeyPath + "\n";
    prefs.ForEachValue([&report](std::string_view name, const std::string& text) {
        report.append(name);
        report += " = " + text + "\n";
    });
    return report;
}
