#include "project/CEnvelopeUndo.h"

#include "project/CClip.h"
#include "project/CEnvelopeFunctions.h"
#include "project/CMixerLock.h"
#include "project/ClipDocument.h"

#include <utility>

CEnvelopeUndo::CEnvelopeUndo(ClipDocument& document, CClip* clip, int32_t envelopeType,
                             std::vector<EnvelopePoint> before, std::vector<EnvelopePoint> after)
    : m_document(document), m_clip(RefPtr<CClip>::Share(clip)), m_envelopeType(envelopeType),
      m_before(std::move(before)), m_after(std::move(after)) {}

CEnvelopeUndo::CEnvelopeUndo(const CEnvelopeUndo&) = default;

CEnvelopeUndo::~CEnvelopeUndo() = default;

std::unique_ptr<CUndoAtom> CEnvelopeUndo::Clone() const {
    return std::make_unique<CEnvelopeUndo>(*this);
}

void CEnvelopeUndo::Restore(bool redo) {
    CEnvelope* envelope = m_clip->GetEnvelopeByType(m_envelopeType);
    if (!envelope)
        return;
    {
        CMixerLock lock(m_document.ClipMixer());
        CEnvelopeFunctions::SetPoints(*envelope, redo ? m_after : m_before);
    }
    m_clip->Invalidate(nullptr);
}
