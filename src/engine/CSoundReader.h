#pragma once

#include "engine/CSoundStream.h"
#include "engine/Realtime.h"
#include "engine/WaveFormat.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

class CPCMSound;
class CSoundData;

// Reads sounds ahead of the mixing routine, on a thread of its own: for each
// sound that may play within the next kStreamFrames of play order it keeps a
// stream (CSoundStream) filled ahead of the play position, so that the mixing
// routine only ever copies memory. The routine that mixes (the consumer) tells
// the reader where it plays and which sounds it will soon need; the reader
// takes a reference on those and lets go when they leave the window.
//
// A consumer that plays live never waits: a stream that is not filled in time
// is an underrun, counted, and the sound is silent for that block. A consumer
// that renders offline may wait for the reader instead (Read with wait set).
//
// Each reader owns one of the sounds' stream slots, so that playback and a
// render can stream the same sounds at different places.
class CSoundReader {
public:
    // How far ahead, in play order, each sound's stream is filled.
    static constexpr int64_t kStreamFrames = int64_t{4} * kMixerSampleRate;
    // How much Prefill reads before playback starts.
    static constexpr int64_t kPrefillFrames = kMixerSampleRate / 2;
    // Sounds one window may hold; further ones are not heard.
    static constexpr int kMaxWindowSounds = 1024;
    // Frames read from one sound in one step, so that every stream gets its
    // turn soon.
    static constexpr int64_t kReadStepFrames = 32768;
    // How much Refill reads on its caller's thread: a few blocks, enough for
    // the reader to go on from.
    static constexpr int64_t kRefillFrames = 4096;
    // How long an offline consumer waits for a stream before it gives up.
    static constexpr int kMaxWaitMs = 10000;
    // The streams of a render, which waits for the reader instead of playing
    // silence, need hold little: small streams stay in the processor's cache
    // between the reader's write and the mix's read.
    static constexpr int64_t kOfflineStreamFrames = 32768;

    // Each stream holds streamFrames (at least one block of the consumer's);
    // sounds join the window kStreamFrames ahead either way.
    explicit CSoundReader(int64_t streamFrames = kStreamFrames);
    ~CSoundReader();
    CSoundReader(const CSoundReader&) = delete;
    CSoundReader& operator=(const CSoundReader&) = delete;

    // True when a window starting at `sequence` of plan holds timeline frames
    // [start, start + frames).
    static bool InWindow(const StreamPlan& plan, int64_t sequence, int64_t start,
                         int64_t frames) LOOMTONE_REALTIME;

    // Consumer, with the mixer locked. Says where the consumer plays now.
    void SetPosition(const StreamPlan& plan, int64_t sequence) LOOMTONE_REALTIME;
    // Hands the reader the sounds of the window starting at the position: a
    // BeginWindow that gives true is followed by AddToWindow for each sound
    // and EndWindow. False when the reader has not taken the last window yet;
    // the consumer then goes on without telling it.
    bool BeginWindow() LOOMTONE_REALTIME;
    void AddToWindow(CPCMSound* sound) LOOMTONE_REALTIME;
    void EndWindow() LOOMTONE_REALTIME;
    // Copies the sound's frames from `sequence` on as interleaved stereo into
    // out. False, counted as an underrun, when its stream does not hold them.
    bool Read(CPCMSound& sound, const StreamStamp& stamp, int64_t sequence, int frames,
              float* out) LOOMTONE_REALTIME;

    // Offline consumers, which may wait: the same, waiting (up to kMaxWaitMs)
    // for the reader. WaitForWindowTaken makes sure that a window is handed
    // over at least every second of play order, or now when `now` is set.
    void WaitForWindowTaken(bool now = false);
    // True when the sound is not among the streams of the window the reader
    // took last (it joined the played group after that window was made).
    bool Unknown(CPCMSound& sound) const;
    // Wakes the reader to fill what the consumer's new position made room for.
    void Wake();
    // The frames are not copied: out tells where they lie in the sound's
    // stream (CSoundStream::View), and they stay there until the consumer's
    // next SetPosition.
    bool ViewWaiting(CPCMSound& sound, const StreamStamp& stamp, int64_t sequence, int frames,
                     CSoundStream::Frames& out);

