#include "pianoroll/PRNoteEdits.h"

#include "engine/CMidiSound.h"
#include "pianoroll/CPianoRollUndo.h"
#include "pianoroll/PROverlapRule.h"
#include "project/CMIDIClip.h"
#include "support/CUndoMgr.h"

#include <algorithm>

namespace {

// Holds a sound's lock for a scope; the copy's too when there is one.
class SoundLock {
public:
    explicit SoundLock(CMidiSound* sound) : m_sound(sound) {
        if (m_sound)
            m_sound->Lock();
    }
    ~SoundLock() {
        if (m_sound)
            m_sound->Unlock();
    }
    SoundLock(const SoundLock&) = delete;
    SoundLock& operator=(const SoundLock&) = delete;

private:
    CMidiSound* m_sound;
};

bool Contains(const std::vector<MidiNotePtr>& notes, const MidiNotePtr& note) {
    return std::find(notes.begin(), notes.end(), note) != notes.end();
}

} // namespace

PRNoteEdits::PRNoteEdits(CMIDIClip& clip, CUndoMgr& undo) : m_clip(clip), m_undo(undo) {}

CMidiSound* PRNoteEdits::Sound() const {
    return m_clip.GetAtom();
}

std::vector<MidiNotePtr> PRNoteEdits::Notes() const {
    std::vector<MidiNotePtr> notes;
    CMidiSound* sound = Sound();
    if (!sound)
        return notes;
    SoundLock lock(sound);
    notes.reserve(static_cast<size_t>(sound->NumNotes()));
    for (int i = 0; i < sound->NumNotes(); ++i)
        notes.push_back(sound->GetNote(i));
    return notes;
}

MidiNotePtr PRNoteEdits::AddNote(const TMidiSndNoteData& data) {
    CMidiSound* sound = Sound();
    if (!sound)
        return nullptr;
    SoundLock lock(sound);
    int index = -1;
    if (!ApplyAdd(m_clip, data, &index))
        return nullptr;
    MidiNotePtr note = sound->GetNote(index);
    if (note)
        Record(CPianoRollUndo::kAdd, index, data, note->GetNoteData());
    return note;
}

bool PRNoteEdits::ChangeNote(const MidiNotePtr& note, const TMidiSndNoteData& data) {
    CMidiSound* sound = Sound();
    if (!sound || !note)
        return false;
    SoundLock lock(sound);
    const int index = sound->NoteIndex(note.get());
    if (index < 0)
        return false;
    const TMidiSndNoteData before = note->GetNoteData();
    if (before == data)
        return true;
    int newIndex = -1;
    if (!ApplyChange(m_clip, index, data, &newIndex))
        return false;
    Record(CPianoRollUndo::kChange, newIndex, before, note->GetNoteData());
    return true;
}

bool PRNoteEdits::DeleteNote(const MidiNotePtr& note) {
    CMidiSound* sound = Sound();
    if (!sound || !note)
        return false;
    SoundLock lock(sound);
    const int index = sound->NoteIndex(note.get());
    if (index < 0)
        return false;
    const TMidiSndNoteData before = note->GetNoteData();
    if (!ApplyRemove(m_clip, index))
        return false;
    Record(CPianoRollUndo::kRemove, index, before, before);
    return true;
}

void PRNoteEdits::ResolveOverlaps(const MidiNotePtr& note,
                                  const std::vector<MidiNotePtr>& untouchable) {
    CMidiSound* sound = Sound();
    if (!sound || !note || !note->IsValid())
        return;
    SoundLock lock(sound);
    const double s = note->GetStart();
    const double e = note->GetEnd();
    for (const MidiNotePtr& other : Notes()) {
        if (other == note || other->GetPitch() != note->GetPitch() || Contains(untouchable, other))
            continue;
        const PROverlapAction action =
            PROverlapRule::Resolve(s, e, other->GetStart(), other->GetEnd());
        TMidiSndNoteData data = other->GetNoteData();
        switch (action.kind) {
        case PROverlapAction::kKeep:
            break;
        case PROverlapAction::kDelete:
            DeleteNote(other);
            break;
        case PROverlapAction::kSetEnd:
            data.end = action.ms;
            ChangeNote(other, data);
            break;
        case PROverlapAction::kSetStart:
            data.start = action.ms;
            ChangeNote(other, data);
            break;
        }
    }
}

void PRNoteEdits::Record(int kind, int index, const TMidiSndNoteData& before,
                         const TMidiSndNoteData& after) {
    m_undo.AddUndoNode(
        CPianoRollUndo(m_clip, static_cast<CPianoRollUndo::Kind>(kind), index, before, after));
}

bool PRNoteEdits::ApplyAdd(CMIDIClip& clip, const TMidiSndNoteData& data, int* index) {
    CMidiSound* sound = clip.GetAtom();
    if (!sound)
        return false;
    SoundLock lock(sound);
    int at = -1;
    if (!sound->AddMidiNote(data, &at))
        return false;
    if (CMidiSound* copy = clip.GetEditCopy())
        copy->AddMidiNote(data, nullptr);
    if (index)
        *index = at;
    return true;
}

bool PRNoteEdits::ApplyRemove(CMIDIClip& clip, int index) {
    CMidiSound* sound = clip.GetAtom();
    if (!sound || !sound->RemoveMidiNote(index))
        return false;
    if (CMidiSound* copy = clip.GetEditCopy())
        copy->RemoveMidiNote(index);
    return true;
}

bool PRNoteEdits::ApplyChange(CMIDIClip& clip, int index, const TMidiSndNoteData& data,
                              int* newIndex) {
    CMidiSound* sound = clip.GetAtom();
    if (!sound)
        return false;
    SoundLock lock(sound);
    MidiNotePtr note = sound->GetNote(index);
    if (!note || !note->SetNoteData(data, newIndex))
        return false;
    if (CMidiSound* copy = clip.GetEditCopy())
        if (MidiNotePtr twin = copy->GetNote(index))
            twin->SetNoteData(data, nullptr);
    return true;
}

int PRNoteEdits::FindNote(const CMidiSound& sound, const TMidiSndNoteData& data, int hint) {
    const MidiNotePtr hinted = sound.GetNote(hint);
    if (hinted && hinted->GetNoteData() == data)
        return hint;
    for (int i = 0; i < sound.NumNotes(); ++i)
        if (sound.GetNote(i)->GetNoteData() == data)
            return i;
    return -1;
}
