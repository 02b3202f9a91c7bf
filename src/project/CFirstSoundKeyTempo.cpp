#include "project/CFirstSoundKeyTempo.h"

#include "engine/TempoMap.h"
#include "gui/MessageBoxes.h"
#include "project/CProjectMarkers.h"
#include "project/ProjectPreferences.h"

#include <cmath>

CFirstSoundKeyTempo::CFirstSoundKeyTempo(const CProjectMarkers& markers, ProjectPreferences& prefs)
    : m_markers(markers), m_prefs(prefs) {}

bool CFirstSoundKeyTempo::IsUsableTempo(double tempo) {
    TempoEvent event;
    event.tempo = tempo;
    event.tempoChange = true;
    return tempo > 0 && TempoMap::IsValidEvent(event);
}

std::optional<MarkerRecord> CFirstSoundKeyTempo::NewStartMarker(
    const KeyTempoClip& clip, const std::vector<KeyTempoTrack>& tracks, bool allowKey, bool force) {
    const double tempo = clip.GetClipTempo();
    const int key = clip.GetClipKey();
    const bool knowsTempo = IsUsableTempo(tempo);
    const bool knowsKey = allowKey && TempoMap::IsValidKey(key);
    if (!m_prefs.bSwitchKeyTempoOnFirstSound || (!knowsTempo && !knowsKey))
        return std::nullopt;
    bool earlierTempo = false;
    bool earlierKey = false;
    if (!force) {
        for (int index = 1; index < m_markers.Count(); ++index) {
            earlierTempo = earlierTempo || m_markers.At(index).tempoEvent.tempoChange;
            earlierKey = earlierKey || (allowKey && m_markers.At(index).tempoEvent.keyChange);
        }
        for (const KeyTempoTrack& track : tracks) {
            for (const KeyTempoClip* other : track.clips) {
                if (track.frozen || other == &clip)
                    continue;
                earlierTempo = earlierTempo || other->GetClipTempo() > 0;
                earlierKey = earlierKey || (allowKey && TempoMap::IsValidKey(other->GetClipKey()));
            }
        }
        if (earlierTempo && earlierKey)
            return std::nullopt;
    }
    MarkerRecord start = m_markers.At(0);
    const bool switchTempo = !earlierTempo && knowsTempo && tempo != start.tempoEvent.tempo;
    const bool switchKey = !earlierKey && knowsKey && key != start.tempoEvent.key;
    if (m_prefs.bAskToSwitchKeyTempoOnFirstSound && !Ask(switchKey, key, switchTempo, tempo))
        return std::nullopt;
    if (!switchTempo && !switchKey)
        return std::nullopt;
    if (switchTempo) {
        start.tempoEvent.tempo = tempo;
        start.tempoEvent.tempoChange = true;
    }
    if (switchKey) {
        start.tempoEvent.key = key;
        start.tempoEvent.keyChange = true;
    }
    return start;
}

bool CFirstSoundKeyTempo::Ask(bool switchKey, int key, bool switchTempo, double tempo) {
    bool dontAskAgain = false;
    const bool yes = m_question(switchKey, key, switchTempo, tempo, dontAskAgain);
    if (dontAskAgain) {
        m_prefs.bSwitchKeyTempoOnFirstSound = yes;
        m_prefs.bAskToSwitchKeyTempoOnFirstSound = false;
    }
    return yes;
}

bool CFirstSoundKeyTempo::AskWithMessageBox(bool switchKey, int key, bool switchTempo, double tempo,
                                            bool& dontAskAgain) {
    const int rounded = static_cast<int>(std::lround(tempo));
    const char* keyName = switchKey ? TempoMap::GetKeyStr(key) : "";
    const uint32_t flags = MB_YESNO | MB_ICONQUESTION;
    int answer = IDNO;
    if (switchKey && switchTempo)
        answer = AskWithDontAskAgain("Quest_AutoBothSwitch_Title", &dontAskAgain,
                                     "Quest_AutoBothSwitch_Body", flags, keyName, rounded);
    else if (switchKey)
        answer = AskWithDontAskAgain("Quest_AutoKeySwitch_Title", &dontAskAgain,
                                     "Quest_AutoKeySwitch_Body", flags, keyName);
    else if (switchTempo)
        answer = AskWithDontAskAgain("Quest_AutoTempoSwitch_Title", &dontAskAgain,
                                     "Quest_AutoTempoSwitch_Body", flags, rounded);
    return answer != IDNO;
}
