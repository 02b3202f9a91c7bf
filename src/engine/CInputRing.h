#pragma once

#include "engine/Realtime.h"

#include <atomic>
#include <cstdint>
#include <vector>

// Frames coming in from an input device, on their way from the device
// callback (the one writer) to the recording's file writer (the one reader).
// The memory is allocated once; a full ring drops what does not fit and
// counts it, so that the callback never waits.
class CInputRing {
public:
    // Frames are kept as stereo; a mono input fills both channels.
    static constexpr int kChannels = 2;

    explicit CInputRing(int64_t capacityFrames);
    CInputRing(const CInputRing&) = delete;
    CInputRing& operator=(const CInputRing&) = delete;

    // Device thread. in holds frames of `channels` interleaved samples; the
    // first two channels are kept. Returns the frames taken.
    int64_t Write(const float* in, int frames, int channels) LOOMTONE_REALTIME;
    // Reader thread: moves up to maxFrames stereo frames to out.
    int64_t Read(float* out, int64_t maxFrames);
    // Reader thread: passes over up to maxFrames frames, the oldest first.
    int64_t Skip(int64_t maxFrames);
    int64_t Available() const;
    int64_t CapacityFrames() const { return m_capacity; }
    // Frames dropped because the reader fell behind.
    int64_t DroppedFrames() const { return m_dropped.load(); }
    // Only while neither side runs.
    void Clear();

private:
    std::vector<float> m_samples;
    int64_t m_capacity;
    std::atomic<int64_t> m_written{0};
    std::atomic<int64_t> m_read{0};
    std::atomic<int64_t> m_dropped{0};
};
