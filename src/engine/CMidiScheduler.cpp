#include "engine/CMidiScheduler.h"

#include "engine/CMidiControllerList.h"
#include "engine/CMidiSound.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kNoteOffPriority = 0;
constexpr int kControllerPriority = 1;
constexpr int kNoteOnPriority = 2;

constexpr uint8_t kSustainPedal = 64;
constexpr uint8_t kSostenutoPedal = 66;
constexpr uint8_t kAllNotesOff = 123;
// Channel mode messages (all sound off, reset, local, all notes off, modes)
// act once and are never replayed when controllers are chased.
constexpr int kFirstModeMessage = 120;

// A block of at most this many loop passes: a loop shorter than a frame
// could otherwise keep the audio thread busy without end.
constexpr int kMaxPassesPerBlock = 256;

// Loop passes are counted in 64 bits; a clip with more is not played.
constexpr double kMaxPassCount = 1e15;

constexpr int kKindCount = 131; // 128 control changes, program, pressure, bend

// The order in which controller kinds at the same frame are sent: bank
// select before program changes, parameter numbers before their data.
constexpr std::array<int, kKindCount> MakeKindOrder() {
    std::array<int, kKindCount> order{};
    constexpr int first[] = {0, 32, 99, 98, 101, 100, 6, 38, 96, 97};
    int at = 0;
    for (int kind : first)
        order[static_cast<size_t>(at++)] = kind;
    for (int kind = 0; kind < 128; ++kind) {
        bool listed = false;
        for (int taken : first)
            listed = listed || taken == kind;
        if (!listed)
            order[static_cast<size_t>(at++)] = kind;
    }
    order[static_cast<size_t>(at++)] = CMidiControllerList::kProgramChange;
    order[static_cast<size_t>(at++)] = CMidiControllerList::kChannelPressure;
    order[static_cast<size_t>(at)] = CMidiControllerList::kPitchBend;
    return order;
}
constexpr std::array<int, kKindCount> kKindOrder = MakeKindOrder();

bool EarlierThan(const MidiControllerEvent& event, double time) {
    return event.time < time;
}

} // namespace

CMidiScheduler::CMidiScheduler(int maxEvents) {
    const auto capacity = static_cast<size_t>(std::max(maxEvents, 1));
    m_pending.reserve(capacity);
    m_events.resize(capacity);
    for (auto& channel : m_offFrame)
        channel.fill(-1);
}

// ---- Blocks -----------------------------------------------------------------------------

int CMidiScheduler::ScheduleBlock(CMidiSound& sound, int64_t startFrame, int frames,
                                  double sampleRate) {
    BeginBlock(startFrame, std::max(frames, 0), sampleRate);
    if (frames <= 0 || !(sampleRate > 0.0) || !std::isfinite(sampleRate)) {
        Finish();
        return m_count;
    }
    if (startFrame != m_expectedStart)
        EndEverything();
    m_expectedStart = startFrame + frames;

    if (sound.IsMuted()) {
        EndEverything();
    } else if (sound.TryLock()) {
        ScheduleSound(sound);
        sound.Unlock();
    } else {
        // What this block missed is caught up by chasing the next one.
        m_chasePending = true;
    }
    EndDueNotes(startFrame + frames);
    Finish();
    return m_count;
}

int CMidiScheduler::Stop() {
    BeginBlock(0, 0, m_rate);
    EndEverything();
    m_expectedStart = -1;
    Finish();
    return m_count;
}

void CMidiScheduler::BeginBlock(int64_t startFrame, int frames, double sampleRate) {
    m_pending.clear();
    m_count = 0;
    m_blockStart = startFrame;
    m_blockFrames = frames;
    m_rate = sampleRate;
}

void CMidiScheduler::EndEverything() {
    EndAllNotes();
    m_chasePending = true;
    if (!m_channelsTouched)
        return;
    // Held pedals would keep the ended notes ringing; a chase sets them again.
    for (int channel = 0; channel < kChannels; ++channel) {
        const auto status = static_cast<uint8_t>(0xB0 | channel);
        Add(m_blockStart, status, kSustainPedal, 0, kControllerPriority);
        Add(m_blockStart, status, kSostenutoPedal, 0, kControllerPriority);
        Add(m_blockStart, status, kAllNotesOff, 0, kControllerPriority);
    }
    m_channelsTouched = false;
}

