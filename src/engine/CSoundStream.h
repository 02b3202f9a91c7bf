#pragma once

#include "engine/Realtime.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CPCMSound;
class CSoundData;

// The order in which timeline frames are played from a start: straight on, or
// round the transport loop. A frame's place in that order is its sequence
// frame; sequence frame 0 is the start.
struct StreamPlan {
    int64_t start = 0;
    bool looping = false; // wraps from loopEnd to loopStart
    int64_t loopStart = 0;
    int64_t loopEnd = 0;

    // Playing from start with the transport loop as given. The loop only
    // counts when it is on, not empty and still ahead of start.
    static StreamPlan Make(int64_t start, bool loopOn, int64_t loopStart, int64_t loopEnd);
    // The timeline frame heard at a sequence frame.
    int64_t TimelineFrame(int64_t sequence) const LOOMTONE_REALTIME;
    // How many frames from that sequence frame on run without a wrap.
    int64_t FramesBeforeWrap(int64_t sequence) const LOOMTONE_REALTIME;
    bool SameLoop(const StreamPlan& other) const {
        return looping == other.looping && loopStart == other.loopStart && loopEnd == other.loopEnd;
    }
    bool operator==(const StreamPlan&) const = default;
};

// What a sound's stream was filled for: the play order and every setting of
// the sound that decides which of its frames is heard when. Frames in the
// mixer's rate; the loop and virtual start are in the played data.
struct StreamStamp {
    StreamPlan plan;
    int64_t soundStart = 0;  // timeline frame of the clip's start
    int64_t soundFrames = 0; // the clip's length on the timeline
    int64_t virtualStart = 0;
    int64_t loopStart = 0;
    int64_t loopEnd = 0;
    const CSoundData* data = nullptr;
    uint32_t dataGeneration = 0;

    static StreamStamp Of(const StreamPlan& plan, const CPCMSound& sound,
                          const CSoundData* data) LOOMTONE_REALTIME;
    bool operator==(const StreamStamp&) const = default;
};

// One sound's frames in play order, as interleaved stereo float at the
// mixer's rate, filled ahead of the play position by the sound reader and
// read by the mixing routine. One thread fills it at a time (the reader holds
// its own lock for that); the mixing thread reads it without waiting: a
// version count tells it when the stream was restarted under it, and a read
// that cannot be served whole fails instead (an underrun).
class CSoundStream {
public:
    explicit CSoundStream(int64_t capacityFrames);
    CSoundStream(const CSoundStream&) = delete;
    CSoundStream& operator=(const CSoundStream&) = delete;

    int64_t Capacity() const { return m_capacity; }

    // Mixing thread: copies frames from sequence frame `sequence` on into out
    // when the stream holds all of them for this stamp; false otherwise.
    bool Read(const StreamStamp& stamp, int64_t sequence, int frames,
              float* out) const LOOMTONE_REALTIME;

    // Frames where they lie in the stream: the first piece, and where the
    // ring wraps inside them, the rest from the ring's start.
    struct Frames {
        const float* first = nullptr;
        int firstFrames = 0;
        const float* second = nullptr;
    };
    // A consumer that waits for the filler (an offline render): where the
    // frames from `sequence` on lie, when the stream holds all of them for
    // this stamp; false otherwise. They can be mixed without a copy because
    // the filler never fills further than Capacity() past the consumer's
    // position: the frames stay put until the consumer moves on. Only a
    // restart (the source changed on disk) can overwrite them meanwhile, and
    // then only with frames of the same sound, inside the stream.
    bool View(const StreamStamp& stamp, int64_t sequence, int frames, Frames& out) const;

    // Filling thread. Drops everything and starts over at `sequence`.
    void Restart(const StreamStamp& stamp, int64_t sequence);
    const StreamStamp& Stamp() const { return m_stamp; }
    int64_t Begin() const { return m_begin.load(std::memory_order_relaxed); }
    int64_t End() const { return m_end.load(std::memory_order_relaxed); }
    // How many frames from End() on fit in one piece.
    int64_t ContiguousRoom() const;
    // Where the next `frames` frames (at most ContiguousRoom()) go; the frames
    // they overwrite, Capacity() earlier, stop being held. The caller makes
    // sure the mixing thread no longer needs those.
    float* PrepareWrite(int64_t frames);
    // Publishes the frames written at PrepareWrite().
    void Commit(int64_t frames);

private:
    std::vector<float> m_frames;
    int64_t m_capacity;
    std::atomic<uint64_t> m_version{0}; // odd while the stamp changes
    StreamStamp m_stamp;
    std::atomic<int64_t> m_begin{0}; // first sequence frame held
    std::atomic<int64_t> m_end{0};   // one past the last
};
