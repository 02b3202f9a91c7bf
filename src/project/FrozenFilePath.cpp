#include "project/FrozenFilePath.h"

#include "support/Paths.h"

#include <cctype>
#include <cstdio>
#include <string_view>

namespace {

// Consumes at least minDigits decimal digits from the front of the text.
bool TakeDigits(std::string_view& text, size_t minDigits) {
    size_t count = 0;
    while (count < text.size() && std::isdigit(static_cast<unsigned char>(text[count])))
        ++count;
    if (count < minDigits || count > 10)
        return false;
    text.remove_prefix(count);
    return true;
}

bool TakeText(std::string_view& text, std::string_view expected) {
    if (text.substr(0, expected.size()) != expected)
        return false;
    text.remove_prefix(expected.size());
    return true;
}

bool IsFrozenFileName(std::string_view name) {
    return TakeText(name, "frozen-track") && TakeDigits(name, 2) && TakeText(name, " ") &&
           TakeDigits(name, 1) && TakeText(name, "-") && TakeDigits(name, 1) &&
           TakeText(name, "-") && TakeDigits(name, 1) && TakeText(name, "-ID") &&
           TakeDigits(name, 1) && name == ".WAV";
}

std::string AsFolder(const std::string& path) {
    std::string folder = NormalizePath(path);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string MakeFrozenFilePath(const std::string& recordingFolder, int trackNumber, int day,
                               int month, int year, int freezeId) {
    char name[96];
    std::snprintf(name, sizeof name, "frozen-track%02d %d-%d-%d-ID%d.WAV", trackNumber, day, month,
                  year, freezeId);
    return recordingFolder + name;
}

bool IsOwnFrozenFilePath(const std::string& path, const std::string& recordingFolder) {
    if (!IsAbsolutePath(path) || !IsAbsolutePath(recordingFolder))
        return false;
    const std::string normalized = NormalizePath(path);
    return IsFrozenFileName(ExtractFileName(normalized)) &&
           ExtractDirectory(normalized) == AsFolder(recordingFolder);
}