void CMidiScheduler::ScheduleSound(CMidiSound& sound) {
    const double position = sound.HeardOffset();
    const double length = sound.Length();
    const double virtualStart = sound.GetVirtualTimeStart();
    const double loopStart = sound.GetLoopStart();
    const double loopEnd = sound.GetLoopEnd();

    // Frame f is heard for every time that rounds to it: [f - 0.5, f + 0.5).
    const double blockFrom = (static_cast<double>(m_blockStart) - 0.5) * 1000.0 / m_rate;
    const double blockTo =
        (static_cast<double>(m_blockStart + m_blockFrames) - 0.5) * 1000.0 / m_rate;
    const double elapsedFrom = std::max(blockFrom, position) - position;
    const double elapsedTo = std::min(blockTo, position + length) - position;
    if (!(elapsedFrom < elapsedTo))
        return;

    // A loop shorter than a frame cannot be played: it counts as none.
    const double span = loopEnd - loopStart;
    const bool looping = span >= 1000.0 / m_rate;
    double firstMaterial = virtualStart;
    if (looping && virtualStart >= loopEnd)
        firstMaterial = loopStart + std::fmod(virtualStart - loopStart, span);
    // Elapsed time at which the first pass reaches the loop end.
    const double firstPassEnd =
        looping ? loopEnd - firstMaterial : std::numeric_limits<double>::infinity();

    // Pass -1 runs from the clip's start to the first loop end; pass k >= 0
    // is the k-th repetition of the loop window after it.
    int64_t pass = -1;
    if (looping && elapsedFrom >= firstPassEnd) {
        const double passes = std::floor((elapsedFrom - firstPassEnd) / span);
        if (!(passes < kMaxPassCount))
            return;
        pass = static_cast<int64_t>(passes);
        if (pass > 0 && firstPassEnd + static_cast<double>(pass) * span > elapsedFrom)
            --pass;
    }
    for (int count = 0; count < kMaxPassesPerBlock; ++count, ++pass) {
        const double passStart = pass < 0 ? 0.0 : firstPassEnd + static_cast<double>(pass) * span;
        const double passEnd = pass < 0 ? firstPassEnd : passStart + span;
        const double segmentFrom = std::max(elapsedFrom, passStart);
        const double segmentTo = std::min(elapsedTo, passEnd);
        if (segmentFrom < segmentTo) {
            const Segment segment{position + segmentFrom, position + segmentTo,
                                  (pass < 0 ? firstMaterial : loopStart) +
                                      (segmentFrom - passStart),
                                  std::min(position + length, position + passEnd),
                                  m_chasePending || segmentFrom == passStart};
            ScheduleSegment(sound, segment);
            m_chasePending = false;
        }
        if (passEnd >= elapsedTo)
            break;
    }
}

void CMidiScheduler::ScheduleSegment(CMidiSound& sound, const Segment& segment) {
    if (segment.entersMaterial)
        ChaseControllers(sound, segment.materialStart, segment.timelineStart);
    ScheduleControllers(sound, segment);
    ScheduleNotes(sound, segment);
}

void CMidiScheduler::ScheduleNotes(CMidiSound& sound, const Segment& segment) {
    const double materialFrom = segment.materialStart;
    const double materialTo = materialFrom + (segment.timelineEnd - segment.timelineStart);
    const int count = sound.NumNotes();
    // Notes are sorted by start: find the first that starts in the segment.
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const MidiNotePtr note = sound.GetNote(middle);
        if (note && note->GetStart() < materialFrom)
            low = middle + 1;
        else
            high = middle;
    }
    const int transpose = sound.GetTranspose();
    for (int index = low; index < count; ++index) {
        const MidiNotePtr note = sound.GetNote(index);
        if (!note || note->GetStart() >= materialTo)
            break;
        const int pitch = note->GetPitch() + transpose;
        if (pitch < 0 || pitch >= kPitches || note->GetVelocity() == 0)
            continue;
        const int64_t on = FrameAt(MaterialToTimeline(segment, note->GetStart()));
        const double end = std::min(MaterialToTimeline(segment, note->GetEnd()), segment.cutTime);
        NoteOn(note->GetChannel(), pitch, note->GetVelocity(), on, std::max(FrameAt(end), on + 1));
    }
}

void CMidiScheduler::ScheduleControllers(CMidiSound& sound, const Segment& segment) {
    const double materialFrom = segment.materialStart;
    const double materialTo = materialFrom + (segment.timelineEnd - segment.timelineStart);
    for (int kind : kKindOrder) {
        const CMidiControllerList* list = sound.GetMidiControllerList(kind);
        if (!list)
            continue;
        const auto& events = list->Events();
        auto it = std::lower_bound(events.begin(), events.end(), materialFrom, EarlierThan);
        for (; it != events.end() && it->time < materialTo; ++it)
            AddController(kind, it->channel, it->value,
                          FrameAt(MaterialToTimeline(segment, it->time)));
    }
}

void CMidiScheduler::ChaseControllers(CMidiSound& sound, double materialTime, double timelineTime) {
    const int64_t frame = FrameAt(timelineTime);
    for (int kind : kKindOrder) {
        if (kind >= kFirstModeMessage && kind < 128)
            continue;
        const CMidiControllerList* list = sound.GetMidiControllerList(kind);
        if (!list)
            continue;
        const auto& events = list->Events();
        const auto end = std::lower_bound(events.begin(), events.end(), materialTime, EarlierThan);
        // The last value of each channel: walk back until every channel has one.
        std::array<int, kChannels> last;
        last.fill(-1);
        int found = 0;
        for (auto it = end; it != events.begin() && found < kChannels;) {
            --it;
            int& value = last[static_cast<size_t>(it->channel & 0x0F)];
            if (value < 0) {
                value = it->value;
                ++found;
            }
        }
        for (int channel = 0; channel < kChannels; ++channel) {
            if (last[static_cast<size_t>(channel)] >= 0)
                AddController(kind, channel, last[static_cast<size_t>(channel)], frame);
        }
    }
}

