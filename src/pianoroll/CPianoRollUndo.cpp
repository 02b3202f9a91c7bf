#include "pianoroll/CPianoRollUndo.h"

#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNotifications.h"
#include "project/CMIDIClip.h"

CPianoRollUndo::CPianoRollUndo(CMIDIClip& clip, Kind kind, int index,
                               const TMidiSndNoteData& before, const TMidiSndNoteData& after)
    : m_clip(clip), m_kind(kind), m_index(index), m_before(before), m_after(after) {
    m_clip.AddRef();
}

CPianoRollUndo::CPianoRollUndo(const CPianoRollUndo& other)
    : CUndoAtom(other), m_clip(other.m_clip), m_kind(other.m_kind), m_index(other.m_index),
      m_before(other.m_before), m_after(other.m_after) {
    m_clip.AddRef();
}

CPianoRollUndo::~CPianoRollUndo() {
    m_clip.DeleteRefObject();
}

std::unique_ptr<CUndoAtom> CPianoRollUndo::Clone() const {
    return std::make_unique<CPianoRollUndo>(*this);
}

void CPianoRollUndo::Restore(bool redo) {
    switch (m_kind) {
    case kAdd:
        if (redo)
            Insert(m_after);
        else
            Remove(m_after);
        break;
    case kRemove:
        if (redo)
            Remove(m_before);
        else
            Insert(m_before);
        break;
    case kChange:
        if (redo)
            Replace(m_before, m_after);
        else
            Replace(m_after, m_before);
        break;
    }
    m_clip.SendNotification(kNotifyNotesRestored, &m_clip);
    m_clip.Invalidate(nullptr);
}

void CPianoRollUndo::GetDescription(std::string& out) const {
    static const char* const kNames[] = {"add note", "remove note", "change note"};
    out = kNames[m_kind];
}

void CPianoRollUndo::Insert(const TMidiSndNoteData& data) {
    PRNoteEdits::ApplyAdd(m_clip, data, nullptr);
}

void CPianoRollUndo::Remove(const TMidiSndNoteData& data) {
    const CMidiSound* sound = m_clip.GetAtom();
    if (!sound)
        return;
    const int index = PRNoteEdits::FindNote(*sound, data, m_index);
    if (index >= 0)
        PRNoteEdits::ApplyRemove(m_clip, index);
}

void CPianoRollUndo::Replace(const TMidiSndNoteData& from, const TMidiSndNoteData& to) {
    const CMidiSound* sound = m_clip.GetAtom();
    if (!sound)
        return;
    const int index = PRNoteEdits::FindNote(*sound, from, m_index);
    if (index >= 0)
        PRNoteEdits::ApplyChange(m_clip, index, to, nullptr);
}
