#include "details/CUserPresetStore.h"

#include "support/CFileObj.h"
#include "support/CSafeFileSave.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

namespace {

// The program's folder in the user's data folder (where its log and
// recovery project live too).
constexpr const char* kUserFolder = "Veranth/Loomtone/";
constexpr const char* kFileName = "effect-presets.txt";
constexpr const char* kHexDigits = "0123456789abcdef";

std::string IdToHex(const EffectID& id) {
    std::string hex;
    for (const uint8_t byte : id) {
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0x0F];
    }
    return hex;
}

bool HexToId(std::string_view hex, EffectID& id) {
    if (hex.size() != id.size() * 2)
        return false;
    for (size_t i = 0; i < id.size(); ++i) {
        unsigned value = 0;
        const char* first = hex.data() + 2 * i;
        const auto [end, error] = std::from_chars(first, first + 2, value, 16);
        if (error != std::errc() || end != first + 2)
            return false;
        id[i] = static_cast<uint8_t>(value);
    }
    return true;
}

// The next field of the line up to a space; false at the end of the line.
bool NextField(std::string_view& rest, std::string_view& field) {
    const size_t space = rest.find(' ');
    if (rest.empty() || space == 0)
        return false;
    field = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return true;
}

} // namespace

CUserPresetStore::CUserPresetStore(std::string path) : m_path(std::move(path)) {}

std::string CUserPresetStore::DefaultPath() {
    const std::string base = GetCurrentUserAppDataPath();
    return base.empty() ? std::string() : base + kUserFolder + kFileName;
}

bool CUserPresetStore::IsValidName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxNameBytes && name.front() != ' ' &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool CUserPresetStore::Load() {
    m_entries.clear();
    std::error_code error;
    if (m_path.empty() || !std::filesystem::exists(m_path, error))
        return true;
    const auto size = std::filesystem::file_size(m_path, error);
    if (error || size > kMaxFileBytes) {
        LogFmt("CUserPresetStore::Load - '%s' cannot be read or is too large - no user presets",
               m_path.c_str());
        return false;
    }
    std::ifstream file(m_path, std::ios::binary);
    std::string line;
    if (!std::getline(file, line) || line != kHeading) {
        LogFmt("CUserPresetStore::Load - '%s' is not an effect preset file - no user presets",
               m_path.c_str());
        return false;
    }
    bool whole = true;
    for (int number = 2; std::getline(file, line); ++number) {
        Entry entry;
        if (line.empty())
            continue;
        if (!ParseLine(line, entry) || FindEntry(entry.id, entry.preset.name) != m_entries.end()) {
            LogFmt("CUserPresetStore::Load - '%s' line %d is damaged - preset left out",
                   m_path.c_str(), number);
            whole = false;
            continue;
        }
        m_entries.push_back(std::move(entry));
    }
    return whole;
}

bool CUserPresetStore::ParseLine(const std::string& line, Entry& entry) const {
    std::string_view rest(line);
    std::string_view field;
    if (!NextField(rest, field) || !HexToId(field, entry.id) || !NextField(rest, field))
        return false;
    size_t count = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), count);
    if (error != std::errc() || end != field.data() + field.size() || count > kMaxValues)
        return false;
    entry.preset.values.resize(count);
    for (float& value : entry.preset.values) {
        if (!NextField(rest, field))
            return false;
        const auto [last, failed] =
            std::from_chars(field.data(), field.data() + field.size(), value);
        if (failed != std::errc() || last != field.data() + field.size() || !std::isfinite(value))
            return false;
    }
    entry.preset.name = std::string(rest);
    return IsValidName(entry.preset.name);
}

std::vector<CUserPresetStore::Preset> CUserPresetStore::PresetsOf(const EffectID& id) const {
    std::vector<Preset> presets;
    for (const Entry& entry : m_entries)
        if (entry.id == id)
            presets.push_back(entry.preset);
    return presets;
}

const CUserPresetStore::Preset* CUserPresetStore::Find(const EffectID& id,
                                                       const std::string& name) const {
    for (const Entry& entry : m_entries)
        if (entry.id == id && entry.preset.name == name)
            return &entry.preset;
    return nullptr;
}

std::vector<CUserPresetStore::Entry>::iterator
CUserPresetStore::FindEntry(const EffectID& id, const std::string& name) {
    return std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
        return entry.id == id && entry.preset.name == name;
    });
}

bool CUserPresetStore::Save(const EffectID& id, const std::string& name,
                            const std::vector<float>& values) {
    if (!IsValidName(name) || values.size() > kMaxValues ||
        !std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); }))
        return false;
    const std::vector<Entry> before = m_entries;
    const auto found = FindEntry(id, name);
    if (found != m_entries.end())
        found->preset.values = values;
    else
        m_entries.push_back({id, {name, values}});
    if (Write())
        return true;
    m_entries = before;
    return false;
}

bool CUserPresetStore::Remove(const EffectID& id, const std::string& name) {
    const auto found = FindEntry(id, name);
    if (found == m_entries.end())
        return false;
    const std::vector<Entry> before = m_entries;
    m_entries.erase(found);
    if (Write())
        return true;
    m_entries = before;
    return false;
}

std::string CUserPresetStore::Text() const {
    std::string text = std::string(kHeading) + "\n";
    for (const Entry& entry : m_entries) {
        text += IdToHex(entry.id) + " " + std::to_string(entry.preset.values.size());
        for (const float value : entry.preset.values) {
            // The shortest text that reads back as the same float.
            char number[32];
            const auto result = std::to_chars(number, number + sizeof number, value);
            text += " " + std::string(number, result.ptr);
        }
        text += " " + entry.preset.name + "\n";
    }
    return text;
}

bool CUserPresetStore::Write() const {
    if (m_path.empty() || !CreateMultiLevelDir(ExtractDirectory(m_path))) {
        LogFmt("CUserPresetStore::Write - no folder for '%s' - returning false!", m_path.c_str());
        return false;
    }
    const std::string text = Text();
    CSafeFileSave save(m_path);
    CFileObj* file = save.Begin();
    if (!file || !file->Write(text.data(), text.size()) || !save.Commit()) {
        LogFmt("CUserPresetStore::Write - cannot write '%s' - returning false!", m_path.c_str());
        return false;
    }
    return true;
}
