#pragma once

#include <map>
#include <string>

// Copies the sound files of a project being saved "with its sounds" into
// one folder. Each source is copied once per save, under a name not yet
// taken there; a file already in the folder stays where it is. The peak,
// beat map and stretch companions in the temporary folder are copied along
// when they exist.
class CSoundTransfer {
public:
    CSoundTransfer(std::string targetFolder, bool transferSounds, bool transferLibrarySounds);

    // Whether a clip's sound is to be copied: plain sounds with the first
    // switch, sound library sounds with the second.
    bool Wants(bool fromSoundLibrary) const {
        return fromSoundLibrary ? m_transferLibrarySounds : m_transferSounds;
    }
    // Where the clip's record should say the sound is; "" when the copy failed.
    std::string Transfer(const std::string& source);

private:
    std::string m_targetFolder;
    bool m_transferSounds;
    bool m_transferLibrarySounds;
    std::map<std::string, std::string> m_copied;
};
