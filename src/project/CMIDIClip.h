#pragma once

#include "engine/CClipAudioBuffer.h"
#include "project/CClip.h"
#include "project/MidiClipUndoStruct.h"

class ClipDocument;
class CMidiSound;

// A clip of MIDI events played by its track's instrument. The events,
// controllers and timing live in the engine's CMidiSound (the atom); the
// clip adds its file record, undo snapshots and the working copy the piano
// roll edits.
//
// In a project file: a LIST "ClpM" holding "CpMD" and the engine's note
// data, followed by "Envl" with the clip's six envelopes.
class CMIDIClip : public CClip {
public:
    // The clip menu's details entry, which for MIDI material is its note editor.
    static constexpr int kMenuDetails = 1;

    // An empty clip, for loading.
    explicit CMIDIClip(ClipDocument& document);
    // Takes over the caller's reference on the atom.
    CMIDIClip(ClipDocument& document, CMidiSound* atom);
    // A whole copy (unselected), or the material between two times.
    CMIDIClip(const CMIDIClip& other);
    CMIDIClip(const CMIDIClip& other, double startMs, double endMs);

    CMidiSound* GetAtom() const { return m_atom; }

    CAudioAtom* GetEngineAtom() const override;
    double GetOffsetMs() const override;
    // MIDI material has no beat offset of its own.
    int32_t GetBeatOffset() const override { return 0; }
    double GetRate() const override;
    void SetRate(double rate, bool undoable);
    int32_t GetTranspose() const;
    void SetTranspose(int32_t semitones, bool undoable);
    double GetLoopStart() const;
    double GetLoopEnd() const;
    void SetLoop(double startMs, double endMs, bool undoable);
    void SetLoopToTrim() override;
    // Offsets count in material time, which runs at the rate against the
    // timeline.
    void ResizeLeft(double deltaMs, bool undoable) override;
    void SetAtomLength(double lengthMs) override;
    void StretchTo(double startMs, double lengthMs, double rate) override;
    CEnvelope* GetEnvelopeByType(int32_t type) override { return m_envelopes.GetEnvelope(type); }
    ClipDocument& GetDocument() const override { return m_document; }
    // The panel, and over it the notes as small bars: time across (repeating
    // with the loop), pitch up, the clip's pitch range filling its height.
    void OnDraw(const GuiRect& r) override;

    void BeginChange() override;
    void EndChange() override;
    // False without an atom.
    bool FillUndoStruct(MidiClipUndoStruct* state) const;
    bool RestoreToUndoState(const MidiClipUndoStruct& state, int32_t envelopeShiftMs);

    // The piano roll's working copy of the atom; null when not editing.
    void BeginEditCopy();
    void EndEditCopy();
    CMidiSound* GetEditCopy() const { return m_editCopy; }
    // Set when undo or redo changed the clip while a working copy exists.
    bool IsEditCopyStale() const { return m_editCopyStale; }

    CClipAudioBuffer& Envelopes() { return m_envelopes; }

    // The release that ends a double click asks for the note editor.
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;

    bool Save(CRIFF& riff) override;
    bool Load(CRIFF& riff) override;

protected:
    ~CMIDIClip() override;
    bool OffersMenuItem(int index) const override;
    std::string MenuLabelKey(int index) const override;
    // The details entry opens the note editor.
    bool DoesMenuItemItself(int index) const override;
    void DoMenuItemItself(int index) override;

private:
    void AttachAtom(CMidiSound* atom);

    ClipDocument& m_document;
    CMidiSound* m_atom = nullptr;
    CMidiSound* m_editCopy = nullptr;
    bool m_editCopyStale = false;
    MidiClipUndoStruct m_undoBefore;
    // The automation envelopes; MIDI atoms keep none in the engine.
    CClipAudioBuffer m_envelopes;
};
