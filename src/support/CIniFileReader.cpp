#include "support/CIniFileReader.h"

#include "support/Log.h"

#include <cerrno>
#include <climits>
#include <cstdio>

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// Parses an optionally signed decimal or "0x" hexadecimal integer that must fill the whole text
// and fit an int.
bool ParseInt(std::string_view text, int& value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return false;
    long long magnitude = 0;
    for (char c : text) {
        int digit = DigitValue(c);
        if (digit >= base)
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            return false;
    }
    long long result = negative ? -magnitude : magnitude;
    if (result > INT_MAX)
        return false;
    value = static_cast<int>(result);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char buffer[65536];
    bool ok = true;
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (contents.size() + count > CIniFileReader::kMaxFileSize) {
            ok = false;
            break;
        }
        contents.append(buffer, count);
    }
    if (std::ferror(file))
        ok = false;
    std::fclose(file);
    return ok;
}

} // namespace

bool CIniFileReader::Init(const std::string& path) {
    Clear();
    std::string contents;
    if (!ReadWholeFile(path, contents)) {
        LogFmt("CIniFileReader::Init - unable to read '%s'", path.c_str());
        return false;
    }
    InitFromMemory(contents);
    m_path = path;
    return true;
}

void CIniFileReader::InitFromMemory(std::string_view text) {
    Clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    size_t current = SectionNamed("");
    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        ParseLine(text.substr(0, end), current);
        if (end == std::string_view::npos)
            break;
        size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n')
            ++next;
        text.remove_prefix(next);
    }
}

void CIniFileReader::Clear() {
    m_path.clear();
    m_sections.clear();
    m_sectionIndex.clear();
}

void CIniFileReader::ParseLine(std::string_view line, size_t& current) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#')
        return;
    if (line[0] == '[') {
        size_t close = line.find(']');
        if (close != std::string_view::npos)
            current = SectionNamed(Trim(line.substr(1, close - 1)));
        return;
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    std::string_view key = Trim(line.substr(0, equals));
    if (key.empty())
        return;
    Section& section = m_sections[current];
    auto [slot, added] = section.index.emplace(Lower(key), section.entries.size());
    if (added)
        section.entries.emplace_back(key, Unquote(Trim(line.substr(equals + 1))));
}

size_t CIniFileReader::SectionNamed(std::string_view name) {
    auto [slot, added] = m_sectionIndex.emplace(Lower(name), m_sections.size());
    if (added) {
        m_sections.emplace_back();
        m_sections.back().name = name;
    }
    return slot->second;
}

const CIniFileReader::Section* CIniFileReader::FindSection(const std::string& section) const {
    auto found = m_sectionIndex.find(Lower(section));
    return found == m_sectionIndex.end() ? nullptr : &m_sections[found->second];
}

std::optional<std::string> CIniFileReader::FindString(const std::string& section,
                                                      const std::string& key) const {
    const Section* found = FindSection(section);
    if (found == nullptr)
        return std::nullopt;
    auto entry = found->index.find(Lower(key));
    if (entry == found->index.end())
        return std::nullopt;
    return found->entries[entry->second].second;
}

std::string CIniFileReader::GetString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const {
    return FindString(section, key).value_or(defaultValue);
}

bool CIniFileReader::HasKey(const std::string& section, const std::string& key) const {
    return FindString(section, key).has_value();
}

bool CIniFileReader::TryGetInt(const std::string& section, const std::string& key,
                               int& value) const {
    std::optional<std::string> text = FindString(section, key);
    return text.has_value() && ParseInt(*text, value);
}

int CIniFileReader::GetInt(const std::string& section, const std::string& key,
                           int defaultValue) const {
    int value = 0;
    return TryGetInt(section, key, value) ? value : defaultValue;
}

bool CIniFileReader::HasSection(const std::string& section) const {
    const Section* found = FindSection(section);
    return found != nullptr && (!section.empty() || !found->entries.empty());
}

std::vector<std::string> CIniFileReader::GetSectionNames() const {
    std::vector<std::string> names;
    for (const Section& section : m_sections) {
        if (!section.name.empty() || !section.entries.empty())
            names.push_back(section.name);
    }
    return names;
}

std::vector<std::string> CIniFileReader::GetKeys(const std::string& section) const {
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section)) {
        for (const auto& entry : found->entries)
            keys.push_back(entry.first);
    }
    return keys;
}
