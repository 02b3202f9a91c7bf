#pragma once

#include <string>
#include <vector>

class CEffectChain;

// The stored instrument presets: one folder of preset groups (its
// sub-folders), each holding preset files named after the preset with the
// extension ".ltip". A preset file is a RIFF file of form "LtIP" with a
// header chunk "IPhd" (u32 version, 1) and two effect chain bodies: the
// instrument chain ("EisL") and the instrument effects chain ("Eifx").
//
// Group and preset names are single path elements: not empty, shorter than
// 260 bytes, without '/', '\' or control characters, and not "." or "..".
// GUI thread only.
class InstPresetManager {
public:
    static constexpr const char* kExtension = "ltip";

    // Uses the folder (which must exist) from now on. False, with the
    // manager left uninitialised, when it does not.
    bool Init(const std::string& folder);
    bool IsInitialized() const { return !m_folder.empty(); }
    // The folder, ending in '/'; "" before a successful Init.
    const std::string& GetFolder() const { return m_folder; }

    // Group names, sorted; empty before Init.
    std::vector<std::string> GetGroups() const;
    // Preset names of a group (file names without the extension), sorted.
    std::vector<std::string> GetPresets(const std::string& group) const;

    // Reads the preset into the two chains. Both change or neither: a
    // missing, damaged or hostile file leaves both as they were.
    bool LoadPreset(const std::string& group, const std::string& name,
                    CEffectChain* instrumentChain, CEffectChain* effectsChain) const;
    // Writes (or overwrites) the preset, creating its group folder. The file
    // is written under a temporary name first and then renamed, so a failed
    // save never leaves half a preset behind.
    bool SavePreset(const std::string& group, const std::string& name,
                    const CEffectChain& instrumentChain, const CEffectChain& effectsChain) const;

    // Where that preset's file lies; "" when a name is not valid or before Init.
    std::string PresetPath(const std::string& group, const std::string& name) const;
    static bool IsValidName(const std::string& name);

private:
    static constexpr unsigned kFileVersion = 1;

    bool ReadBodies(const std::string& path, std::vector<uint8_t>& instrumentBody,
                    std::vector<uint8_t>& effectsBody) const;
    bool WriteFile(const std::string& path, const CEffectChain& instrumentChain,
                   const CEffectChain& effectsChain) const;

    std::string m_folder;
};
