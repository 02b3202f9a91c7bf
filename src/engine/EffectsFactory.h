#pragma once

#include "engine/CAudioEffect.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The families an effect belongs to, in the order the effect list shows them.
enum class EffectGroup { BuiltIn = 0, Vst = 1, DirectX = 2 };

// What the effect list shows for one effect the factory can make.
struct EffectDescription {
    EffectID id{};
    std::string name;
    EffectGroup group = EffectGroup::BuiltIn;
    bool isInstrument = false;
};

// Makes effects and instruments by identifier. The one instance knows the
// built-in effects from the start; other effects and instruments (the
// General MIDI instrument) are registered by their own code at start-up.
// All operations may be called from any thread except the audio thread.
class EffectsFactory {
public:
    using Creator = std::function<std::unique_ptr<CAudioEffect>()>;

    static EffectsFactory* GetInstance();

    // A new effect of that identifier, not yet prepared; null when the
    // identifier is unknown.
    std::unique_ptr<CAudioEffect> LoadEffect(const EffectID& id) const;
    // Every effect in registration order (built-in ones first).
    std::vector<EffectDescription> GetAvailableEffects() const;
    bool IsKnown(const EffectID& id) const;

    // Adds an effect type; false (and nothing changes) when the identifier is
    // all zero, already taken, or the creator is empty.
    bool RegisterEffect(const EffectDescription& description, Creator creator);
    // Effects that are slow to find (the installed plug-ins) are registered
    // only when an answer could need them: registerLate is called before the
    // effect list is given and when an identifier is not known. It must be
    // safe to call more than once and from any thread, and register each
    // effect only the first time.
    void SetLateRegistration(std::function<void()> registerLate);

private:
    struct Entry {
        EffectDescription description;
        Creator creator;
    };

    EffectsFactory();
    void RegisterBuiltIns();
    const Entry* Find(const EffectID& id) const;
    // Called without m_mutex held: registerLate registers through it.
    void RegisterLate() const;

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::function<void()> m_registerLate;
};
