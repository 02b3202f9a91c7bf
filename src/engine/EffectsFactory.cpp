#include "engine/EffectsFactory.h"

#include "engine/CChorusEffect.h"
#include "engine/CCompressorEffect.h"
#include "engine/CDelayEffect.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CGainEffect.h"
#include "engine/CReverbEffect.h"
#include "support/Log.h"

#include <algorithm>

namespace {

template <typename Effect> void AddBuiltIn(EffectsFactory& factory, const char* name) {
    factory.RegisterEffect({Effect::kID, name, EffectGroup::BuiltIn, false},
                           [] { return std::make_unique<Effect>(); });
}

} // namespace

EffectsFactory* EffectsFactory::GetInstance() {
    static EffectsFactory instance;
    return &instance;
}

EffectsFactory::EffectsFactory() {
    RegisterBuiltIns();
}

void EffectsFactory::RegisterBuiltIns() {
    AddBuiltIn<CGainEffect>(*this, "Gain");
    AddBuiltIn<CEqualizerEffect>(*this, "Equalizer");
    AddBuiltIn<CCompressorEffect>(*this, "Compressor");
    AddBuiltIn<CDelayEffect>(*this, "Delay");
    AddBuiltIn<CReverbEffect>(*this, "Reverb");
    AddBuiltIn<CChorusEffect>(*this, "Chorus");
}

const EffectsFactory::Entry* EffectsFactory::Find(const EffectID& id) const {
    for (const Entry& entry : m_entries) {
        if (entry.description.id == id)
            return &entry;
    }
    return nullptr;
}

void EffectsFactory::SetLateRegistration(std::function<void()> registerLate) {
    std::lock_guard guard(m_mutex);
    m_registerLate = std::move(registerLate);
}

void EffectsFactory::RegisterLate() const {
    std::function<void()> registerLate;
    {
        std::lock_guard guard(m_mutex);
        registerLate = m_registerLate;
    }
    if (registerLate)
        registerLate();
}

std::unique_ptr<CAudioEffect> EffectsFactory::LoadEffect(const EffectID& id) const {
    if (!IsKnown(id)) {
        LogFmt("EffectsFactory::LoadEffect - unknown effect '%s'", EffectIDToText(id).c_str());
        return nullptr;
    }
    Creator creator;
    {
        std::lock_guard guard(m_mutex);
        creator = Find(id)->creator;
    }
    return creator();
}

std::vector<EffectDescription> EffectsFactory::GetAvailableEffects() const {
    RegisterLate();
    std::lock_guard guard(m_mutex);
    std::vector<EffectDescription> list;
    list.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        list.push_back(entry.description);
    return list;
}

bool EffectsFactory::IsKnown(const EffectID& id) const {
    {
        std::lock_guard guard(m_mutex);
        if (Find(id))
            return true;
    }
    RegisterLate();
    std::lock_guard guard(m_mutex);
    return Find(id) != nullptr;
}

bool EffectsFactory::RegisterEffect(const EffectDescription& description, Creator creator) {
    const bool allZero = std::all_of(description.id.begin(), description.id.end(),
                                     [](uint8_t byte) { return byte == 0; });
    std::lock_guard guard(m_mutex);
    if (allZero || !creator || Find(description.id)) {
        LogFmt("EffectsFactory::RegisterEffect - refused '%s' - returning false!",
               EffectIDToText(description.id).c_str());
        return false;
    }
    m_entries.push_back({description, std::move(creator)});
    return true;
}
