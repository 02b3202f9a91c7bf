#pragma once

#include "pianoroll/PRControllerLane.h"

#include <string>
#include <vector>

class CMidiSound;

// One entry of the lane choice list: its text, the lane it chooses (none for
// the separator) and whether the sound has events for it.
struct PRControllerChoice {
    std::string text;
    bool separator = false;
    PRControllerLane lane;
    bool hasEvents = false;
};

// The entries of the controller lane's choice list for a sound: the two
// velocity lanes, program change, channel pressure and pitch bend, a
// separator, then the MIDI controllers that have a name or that the sound
// uses, as "(number) name". Typed text is read back into a lane.
class PRControllerChoices {
public:
    explicit PRControllerChoices(const CMidiSound* sound);

    const std::vector<PRControllerChoice>& Entries() const { return m_entries; }
    // The text that shows a lane.
    std::string TextOf(const PRControllerLane& lane) const;
    // The lane a text names: a number below 128 at its first digit chooses
    // that controller; otherwise an entry's exact text. False when neither.
    bool Parse(const std::string& text, PRControllerLane& lane) const;

private:
    std::vector<PRControllerChoice> m_entries;
};
