#pragma once

#include "engine/CSoundData.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// The lowest and highest sample of a stretch of audio.
struct PeakRange {
    float min = 0.0f;
    float max = 0.0f;
};

// Waveform peaks of a decoded sound for drawing: the minimum and maximum of
// every block of kBlockFrames frames per channel. Built once and kept in a
// peak file beside the decoded data, so that reopening a sound draws at once.
class CPeaks {
public:
    static constexpr int64_t kBlockFrames = 256;

    // Computes the peaks of the data.
    static std::shared_ptr<const CPeaks> Build(std::shared_ptr<const CSoundData> data);
    // The same peaks, computed on the first Block or Query: a sound that is
    // never drawn (a command-line render) is not read through for them.
    static std::shared_ptr<const CPeaks> OnDemand(std::shared_ptr<const CSoundData> data);
    // Reads the peak file when it belongs to this audio (same channels and
    // length, not older than the audio file); otherwise builds the peaks and
    // writes the file (through a temporary name). Empty paths only build.
    // Null when data is null.
    static std::shared_ptr<const CPeaks> LoadOrBuild(std::shared_ptr<const CSoundData> data,
                                                     const std::string& audioPath,
                                                     const std::string& peakPath);

    int Channels() const { return m_data->Channels(); }
    int64_t Frames() const { return m_data->Frames(); }
    int64_t Blocks() const { return m_blocks; }
    PeakRange Block(int channel, int64_t block) const;

    // The peaks of frames [startFrame, endFrame) of one channel spread over
    // pixels.size() pixels: pixel i covers its share of the range. Each value
    // is exact, taken from whole blocks where a pixel spans them and from the
    // samples elsewhere (so zooming in past one block per pixel still shows the
    // true wave). Parts outside the sound read as 0. False for a bad channel or
    // an empty range.
    bool Query(int channel, int64_t startFrame, int64_t endFrame,
               std::span<PeakRange> pixels) const;

private:
    explicit CPeaks(std::shared_ptr<const CSoundData> data);
    void Compute();
    void ComputeOnce() const;
    PeakRange BlockAt(int channel, int64_t block) const;
    bool Read(const std::string& path);
    bool Write(const std::string& path) const;
    PeakRange FromSamples(int channel, int64_t first, int64_t end) const;
    PeakRange Range(int channel, int64_t first, int64_t end) const;

    std::shared_ptr<const CSoundData> m_data;
    int64_t m_blocks = 0;
    std::vector<PeakRange> m_peaks; // block-major: [block * channels + channel]
    bool m_onDemand = false;
    mutable std::once_flag m_computed;
};
