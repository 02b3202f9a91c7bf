#include "pianoroll/CControllerUndo.h"

#include "engine/CMidiSound.h"
#include "pianoroll/PRControllerEdits.h"
#include "pianoroll/PRNotifications.h"
#include "project/CMIDIClip.h"

#include <utility>

CControllerUndo::CControllerUndo(CMIDIClip& clip, int controller,
                                 std::vector<MidiControllerEvent> removed,
                                 std::vector<MidiControllerEvent> added)
    : m_clip(clip), m_controller(controller), m_removed(std::move(removed)),
      m_added(std::move(added)) {
    m_clip.AddRef();
}

CControllerUndo::CControllerUndo(const CControllerUndo& other)
    : CUndoAtom(other), m_clip(other.m_clip), m_controller(other.m_controller),
      m_removed(other.m_removed), m_added(other.m_added) {
    m_clip.AddRef();
}

CControllerUndo::~CControllerUndo() {
    m_clip.DeleteRefObject();
}

std::unique_ptr<CUndoAtom> CControllerUndo::Clone() const {
    return std::make_unique<CControllerUndo>(*this);
}

void CControllerUndo::Restore(bool redo) {
    if (redo)
        Replace(m_removed, m_added);
    else
        Replace(m_added, m_removed);
    m_clip.SendNotification(kNotifyControllersRestored, &m_clip);
    m_clip.Invalidate(nullptr);
}

void CControllerUndo::GetDescription(std::string& out) const {
    out = "draw controller";
}

void CControllerUndo::Replace(const std::vector<MidiControllerEvent>& out,
                              const std::vector<MidiControllerEvent>& in) {
    CMidiSound* sound = m_clip.GetAtom();
    if (!sound)
        return;
    sound->Lock();
    for (const MidiControllerEvent& event : out)
        PRControllerEdits::ApplyRemove(m_clip, m_controller, event);
    for (const MidiControllerEvent& event : in)
        PRControllerEdits::ApplyAdd(m_clip, m_controller, event);
    sound->Unlock();
}