// ---- Notes ------------------------------------------------------------------------------

void CMidiScheduler::NoteOn(int channel, int pitch, int velocity, int64_t onFrame,
                            int64_t offFrame) {
    channel &= 0x0F;
    int64_t& off = m_offFrame[static_cast<size_t>(channel)][static_cast<size_t>(pitch)];
    const auto key = static_cast<uint8_t>(pitch);
    if (off >= 0) {
        // The key still sounds: let it go first, or its later note-off
        // would cut the new note short.
        if (!Add(std::min(off, onFrame), static_cast<uint8_t>(0x80 | channel), key, 0,
                 kNoteOffPriority))
            return;
        off = -1;
        --m_sounding;
    }
    if (!Add(onFrame, static_cast<uint8_t>(0x90 | channel), key, static_cast<uint8_t>(velocity),
             kNoteOnPriority))
        return;
    off = offFrame;
    ++m_sounding;
    m_channelsTouched = true;
}

void CMidiScheduler::EndDueNotes(int64_t beforeFrame) {
    EndNotes(beforeFrame, false);
}

void CMidiScheduler::EndAllNotes() {
    EndNotes(std::numeric_limits<int64_t>::max(), true);
}

void CMidiScheduler::EndNotes(int64_t beforeFrame, bool atBlockStart) {
    for (int channel = 0; channel < kChannels && m_sounding > 0; ++channel) {
        for (int pitch = 0; pitch < kPitches; ++pitch) {
            int64_t& off = m_offFrame[static_cast<size_t>(channel)][static_cast<size_t>(pitch)];
            if (off < 0 || off >= beforeFrame)
                continue;
            if (!Add(atBlockStart ? m_blockStart : off, static_cast<uint8_t>(0x80 | channel),
                     static_cast<uint8_t>(pitch), 0, kNoteOffPriority))
                return; // full: the rest go in the next block
            off = -1;
            --m_sounding;
        }
    }
}

// ---- Events -----------------------------------------------------------------------------

void CMidiScheduler::AddController(int controller, int channel, int value, int64_t frame) {
    const auto low = static_cast<uint8_t>(value & 0x7F);
    const int ch = channel & 0x0F;
    bool added = false;
    switch (controller) {
    case CMidiControllerList::kProgramChange:
        added = Add(frame, static_cast<uint8_t>(0xC0 | ch), low, 0, kControllerPriority);
        break;
    case CMidiControllerList::kChannelPressure:
        added = Add(frame, static_cast<uint8_t>(0xD0 | ch), low, 0, kControllerPriority);
        break;
    case CMidiControllerList::kPitchBend:
        added = Add(frame, static_cast<uint8_t>(0xE0 | ch), low,
                    static_cast<uint8_t>((value >> 7) & 0x7F), kControllerPriority);
        break;
    default:
        added = Add(frame, static_cast<uint8_t>(0xB0 | ch), static_cast<uint8_t>(controller & 0x7F),
                    low, kControllerPriority);
        break;
    }
    m_channelsTouched = m_channelsTouched || added;
}

bool CMidiScheduler::Add(int64_t frame, uint8_t status, uint8_t data1, uint8_t data2,
                         int priority) {
    if (m_pending.size() >= m_events.size())
        return false;
    const int64_t last = std::max<int64_t>(m_blockFrames - 1, 0);
    const int64_t offset = std::clamp<int64_t>(frame - m_blockStart, 0, last);
    m_pending.push_back({{static_cast<int>(offset), status, data1, data2},
                         priority,
                         static_cast<int>(m_pending.size())});
    return true;
}

void CMidiScheduler::Finish() {
    std::sort(m_pending.begin(), m_pending.end(), [](const Pending& a, const Pending& b) {
        if (a.event.frameOffset != b.event.frameOffset)
            return a.event.frameOffset < b.event.frameOffset;
        if (a.priority != b.priority)
            return a.priority < b.priority;
        return a.sequence < b.sequence;
    });
    m_count = static_cast<int>(m_pending.size());
    for (int index = 0; index < m_count; ++index)
        m_events[static_cast<size_t>(index)] = m_pending[static_cast<size_t>(index)].event;
}

int64_t CMidiScheduler::FrameAt(double timelineMs) const {
    return std::llround(timelineMs * m_rate / 1000.0);
}

double CMidiScheduler::MaterialToTimeline(const Segment& segment, double materialMs) const {
    return segment.timelineStart + (materialMs - segment.materialStart);
}
