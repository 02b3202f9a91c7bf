#pragma once

#include "project/CClip.h"

class ClipDocument;

// The clip that stands on an armed track while a take records: drawn in the
// recording look, silent, not editable, and growing as the take grows. It is
// never stored in a project file; when the take stops it makes way for the
// clip of the recorded file.
class CRecordingClip : public CClip {
public:
    CRecordingClip(ClipDocument& document, ClipKind kind);

    // The recorded length so far (reference milliseconds); the clip is
    // redrawn that long at the view's zoom.
    void SetRecordedMs(double lengthMs);

    CAudioAtom* GetEngineAtom() const override;
    double GetRate() const override { return 1.0; }
    // A recording has no material yet to trim, stretch or shape.
    void SetLoopToTrim() override {}
    void ResizeLeft(double, bool) override {}
    void StretchTo(double, double, double) override {}
    void SetAtomLength(double) override {}
    CEnvelope* GetEnvelopeByType(int32_t) override { return nullptr; }
    ClipDocument& GetDocument() const override { return m_document; }
    // Nothing of a take in progress is undone on its own.
    void BeginChange() override {}
    void EndChange() override {}
    // Written as nothing: the take's file becomes a clip when it stops.
    bool Save(CRIFF& riff) override { return SaveLoad::Save(riff); }
    bool Load(CRIFF&) override { return false; }

protected:
    ~CRecordingClip() override;

private:
    ClipDocument& m_document;
    CAudioAtom* m_atom;
};