    // GUI thread, before playback starts at plan's start, while the consumer
    // plays nothing (it neither reads nor sets the position): makes the given
    // sounds the window and fills kPrefillFrames of each. The mixer's lock is
    // not needed, and is best not held: this may take long.
    void Prefill(const StreamPlan& plan, const std::vector<CPCMSound*>& sounds);
    // Lets go of every sound (playback stopped).
    void Clear();
    // GUI thread, right after a sound of the window was placed elsewhere
    // (under the mixer's lock): fills the start of its stream at the new
    // place at once, so that the consumer finds the frames there at its next
    // block rather than after the reader's next round. The mixer's lock is
    // best not held. Nothing for a sound the window does not hold.
    void Refill(CPCMSound& sound);

    int64_t Underruns() const { return m_underruns.load(); }
    // Called on the reader thread before each round of reading; tests slow
    // the reader down with it.
    void SetReadHook(std::function<void()> hook);
    // Called by Prefill before it reads, on the thread that starts playback;
    // tests look at what that thread holds meanwhile.
    void SetPrefillHook(std::function<void()> hook);

private:
    struct Entry {
        std::unique_ptr<CSoundStream> stream;
        std::shared_ptr<const CSoundData> data; // what the stream was filled from
    };
    struct Position {
        StreamPlan plan;
        int64_t sequence = 0;
    };

    void Run();
    Position LoadPosition() const;
    void StorePosition(const StreamPlan& plan, int64_t sequence);
    // With m_mutex held.
    void TakeWindow();
    void SetWindow(CPCMSound* const* sounds, int count);
    void Release(CPCMSound* sound, Entry& entry);
    bool FillStep(Entry& entry, CPCMSound& sound, const Position& position, int64_t limit);
    // Offline consumer: waits up to one wait step for the reader to commit frames.
    void WaitForFrames();
    // Reader: frames were committed; a waiting consumer looks again.
    void TellFramesCommitted();
    void Produce(const StreamStamp& stamp, const CSoundData& data, int64_t sequence, int64_t frames,
                 float* out) const;

    int m_slot = -1;
    int64_t m_streamFrames;
    std::thread m_thread;
    std::mutex m_mutex; // the streams and the window; never taken by the mixing thread
    std::condition_variable m_wakeUp;
    bool m_stopping = false;
    std::unordered_map<CPCMSound*, Entry> m_entries;
    std::vector<std::unique_ptr<CSoundStream>> m_spareStreams;
    std::function<void()> m_hook;
    std::function<void()> m_prefillHook;

    // The consumer's position, written under the mixer's lock, read by the
    // reader: a version count that is odd while it changes.
    std::atomic<uint64_t> m_positionVersion{0};
    std::atomic<int64_t> m_planStart{0};
    std::atomic<bool> m_planLooping{false};
    std::atomic<int64_t> m_planLoopStart{0};
    std::atomic<int64_t> m_planLoopEnd{0};
    std::atomic<int64_t> m_sequence{0};

    // The window on its way from the consumer to the reader: filled while
    // m_windowReady is false, taken by the reader once it is true.
    std::array<CPCMSound*, kMaxWindowSounds> m_window{};
    int m_windowCount = 0;
    std::atomic<bool> m_windowReady{false};
    int64_t m_windowSequence = -1; // consumer: where the last window was handed over

    std::atomic<int64_t> m_underruns{0};

    // An offline consumer waiting for frames sleeps here until the reader has
    // committed more, rather than for a fixed time.
    std::mutex m_filledMutex;
    std::condition_variable m_filled;
    std::atomic<bool> m_consumerWaits{false};
};
