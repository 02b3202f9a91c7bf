#include "pianoroll/PRQuantize.h"

#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRQuantizeRule.h"
#include "support/CUndoStep.h"

bool PRQuantize::Apply(PRNoteEdits& edits, const PRQuantizeSettings& settings,
                       const std::vector<MidiNotePtr>& selected) {
    CMidiSound* sound = edits.Sound();
    if (!sound || (settings.startLevel == 0 && settings.lengthLevel == 0))
        return false;
    const PRNoteTiming timing = PRNoteTiming::ForSound(sound);
    const PRQuantizeRule rule(timing, settings.startLevel, settings.swingOn ? settings.swing : 0,
                              settings.lengthLevel);
    CUndoStep step(edits.Undo());
    sound->Lock();
    const std::vector<MidiNotePtr> notes =
        settings.selectionOnly && !selected.empty() ? selected : edits.Notes();
    for (const MidiNotePtr& note : notes) {
        // An earlier note's room-making may have removed this one.
        if (sound->NoteIndex(note.get()) < 0)
            continue;
        const PRNoteSpan span = rule.Apply({note->GetStart(), note->GetEnd()});
        TMidiSndNoteData data = note->GetNoteData();
        data.start = span.startMs;
        data.end = span.endMs;
        if (edits.ChangeNote(note, data))
            edits.ResolveOverlaps(note);
    }
    sound->Unlock();
    return true;
}
