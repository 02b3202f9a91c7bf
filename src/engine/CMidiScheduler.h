#pragma once

#include "engine/CAudioEffect.h"

#include <array>
#include <cstdint>
#include <vector>

class CMidiSound;

// Turns a MIDI sound's notes and controllers into the timed MIDI events of
// one block for its instrument, block after block, as the mixer plays.
//
// Timing follows the sound: it plays from AbsoluteOffset for Length
// milliseconds of the timeline, starting at GetVirtualTimeStart in its
// material; when the loop end is after the loop start, reaching the loop end
// goes on at the loop start. Notes are moved by the transpose (notes moved
// outside 0..127 are left out). An event at timeline time t falls on frame
// round(t * sampleRate / 1000).
//
// A note ends at its own end, at the end of the loop pass it started in, or
// at the end of the clip, whichever comes first. When the sound is muted,
// when a block does not follow on from the last one (a seek, a jump of the
// transport loop) and on Stop, every sounding note ends at the start of the
// block. Each time playback enters the material somewhere (its first block,
// a seek, the start of the clip, a loop pass) every controller takes the
// value of its last event before that place, channel by channel, so a
// program change or pitch bend before the place is not lost.
//
// One scheduler serves one sound on the audio thread. Everything it needs is
// allocated by the constructor. The sound is only tried (TryLock): while the
// GUI thread holds it, the block gets only the note-offs that are due.
class CMidiScheduler {
public:
    static constexpr int kDefaultMaxEvents = 4096;
    static constexpr int kChannels = 16;
    static constexpr int kPitches = 128;

    explicit CMidiScheduler(int maxEvents = kDefaultMaxEvents);

    // The events of the timeline block [startFrame, startFrame + frames) at
    // the rate, in frame order; returns their number. Events past the
    // capacity are left out (a note-off then comes in a later block).
    int ScheduleBlock(CMidiSound& sound, int64_t startFrame, int frames, double sampleRate);
    // Playback stopped: note-offs for every sounding note and an all-notes-
    // off on every channel, at frame 0. Returns their number.
    int Stop();

    const EffectMidiEvent* Events() const { return m_events.data(); }
    int NumEvents() const { return m_count; }
    int NumSoundingNotes() const { return m_sounding; }

private:
    // One stretch of the block where timeline and material run side by side.
    struct Segment {
        double timelineStart; // ms
        double timelineEnd;
        double materialStart; // ms, the material heard at timelineStart
        double cutTime;       // timeline ms where notes started here must end
        bool entersMaterial;  // playback arrives here by a jump
    };
    struct Pending {
        EffectMidiEvent event;
        int priority; // note-offs, then controllers, then note-ons at one frame
        int sequence;
    };

    void BeginBlock(int64_t startFrame, int frames, double sampleRate);
    void ScheduleSound(CMidiSound& sound);
    void ScheduleSegment(CMidiSound& sound, const Segment& segment);
    void ScheduleNotes(CMidiSound& sound, const Segment& segment);
    void ScheduleControllers(CMidiSound& sound, const Segment& segment);
    void ChaseControllers(CMidiSound& sound, double materialTime, double timelineTime);
    // Ends every note and, when the sound played anything since, releases
    // the pedals and sends all-notes-off on every channel; the next segment
    // chases the controllers.
    void EndEverything();
    void EndDueNotes(int64_t beforeFrame);
    void EndAllNotes();
    // Note-offs for the notes due before beforeFrame, at their own frames or
    // all at the block's start.
    void EndNotes(int64_t beforeFrame, bool atBlockStart);
    void NoteOn(int channel, int pitch, int velocity, int64_t onFrame, int64_t offFrame);
    bool Add(int64_t frame, uint8_t status, uint8_t data1, uint8_t data2, int priority);
    void AddController(int controller, int channel, int value, int64_t frame);
    void Finish();

    int64_t FrameAt(double timelineMs) const;
    double MaterialToTimeline(const Segment& segment, double materialMs) const;

    std::vector<Pending> m_pending;
    std::vector<EffectMidiEvent> m_events;
    int m_count = 0;

    // Frame at which each channel's key must be let go; -1 when it is silent.
    std::array<std::array<int64_t, kPitches>, kChannels> m_offFrame;
    int m_sounding = 0;

    int64_t m_blockStart = 0;
    int m_blockFrames = 0;
    double m_rate = 0.0;
    int64_t m_expectedStart = -1; // where the next block should start
    bool m_chasePending = true;
    bool m_channelsTouched = false; // events sent since the channels were last silenced
};
