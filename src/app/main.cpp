#include "app/CPrefs.h"
#include "app/PrefsReport.h"
#include "support/CRegStore.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kVersion = LOOMTONE_VERSION;

void PrintUsage(FILE* out) {
    std::fprintf(out, "Usage: loomtone [--version | --help | --prefs]\n"
                      "  --version  print the program's version\n"
                      "  --help     print this text\n"
                      "  --prefs    print every preference and where the settings are kept\n");
}

int PrintPrefs() {
    CPrefs prefs;
    prefs.Load(prefs.ShouldReadOldVersionSettings());
    std::fputs(FormatPrefsReport(prefs, CRegStore::CurrentUserPath()).c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        std::fprintf(stderr, "Loomtone %s: the editor window is not built yet.\n", kVersion);
        return 1;
    }
    const char* option = argv[1];
    if (argc == 2 && std::strcmp(option, "--version") == 0) {
        std::printf("Loomtone %s\n", kVersion);
        return 0;
    }
    if (argc == 2 && std::strcmp(option, "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(option, "--prefs") == 0)
        return PrintPrefs();
    PrintUsage(stderr);
    return 2;
}
