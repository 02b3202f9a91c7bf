#pragma once

#include "project/ClipDocument.h"
#include "support/CUndoAtom.h"
#include "support/RefPtr.h"

#include <cstdint>
#include <memory>

// A clip added to, removed from or changed on a track, for either kind of
// clip with its own snapshot type. Holds a reference on the clip, so a
// removed clip lives while the record can put it back.
template <class Clip, class Snapshot> class CClipUndo : public CUndoAtom {
public:
    enum Kind : int32_t { kAdded = 0, kRemoved = 1, kChanged = 2 };

    CClipUndo(ClipDocument& document, Kind kind, const Snapshot& before, const Snapshot& after,
              Clip* clip, int32_t envelopeShiftMs)
        : m_document(document), m_kind(kind), m_before(before), m_after(after),
          m_clip(RefPtr<Clip>::Share(clip)), m_envelopeShiftMs(envelopeShiftMs) {}
    CClipUndo(const CClipUndo&) = default;
    CClipUndo& operator=(const CClipUndo&) = delete;

    std::unique_ptr<CUndoAtom> Clone() const override { return std::make_unique<CClipUndo>(*this); }

    void Restore(bool redo) override {
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

private:
    ClipDocument& m_document;
    Kind m_kind;
    Snapshot m_before;
    Snapshot m_after;
    RefPtr<Clip> m_clip;
    int32_t m_envelopeShiftMs;
};
