#pragma once

#include "engine/CAudioEffect.h"
#include "engine/CSoundStream.h"
#include "engine/Realtime.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CAudioAtom;
class CClipAudioBuffer;
class CMidiScheduler;
class CMidiSound;
class CPCMMixer;
class CPCMTrack;
class CPCMSound;
class CSoundData;
class CSoundReader;

// The one routine that turns the mixer's state into output: every device and
// the null device call it through CPCMMixer::Mix; the render worker has an
// instance of its own and calls RenderOffline, which reads the same tracks,
// sounds and chains but keeps its own position, so a render leaves the
// playback position alone.
//
// Signal path: each audio sound, with its envelopes and filters, is summed on
// its track's bus, and each MIDI sound's events of the block are handed to its
// track's instrument chain; the bus passes through the track's instrument
// chain, instrument effects chain and effect chain, then volume, pan, mute and
// solo put it on the master bus, which passes through the master chain; then the
// metronome and the master volume. Live output (Render) then carries the
// mixer's one-shot sound (COneShotPlayer) on top, at its own level.
//
// While the transport is stopped or paused the tracks' chains keep running on
// silence, so that instrument previews (CPCMMixer::MidiNoteOnNow) are heard
// and effects ring out; not while the render worker renders, since the
// render then owns the instruments.
//
// Sound data comes only from the streams its sound reader fills ahead of the
// play position; a sound whose stream does not hold the block's frames yet is
// left out of that block (an underrun, which the reader counts).
//
// Real-time rules: it allocates nothing, does no file I/O and never waits. It
// only tries the mixer's lock (and each sound's); a block it cannot lock is
// silence, a sound it cannot lock is left out of that block. All scratch space
// is sized beforehand by Prepare, on the GUI thread. Offline (RenderOffline,
// and Render with wait set) it waits for the reader instead of leaving a sound
// out.
class CMixRoutine {
public:
    // Output is produced in chunks of at most this many frames.
    static constexpr int kChunkFrames = 1024;
    // Envelopes and filter coefficients are taken anew every this many frames;
    // gains are interpolated in between.
    static constexpr int kSubBlockFrames = 32;
    // Sound frames are asked of memory this far ahead of the mix, a cache
    // line at a time.
    static constexpr int kPrefetchFrames = 128;
    static constexpr int kFramesPerLine = 8;

    // RenderOffline's onlyTrack for the whole mix.
    static constexpr int kAllTracks = -1;

    // MIDI sounds played at once; further ones are not heard.
    static constexpr int kMaxMidiSounds = 64;
    // MIDI events one sound, and one track, can carry in one chunk.
    static constexpr int kMaxSoundEvents = 1024;
    static constexpr int kMaxTrackEvents = 4096;

    explicit CMixRoutine(CSoundReader& reader);
    ~CMixRoutine();

    // Sizes the track buses for trackCount tracks. GUI thread, mixer locked.
    void Prepare(int trackCount);
    // Forgets a click in progress (playback restarted). Mixer locked.
    void ResetClick();
    // The next block starts a new play order even where it follows on from
    // the last (playback restarted at its own position). Mixer locked.
    void RestartStreams() { m_streamNext = -1; }

    // A device's input block: frames of `channels` interleaved samples.
    struct LiveInput {
        const float* samples = nullptr;
        int channels = 0;
    };

    // Playback: fills frames of interleaved stereo float output from the
    // mixer's transport and moves it on. A block whose lock is taken is
    // silence. With wait set (a caller that is not real-time) it waits for
    // the sound reader rather than leave a sound out. With an input, each
    // monitoring track adds the input it is armed on to its bus before its
    // chains (software monitoring).
    void Render(CPCMMixer& mixer, float* out, int frames) LOOMTONE_REALTIME;
    void Render(CPCMMixer& mixer, float* out, int frames, LiveInput input) LOOMTONE_REALTIME;
    void Render(CPCMMixer& mixer, float* out, int frames, bool wait);

    // Rendering: fills frames of the atom's timeline from startFrame, without
    // touching the transport. With onlyTrack >= 0 only that track's sounds,
    // through its chains but before its volume, pan, mute and solo (a frozen
    // track plays back through them again); with kAllTracks the whole mix
    // through the master chain and master volume, without the metronome.
    // False, with out untouched, while the mixer's lock is taken: the caller
    // tries again rather than writing silence. The routine must have been
    // prepared for the mixer's tracks (tracks beyond that are not heard).
    bool RenderOffline(CPCMMixer& mixer, CAudioAtom* atom, int64_t startFrame, float* out,
                       int frames, int onlyTrack);

private:
    struct Segment {
        float* out;
        int frames;
        int64_t startFrame; // timeline frame of out[0]
        int64_t sequence;   // its place in the play order the streams follow
    };

    void RenderLocked(CPCMMixer& mixer, float* out, int frames);
    // Tells the reader where the block plays and, when it is ready for it,
    // which sounds may play soon.
    void TellReader(CAudioAtom* atom);
    void AddToWindow(CAudioAtom* atom);
    // A render that may wait: a sound the reader does not stream yet (added
    // while the reader had not taken the last window) gets a new window at
    // once, or the wait for its frames would never end.
    void HandWindowFor(CPCMSound& sound);

