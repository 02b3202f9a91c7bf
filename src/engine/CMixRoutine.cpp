#include "engine/CMixRoutine.h"

#include "engine/CEffectChain.h"
#include "engine/CMidiScheduler.h"
#include "engine/CMidiSound.h"
#include "engine/CMonitoredInputs.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/CSoundReader.h"

#include <algorithm>
#include <cmath>

// Loops that gain from wider vectors get copies for processors with AVX-512
// and AVX2, picked when the program loads. Not FMA: a fused multiply-add rounds once
// where the plain code rounds twice, and the mix must not change.
#if defined(__GNUC__) && defined(__x86_64__)
#define LOOMTONE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define LOOMTONE_VECTOR_CLONES
#endif

namespace {

constexpr double kFramesPerMs = kMixerSampleRate / 1000.0;

double MsOfFrame(int64_t frame) {
    return static_cast<double>(frame) / kFramesPerMs;
}

// Balance panning: the centre leaves both sides at full level, so a sound
// mixed at pan 0 comes out unchanged; moving left turns the right side down.
double PanLeft(double pan) {
    return std::min(1.0, 1.0 - pan);
}

double PanRight(double pan) {
    return std::min(1.0, 1.0 + pan);
}

// Whether either clip filter works on the frames at that time.
bool FiltersOn(CClipAudioBuffer& buffer, double clipMs) {
    return buffer.GetLowPassCutoffEnvelope().ValueAt(clipMs) < CClipAudioBuffer::kMaxCutoffHz ||
           buffer.GetHighPassCutoffEnvelope().ValueAt(clipMs) > CClipAudioBuffer::kMinCutoffHz;
}

// Adds count stereo frames of samples to target, the left side at a gain
// going from left0 by leftStep a frame, the right from right0 by rightStep.
// The mix spends most of its time here: the separate buffers and the wider
// vectors where the processor has them let the loop run several frames at
// once, with the same arithmetic, so the same result.
LOOMTONE_VECTOR_CLONES
void AddRamped(const float* __restrict samples, float* __restrict target, int count, double left0,
               double leftStep, double right0, double rightStep) {
    for (int index = 0; index < count; ++index) {
        const double left = left0 + leftStep * index;
        const double right = right0 + rightStep * index;
        target[index * 2] += static_cast<float>(samples[index * 2] * left);
        target[index * 2 + 1] += static_cast<float>(samples[index * 2 + 1] * right);
    }
}

// Adds frames stereo frames of bus to out, the left side at gain left and
// the right at right.
LOOMTONE_VECTOR_CLONES
void AddScaled(const float* __restrict bus, float* __restrict out, int frames, float left,
               float right) {
    for (int index = 0; index < frames * 2; index += 2) {
        out[index] += bus[index] * left;
        out[index + 1] += bus[index + 1] * right;
    }
}

} // namespace

CMixRoutine::CMixRoutine(CSoundReader& reader)
    : m_reader(reader), m_span(kChunkFrames * 2, 0.0f), m_masterBus(kChunkFrames * 2, 0.0f),
      m_schedulerSound(kMaxMidiSounds, nullptr), m_schedulerTrack(kMaxMidiSounds, -1),
      m_schedulerSeen(kMaxMidiSounds, 0),
      m_eventLists(static_cast<size_t>(kEventLists) * kMaxTrackEvents),
      m_shiftedEvents(kMaxSoundEvents) {
    std::fill(std::begin(m_scratch), std::end(m_scratch), 0.0f);
    for (int index = 0; index < kMaxMidiSounds; ++index)
        m_schedulers.push_back(std::make_unique<CMidiScheduler>(kMaxSoundEvents));
}

CMixRoutine::~CMixRoutine() = default;

