#include "engine/CSharedSoundFont.h"

#include "support/Log.h"

#include <fluidsynth.h>

#include <filesystem>
#include <map>

namespace {

// The fonts in use by path. An entry whose font has gone is replaced by the
// next load of that path.
std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::weak_ptr<CSharedSoundFont>>& Registry() {
    static std::map<std::string, std::weak_ptr<CSharedSoundFont>> fonts;
    return fonts;
}

// Two names of one file find the same font.
std::string KeyOf(const std::string& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

} // namespace

std::shared_ptr<CSharedSoundFont> CSharedSoundFont::Acquire(const std::string& path) {
    const std::string key = KeyOf(path);
    std::lock_guard<std::mutex> guard(RegistryMutex());
    std::weak_ptr<CSharedSoundFont>& entry = Registry()[key];
    if (std::shared_ptr<CSharedSoundFont> font = entry.lock())
        return font;
    std::shared_ptr<CSharedSoundFont> font(new CSharedSoundFont(path));
    if (!font->Load()) {
        Registry().erase(key);
        return nullptr;
    }
    entry = font;
    return font;
}

int CSharedSoundFont::LoadedCount() {
    std::lock_guard<std::mutex> guard(RegistryMutex());
    int count = 0;
    for (const auto& [key, font] : Registry())
        count += font.expired() ? 0 : 1;
    return count;
}

CSharedSoundFont::CSharedSoundFont(std::string path) : m_path(std::move(path)) {}

CSharedSoundFont::~CSharedSoundFont() {
    // Every synthesizer that played the font has been deleted: no voice and
    // no channel holds it any more, so its owner can free it.
    if (m_owner)
        delete_fluid_synth(m_owner);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

bool CSharedSoundFont::Load() {
    m_settings = new_fluid_settings();
    if (!m_settings) {
        Log("CSharedSoundFont::Load failed on new_fluid_settings() - returning false!");
        return false;
    }
    // The owner never plays: as few voices as it allows and no effects.
    fluid_settings_setint(m_settings, "synth.polyphony", 1);
    fluid_settings_setint(m_settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(m_settings, "synth.reverb.active", 0);
    fluid_settings_setint(m_settings, "synth.chorus.active", 0);
    m_owner = new_fluid_synth(m_settings);
    if (!m_owner) {
        Log("CSharedSoundFont::Load failed on new_fluid_synth() - returning false!");
        return false;
    }
    // Without a preset reset the owner's channels select nothing, so the
    // owner never changes the font's counts.
    const int id = fluid_synth_sfload(m_owner, m_path.c_str(), 0);
    if (id == FLUID_FAILED) {
        LogFmt("CSharedSoundFont::Load failed to load '%s' - returning false!", m_path.c_str());
        return false;
    }
    m_font = fluid_synth_get_sfont_by_id(m_owner, id);
    if (!m_font) {
        LogFmt("CSharedSoundFont::Load failed on fluid_synth_get_sfont_by_id() for '%s' - "
               "returning false!",
               m_path.c_str());
        return false;
    }
    LogFmt("CSharedSoundFont::Load - loaded '%s'", m_path.c_str());
    return true;
}

int CSharedSoundFont::AttachTo(_fluid_synth_t* synth) {
    if (!synth || !m_font)
        return -1;
    const int id = fluid_synth_add_sfont(synth, m_font);
    return id == FLUID_FAILED ? -1 : id;
}

void CSharedSoundFont::DetachFrom(_fluid_synth_t* synth) {
    if (synth && m_font)
        fluid_synth_remove_sfont(synth, m_font);
}
