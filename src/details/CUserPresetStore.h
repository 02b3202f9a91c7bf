#pragma once

#include "engine/CAudioEffect.h"

#include <string>
#include <vector>

// The presets a user saved, kept per effect type in one file of the user's
// data folder. A preset holds the effect's parameter values in parameter
// order.
//
// The file is text, one preset a line after a heading line:
//     Loomtone effect presets 1
//     <effect identifier, 32 hex digits> <value count> <values...> <name>
// The name runs to the end of the line. Every write replaces the whole file
// through a temporary file, so that a crash never leaves it half written.
// Reading takes nothing on trust: a line that is damaged is left out with a
// log line, and a file that is not a preset file (or is far too large) gives
// an empty store; its contents are kept in the backup by the next write.
class CUserPresetStore {
public:
    static constexpr const char* kHeading = "Loomtone effect presets 1";
    static constexpr size_t kMaxNameBytes = 255;
    static constexpr size_t kMaxValues = 256;
    static constexpr size_t kMaxFileBytes = 4u << 20;

    struct Preset {
        std::string name;
        std::vector<float> values;
        bool operator==(const Preset&) const = default;
    };

    explicit CUserPresetStore(std::string path);

    // "<user data folder>/effect-presets.txt".
    static std::string DefaultPath();

    // Reads the file. A missing file is an empty store (true); false when the
    // file was damaged (the log says how) and not all of it could be taken.
    bool Load();
    const std::string& Path() const { return m_path; }

    // The effect type's presets, in the order they were first saved.
    std::vector<Preset> PresetsOf(const EffectID& id) const;
    // Null when the effect type has no preset of that name.
    const Preset* Find(const EffectID& id, const std::string& name) const;

    // Adds the preset, or gives the one of that name the new values, and
    // writes the file. False (the store as it was) for an empty or too long
    // name, a value that is not finite, or a file that cannot be written.
    bool Save(const EffectID& id, const std::string& name, const std::vector<float>& values);
    // False when there is no such preset or the file cannot be written.
    bool Remove(const EffectID& id, const std::string& name);

    // Whether the text is a name the store takes.
    static bool IsValidName(const std::string& name);

private:
    struct Entry {
        EffectID id;
        Preset preset;
    };

    bool ParseLine(const std::string& line, Entry& entry) const;
    std::string Text() const;
    bool Write() const;
    std::vector<Entry>::iterator FindEntry(const EffectID& id, const std::string& name);

    std::string m_path;
    std::vector<Entry> m_entries;
};
