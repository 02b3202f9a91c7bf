#pragma once

#include <cstdint>
#include <vector>

class CAudioAtom;
class CClipAudioBuffer;
class CPCMMixer;
class CPCMSound;
class CSoundData;

// The one routine that turns the mixer's state into output: every device, the
// null device and offline rendering call it through CPCMMixer::Mix.
//
// Real-time rules: it allocates nothing, does no file I/O and never waits. It
// only tries the mixer's lock (and each sound's); a block it cannot lock is
// silence, a sound it cannot lock is left out of that block. All scratch space
// is sized beforehand by Prepare, on the GUI thread.
class CMixRoutine {
public:
    // Output is produced in chunks of at most this many frames.
    static constexpr int kChunkFrames = 1024;
    // Envelopes and filter coefficients are taken anew every this many frames;
    // gains are interpolated in between.
    static constexpr int kSubBlockFrames = 32;

    CMixRoutine();

    // Sizes the track buses for trackCount tracks. GUI thread, mixer locked.
    void Prepare(int trackCount);
    // Forgets a click in progress (playback restarted). Mixer locked.
    void ResetClick();

    // Fills frames of interleaved stereo float output.
    void Render(CPCMMixer& mixer, float* out, int frames);

private:
    struct Segment {
        float* out;
        int frames;
        int64_t startFrame; // timeline frame of out[0]
    };

    void RenderChunk(CPCMMixer& mixer, float* out, int frames);
    void MixSegment(CPCMMixer& mixer, const Segment& segment);
    void MixAtom(CPCMMixer& mixer, CAudioAtom* atom, const Segment& segment);
    void MixSound(CPCMSound& sound, const Segment& segment, float* bus);
    void MixSoundSpan(CPCMSound& sound, const CSoundData& data, int64_t clipFrame, int frames,
                      float* bus);
    void ReadFrames(CPCMSound& sound, const CSoundData& data, int64_t clipFrame, int frames);
    void ApplyFilters(CClipAudioBuffer& buffer, double clipMs, int frames);
    void SumTracks(CPCMMixer& mixer, const Segment& segment);
    void MixMetronome(CPCMMixer& mixer, const Segment& segment);
    // Plays the sounding click into segment frames [from, to).
    void PlayClick(const Segment& segment, int from, int to, double volume);
    float* BusFor(CPCMMixer& mixer, int trackNumber);

    std::vector<float> m_trackBuses; // kChunkFrames stereo frames per track
    std::vector<char> m_busUsed;
    std::vector<float> m_masterBus;
    float m_scratch[kSubBlockFrames * 2];
    int m_trackCapacity = 0;

    CPCMSound* m_click = nullptr; // the click sounding now, or null
    int64_t m_clickFrame = 0;     // next frame of it to play
};
