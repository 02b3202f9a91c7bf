#pragma once

#include "project/KeyTempoClip.h"
#include "project/MarkerRecord.h"

#include <functional>
#include <optional>
#include <vector>

class CProjectMarkers;
struct ProjectPreferences;

// The key and tempo rule for the first sound: a clip that is the project's
// first with a key or tempo gives them to the start marker, asking first
// when the preferences say so. It decides only; the project applies the
// answer with its undo record.
class CFirstSoundKeyTempo {
public:
    // What the user is asked; true unless the answer was No. dontAskAgain
    // is set when the user wants the answer kept.
    using Question = std::function<bool(bool switchKey, int key, bool switchTempo, double tempo,
                                        bool& dontAskAgain)>;

    // The question goes to a message box unless another is set.
    CFirstSoundKeyTempo(const CProjectMarkers& markers, ProjectPreferences& prefs);
    void SetQuestion(Question question) { m_question = std::move(question); }

    // The start marker the clip gives the project, or none when nothing
    // changes. tracks: the project's clips; clip is among them. Unless
    // forced, an earlier marker or clip with a tempo (a key) keeps the
    // start marker's tempo (key).
    std::optional<MarkerRecord> NewStartMarker(const KeyTempoClip& clip,
                                               const std::vector<KeyTempoTrack>& tracks,
                                               bool allowKey, bool force);
    // The message box question of the program.
    static bool AskWithMessageBox(bool switchKey, int key, bool switchTempo, double tempo,
                                  bool& dontAskAgain);
    // A sound's tempo becomes the project's only when the tempo map can take it.
    static bool IsUsableTempo(double tempo);

private:
    bool Ask(bool switchKey, int key, bool switchTempo, double tempo);

    const CProjectMarkers& m_markers;
    ProjectPreferences& m_prefs;
    Question m_question = AskWithMessageBox;
};