    void RenderChunk(CPCMMixer& mixer, float* out, int frames);
    // Transport stopped or paused: the tracks' chains still run, so that
    // instruments play their previews and effects ring out.
    void RenderIdle(CPCMMixer& mixer, float* out, int frames);
    // Schedules the sound's events for the block: while live, for a track
    // whose instrument renders ahead, its look-ahead later.
    void ScheduleWindow(CPCMMixer& mixer, CMidiScheduler& scheduler, CMidiSound& sound, int track,
                        const Segment& segment);
    int LookAheadOf(CPCMMixer& mixer, int trackNumber) const;
    void MixSegment(CPCMMixer& mixer, CAudioAtom* atom, const Segment& segment);
    bool Wanted(int trackNumber) const;
    void ScheduleMidi(CPCMMixer& mixer, CMidiSound& sound, const Segment& segment);
    int SchedulerFor(const CMidiSound* sound);
    // Ends the notes of schedulers whose sound left the group.
    void ReleaseUnseenSchedulers();
    void AddTrackEvents(int trackNumber, const EffectMidiEvent* events, int count);
    void MixAtom(CPCMMixer& mixer, CAudioAtom* atom, const Segment& segment);
    // One sound (audio or MIDI) of the played atom.
    void MixMember(CPCMMixer& mixer, CAudioAtom* atom, const Segment& segment);
    void MixSound(CPCMSound& sound, const Segment& segment, float* bus);
    // Mixes the sound's frames in span, which start at the clip's frame clipFrame.
    static void PrefetchFrame(const CSoundStream::Frames& span, int frame, int frames);
    void MixSoundSpan(CPCMSound& sound, const CSoundStream::Frames& span, int64_t clipFrame,
                      int frames, float* bus);
    // Frames [done, done + count) of span: where they lie, or gathered into
    // m_scratch when the stream's ring wraps inside them.
    const float* SpanFrames(const CSoundStream::Frames& span, int done, int count);
    void ApplyFilters(CClipAudioBuffer& buffer, double clipMs, int frames);
    void SumTracks(CPCMMixer& mixer, const Segment& segment);
    void RunTrackChains(CPCMTrack& track, int trackNumber, float* bus, const Segment& segment);
    // Where a live segment plays, for the instruments that render ahead.
    LivePlace LivePlaceOf(const Segment& segment) const;
    // The live input a monitoring track hears in this block: the device's own
    // input or another input device's frames; none (null samples) when it
    // hears nothing.
    LiveInput MonitoredInputOf(CPCMMixer& mixer, const CPCMTrack& track) const;
    // Adds the input's frames under the segment to a monitoring track's bus.
    void AddMonitoredInput(const CPCMTrack& track, const LiveInput& input, const Segment& segment,
                           float* bus) const;
    void MixMetronome(CPCMMixer& mixer, const Segment& segment);
    // Plays the sounding click into segment frames [from, to).
    void PlayClick(const Segment& segment, int from, int to, double volume);
    float* BusFor(CPCMMixer& mixer, int trackNumber);

    CSoundReader& m_reader;
    bool m_wait = false;
    // The atom the last window was made from.
    CAudioAtom* m_windowAtom = nullptr;
    // The play order the streams follow, the place in it of the next block,
    // and the timeline frame that block must start at to follow on (-1: none).
    StreamPlan m_plan;
    int64_t m_sequence = 0;
    int64_t m_streamNext = -1;
    // Live: one sound's frames of a segment, copied out of its stream,
    // kChunkFrames stereo. Offline the frames are mixed where they lie.
    std::vector<float> m_span;

    std::vector<float> m_trackBuses; // kChunkFrames stereo frames per track
    std::vector<char> m_busUsed;
    std::vector<float> m_masterBus;
    float m_scratch[kSubBlockFrames * 2];
    int m_trackCapacity = 0;
    // One scheduler per MIDI sound being played, with the sound it serves
    // (null when free), its track and whether it was used in this segment.
    std::vector<std::unique_ptr<CMidiScheduler>> m_schedulers;
    std::vector<const CMidiSound*> m_schedulerSound;
    std::vector<int> m_schedulerTrack;
    std::vector<char> m_schedulerSeen;
    // A segment's MIDI events go to lists of kMaxTrackEvents, one for each
    // track that gets any. Only the schedulers' tracks can: at most two per
    // scheduler (the one it plays on and one it has just left). So the lists
    // are a fixed pool, not one per track: a project of thousands of tracks
    // would otherwise hold hundreds of megabytes of them.
    static constexpr int kEventLists = 2 * kMaxMidiSounds;
    std::vector<EffectMidiEvent> m_eventLists; // kEventLists * kMaxTrackEvents
    std::array<int, kEventLists> m_eventListCount{};
    int m_eventListsUsed = 0;
    std::vector<int> m_trackEventList;            // per track: its list in this segment, -1 none
    std::vector<EffectMidiEvent> m_shiftedEvents; // kMaxSoundEvents
    // Live: the device's input of the block being mixed and where that block's output starts.
    LiveInput m_input;
    const float* m_blockOut = nullptr;
    bool m_offline = false;
    bool m_idle = false;
    int m_onlyTrack = kAllTracks;
    // Live: the transport as the last block left it; a block that does not
    // follow on from it (start, stop, seek) is a jump.
    bool m_livePlaying = false;
    int64_t m_liveNextPosition = -1;
    bool m_liveJumped = false;
    // Transport loop of the block being mixed (live), for look-ahead windows.
    bool m_segmentLooping = false;
    int64_t m_loopStart = 0;
    int64_t m_loopEnd = 0;

    // The click sounding now (the mixer's copy in memory), or null.
    const CSoundData* m_click = nullptr;
    int64_t m_clickFrame = 0; // next frame of it to play
};
