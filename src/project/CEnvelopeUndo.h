#pragma once

#include "engine/CEnvelope.h"
#include "support/CUndoAtom.h"
#include "support/RefPtr.h"

#include <cstdint>
#include <memory>
#include <vector>

class CClip;
class ClipDocument;

// One envelope of a clip changed as a whole (an envelope function, a
// normalize): its points before and after. Holds a reference on the clip,
// which owns the envelope.
class CEnvelopeUndo : public CUndoAtom {
public:
    CEnvelopeUndo(ClipDocument& document, CClip* clip, int32_t envelopeType,
                  std::vector<EnvelopePoint> before, std::vector<EnvelopePoint> after);
    CEnvelopeUndo(const CEnvelopeUndo& other);
    CEnvelopeUndo& operator=(const CEnvelopeUndo&) = delete;
    ~CEnvelopeUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    ClipDocument& m_document;
    RefPtr<CClip> m_clip;
    int32_t m_envelopeType;
    std::vector<EnvelopePoint> m_before;
    std::vector<EnvelopePoint> m_after;
};
