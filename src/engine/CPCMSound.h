#pragma once

#include "engine/CAudioAtom.h"
#include "engine/CClipAudioBuffer.h"
#include "engine/CSoundData.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>

class CSoundStream;

// A sound the mixer plays: decoded audio plus the clip's timing and playback
// settings.
//
// Timing, all in milliseconds as doubles:
// - AbsoluteOffset (from CAudioAtom): where the clip starts on the timeline.
// - Length: how long the clip lasts on the timeline.
// - GetVirtualTimeStart: the place in the played data heard at the clip's start.
// - GetLoopStart / GetLoopEnd: the window of the played data that repeats;
//   once playback reaches the loop end it continues at the loop start, so a
//   clip longer than its material repeats it. A loop end at or before the loop
//   start means no repeating: past the data's end the clip is silent.
// - DataLength: the length of the played data.
// "Played data" is the sound after its rate and pitch shift were applied, so
// these times are timeline times. Changing the rate does not rescale them: the
// caller sets the times it wants along with the rate.
//
// Loading and rate or pitch changes run on the calling (GUI) thread and swap
// the played data in under the atom's lock; the mixing thread only reads it
// while it holds that lock. The GUI changes envelopes under the mixer's or this
// atom's lock.
class CPCMSound : public CAudioAtom {
public:
    CPCMSound();
    // A whole copy: same data (shared), timing, envelopes, state.
    CPCMSound(const CPCMSound& other);
    // The part of other between two timeline times (clamped to its extent);
    // the copy starts at startMs and its envelopes move along.
    CPCMSound(const CPCMSound& other, double startMs, double endMs);
    CPCMSound& operator=(const CPCMSound&) = delete;

    // Decodes a sound file at the mixer's rate (through the sound loader's
    // cache) and takes its tempo information. False, logged, when it fails.
    bool EasyLoad(const std::string& path);
    // Takes decoded data directly (recordings, tests). The data's rate must be
    // the mixer's. The timing is reset to play the whole data once.
    bool SetSoundData(std::shared_ptr<const CSoundData> data, const std::string& path = "");
    bool HasData() const;
    const std::string& GetFilePath() const { return m_path; }

    double Length() const override { return m_lengthMs.load(std::memory_order_relaxed); }
    void SetVirtualLength(double ms);
    double GetVirtualTimeStart() const { return m_virtualStartMs.load(std::memory_order_relaxed); }
    void SetVirtualTimeStart(double ms);
    double GetLoopStart() const { return m_loopStartMs.load(std::memory_order_relaxed); }
    void SetLoopStart(double ms);
    double GetLoopEnd() const { return m_loopEndMs.load(std::memory_order_relaxed); }
    void SetLoopEnd(double ms);
    double DataLength() const;
    double GetMediaLength() const { return DataLength(); }
    int64_t DataFrames() const;

    // Playback speed: 2.0 plays twice as fast. Re-processes the data (same
    // pitch when the clip buffer's rate/pitch correction is on, else the pitch
    // follows the speed). False when the rate is outside 1/16..16 or the
    // processing fails; the sound is then unchanged.
    double Rate() const { return m_rate.load(std::memory_order_relaxed); }
    bool Rate(double rate);
    // Pitch shift in semitones (0 none, -48..48), and the correction switch.
    double PitchShift() const { return m_pitchShift.load(std::memory_order_relaxed); }
    bool SetPitchShift(double semitones, bool ratePitchCorrect);

    // From the file's analysis; 0 means not analysed / unknown.
    double GetSoundTempo() const { return m_tempo; }
    int GetSoundRootNote() const { return m_rootNote; }
    bool GetSoundHasRootNote() const { return m_rootNote > 0; }
    double GetBeatLengthMs() const { return m_beatLengthMs; }
    int GetBeatCount() const { return m_beatCount; }
    void SetTempoInfo(double tempo, int rootNote, double beatLengthMs, int beatCount);

    CClipAudioBuffer& GetClipAudioBuffer() { return m_clipBuffer; }
    CEnvelope* GetEnvelopeByType(int type) { return m_clipBuffer.GetEnvelope(type); }

    // Mixing thread, with the atom locked: the data to play, or null.
    const CSoundData* PlayData() const { return m_playData.get(); }
    // Any thread but the mixing one: the data to play, shared, so that the
    // sound reader keeps it alive while it reads from it.
    std::shared_ptr<const CSoundData> SharedPlayData() const { return m_sharedPlayData.load(); }

    // Each sound reader keeps this sound's stream in its own slot while the
    // sound may play soon; the mixing routine finds it there.
    static constexpr int kStreamSlots = 16;
    std::atomic<CSoundStream*>& StreamSlot(int slot) {
        return m_streams[static_cast<size_t>(slot)];
    }

protected:
    ~CPCMSound() override = default;

private:
    bool Reprocess(double rate, double semitones, bool ratePitchCorrect);
    double WrapIntoLoop(double ms) const;

    std::shared_ptr<const CSoundData> m_sourceData;                  // as decoded
    std::shared_ptr<const CSoundData> m_playData;                    // after rate and pitch
    std::atomic<std::shared_ptr<const CSoundData>> m_sharedPlayData; // the same, for readers
    std::array<std::atomic<CSoundStream*>, kStreamSlots> m_streams{};
    std::string m_path;
    std::atomic<double> m_virtualStartMs{0.0};
    std::atomic<double> m_lengthMs{0.0};
    std::atomic<double> m_loopStartMs{0.0};
    std::atomic<double> m_loopEndMs{0.0};
    std::atomic<double> m_rate{1.0};
    std::atomic<double> m_pitchShift{0.0};
    double m_tempo = 0.0;
    int m_rootNote = 0;
    double m_beatLengthMs = 0.0;
    int m_beatCount = 0;
    CClipAudioBuffer m_clipBuffer;
};
