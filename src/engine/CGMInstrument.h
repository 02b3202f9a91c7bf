#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSharedSoundFont.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

// The built-in General MIDI instrument: a SoundFont synthesizer (FluidSynth)
// that plays all sixteen MIDI channels of its track.
//
// Presets are named "bank:program" ("0:0" is the Acoustic Grand Piano,
// "128:0" the standard drum kit); GetPresetTitle gives the General MIDI
// name. A melodic preset selects its sound on every channel but channel 10
// (index 9), which keeps the standard drum kit as General MIDI has it; a
// drum-kit preset (bank 128) turns every channel into that kit. Program and
// bank changes in the MIDI stream then change single channels.
//
// Timing: HandleMidiEvent only stores the event; Process renders up to each
// event's frame before applying it. FluidSynth starts new voices and applies
// changes at its own 64-frame rendering steps, so an event is heard at most
// 63 frames after its frame and never before it; only a burst of more than
// kQueueBudget queue entries in one step (about forty voices starting at
// once) applies its further events a step later.
//
// Previews (MidiNoteOnNow and the others) may be called from one other thread
// (the GUI thread) at any time: they pass through a lock-free queue that the
// audio thread empties at the start of each Process.
//
// Live playback renders ahead on a worker thread, which sleeps until the
// instrument goes live or the audio thread has played a block. Debian's FluidSynth is
// built with OpenMP: every rendering call enters a parallel region, and
// libgomp allocates and frees a thread team for it each time, whatever the
// thread settings. The device thread must never allocate, so while live
// (SetLive) FluidSynth is only called by the instrument's worker thread: it
// renders in the synthesizer's 64-frame steps, kLookAheadFrames ahead of the
// audio thread, into a preallocated lock-free ring, and takes the MIDI events
// from a lock-free queue that carries each event's target frame. The mixer
// schedules a live instrument's MIDI kLookAheadFrames early, so events keep
// the same timing (never early, at most 63 frames late) against the
// transport. The audio thread never waits: frames the worker has not rendered
// yet are played as silence and counted (LiveUnderrunFrames). A transport
// jump or Reset lets go of everything rendered ahead and silences the voices;
// the block it comes with is silent, as the worker starts on the new place
// only once that block's events are queued.
// Offline (not live), Process calls FluidSynth itself, as above.
//
// A render of the song starts the synthesizer on its first frame, so its
// steps fall on timeline frames that are multiples of 64. Live, the worker keeps its steps
// on those same frames (LivePlace tells it where each block plays): after a
// start or jump to any frame, and after a loop wrap, its first step is cut
// short, so that every note starts on the frame the render gives it. The
// worker drops the front of that step's synthesizer block: after a jump it is
// silence; at a loop wrap up to 63 frames of ringing sound are skipped.
//
// Every instrument playing the same SoundFont file shares one loaded copy of
// it (CSharedSoundFont) and holds that font's lock around each call into
// FluidSynth; the audio thread's live path never calls FluidSynth, so it
// never takes the lock.
class CGMInstrument : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("MGrV");
    static constexpr int kBankParameter = 0;
    static constexpr int kProgramParameter = 1;
    static constexpr int kPercussionBank = 128;
    static constexpr int kDrumChannel = 9;
    static constexpr int kChannels = 16;
    // Events one block can carry; further ones in the same block are dropped.
    static constexpr int kMaxBlockEvents = 4096;
    // Previews waiting for the audio thread; further ones are dropped.
    static constexpr int kPreviewQueueSize = 256;
    // How far the worker renders ahead of the audio thread while live. A
    // live block of up to this many frames is ready when the audio thread
    // asks for it; the worker has one block's time to render the next.
    static constexpr int kLookAheadFrames = 512;

    // soundFontPath: a SoundFont to use before the installed General MIDI ones.
    explicit CGMInstrument(std::string soundFontPath = {});
    ~CGMInstrument() override;

    // Registers the instrument with the effects factory; false when it
    // already is (or the factory refuses it).
    static bool Register();

    // Names a SoundFont to use before the installed ones (the tests pick the
    // small one with it).
    static constexpr const char* kSoundFontVariable = "LOOMTONE_SOUNDFONT";
    // The SoundFont an instrument would load: soundFontPath when that file
    // exists, else the file named by kSoundFontVariable, else the first
    // installed one of FluidR3_GM.sf2 and TimGM6mb.sf2 under
    // /usr/share/sounds/sf2/; "" when there is none.
    static std::string FindSoundFont(const std::string& soundFontPath);
    // The General MIDI name of a sound ("Acoustic Grand Piano"), "" for one
    // that the preset list does not have.
    static std::string GeneralMidiName(int bank, int program);

    // "" for a bad index.
    std::string GetPresetTitle(int index) const;
    // The SoundFont loaded by Prepare; "" before that or when none loaded.
    const std::string& GetSoundFontPath() const { return m_loadedPath; }
    bool HasSoundFont() const { return m_soundFontId >= 0; }

    bool IsInstrument() const override { return true; }
    double GetTailMs() const override { return kTailMs; }
    void HandleMidiEvent(const EffectMidiEvent& event) override;
    void Reset() override;
    int LiveLookAheadFrames() const override { return kLookAheadFrames; }
    // Switching from live to offline waits for the worker to finish its step
    // (offline threads may wait); the other way never waits.
    void SetLive(bool live, const LivePlace& place) override;

    // The voices the synthesizer has now (it starts with kStartVoices and
    // grows as notes need them, up to kMaxVoices); 0 without one.
    int Voices();

    // While live: frames rendered ahead and waiting for the audio thread, and
    // the frames the audio thread found missing and played as silence.
    int LiveFramesReady() const;
    uint64_t LiveUnderrunFrames() const { return m_underrunFrames.load(std::memory_order_relaxed); }

    // Any thread but the audio thread, one at a time. False when the queue
    // is full or a value is out of range.
    bool MidiNoteOnNow(int pitch, int velocity, int channel);
    bool MidiNoteOffNow(int pitch, int velocity, int channel);
    bool MidiAllNotesOffNow();

