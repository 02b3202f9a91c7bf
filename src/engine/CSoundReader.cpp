#include "engine/CSoundReader.h"

#include "engine/CAudioAtom.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundData.h"
#include "support/Log.h"

#include <algorithm>
#include <chrono>

namespace {

// Which stream slots of the sounds belong to a reader.
std::atomic<uint32_t> g_slotsInUse{0};

int ClaimSlot() {
    uint32_t used = g_slotsInUse.load();
    for (;;) {
        int slot = 0;
        while (slot < CPCMSound::kStreamSlots && (used & (1u << slot)) != 0)
            ++slot;
        if (slot == CPCMSound::kStreamSlots)
            return -1;
        if (g_slotsInUse.compare_exchange_weak(used, used | (1u << slot)))
            return slot;
    }
}

void FreeSlot(int slot) {
    if (slot >= 0)
        g_slotsInUse.fetch_and(~(1u << slot));
}

constexpr auto kBusyPoll = std::chrono::milliseconds(2);
constexpr auto kIdlePoll = std::chrono::milliseconds(20);
constexpr auto kWaitStep = std::chrono::microseconds(100);
constexpr int kWaitSteps = CSoundReader::kMaxWaitMs * 10;

} // namespace

CSoundReader::CSoundReader(int64_t streamFrames)
    : m_slot(ClaimSlot()), m_streamFrames(streamFrames) {
    if (m_slot < 0)
        Log("CSoundReader - every stream slot is taken: this reader streams nothing");
    m_thread = std::thread(&CSoundReader::Run, this);
}

CSoundReader::~CSoundReader() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wakeUp.notify_all();
    m_thread.join();
    Clear();
    if (m_windowReady.load()) {
        for (int index = 0; index < m_windowCount; ++index)
            CAudioAtom::DeleteAtom(m_window[static_cast<size_t>(index)]);
    }
    FreeSlot(m_slot);
}

bool CSoundReader::InWindow(const StreamPlan& plan, int64_t sequence, int64_t start,
                            int64_t frames) LOOMTONE_REALTIME {
    if (frames <= 0)
        return false;
    const int64_t end = start + frames;
    const int64_t first = plan.TimelineFrame(sequence);
    const int64_t straight = std::min(kStreamFrames, plan.FramesBeforeWrap(sequence));
    if (start < first + straight && end > first)
        return true;
    if (straight >= kStreamFrames)
        return false;
    const int64_t rest = std::min(kStreamFrames - straight, plan.loopEnd - plan.loopStart);
    return start < plan.loopStart + rest && end > plan.loopStart;
}

