#pragma once

#include "engine/MidiNote.h"

#include <vector>

class PRNoteEdits;

// The quantize dialog's choices; the piano roll keeps the last ones so that
// the dialog reopens with them.
struct PRQuantizeSettings {
    // 0 leaves starts alone, 1..10 the snap level starts go to.
    int startLevel = 0;
    // 0 leaves ends alone, 1..10 the snap level ends go to.
    int lengthLevel = 0;
    // Percent of a start step every odd start line is delayed by, 1..100.
    int swing = 0;
    bool swingOn = false;
    bool selectionOnly = false;

    bool operator==(const PRQuantizeSettings&) const = default;
};

// Quantizes the notes of a clip as one undo step: the selected ones when
// the settings ask for the selection and there is one, else all of them.
// Each note changed makes room for itself among the notes of its pitch
// (selected ones too). Times are sound ms at the sound's own timing.
class PRQuantize {
public:
    // False when nothing was asked (both levels 0) or there is no sound.
    static bool Apply(PRNoteEdits& edits, const PRQuantizeSettings& settings,
                      const std::vector<MidiNotePtr>& selected);
};
