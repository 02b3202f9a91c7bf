#pragma once

#include "project/AudioClipUndoStruct.h"
#include "support/CUndoAtom.h"

#include <cstdint>
#include <memory>

class CAudioClip;
class ClipDocument;

// An audio clip added to, removed from or changed on a track. Holds a
// reference on the clip, so a removed clip lives while the record can put
// it back.
class CAudioClipUndo : public CUndoAtom {
public:
    enum Kind : int32_t { kAdded = 0, kRemoved = 1, kChanged = 2 };

    CAudioClipUndo(ClipDocument& document, Kind kind, const AudioClipUndoStruct& before,
                   const AudioClipUndoStruct& after, CAudioClip* clip, int32_t envelopeShiftMs);
    CAudioClipUndo(const CAudioClipUndo& other);
    CAudioClipUndo& operator=(const CAudioClipUndo&) = delete;
    ~CAudioClipUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    ClipDocument& m_document;
    Kind m_kind;
    AudioClipUndoStruct m_before;
    AudioClipUndoStruct m_after;
    CAudioClip* m_clip;
    int32_t m_envelopeShiftMs;
};
