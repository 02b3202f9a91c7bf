#include "project/CAudioClipUndo.h"

#include "project/CAudioClip.h"
#include "project/ClipDocument.h"

CAudioClipUndo::CAudioClipUndo(ClipDocument& document, Kind kind, const AudioClipUndoStruct& before,
                               const AudioClipUndoStruct& after, CAudioClip* clip,
                               int32_t envelopeShiftMs)
    : m_document(document), m_kind(kind), m_before(before), m_after(after), m_clip(clip),
      m_envelopeShiftMs(envelopeShiftMs) {
    m_clip->AddRef();
}

CAudioClipUndo::CAudioClipUndo(const CAudioClipUndo& other)
    : CUndoAtom(other), m_document(other.m_document), m_kind(other.m_kind),
      m_before(other.m_before), m_after(other.m_after), m_clip(other.m_clip),
      m_envelopeShiftMs(other.m_envelopeShiftMs) {
    m_clip->AddRef();
}

CAudioClipUndo::~CAudioClipUndo() {
    m_clip->DeleteRefObject();
}

std::unique_ptr<CUndoAtom> CAudioClipUndo::Clone() const {
    return std::make_unique<CAudioClipUndo>(*this);
}

void CAudioClipUndo::Restore(bool redo) {
    switch (m_kind) {
    case kAdded:
        if (redo)
            m_clip->RestoreToUndoState(m_after, 0);
        else
            m_document.RemoveClip(*m_clip);
        break;
    case kRemoved:
        if (redo)
            m_document.RemoveClip(*m_clip);
        else
            m_clip->RestoreToUndoState(m_before, 0);
        break;
    case kChanged:
        m_clip->RestoreToUndoState(redo ? m_after : m_before,
                                   redo ? m_envelopeShiftMs : -m_envelopeShiftMs);
        break;
    }
}
