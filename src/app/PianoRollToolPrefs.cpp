#include "app/PianoRollToolPrefs.h"

#include "app/CPrefs.h"

#include <algorithm>

PRToolSettings PianoRollToolPrefs::Read(const CPrefs& prefs) {
    PRToolSettings settings;
    settings.tool = static_cast<PRTool>(std::clamp(prefs.toolMode, 0, 2));
    settings.length.type = prefs.defaultNoteLength;
    settings.length.triplet = prefs.bTripletModifierOn;
    settings.length.dotted = prefs.bDottedModifierOn;
    settings.velocity = prefs.defaultVelocity;
    settings.snapLevel = prefs.snapLevel;
    return settings;
}

void PianoRollToolPrefs::Write(const PRToolSettings& settings, CPrefs& prefs) {
    prefs.toolMode = static_cast<int32_t>(settings.tool);
    // A custom length (taken from a clicked note) is no length type: the
    // remembered type stays.
    if (settings.customLengthMs <= 0.0)
        prefs.defaultNoteLength = settings.length.type;
    prefs.bTripletModifierOn = settings.length.triplet;
    prefs.bDottedModifierOn = settings.length.dotted;
    prefs.defaultVelocity = settings.velocity;
    prefs.snapLevel = settings.snapLevel;
}
