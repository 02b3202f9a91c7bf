#include "engine/CSoundStream.h"

#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundData.h"

#include <algorithm>
#include <cstring>
#include <limits>

StreamPlan StreamPlan::Make(int64_t start, bool loopOn, int64_t loopStart, int64_t loopEnd) {
    StreamPlan plan;
    plan.start = start;
    plan.looping = loopOn && loopEnd > loopStart && start < loopEnd;
    if (plan.looping) {
        plan.loopStart = loopStart;
        plan.loopEnd = loopEnd;
    }
    return plan;
}

int64_t StreamPlan::TimelineFrame(int64_t sequence) const LOOMTONE_REALTIME {
    const int64_t straight = start + sequence;
    if (!looping || straight < loopEnd)
        return straight;
    return loopStart + (straight - loopEnd) % (loopEnd - loopStart);
}

int64_t StreamPlan::FramesBeforeWrap(int64_t sequence) const LOOMTONE_REALTIME {
    if (!looping)
        return std::numeric_limits<int64_t>::max();
    return loopEnd - TimelineFrame(sequence);
}

StreamStamp StreamStamp::Of(const StreamPlan& plan, const CPCMSound& sound,
                            const CSoundData* data) LOOMTONE_REALTIME {
    StreamStamp stamp;
    stamp.plan = plan;
    stamp.soundStart = CPCMMixer::FramesOf(sound.HeardOffset());
    stamp.soundFrames = CPCMMixer::FramesOf(sound.Length());
    stamp.virtualStart = CPCMMixer::FramesOf(sound.GetVirtualTimeStart());
    stamp.loopStart = CPCMMixer::FramesOf(sound.GetLoopStart());
    stamp.loopEnd = CPCMMixer::FramesOf(sound.GetLoopEnd());
    stamp.data = data;
    stamp.dataGeneration = data ? data->Generation() : 0;
    return stamp;
}

CSoundStream::CSoundStream(int64_t capacityFrames)
    : m_frames(static_cast<size_t>(std::max<int64_t>(capacityFrames, 1)) * 2, 0.0f),
      m_capacity(std::max<int64_t>(capacityFrames, 1)) {}

bool CSoundStream::Read(const StreamStamp& stamp, int64_t sequence, int frames,
                        float* out) const LOOMTONE_REALTIME {
    const uint64_t version = m_version.load(std::memory_order_acquire);
    if ((version & 1) != 0 || frames <= 0 || frames > m_capacity)
        return false;
    if (!(m_stamp == stamp))
        return false;
    const int64_t end = m_end.load(std::memory_order_acquire);
    if (sequence < m_begin.load(std::memory_order_acquire) || sequence + frames > end)
        return false;
    int64_t slot = sequence % m_capacity;
    int done = 0;
    while (done < frames) {
        const int piece = static_cast<int>(std::min<int64_t>(frames - done, m_capacity - slot));
        std::memcpy(out + static_cast<size_t>(done) * 2, m_frames.data() + slot * 2,
                    static_cast<size_t>(piece) * 2 * sizeof(float));
        done += piece;
        slot = 0;
    }
    // A restart or an overwrite while copying makes the copy worthless.
    std::atomic_thread_fence(std::memory_order_acquire);
    return m_version.load(std::memory_order_relaxed) == version &&
           sequence >= m_begin.load(std::memory_order_relaxed);
}

bool CSoundStream::View(const StreamStamp& stamp, int64_t sequence, int frames, Frames& out) const {
    const uint64_t version = m_version.load(std::memory_order_acquire);
    if ((version & 1) != 0 || frames <= 0 || frames > m_capacity || !(m_stamp == stamp))
        return false;
    if (sequence < m_begin.load(std::memory_order_acquire) ||
        sequence + frames > m_end.load(std::memory_order_acquire))
        return false;
    const int64_t slot = sequence % m_capacity;
    out.first = m_frames.data() + slot * 2;
    out.firstFrames = static_cast<int>(std::min<int64_t>(frames, m_capacity - slot));
    out.second = m_frames.data();
    std::atomic_thread_fence(std::memory_order_acquire);
    return m_version.load(std::memory_order_relaxed) == version;
}

void CSoundStream::Restart(const StreamStamp& stamp, int64_t sequence) {
    const uint64_t version = m_version.load(std::memory_order_relaxed);
    m_version.store(version + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_stamp = stamp;
    m_begin.store(sequence, std::memory_order_relaxed);
    m_end.store(sequence, std::memory_order_relaxed);
    m_version.store(version + 2, std::memory_order_release);
}

float* CSoundStream::PrepareWrite(int64_t frames) {
    // The frames about to be overwritten stop counting as held first.
    const int64_t end = End() + frames;
    if (end - Begin() > m_capacity)
        m_begin.store(end - m_capacity, std::memory_order_release);
    std::atomic_thread_fence(std::memory_order_release);
    return m_frames.data() + (End() % m_capacity) * 2;
}

int64_t CSoundStream::ContiguousRoom() const {
    return m_capacity - End() % m_capacity;
}

void CSoundStream::Commit(int64_t frames) {
    m_end.store(End() + frames, std::memory_order_release);
}
