#include "project/CRecordingClip.h"

#include "engine/CAudioAtom.h"

#include <algorithm>

namespace {

// Holds the recording's place and length on the timeline and plays nothing;
// the mixer passes over atoms that are not sounds.
class RecordingAtom : public CAudioAtom {
public:
    double Length() const override { return m_lengthMs; }
    void SetLength(double lengthMs) { m_lengthMs = lengthMs; }

private:
    double m_lengthMs = 0.0;
};

} // namespace

CRecordingClip::CRecordingClip(ClipDocument& document, ClipKind kind)
    : CClip(kind), m_document(document), m_atom(new RecordingAtom) {
    SetRecording(true);
}

CRecordingClip::~CRecordingClip() {
    CAudioAtom::DeleteAtom(m_atom);
}

CAudioAtom* CRecordingClip::GetEngineAtom() const {
    return m_atom;
}

void CRecordingClip::SetRecordedMs(double lengthMs) {
    static_cast<RecordingAtom*>(m_atom)->SetLength(std::max(0.0, lengthMs));
    FitToTiming();
    Invalidate(nullptr);
}