protected:
    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;

private:
    static constexpr double kTailMs = 3000.0;
    // FluidSynth renders in steps of this many frames and hands them out as
    // asked; Reset lets go of what is left of the step in progress.
    static constexpr int kSynthStepFrames = 64;
    // Voices. A synthesizer's memory and the time to make it grow with the
    // voices it is made with (about 3 MB and 18 ms for 256), so it starts
    // with few and doubles them, up to the most, whenever a note-on could
    // find fewer than kVoiceHeadroom free: until then no voice is stolen,
    // as with all of them from the start.
    static constexpr int kStartVoices = 48;
    static constexpr int kMaxVoices = 256;
    static constexpr int kVoiceHeadroom = 32;
    // FluidSynth queues what an event does to the voices until its next
    // step, in a queue of 64 entries for each voice it was made with, and
    // drops what does not fit: a lost note-off leaves a note hanging. A
    // starting voice takes about 50 entries, a controller one for each
    // voice it reaches. So events that would fill three quarters of the
    // queue (by the estimate ApplyEvent keeps) close the step: the rest
    // due in it wait for the next step rather than being lost.
    static constexpr int kEntriesPerVoiceStart = 50;
    static constexpr int kEntriesPerEvent = 8;
    static constexpr int kQueueBudget = kStartVoices * 64 * 3 / 4;

    // The live ring holds this many stereo frames (a power of two, room for
    // the look-ahead, the largest block and a step).
    static constexpr int kRingFrames = 8192;
    // A worker this far behind the audio thread or less (after a flush it
    // was late to make, or a stall) renders the frames it missed, unheard,
    // so that the notes it plays next keep their frames; further behind it
    // skips them. Within half the ring less the look-ahead, so that what it
    // writes for frames already played never lands on frames to be played.
    static constexpr int kCatchUpFrames = kRingFrames / 2 - kLookAheadFrames;

    // MIDI events on their way to the worker; further ones are dropped.
    static constexpr int kLiveQueueSize = 4096;

    // A single-producer, single-consumer ring of Size entries.
    template <typename T, uint32_t Size> class SpscQueue {
    public:
        bool Push(const T& item) {
            const uint32_t tail = m_tail.load(std::memory_order_relaxed);
            if (tail - m_head.load(std::memory_order_acquire) >= Size)
                return false;
            m_ring[tail % Size] = item;
            m_tail.store(tail + 1, std::memory_order_release);
            return true;
        }
        // The oldest entry, or null; stays queued until Pop.
        const T* Front() const {
            const uint32_t head = m_head.load(std::memory_order_relaxed);
            if (head == m_tail.load(std::memory_order_acquire))
                return nullptr;
            return &m_ring[head % Size];
        }
        void Pop() {
            m_head.store(m_head.load(std::memory_order_relaxed) + 1, std::memory_order_release);
        }
        bool Pop(T& item) {
            const T* front = Front();
            if (!front)
                return false;
            item = *front;
            Pop();
            return true;
        }
        // Consumer side: drops every entry.
        void Clear() {
            m_head.store(m_tail.load(std::memory_order_acquire), std::memory_order_release);
        }

    private:
        std::array<T, Size> m_ring{};
        std::atomic<uint32_t> m_head{0}; // next to read
        std::atomic<uint32_t> m_tail{0}; // next to write
    };

    struct LiveEvent {
        uint64_t targetFrame = 0; // in frames the audio thread has played since going live
        uint64_t generation = 0;  // the flush it follows
        EffectMidiEvent event;
    };
    // Where playback wraps to the loop start: the timeline frame that plays
    // at targetFrame. Kept apart from the events, whose order it need not keep.
    struct LiveWrap {
        uint64_t targetFrame = 0;
        uint64_t generation = 0;
        int64_t timelineFrame = 0;
    };
    // Loop wraps on their way to the worker; a loop shorter than a block
    // wraps at most once per block here.
    static constexpr int kWrapQueueSize = 16;
    static constexpr uint64_t kNoWrap = ~uint64_t{0};

    bool CreateSynth(double sampleRate);
    void DeleteSynth();
    // The shared font's lock, held around every FluidSynth call (nothing to
    // hold without a font). The functions below that call FluidSynth expect
    // their caller to hold it.
    std::unique_lock<std::mutex> LockFont();
    void ApplyEvent(const EffectMidiEvent& event);
    // Passes the event to FluidSynth.
    void CallSynth(const EffectMidiEvent& event);
    bool StepIsFull() const { return m_queuedEntries >= kQueueBudget; }
    // Frames FluidSynth has rendered in its current step and not handed out.
    int FramesLeftInStep() const;
    void GrowVoicesIfNeeded();
    void ApplyPresetIfChanged();
    void SelectSound(int channel, int bank, int program);
    void DrainPreviews();
    void ApplyPreview(const EffectMidiEvent& event);
    void Render(float* stereo, int frames);
    void ResetSynth();

    // Live, audio thread side.
    void ProcessLive(float* stereo, int frames);
    void PushLive(const EffectMidiEvent& event, uint64_t targetFrame);
    // Passes on a loop wrap that falls within the frames this block's events
    // reach.
    void PushWrap(int frames);
    void RequestFlush(bool reset);
    void HandFlushToWorker();
    // Live, worker side.
    void StartWorker();
    void StopWorker();
    // Never blocks: the audio thread calls it after each live block.
    void WakeWorker();
    void RunWorker();
    void RenderAhead();
    void FlushOnWorker(uint64_t generation);
    void RenderStep();
    // Applies the loop wraps the worker has reached.
    void TakeWraps();
    // Frames of the synthesizer's step before m_workerFrame on the timeline's
    // 64-frame grid: 0 when a step starts there.
    int StepLead() const;

    std::string m_requestedPath;
    std::string m_loadedPath;
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
    std::shared_ptr<CSharedSoundFont> m_font;
    int m_soundFontId = -1;
    double m_synthRate = 0.0;

    std::vector<float> m_left;
    std::vector<float> m_right;
    std::vector<EffectMidiEvent> m_events; // this block's, in arrival order
    int m_eventCount = 0;
    int m_nextEvent = 0;
    int m_blockPosition = 0; // frames rendered since the block's start
    bool m_blockStarted = false;
    uint64_t m_renderedFrames = 0; // since the synthesizer's last step boundary
    int m_queuedEntries = 0;       // since the synthesizer's last step started
    int m_appliedBank = -1;
    int m_appliedProgram = -1;
    // A Reset while not live: the synthesizer is reset by the next offline
    // block or the worker's first flush, under the font's lock, so that
    // Reset itself never waits (the device thread may call it).
    bool m_resetPending = false;
    SpscQueue<EffectMidiEvent, kPreviewQueueSize> m_previews;

    // Live rendering. The audio side (Process, Reset, SetLive) and the worker
    // share only the atomics, the ring and the queue; the synthesizer belongs
    // to the worker while m_liveRequested is set, else to the audio side.
    bool m_live = false;         // audio side's view
    uint64_t m_playedFrames = 0; // audio side's copy of m_consumed
    uint64_t m_generation = 0;   // audio side's copy of m_flushGeneration
    // Audio side: the timeline frame less the played frame count, as the last
    // live block gave it; the next loop wrap (m_playedFrames' count, kNoWrap
    // for none) and the last one passed on.
    int64_t m_timelineOffset = 0;
    uint64_t m_wrapFrame = kNoWrap;
    int64_t m_wrapTimeline = 0;
    uint64_t m_lastWrapFrame = kNoWrap;
    bool m_flushRequested = false; // a flush not handed to the worker yet
    std::vector<float> m_ring;     // kRingFrames stereo frames
    SpscQueue<LiveEvent, kLiveQueueSize> m_liveEvents;
    SpscQueue<LiveWrap, kWrapQueueSize> m_liveWraps;
    std::atomic<uint64_t> m_consumed{0};        // frames the audio thread has played
    std::atomic<uint64_t> m_written{0};         // frames the worker has rendered
    std::atomic<uint64_t> m_flushGeneration{0}; // flushes handed to the worker
    std::atomic<uint64_t> m_flushFrame{0};      // where the last flush asked for starts
    std::atomic<int64_t> m_flushTimeline{0};    // the timeline frame played there
    std::atomic<uint64_t> m_flushDone{0};       // the last flush the worker made
    std::atomic<bool> m_flushResets{false};     // the next flush also resets the channels
    std::atomic<uint64_t> m_underrunFrames{0};
    std::atomic<bool> m_liveRequested{false};
    std::atomic<bool> m_workerStop{false};
    // The worker sleeps on this until there is work: no polling. At most
    // one wake is pending (m_wakePending), so the semaphore never overflows.
    std::binary_semaphore m_wake{0};
    std::atomic<bool> m_wakePending{false};
    std::mutex m_workerMutex; // held by the worker while it uses the synthesizer
    std::thread m_worker;
    uint64_t m_workerFrame = 0;         // worker: next frame to render
    uint64_t m_workerGeneration = 0;    // worker: the flush it made last
    int64_t m_workerTimelineOffset = 0; // worker: timeline frame less m_workerFrame's count
    std::vector<float> m_stepLeft;      // worker: one synthesizer step
    std::vector<float> m_stepRight;
};
