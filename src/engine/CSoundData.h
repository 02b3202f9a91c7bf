#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Decoded audio ready to mix: interleaved 32-bit float frames at the mixer's
// rate. Immutable once made, so the audio thread reads it without a lock; a
// sound swaps in a new CSoundData (through a shared_ptr) when its rate or pitch
// changes. The samples are either held in memory or mapped from a cache file.
class CSoundData {
public:
    // Holds the given samples in memory. interleaved.size() must be a multiple
    // of channels; channels is 1 or 2.
    static std::shared_ptr<const CSoundData> FromSamples(std::vector<float> interleaved,
                                                         int channels, int rate);
    // Maps a raw float cache file read-only. Null when it cannot be mapped or
    // its size is not a whole number of frames.
    static std::shared_ptr<const CSoundData> MapFile(const std::string& path, int channels,
                                                     int rate);
    ~CSoundData();
    CSoundData(const CSoundData&) = delete;
    CSoundData& operator=(const CSoundData&) = delete;

    const float* Samples() const { return m_samples; }
    int64_t Frames() const { return m_frames; }
    int Channels() const { return m_channels; }
    int Rate() const { return m_rate; }
    double LengthMs() const { return m_rate > 0 ? m_frames * 1000.0 / m_rate : 0.0; }

    // Copies count frames from `frame` on into out as interleaved stereo (a
    // mono sound on both sides); frames outside the data are silence. Not for
    // the audio thread: the frames may have to come from a file.
    void ReadStereo(int64_t frame, int64_t count, float* out) const;

private:
    CSoundData() = default;

    std::vector<float> m_owned;
    void* m_mapping = nullptr;
    size_t m_mappingSize = 0;
    const float* m_samples = nullptr;
    int64_t m_frames = 0;
    int m_channels = 0;
    int m_rate = 0;
};
