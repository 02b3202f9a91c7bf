#include "pianoroll/CSelRectUndo.h"

#include "pianoroll/PRNotifications.h"
#include "project/CMIDIClip.h"

CSelRectUndo::CSelRectUndo(CMIDIClip& clip, const PRBandSpan& band) : m_clip(clip), m_band(band) {
    m_clip.AddRef();
}

CSelRectUndo::CSelRectUndo(const CSelRectUndo& other)
    : CUndoAtom(other), m_clip(other.m_clip), m_band(other.m_band) {
    m_clip.AddRef();
}

CSelRectUndo::~CSelRectUndo() {
    m_clip.DeleteRefObject();
}

std::unique_ptr<CUndoAtom> CSelRectUndo::Clone() const {
    return std::make_unique<CSelRectUndo>(*this);
}

void CSelRectUndo::Restore(bool redo) {
    Notify<kNotifyRubberBandRestored>(m_clip, redo ? nullptr : &m_band);
}

void CSelRectUndo::GetDescription(std::string& out) const {
    out = "selection rectangle";
}
