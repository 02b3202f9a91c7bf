#include "details/CUserPresetWatch.h"

#include "engine/CAudioEffect.h"

#include <filesystem>
#include <utility>

CUserPresetWatch::CUserPresetWatch(std::string path) : m_store(std::move(path)) {}

CUserPresetWatch::Stamp CUserPresetWatch::StampOfFile() const {
    std::error_code failed;
    const std::filesystem::path file(m_store.Path());
    Stamp stamp;
    stamp.size = std::filesystem::file_size(file, failed);
    if (failed)
        return Stamp{};
    const auto modified = std::filesystem::last_write_time(file, failed);
    if (failed)
        return Stamp{};
    stamp.exists = true;
    stamp.modified = modified.time_since_epoch().count();
    return stamp;
}

bool CUserPresetWatch::Refresh() {
    const Stamp stamp = StampOfFile();
    if (m_loaded && stamp == m_stamp)
        return false;
    // A store that cannot be read whole still gives what it could read.
    m_store = CUserPresetStore(m_store.Path());
    m_store.Load();
    m_stamp = stamp;
    m_loaded = true;
    return true;
}

std::string CUserPresetWatch::NameOf(const CAudioEffect& effect) const {
    if (effect.GetCurrentPresetName() != CAudioEffect::kCustomPresetName)
        return "";
    std::vector<float> values;
    for (int parameter = 0; parameter < effect.GetNumParameters(); ++parameter)
        values.push_back(effect.GetParameter(parameter));
    for (const CUserPresetStore::Preset& preset : m_store.PresetsOf(effect.GetIdentifier())) {
        if (preset.values == values)
            return preset.name;
    }
    return "";
}