void CSoundReader::SetPosition(const StreamPlan& plan, int64_t sequence) LOOMTONE_REALTIME {
    const uint64_t version = m_positionVersion.load(std::memory_order_relaxed);
    m_positionVersion.store(version + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_planStart.store(plan.start, std::memory_order_relaxed);
    m_planLooping.store(plan.looping, std::memory_order_relaxed);
    m_planLoopStart.store(plan.loopStart, std::memory_order_relaxed);
    m_planLoopEnd.store(plan.loopEnd, std::memory_order_relaxed);
    m_sequence.store(sequence, std::memory_order_relaxed);
    m_positionVersion.store(version + 2, std::memory_order_release);
}

CSoundReader::Position CSoundReader::LoadPosition() const {
    Position position;
    for (;;) {
        const uint64_t version = m_positionVersion.load(std::memory_order_acquire);
        position.plan.start = m_planStart.load(std::memory_order_relaxed);
        position.plan.looping = m_planLooping.load(std::memory_order_relaxed);
        position.plan.loopStart = m_planLoopStart.load(std::memory_order_relaxed);
        position.plan.loopEnd = m_planLoopEnd.load(std::memory_order_relaxed);
        position.sequence = m_sequence.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((version & 1) == 0 && m_positionVersion.load(std::memory_order_relaxed) == version)
            return position;
        std::this_thread::yield();
    }
}

bool CSoundReader::BeginWindow() LOOMTONE_REALTIME {
    if (m_windowReady.load(std::memory_order_acquire))
        return false;
    m_windowCount = 0;
    return true;
}

void CSoundReader::AddToWindow(CPCMSound* sound) LOOMTONE_REALTIME {
    if (m_windowCount >= kMaxWindowSounds)
        return;
    // Keeps the sound alive until the reader has taken the window.
    sound->AddReference();
    m_window[static_cast<size_t>(m_windowCount++)] = sound;
}

void CSoundReader::EndWindow() LOOMTONE_REALTIME {
    m_windowSequence = m_sequence.load(std::memory_order_relaxed);
    m_windowReady.store(true, std::memory_order_release);
}

void CSoundReader::WaitForWindowTaken(bool now) {
    const int64_t sequence = m_sequence.load(std::memory_order_relaxed);
    const bool due = now || m_windowSequence < 0 || sequence < m_windowSequence ||
                     sequence - m_windowSequence >= kMixerSampleRate;
    for (int step = 0; due && m_windowReady.load() && step < kWaitSteps; ++step) {
        Wake();
        std::this_thread::sleep_for(kWaitStep);
    }
}

bool CSoundReader::Unknown(CPCMSound& sound) const {
    return m_slot >= 0 && sound.StreamSlot(m_slot).load(std::memory_order_acquire) == nullptr;
}

bool CSoundReader::Read(CPCMSound& sound, const StreamStamp& stamp, int64_t sequence, int frames,
                        float* out) LOOMTONE_REALTIME {
    const CSoundStream* stream =
        m_slot < 0 ? nullptr : sound.StreamSlot(m_slot).load(std::memory_order_acquire);
    if (stream && stream->Read(stamp, sequence, frames, out))
        return true;
    m_underruns.fetch_add(1, std::memory_order_relaxed);
    return false;
}

bool CSoundReader::ViewWaiting(CPCMSound& sound, const StreamStamp& stamp, int64_t sequence,
                               int frames, CSoundStream::Frames& out) {
    for (int step = 0; m_slot >= 0 && step < kWaitSteps; ++step) {
        const CSoundStream* stream = sound.StreamSlot(m_slot).load(std::memory_order_acquire);
        if (stream && stream->View(stamp, sequence, frames, out))
            return true;
        Wake();
        WaitForFrames();
    }
    m_underruns.fetch_add(1, std::memory_order_relaxed);
    Log("CSoundReader::ViewWaiting - gave up waiting for a sound's frames; it is silent there");
    return false;
}

void CSoundReader::Wake() {
    m_wakeUp.notify_one();
}

void CSoundReader::SetReadHook(std::function<void()> hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

void CSoundReader::SetPrefillHook(std::function<void()> hook) {
    std::lock_guard lock(m_mutex);
    m_prefillHook = std::move(hook);
}

void CSoundReader::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_hook) {
            const std::function<void()> hook = m_hook;
            lock.unlock();
            hook();
            lock.lock();
            if (m_stopping)
                break;
        }
        TakeWindow();
        const Position position = LoadPosition();
        bool more = false;
        for (auto& [sound, entry] : m_entries)
            more = FillStep(entry, *sound, position, kReadStepFrames) || more;
        if (!more)
            m_wakeUp.wait_for(lock, m_entries.empty() ? kIdlePoll : kBusyPoll);
    }
}

void CSoundReader::TakeWindow() {
    if (!m_windowReady.load(std::memory_order_acquire))
        return;
    SetWindow(m_window.data(), m_windowCount);
    // The window's references were handed over or given back: free it.
    m_windowReady.store(false, std::memory_order_release);
}

// Takes over one reference on each of the sounds.
void CSoundReader::SetWindow(CPCMSound* const* sounds, int count) {
    std::unordered_map<CPCMSound*, Entry> kept;
    for (int index = 0; index < count; ++index) {
        CPCMSound* sound = sounds[index];
        if (kept.count(sound) != 0) {
            CAudioAtom::DeleteAtom(sound);
            continue;
        }
        auto found = m_entries.find(sound);
        if (found != m_entries.end()) {
            kept.emplace(sound, std::move(found->second));
            m_entries.erase(found);
            CAudioAtom::DeleteAtom(sound); // the entry holds one already
            continue;
        }
        Entry entry;
        if (m_spareStreams.empty()) {
            entry.stream = std::make_unique<CSoundStream>(m_streamFrames);
        } else {
            entry.stream = std::move(m_spareStreams.back());
            m_spareStreams.pop_back();
        }
        entry.stream->Restart(StreamStamp{}, 0);
        if (m_slot >= 0)
            sound->StreamSlot(m_slot).store(entry.stream.get(), std::memory_order_release);
        kept.emplace(sound, std::move(entry));
    }
    for (auto& [sound, entry] : m_entries)
        Release(sound, entry);
    m_entries = std::move(kept);
}

void CSoundReader::Release(CPCMSound* sound, Entry& entry) {
    if (m_slot >= 0)
        sound->StreamSlot(m_slot).store(nullptr, std::memory_order_release);
    // A mixing thread that still holds the stream sees the restart of its
    // next user and gives up its read; the stream itself is never freed while
    // the reader lives.
    entry.data.reset();
    m_spareStreams.push_back(std::move(entry.stream));
    CAudioAtom::DeleteAtom(sound);
}

