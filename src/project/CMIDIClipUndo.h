#pragma once

#include "project/MidiClipUndoStruct.h"
#include "support/CUndoAtom.h"

#include <cstdint>
#include <memory>

class CMIDIClip;
class ClipDocument;

// A MIDI clip added to, removed from or changed on a track. Holds a
// reference on the clip, so a removed clip lives while the record can put
// it back.
class CMIDIClipUndo : public CUndoAtom {
public:
    enum Kind : int32_t { kAdded = 0, kRemoved = 1, kChanged = 2 };

    CMIDIClipUndo(ClipDocument& document, Kind kind, const MidiClipUndoStruct& before,
                  const MidiClipUndoStruct& after, CMIDIClip* clip, int32_t envelopeShiftMs);
    CMIDIClipUndo(const CMIDIClipUndo& other);
    CMIDIClipUndo& operator=(const CMIDIClipUndo&) = delete;
    ~CMIDIClipUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    ClipDocument& m_document;
    Kind m_kind;
    MidiClipUndoStruct m_before;
    MidiClipUndoStruct m_after;
    CMIDIClip* m_clip;
    int32_t m_envelopeShiftMs;
};
