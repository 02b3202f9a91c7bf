#pragma once

#include "engine/Realtime.h"

#include <cstdint>
#include <string>
#include <vector>

// A short sound played once over everything the mixer outputs: the sound the
// burn dialog makes when a burn ends, for example. It is added to the output
// after the mix, at its own level, whether or not the transport plays; a
// project render never hears it.
//
// The sound is decoded on the calling thread into stereo frames in memory
// (Decode); the mixer hands those frames over under its lock (Start), and the
// mixing thread, holding the lock, only copies samples out of them (MixInto).
// A sound that replaces one still playing frees the old frames on the thread
// that starts the new one, never on the mixing thread.
class COneShotPlayer {
public:
    // Longer files are refused: this is for cues, not for songs.
    static constexpr double kMaxSeconds = 30.0;
    // Nor is a file this large opened at all.
    static constexpr uintmax_t kMaxFileBytes = uintmax_t{64} << 20;

    // Decodes the sound file into interleaved stereo frames at the mixer's
    // rate (a mono sound on both sides). False with the reason when the file
    // cannot be read, holds no frames or is longer than kMaxSeconds or
    // kMaxFileBytes.
    static bool Decode(const std::string& path, std::vector<float>& stereo, std::string& reason);

    // Plays these frames from their start, in place of any sound still
    // playing. Mixer locked.
    void Start(std::vector<float> stereo);
    // Mixer locked.
    bool IsPlaying() const { return m_next < Frames(); }

    // Adds the next frames of the sound to out (interleaved stereo); once the
    // sound is through, adds nothing. Mixing thread, mixer locked.
    void MixInto(float* out, int frames) LOOMTONE_REALTIME;

private:
    int64_t Frames() const { return static_cast<int64_t>(m_stereo.size() / 2); }

    std::vector<float> m_stereo;
    int64_t m_next = 0;
};
