#include "engine/CInputRing.h"

#include <algorithm>

CInputRing::CInputRing(int64_t capacityFrames)
    : m_samples(static_cast<size_t>(std::max<int64_t>(capacityFrames, 1) * kChannels)),
      m_capacity(std::max<int64_t>(capacityFrames, 1)) {}

int64_t CInputRing::Write(const float* in, int frames, int channels) LOOMTONE_REALTIME {
    if (!in || frames <= 0 || channels <= 0)
        return 0;
    const int64_t written = m_written.load(std::memory_order_relaxed);
    const int64_t room = m_capacity - (written - m_read.load(std::memory_order_acquire));
    const int64_t taken = std::min<int64_t>(frames, room);
    for (int64_t frame = 0; frame < taken; ++frame) {
        const float* source = in + frame * channels;
        float* target =
            &m_samples[static_cast<size_t>(((written + frame) % m_capacity) * kChannels)];
        target[0] = source[0];
        target[1] = channels > 1 ? source[1] : source[0];
    }
    if (taken < frames)
        m_dropped.fetch_add(frames - taken, std::memory_order_relaxed);
    m_written.store(written + taken, std::memory_order_release);
    return taken;
}

int64_t CInputRing::Read(float* out, int64_t maxFrames) {
    const int64_t read = m_read.load(std::memory_order_relaxed);
    const int64_t count = std::min(maxFrames, m_written.load(std::memory_order_acquire) - read);
    for (int64_t frame = 0; frame < count; ++frame) {
        const float* source =
            &m_samples[static_cast<size_t>(((read + frame) % m_capacity) * kChannels)];
        out[frame * kChannels] = source[0];
        out[frame * kChannels + 1] = source[1];
    }
    m_read.store(read + std::max<int64_t>(count, 0), std::memory_order_release);
    return std::max<int64_t>(count, 0);
}

int64_t CInputRing::Skip(int64_t maxFrames) {
    const int64_t read = m_read.load(std::memory_order_relaxed);
    const int64_t available = m_written.load(std::memory_order_acquire) - read;
    const int64_t count = std::max<int64_t>(std::min(available, maxFrames), 0);
    m_read.store(read + count, std::memory_order_release);
    return count;
}

int64_t CInputRing::Available() const {
    return m_written.load(std::memory_order_acquire) - m_read.load(std::memory_order_acquire);
}

void CInputRing::Clear() {
    m_written = 0;
    m_read = 0;
    m_dropped = 0;
}