void CSoundReader::Clear() {
    std::lock_guard lock(m_mutex);
    for (auto& [sound, entry] : m_entries)
        Release(sound, entry);
    m_entries.clear();
}

void CSoundReader::Refill(CPCMSound& sound) {
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(&sound);
    if (found == m_entries.end())
        return;
    FillStep(found->second, sound, LoadPosition(), kRefillFrames);
    m_wakeUp.notify_one(); // for the rest
}

void CSoundReader::Prefill(const StreamPlan& plan, const std::vector<CPCMSound*>& sounds) {
    std::lock_guard lock(m_mutex);
    if (m_prefillHook)
        m_prefillHook();
    SetPosition(plan, 0);
    // A window handed over before this start is out of date.
    if (m_windowReady.load(std::memory_order_acquire)) {
        for (int index = 0; index < m_windowCount; ++index)
            CAudioAtom::DeleteAtom(m_window[static_cast<size_t>(index)]);
        m_windowReady.store(false, std::memory_order_release);
    }
    const int count = static_cast<int>(std::min<size_t>(sounds.size(), kMaxWindowSounds));
    for (int index = 0; index < count; ++index)
        sounds[static_cast<size_t>(index)]->AddReference();
    SetWindow(sounds.data(), count);
    m_windowSequence = 0;
    const Position position{plan, 0};
    for (auto& [sound, entry] : m_entries)
        FillStep(entry, *sound, position, kPrefillFrames);
    m_wakeUp.notify_one();
}

bool CSoundReader::FillStep(Entry& entry, CPCMSound& sound, const Position& position,
                            int64_t limit) {
    std::shared_ptr<const CSoundData> data = sound.SharedPlayData();
    if (data)
        data->CheckSource();
    const StreamStamp stamp = StreamStamp::Of(position.plan, sound, data.get());
    CSoundStream& stream = *entry.stream;
    if (!(stream.Stamp() == stamp) || stream.Begin() > position.sequence ||
        stream.End() < position.sequence) {
        stream.Restart(stamp, position.sequence);
        entry.data = data;
    }
    if (!data)
        return false;
    const int64_t horizon = position.sequence + stream.Capacity();
    int64_t todo = std::min(horizon - stream.End(), limit);
    while (todo > 0) {
        const int64_t frames = std::min(todo, stream.ContiguousRoom());
        const int64_t from = stream.End();
        Produce(stamp, *data, from, frames, stream.PrepareWrite(frames));
        stream.Commit(frames);
        todo -= frames;
    }
    TellFramesCommitted();
    return stream.End() < horizon;
}

void CSoundReader::WaitForFrames() {
    std::unique_lock lock(m_filledMutex);
    m_consumerWaits.store(true);
    // Frames committed between the consumer's look and here are missed: the
    // wait is bounded, so the consumer looks again soon either way.
    m_filled.wait_for(lock, kWaitStep);
    m_consumerWaits.store(false);
}

void CSoundReader::TellFramesCommitted() {
    if (!m_consumerWaits.load())
        return;
    std::lock_guard lock(m_filledMutex);
    m_filled.notify_all();
}

// Writes the sound's frames heard at sequence frames [sequence, sequence +
// frames): silence where the clip does not play, its data where it does,
// round its own loop.
void CSoundReader::Produce(const StreamStamp& stamp, const CSoundData& data, int64_t sequence,
                           int64_t frames, float* out) const {
    const int64_t loopEnd = std::min(stamp.loopEnd, data.Frames());
    const bool loops = loopEnd > stamp.loopStart;
    int64_t done = 0;
    while (done < frames) {
        const int64_t at = sequence + done;
        const int64_t run = std::min(frames - done, stamp.plan.FramesBeforeWrap(at));
        const int64_t clipFrame = stamp.plan.TimelineFrame(at) - stamp.soundStart;
        for (int64_t part = 0; part < run;) {
            const int64_t clip = clipFrame + part;
            float* target = out + (done + part) * 2;
            int64_t count = run - part;
            if (clip < 0 || clip >= stamp.soundFrames) {
                if (clip < 0)
                    count = std::min(count, -clip);
                std::fill(target, target + count * 2, 0.0f);
                part += count;
                continue;
            }
            count = std::min(count, stamp.soundFrames - clip);
            int64_t index = stamp.virtualStart + clip;
            if (loops && index >= loopEnd)
                index = stamp.loopStart + (index - stamp.loopStart) % (loopEnd - stamp.loopStart);
            if (loops)
                count = std::min(count, loopEnd - index);
            data.ReadStereo(index, count, target);
            part += count;
        }
        done += run;
    }
}