void CMixRoutine::Prepare(int trackCount) {
    // The buffers only grow, and geometrically: a project load adds its
    // tracks one at a time, and resizing every per-track list each time
    // made the load quadratic in its tracks. Every segment starts by
    // clearing the used flags and event lists, so stale contents are never
    // heard.
    const int capacity = std::max(trackCount, 0);
    const auto tracks = static_cast<size_t>(capacity);
    if (m_busUsed.size() < tracks) {
        m_busUsed.resize(tracks, 0);
        m_trackEventList.resize(tracks, -1);
    }
    if (m_trackBuses.size() < tracks * kChunkFrames * 2)
        m_trackBuses.resize(tracks * kChunkFrames * 2, 0.0f);
    m_eventListsUsed = 0;
    m_trackCapacity = capacity;
}

void CMixRoutine::ResetClick() {
    m_click = nullptr;
    m_clickFrame = 0;
}

void CMixRoutine::Render(CPCMMixer& mixer, float* out, int frames) LOOMTONE_REALTIME {
    if (!out || frames <= 0)
        return;
    std::fill(out, out + static_cast<size_t>(frames) * 2, 0.0f);
    if (!mixer.m_lock.TryLock()) {
        mixer.m_lostLockBlocks.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    m_wait = false;
    mixer.m_monitoredInputs->Pull(frames);
    RenderLocked(mixer, out, frames);
    mixer.m_lock.Unlock();
}

void CMixRoutine::Render(CPCMMixer& mixer, float* out, int frames,
                         LiveInput input) LOOMTONE_REALTIME {
    m_input = input.channels > 0 ? input : LiveInput{};
    Render(mixer, out, frames);
    m_input = LiveInput{};
}

void CMixRoutine::Render(CPCMMixer& mixer, float* out, int frames, bool wait) {
    if (!wait) {
        Render(mixer, out, frames);
        return;
    }
    if (!out || frames <= 0)
        return;
    std::fill(out, out + static_cast<size_t>(frames) * 2, 0.0f);
    mixer.m_lock.Lock();
    m_wait = true;
    RenderLocked(mixer, out, frames);
    m_wait = false;
    mixer.m_lock.Unlock();
}

void CMixRoutine::RenderLocked(CPCMMixer& mixer, float* out, int frames) {
    m_offline = false;
    m_onlyTrack = kAllTracks;
    m_blockOut = out;
    for (int done = 0; done < frames; done += kChunkFrames)
        RenderChunk(mixer, out + static_cast<size_t>(done) * 2,
                    std::min(kChunkFrames, frames - done));
    mixer.m_oneShot.MixInto(out, frames);
}

void CMixRoutine::TellReader(CAudioAtom* atom) {
    m_windowAtom = atom;
    m_reader.SetPosition(m_plan, m_sequence);
    if (m_wait) {
        // A render's streams are short: the reader refills them as the mix
        // moves on instead of finding out at its next look.
        m_reader.Wake();
        m_reader.WaitForWindowTaken();
    }
    if (!m_reader.BeginWindow())
        return;
    auto* group = dynamic_cast<CSoundGroup*>(atom);
    if (!group) {
        AddToWindow(atom);
    } else {
        for (int index = 0; index < group->Count(); ++index)
            AddToWindow(group->At(index));
    }
    m_reader.EndWindow();
}

void CMixRoutine::HandWindowFor(CPCMSound& sound) {
    if (!m_wait || !m_windowAtom || !m_reader.Unknown(sound))
        return;
    m_reader.WaitForWindowTaken(true);
    TellReader(m_windowAtom);
}

void CMixRoutine::AddToWindow(CAudioAtom* atom) {
    auto* sound = dynamic_cast<CPCMSound*>(atom);
    if (sound && Wanted(sound->GetTrackNumber()) &&
        CSoundReader::InWindow(m_plan, m_sequence, CPCMMixer::FramesOf(sound->HeardOffset()),
                               CPCMMixer::FramesOf(sound->Length())))
        m_reader.AddToWindow(sound);
}

bool CMixRoutine::RenderOffline(CPCMMixer& mixer, CAudioAtom* atom, int64_t startFrame, float* out,
                                int frames, int onlyTrack) {
    if (!out || frames <= 0)
        return true;
    if (!mixer.m_lock.TryLock())
        return false;
    std::fill(out, out + static_cast<size_t>(frames) * 2, 0.0f);
    m_offline = true;
    m_wait = true;
    m_idle = false;
    m_onlyTrack = onlyTrack;
    if (startFrame != m_streamNext) {
        m_plan = StreamPlan::Make(startFrame, false, 0, 0);
        m_sequence = 0;
    }
    TellReader(atom);
    for (int done = 0; done < frames; done += kChunkFrames) {
        const int count = std::min(kChunkFrames, frames - done);
        MixSegment(mixer, atom,
                   Segment{out + static_cast<size_t>(done) * 2, count, startFrame + done,
                           m_sequence + done});
    }
    m_sequence += frames;
    m_streamNext = startFrame + frames;
    mixer.m_lock.Unlock();
    return true;
}

void CMixRoutine::RenderChunk(CPCMMixer& mixer, float* out, int frames) {
    CAudioAtom* atom = mixer.m_playingAtom;
    if (!mixer.m_playing.load() || mixer.m_paused.load() || !atom) {
        RenderIdle(mixer, out, frames);
        return;
    }
    m_idle = false;
    const int64_t endFrame = CPCMMixer::FramesOf(atom->HeardEndTime() + mixer.m_playTailMs.load());
    const int64_t loopStart = mixer.m_loopStartFrames.load();
    const int64_t loopEnd = mixer.m_loopEndFrames.load();
    int64_t position = mixer.m_positionFrames.load();
    m_liveJumped = m_liveJumped || !m_livePlaying || position != m_liveNextPosition;
    m_livePlaying = true;
    m_loopStart = loopStart;
    m_loopEnd = loopEnd;
    const StreamPlan plan = StreamPlan::Make(position, mixer.m_looping.load(), loopStart, loopEnd);
    if (position != m_streamNext || !plan.SameLoop(m_plan)) {
        m_plan = plan;
        m_sequence = 0;
    }
    TellReader(atom);
    int done = 0;
    while (done < frames) {
        const bool looping = mixer.m_looping.load() && position < loopEnd;
        m_segmentLooping = looping;
        const int64_t stop = looping ? loopEnd : endFrame;
        if (position >= stop) {
            mixer.m_playing = false; // reached the end; the GUI thread lets go of the atom
            break;
        }
        const int count = static_cast<int>(std::min<int64_t>(frames - done, stop - position));
        MixSegment(
            mixer, atom,
            Segment{out + static_cast<size_t>(done) * 2, count, position, m_sequence + done});
        position += count;
        done += count;
        if (looping && position >= loopEnd) {
            position = loopStart;
            ResetClick();
        }
    }
    mixer.m_positionFrames = position;
    m_liveNextPosition = position;
    m_sequence += done;
    m_streamNext = position;
}

void CMixRoutine::RenderIdle(CPCMMixer& mixer, float* out, int frames) {
    m_liveJumped = m_liveJumped || m_livePlaying;
    m_livePlaying = false;
    if (mixer.m_offlineRenders.load() > 0)
        return;
    m_idle = true;
    MixSegment(mixer, nullptr, Segment{out, frames, mixer.m_positionFrames.load(), 0});
}

void CMixRoutine::MixSegment(CPCMMixer& mixer, CAudioAtom* atom, const Segment& segment) {
    std::fill(m_busUsed.begin(), m_busUsed.end(), 0);
    std::fill(m_trackEventList.begin(), m_trackEventList.end(), -1);
    m_eventListsUsed = 0;
    std::fill(m_schedulerSeen.begin(), m_schedulerSeen.end(), 0);
    std::fill(m_masterBus.begin(), m_masterBus.begin() + segment.frames * 2, 0.0f);
    if (atom)
        MixAtom(mixer, atom, segment);
    ReleaseUnseenSchedulers();
    SumTracks(mixer, segment);
    m_liveJumped = false;
    if (m_onlyTrack != kAllTracks)
        return;
    mixer.m_masterChain->Process(segment.out, segment.frames);
    if (!m_offline && !m_idle)
        MixMetronome(mixer, segment);
    const float master = static_cast<float>(mixer.m_masterVolume.load());
    if (master != 1.0f) {
        for (int index = 0; index < segment.frames * 2; ++index)
            segment.out[index] *= master;
    }
}

void CMixRoutine::MixAtom(CPCMMixer& mixer, CAudioAtom* atom, const Segment& segment) {
    auto* group = dynamic_cast<CSoundGroup*>(atom);
    if (!group) {
        MixMember(mixer, atom, segment);
        return;
    }
    for (int index = 0; index < group->Count(); ++index)
        MixMember(mixer, group->At(index), segment);
}

void CMixRoutine::MixMember(CPCMMixer& mixer, CAudioAtom* atom, const Segment& segment) {
    if (!atom || !Wanted(atom->GetTrackNumber()))
        return;
    if (auto* sound = dynamic_cast<CPCMSound*>(atom))
        MixSound(*sound, segment, BusFor(mixer, sound->GetTrackNumber()));
    else if (auto* midi = dynamic_cast<CMidiSound*>(atom))
        ScheduleMidi(mixer, *midi, segment);
}

void CMixRoutine::ScheduleMidi(CPCMMixer& mixer, CMidiSound& sound, const Segment& segment) {
    const int slot = SchedulerFor(&sound);
    if (slot < 0)
        return;
    CMidiScheduler& scheduler = *m_schedulers[static_cast<size_t>(slot)];
    const int track = sound.GetTrackNumber();
    const int lastTrack = m_schedulerTrack[static_cast<size_t>(slot)];
    if (lastTrack >= 0 && lastTrack != track) {
        // Moved to another track: the old instrument lets go of its notes.
        const int stops = scheduler.Stop();
        AddTrackEvents(lastTrack, scheduler.Events(), stops);
    }
    ScheduleWindow(mixer, scheduler, sound, track, segment);
    m_schedulerTrack[static_cast<size_t>(slot)] = track;
}

int CMixRoutine::LookAheadOf(CPCMMixer& mixer, int trackNumber) const {
    const CPCMTrack* track = mixer.GetTrack(trackNumber);
    if (m_offline || !track || trackNumber >= m_trackCapacity)
        return 0;
    return track->GetInstrumentChain()->LiveLookAheadFrames();
}

void CMixRoutine::ScheduleWindow(CPCMMixer& mixer, CMidiScheduler& scheduler, CMidiSound& sound,
                                 int track, const Segment& segment) {
    const int lookAhead = LookAheadOf(mixer, track);
    // While live, an instrument that renders ahead gets the block lookAhead
    // frames later, where the transport will be then; the first block after
    // a jump also takes the frames before that, so that nothing at the new
    // place is skipped (it comes late instead). Offsets count from the
    // window's block.
    int offset = m_liveJumped ? -lookAhead : 0;
    int64_t from = segment.startFrame + lookAhead + offset;
    int remaining = segment.frames - offset;
    // A loop shorter than a block would give many pieces: later ones are left out.
    for (int piece = 0; piece < 64 && remaining > 0; ++piece) {
        int count = remaining;
        if (m_segmentLooping && from >= m_loopEnd)
            from = m_loopStart + (from - m_loopEnd) % (m_loopEnd - m_loopStart);
        if (m_segmentLooping && from < m_loopEnd)
            count = static_cast<int>(std::min<int64_t>(count, m_loopEnd - from));
        const int events = scheduler.ScheduleBlock(sound, from, count, kMixerSampleRate);
        for (int index = 0; index < events; ++index) {
            m_shiftedEvents[static_cast<size_t>(index)] = scheduler.Events()[index];
            m_shiftedEvents[static_cast<size_t>(index)].frameOffset += offset;
        }
        AddTrackEvents(track, m_shiftedEvents.data(), events);
        from += count;
        offset += count;
        remaining -= count;
    }
}

int CMixRoutine::SchedulerFor(const CMidiSound* sound) {
    int free = -1;
    for (int slot = 0; slot < kMaxMidiSounds; ++slot) {
        const CMidiSound* owner = m_schedulerSound[static_cast<size_t>(slot)];
        if (owner == sound) {
            m_schedulerSeen[static_cast<size_t>(slot)] = 1;
            return slot;
        }
        if (!owner && free < 0)
            free = slot;
    }
    if (free >= 0) {
        m_schedulerSound[static_cast<size_t>(free)] = sound;
        m_schedulerTrack[static_cast<size_t>(free)] = -1;
        m_schedulerSeen[static_cast<size_t>(free)] = 1;
    }
    return free;
}

void CMixRoutine::ReleaseUnseenSchedulers() {
    for (int slot = 0; slot < kMaxMidiSounds; ++slot) {
        const auto index = static_cast<size_t>(slot);
        if (!m_schedulerSound[index] || m_schedulerSeen[index])
            continue;
        // The sound is gone (it may be freed): only its scheduler is touched.
        CMidiScheduler& scheduler = *m_schedulers[index];
        const int stops = scheduler.Stop();
        AddTrackEvents(m_schedulerTrack[index], scheduler.Events(), stops);
        m_schedulerSound[index] = nullptr;
        m_schedulerTrack[index] = -1;
    }
}

void CMixRoutine::AddTrackEvents(int trackNumber, const EffectMidiEvent* events, int count) {
    if (trackNumber < 0 || trackNumber >= m_trackCapacity || count <= 0)
        return;
    int& listIndex = m_trackEventList[static_cast<size_t>(trackNumber)];
    if (listIndex < 0) {
        if (m_eventListsUsed >= kEventLists)
            return;
        listIndex = m_eventListsUsed++;
        m_eventListCount[static_cast<size_t>(listIndex)] = 0;
    }
    EffectMidiEvent* list = m_eventLists.data() + static_cast<size_t>(listIndex) * kMaxTrackEvents;
    int& have = m_eventListCount[static_cast<size_t>(listIndex)];
    const int added = std::min(count, kMaxTrackEvents - have);
    // Both runs are in frame order: merge from the back, keeping the events
    // already there first at equal frames.
    int from = have - 1;
    int next = added - 1;
    for (int to = have + added - 1; next >= 0; --to) {
        if (from >= 0 && list[from].frameOffset > events[next].frameOffset)
            list[to] = list[from--];
        else
            list[to] = events[next--];
    }
    have += added;
}

bool CMixRoutine::Wanted(int trackNumber) const {
    return m_onlyTrack == kAllTracks || trackNumber == m_onlyTrack;
}

float* CMixRoutine::BusFor(CPCMMixer& mixer, int trackNumber) {
    if (trackNumber == -1)
        return m_masterBus.data();
    if (trackNumber < 0 || trackNumber >= std::min(m_trackCapacity, mixer.GetNumTracks()))
        return nullptr; // names no track: not heard
    float* bus = m_trackBuses.data() + static_cast<size_t>(trackNumber) * kChunkFrames * 2;
    if (!m_busUsed[static_cast<size_t>(trackNumber)]) {
        std::fill(bus, bus + kChunkFrames * 2, 0.0f);
        m_busUsed[static_cast<size_t>(trackNumber)] = 1;
    }
    return bus;
}

void CMixRoutine::MixSound(CPCMSound& sound, const Segment& segment, float* bus) {
    if (!bus || sound.IsMuted() || !sound.TryLock())
        return;
    const CSoundData* data = sound.PlayData();
    if (data && data->Frames() > 0 && data->Rate() == kMixerSampleRate) {
        const int64_t start = CPCMMixer::FramesOf(sound.HeardOffset());
        const int64_t end = start + CPCMMixer::FramesOf(sound.Length());
        const int64_t from = std::max(segment.startFrame, start);
        const int64_t to = std::min(segment.startFrame + segment.frames, end);
        if (from < to) {
            const int frames = static_cast<int>(to - from);
            const int64_t sequence = segment.sequence + (from - segment.startFrame);
            const StreamStamp stamp = StreamStamp::Of(m_plan, sound, data);
            HandWindowFor(sound);
            CSoundStream::Frames span{m_span.data(), frames, nullptr};
            const bool read = m_wait ? m_reader.ViewWaiting(sound, stamp, sequence, frames, span)
                                     : m_reader.Read(sound, stamp, sequence, frames, m_span.data());
            if (read)
                MixSoundSpan(sound, span, from - start, frames,
                             bus + (from - segment.startFrame) * 2);
        }
    }
    sound.Unlock();
}

const float* CMixRoutine::SpanFrames(const CSoundStream::Frames& span, int done, int count) {
    if (done + count <= span.firstFrames)
        return span.first + static_cast<size_t>(done) * 2;
    if (done >= span.firstFrames)
        return span.second + static_cast<size_t>(done - span.firstFrames) * 2;
    const int head = span.firstFrames - done;
    std::copy(span.first + static_cast<size_t>(done) * 2, span.first + span.firstFrames * 2,
              m_scratch);
    std::copy(span.second, span.second + (count - head) * 2, m_scratch + head * 2);
    return m_scratch;
}

// The reader thread wrote the frames a moment ago, on the other processor:
// fetched one line at a time they stall the mix. Asked for a few sub-blocks
// ahead, they arrive while the frames before them are mixed.
void CMixRoutine::PrefetchFrame(const CSoundStream::Frames& span, int frame, int frames) {
    if (frame >= frames)
        return;
    if (frame < span.firstFrames)
        __builtin_prefetch(span.first + static_cast<size_t>(frame) * 2);
    else if (span.second)
        __builtin_prefetch(span.second + static_cast<size_t>(frame - span.firstFrames) * 2);
}

void CMixRoutine::MixSoundSpan(CPCMSound& sound, const CSoundStream::Frames& span,
                               int64_t clipFrame, int frames, float* bus) {
    CClipAudioBuffer& buffer = sound.GetClipAudioBuffer();
    const CEnvelope& volume = buffer.GetVolumeEnvelope();
    const CEnvelope& pan = buffer.GetPanEnvelope();
    const double lengthMs = sound.Length();
    double gainEnd = 0.0;
    double panEnd = 0.0;
    // Live, the frames were copied out of the stream already and are at hand.
    const bool prefetch = m_wait;
    for (int ahead = 0; prefetch && ahead < kPrefetchFrames; ahead += kFramesPerLine)
        PrefetchFrame(span, ahead, frames);
    for (int done = 0; done < frames; done += kSubBlockFrames) {
        const int count = std::min(kSubBlockFrames, frames - done);
        for (int ahead = 0; prefetch && ahead < kSubBlockFrames; ahead += kFramesPerLine)
            PrefetchFrame(span, done + kPrefetchFrames + ahead, frames);
        const int64_t frame = clipFrame + done;
        const double startMs = MsOfFrame(frame);
        const double endMs = MsOfFrame(frame + count);
        // The frames are copied only for a filter to work on; unfiltered
        // they are mixed straight from the span.
        const float* samples = SpanFrames(span, done, count);
        if (FiltersOn(buffer, startMs)) {
            if (samples != m_scratch)
                std::copy(samples, samples + count * 2, m_scratch);
            ApplyFilters(buffer, startMs, count);
            samples = m_scratch;
        } else {
            buffer.LowPass().Reset();
            buffer.HighPass().Reset();
        }
        // A sub-block starts where the last one ended: its gain and pan there
        // were worked out already.
        const double gain0 =
            done > 0 ? gainEnd : volume.ValueAt(startMs) * buffer.FadeGain(startMs, lengthMs);
        const double pan0 = done > 0 ? panEnd : pan.ValueAt(startMs);
        const double gain1 = volume.ValueAt(endMs) * buffer.FadeGain(endMs, lengthMs);
        const double pan1 = pan.ValueAt(endMs);
        gainEnd = gain1;
        panEnd = pan1;
        const double left0 = gain0 * PanLeft(pan0);
        const double right0 = gain0 * PanRight(pan0);
        const double leftStep = (gain1 * PanLeft(pan1) - left0) / count;
        const double rightStep = (gain1 * PanRight(pan1) - right0) / count;
        AddRamped(samples, bus + static_cast<size_t>(done) * 2, count, left0, leftStep, right0,
                  rightStep);
    }
}

void CMixRoutine::ApplyFilters(CClipAudioBuffer& buffer, double clipMs, int frames) {
    const double lowCut = buffer.GetLowPassCutoffEnvelope().ValueAt(clipMs);
    if (lowCut < CClipAudioBuffer::kMaxCutoffHz) {
        const double q =
            CClipAudioBuffer::ResonanceToQ(buffer.GetLowPassResonanceEnvelope().ValueAt(clipMs));
        buffer.LowPass().SetCoefficients(CBiquadFilter::Kind::LowPass, lowCut, q, kMixerSampleRate);
        buffer.LowPass().Process(m_scratch, frames, 2);
    } else {
        buffer.LowPass().Reset();
    }
    const double highCut = buffer.GetHighPassCutoffEnvelope().ValueAt(clipMs);
    if (highCut > CClipAudioBuffer::kMinCutoffHz) {
        const double q =
            CClipAudioBuffer::ResonanceToQ(buffer.GetHighPassResonanceEnvelope().ValueAt(clipMs));
        buffer.HighPass().SetCoefficients(CBiquadFilter::Kind::HighPass, highCut, q,
                                          kMixerSampleRate);
        buffer.HighPass().Process(m_scratch, frames, 2);
    } else {
        buffer.HighPass().Reset();
    }
}

void CMixRoutine::SumTracks(CPCMMixer& mixer, const Segment& segment) {
    const int tracks = std::min(m_trackCapacity, mixer.GetNumTracks());
    bool anySolo = false;
    for (int number = 0; number < tracks; ++number)
        anySolo = anySolo || mixer.GetTrack(number)->IsSolo();
    const int samples = segment.frames * 2;
    for (int number = 0; number < tracks; ++number) {
        if (!Wanted(number))
            continue;
        CPCMTrack& track = *mixer.GetTrack(number);
        float* bus = m_trackBuses.data() + static_cast<size_t>(number) * kChunkFrames * 2;
        // A track without sounds in this segment still runs its chains, so
        // that echoes and reverbs ring on and instruments can play.
        if (!m_busUsed[static_cast<size_t>(number)])
            std::fill(bus, bus + samples, 0.0f);
        if (track.HearsInput())
            AddMonitoredInput(track, MonitoredInputOf(mixer, track), segment, bus);
        RunTrackChains(track, number, bus, segment);
        if (m_onlyTrack != kAllTracks) {
            for (int index = 0; index < samples; ++index)
                segment.out[index] += bus[index];
            continue;
        }
        if (track.IsMute() || (anySolo && !track.IsSolo()))
            continue;
        AddScaled(bus, segment.out, segment.frames,
                  static_cast<float>(track.GetVolume() * PanLeft(track.GetPan())),
                  static_cast<float>(track.GetVolume() * PanRight(track.GetPan())));
    }
    if (m_onlyTrack != kAllTracks)
        return;
    for (int index = 0; index < samples; ++index)
        segment.out[index] += m_masterBus[static_cast<size_t>(index)];
}

CMixRoutine::LiveInput CMixRoutine::MonitoredInputOf(CPCMMixer& mixer,
                                                     const CPCMTrack& track) const {
    // A render, or a caller that waits, has no live input.
    if (m_offline || m_wait)
        return {};
    const int source = track.GetMonitorSource();
    if (source == CPCMTrack::kOwnInput)
        return m_input;
    const float* frames = mixer.m_monitoredInputs->Frames(source);
    return frames ? LiveInput{frames, CInputRing::kChannels} : LiveInput{};
}

void CMixRoutine::AddMonitoredInput(const CPCMTrack& track, const LiveInput& input,
                                    const Segment& segment, float* bus) const {
    if (!input.samples)
        return;
    const int channels = input.channels;
    const int selection = track.GetMonitorInput();
    // A mono input, or one side of a stereo one, is heard in the middle.
    const int left = selection == 1 && channels > 1 ? 1 : 0;
    const int right = selection == 2 && channels > 1 ? 1 : left;
    const size_t first = static_cast<size_t>((segment.out - m_blockOut) / 2);
    for (int frame = 0; frame < segment.frames; ++frame) {
        const float* in = input.samples + (first + static_cast<size_t>(frame)) * channels;
        bus[frame * 2] += in[left];
        bus[frame * 2 + 1] += in[right];
    }
}

void CMixRoutine::RunTrackChains(CPCMTrack& track, int trackNumber, float* bus,
                                 const Segment& segment) {
    const int frames = segment.frames;
    const int list = m_trackEventList[static_cast<size_t>(trackNumber)];
    const EffectMidiEvent* events =
        list < 0 ? nullptr : m_eventLists.data() + static_cast<size_t>(list) * kMaxTrackEvents;
    const int count = list < 0 ? 0 : m_eventListCount[static_cast<size_t>(list)];
    if (m_offline)
        track.GetInstrumentChain()->Process(bus, frames, events, count);
    else
        track.GetInstrumentChain()->ProcessLive(bus, frames, events, count, LivePlaceOf(segment));
    track.GetInstrumentEffectsChain()->Process(bus, frames);
    track.GetEffectChain()->Process(bus, frames);
}

LivePlace CMixRoutine::LivePlaceOf(const Segment& segment) const {
    const bool looping = !m_idle && m_segmentLooping;
    return LivePlace{m_liveJumped, segment.startFrame, looping, m_loopStart, m_loopEnd};
}

void CMixRoutine::MixMetronome(CPCMMixer& mixer, const Segment& segment) {
    if (!mixer.m_metronomeOn) {
        ResetClick();
        return;
    }
    const TempoMap& map = mixer.m_tempoMap;
    const double volume = mixer.m_metronomeVolume;
    const int64_t segmentEnd = segment.startFrame + segment.frames;
    // Start a little early so that a beat on the segment's first frame is found.
    int measure = 0, beat = 0;
    double fraction = 0.0;
    map.GetMeasureAndBeat(map.GetRealTime(MsOfFrame(segment.startFrame) - 1.0), &measure, &beat,
                          &fraction);
    double beatTime = map.GetTimeAtMeasureAndBeat(measure, beat, 0.0);
    int played = 0;
    // A segment is at most kChunkFrames long: far fewer beats than this bound.
    for (int guard = 0; guard < 64; ++guard, beatTime += TempoMap::kReferenceBeatMs) {
        const int64_t frame = CPCMMixer::FramesOf(map.GetTempoAdjustedTime(beatTime));
        if (frame >= segmentEnd)
            break;
        if (frame < segment.startFrame)
            continue;
        const int offset = static_cast<int>(frame - segment.startFrame);
        PlayClick(segment, played, offset, volume);
        played = offset;
        map.GetMeasureAndBeat(beatTime, &measure, &beat, &fraction);
        const bool downbeat = beat == 1 && mixer.m_measureClick;
        m_click = downbeat ? mixer.m_measureClickData.get() : mixer.m_beatClickData.get();
        m_clickFrame = 0;
    }
    PlayClick(segment, played, segment.frames, volume);
}

void CMixRoutine::PlayClick(const Segment& segment, int from, int to, double volume) {
    if (!m_click || from >= to)
        return;
    const CSoundData& data = *m_click;
    const int64_t frames = data.Frames();
    const int channels = data.Channels();
    const float gain = static_cast<float>(volume);
    for (int offset = from; offset < to && m_clickFrame < frames; ++offset, ++m_clickFrame) {
        const float* frame = data.Samples() + m_clickFrame * channels;
        segment.out[offset * 2] += frame[0] * gain;
        segment.out[offset * 2 + 1] += frame[channels - 1] * gain;
    }
    const bool finished = m_clickFrame >= frames;
    if (finished)
        ResetClick();
}
