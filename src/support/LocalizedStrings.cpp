#include "support/LocalizedStrings.h"

#include "support/CIniFileReader.h"
#include "support/Log.h"

#include <mutex>
#include <unordered_set>

namespace {

constexpr const char* kSection = "Strings";

struct StringTable {
    std::mutex mutex;
    CIniFileReader reader;
    std::string path;
    std::unordered_set<std::string> reportedMissing;
};

StringTable& Table() {
    static StringTable table;
    return table;
}

} // namespace

bool SetStringFile(const std::string& path) {
    CIniFileReader reader;
    bool loaded = reader.Init(path);
    if (!loaded)
        LogFmt("SetStringFile - unable to load string file '%s'", path.c_str());
    StringTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.reader = std::move(reader);
    table.path = path;
    table.reportedMissing.clear();
    return loaded;
}

std::string GetStringFile() {
    StringTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.path;
}

std::string MyLoadString(const std::string& key) {
    StringTable& table = Table();
    std::unique_lock<std::mutex> lock(table.mutex);
    std::optional<std::string> text = table.reader.FindString(kSection, key);
    if (text)
        return ParseCarriageReturns(*text);
    bool firstTime = table.reportedMissing.insert(key).second;
    lock.unlock();
    if (firstTime)
        LogFmt("MyLoadString - no text for key '%s'", key.c_str());
    return key;
}

bool HasLocalizedString(const std::string& key) {
    StringTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.reader.HasKey(kSection, key);
}

std::string ParseCarriageReturns(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
            out += text[i + 1] == 'n' ? '\n' : '\t';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
