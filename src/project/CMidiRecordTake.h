#pragma once

#include "engine/CMidiInputQueue.h"

#include <vector>

class CMIDITrack;
class CProject;

// One take of MIDI recording: every armed MIDI track takes the incoming
// messages of its input channel (all channels when it has none), and when
// the take stops each track that got messages gets a MIDI clip of them at
// the record start. The caller groups the clips into its undo step.
//
// Time bases: the messages carry heard milliseconds; the record start is
// heard and the clips are placed at it in reference time.
class CMidiRecordTake {
public:
    explicit CMidiRecordTake(CProject& project) : m_project(project) {}

    // Records on the armed MIDI tracks from heardStartMs, at clockStartMs on
    // the messages' steady clock; false when none is armed. With playback the
    // messages are placed by the play position they arrived at, without it
    // (the position stands) by their arrival on the clock.
    bool Start(double heardStartMs, double clockStartMs, bool withPlayback);
    // A message that arrived; ones from before the start are left out.
    void Take(const TimedMidiMessage& event);
    // Places the clips, at least recordedMs long; the number placed.
    int Stop(double recordedMs);
    bool IsRecording() const { return !m_recordings.empty(); }

private:
    struct Recording {
        CMIDITrack* track = nullptr;
        std::vector<TimedMidiMessage> events;
    };
    bool PlaceClip(const Recording& recording, double recordedMs);
    double HeardTimeOf(const TimedMidiMessage& event) const;

    CProject& m_project;
    std::vector<Recording> m_recordings;
    double m_startMs = 0.0;
    double m_clockStartMs = 0.0;
    bool m_withPlayback = true;
};
