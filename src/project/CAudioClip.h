#pragma once

#include "project/AudioClipUndoStruct.h"
#include "project/CClip.h"

#include <memory>
#include <string>

class ClipDocument;
class CPCMSound;
class CPeaks;
struct AudioClipRecord;

// A clip that plays a sound file. The decoded sound, its timing, rate and
// envelopes live in the engine's CPCMSound (the atom); the clip finds the
// file on load, writes the project-file record ("ClpA" and "Envl"), takes
// undo snapshots, keeps tempo, key and fades, and draws the waveform.
class CAudioClip : public CClip {
public:
    explicit CAudioClip(ClipDocument& document);
    // A whole copy (unselected), or the part between two timeline times.
    CAudioClip(const CAudioClip& other);
    CAudioClip(const CAudioClip& other, double startMs, double endMs);

    // Opens and decodes a sound file; the clip takes its name from the file
    // (without the extension) and covers the whole sound.
    bool LoadFromFile(const std::string& path, bool obeyTempoMap);
    CPCMSound* GetAtom() const { return m_atom; }
    std::string GetFilePath() const;

    double GetStartMs() const override;
    double GetLengthMs() const override;
    double GetOffsetMs() const override;
    double GetMediaLengthMs() const;
    bool IsMuted() const override;
    void SetMuted(bool muted, bool undoable) override;
    double GetRate() const;
    void SetRate(double rate, bool undoable);
    double GetTempo() const { return m_tempo; }
    double GetLoopStart() const;
    double GetLoopEnd() const;
    void SetLoop(double startMs, double endMs, bool undoable);
    // Loops exactly the part of the sound the clip shows; records nothing
    // when the loop is already that.
    void SetLoopToTrim();
    // Moves the left edge by deltaMs of timeline (the offset into the sound
    // with it), or sets the length from the start; never below 40 ms.
    void ResizeLeft(double deltaMs, bool undoable);
    void ResizeRight(double lengthMs, bool undoable);
    void SetFadeInMs(int32_t ms) override;
    void SetFadeOutMs(int32_t ms) override;

    void BeginChange() override;
    void EndChange() override;
    bool FillUndoStruct(AudioClipUndoStruct* state) const;
    bool RestoreToUndoState(const AudioClipUndoStruct& state, int32_t envelopeShiftMs);

    bool Save(CRIFF& riff) override;
    bool Load(CRIFF& riff) override;

    void OnDraw(const GuiRect& r) override;

protected:
    ~CAudioClip() override;

private:
    void AttachAtom(CPCMSound* atom);
    bool TryFile(const std::string& path, bool obeyTempoMap);
    bool FindAndLoadSound(const AudioClipRecord& record, bool obeyTempoMap);
    void DrawWaveform(const GuiRect& r);

    std::shared_ptr<const CPeaks> m_peaks;

    ClipDocument& m_document;
    CPCMSound* m_atom = nullptr;
    double m_tempo = 0.0;
    bool m_obeyTempoMap = false;
    bool m_obeyKeyMap = false;
    bool m_forceTempo = false;
    double m_forcedTempo = 0.0;
    bool m_forceKey = false;
    int32_t m_forcedKey = 0;
    AudioClipUndoStruct m_undoBefore;
};
