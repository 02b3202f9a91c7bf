#pragma once

#include "project/AudioClipUndoStruct.h"
#include "project/CClip.h"
#include "project/CWaveformColumns.h"
#include "project/KeyTempoClip.h"

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
class CAudioClip : public CClip, public KeyTempoClip {
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

    CAudioAtom* GetEngineAtom() const override;
    double GetOffsetMs() const override;
    double GetMediaLengthMs() const;
    double GetRate() const override;
    // Plays the sound faster (above 1) or slower; the clip keeps its place
    // and length, and its offset, loop and envelopes follow the material.
    void SetRate(double rate, bool undoable);
    // The first beat from the clip's start: 0 when the loop starts after
    // it; during a drag of the left edge it follows the edge.
    int32_t GetBeatOffset() const override;
    double GetTempo() const { return m_tempo; }
    // The tempo the sound file's analysis found; 0 when none.
    double GetSoundTempo() const;
    // Forces the clip's tempo (the sound's own is replaced).
    void SetTempo(double bpm, bool undoable);
    bool GetObeyTempoMap() const { return m_obeyTempoMap; }
    void SetObeyTempoMap(bool obey, bool undoable);
    // The clip's key: the MIDI note of its root (0 when not known).
    int32_t GetKey() const { return GetKeyRoot(); }
    void SetKey(int32_t rootNote, bool undoable);
    bool GetObeyKeyMap() const { return m_obeyKeyMap; }
    void SetObeyKeyMap(bool obey, bool undoable);
    // Pitch shift in semitones.
    double GetPitchShift() const;
    void SetPitchShift(double semitones, bool undoable);
    // Whether a rate change keeps the pitch.
    bool GetPitchRateCorrect() const;
    void SetPitchRateCorrect(bool correct, bool undoable);
    // Plays the sound at the rate and pitch that match the project's tempo
    // and key at the clip's start, as far as the clip follows them. The
    // clip keeps its number of beats: its length changes with the rate.
    void FollowTempoAndKey(bool undoable);

    // The first-sound key and tempo rule and automatic beat matching. The
    // tempo and key come from the sound file's own analysis (its tags).
    double GetClipTempo() const override { return m_tempo; }
    int GetClipKey() const override;
    bool IsBeingRecorded() const override { return IsRecording(); }
    bool IsSoundAnalysed() const override { return GetSoundTempo() > 0; }
    // Follows the project's tempo from now on, when the sound's tempo is
    // known; false when it is not.
    bool BeatMatchFromAnalysis() override;
    double GetLoopStart() const;
    double GetLoopEnd() const;
    void SetLoop(double startMs, double endMs, bool undoable);
    // Loops exactly the part of the sound the clip shows; records nothing
    // when the loop is already that.
    void SetLoopToTrim() override;
    void ResizeLeft(double deltaMs, bool undoable) override;
    void SetAtomLength(double lengthMs) override;
    void StretchTo(double startMs, double lengthMs, double rate) override;
    CEnvelope* GetEnvelopeByType(int32_t type) override;
    ClipDocument& GetDocument() const override { return m_document; }
    // Scales the volume envelope so that the loudest sample the clip plays
    // reaches full scale; one undo step. Silence is left alone.
    void Normalize();
    // Moves the edges in to the first and last sound louder than
    // kSilenceThreshold; one undo step. All silence is left alone.
    void TrimSilence();
    // -60 dB: quieter than this counts as silence.
    static constexpr double kSilenceThreshold = 0.001;
    void SetFadeInMs(int32_t ms) override;
    void SetFadeOutMs(int32_t ms) override;

    void BeginChange() override;
    void EndChange() override;
    bool FillUndoStruct(AudioClipUndoStruct* state) const;
    bool RestoreToUndoState(const AudioClipUndoStruct& state, int32_t envelopeShiftMs);

    // Its "ClpA" record and "Envl" envelopes.
    std::optional<std::vector<RawChunk>> MakeFileChunks() override;
    bool Save(CRIFF& riff) override;
    bool Load(CRIFF& riff) override;
    // Reads a sound of a legacy session (the reader inside its LIST "sndc").
    // Only the sound's file is known of those records: the clip plays the
    // whole sound from the start of the timeline.
    bool LegacyLoad(CRIFF& riff) override;

    void OnDraw(const GuiRect& r) override;
    // The hovered zone's tip; for a sound that is played only as far as its
    // damaged file holds, what is wrong with it first.
    bool GetToolTip(GuiPoint p, std::string& text) override;
    // What is wrong with the sound's file; empty for a file in order.
    const std::string& GetSoundDamage() const { return m_soundDamage; }

protected:
    ~CAudioClip() override;
    bool OffersMenuItem(int index) const override;
    bool DoesMenuItemItself(int index) const override;
    void DoMenuItemItself(int index) override;

private:
    void AttachAtom(CPCMSound* atom);
    bool TryFile(const std::string& path, bool obeyTempoMap);
    bool FindAndLoadSound(const AudioClipRecord& record, bool obeyTempoMap);
    bool FindLegacySound(const std::string& path, bool obeyTempoMap);
    // Asks the missing-sound search for the file and loads what it gives;
    // found tells whether it gave a location.
    bool TryToFindFile(const std::string& path, bool obeyTempoMap, bool& found);
    void DrawWaveform(const GuiRect& r);
    // Changes the rate and rescales the timing and envelopes, which count
    // in played (rate-processed) time, to the new material. False when the
    // engine refused the rate.
    bool ChangeRate(double rate);
    void FollowTempo();
    void FollowKey();

    std::shared_ptr<const CPeaks> m_peaks;
    CWaveformColumns m_waveform;

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
    std::string m_soundDamage;
};
