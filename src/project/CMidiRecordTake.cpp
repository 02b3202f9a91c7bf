#include "project/CMidiRecordTake.h"

#include "engine/CMidiSound.h"
#include "engine/TempoMap.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/MidiTrackRecord.h"
#include "support/Log.h"

#include <algorithm>

bool CMidiRecordTake::Start(double heardStartMs, double clockStartMs, bool withPlayback) {
    m_recordings.clear();
    m_startMs = heardStartMs;
    m_clockStartMs = clockStartMs;
    m_withPlayback = withPlayback;
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        CTrack* track = m_project.GetTrack(index);
        if (track->GetKind() == CTrack::kMidi && track->IsArmed())
            m_recordings.push_back({static_cast<CMIDITrack*>(track), {}});
    }
    return !m_recordings.empty();
}

double CMidiRecordTake::HeardTimeOf(const TimedMidiMessage& event) const {
    return m_withPlayback ? event.heardMs : m_startMs + (event.clockMs - m_clockStartMs);
}

void CMidiRecordTake::Take(const TimedMidiMessage& event) {
    const double heardMs = HeardTimeOf(event);
    if (heardMs < m_startMs)
        return;
    const int channel = static_cast<int>(event.message & 0x0F);
    for (Recording& recording : m_recordings) {
        const int wanted = recording.track->GetArmedChannel();
        if (wanted == MidiTrackRecord::kAllChannels || wanted == channel)
            recording.events.push_back({event.message, heardMs, event.clockMs});
    }
}

int CMidiRecordTake::Stop(double recordedMs) {
    int placed = 0;
    for (const Recording& recording : m_recordings)
        if (!recording.events.empty())
            placed += PlaceClip(recording, recordedMs) ? 1 : 0;
    m_recordings.clear();
    return placed;
}

bool CMidiRecordTake::PlaceClip(const Recording& recording, double recordedMs) {
    auto* sound = new CMidiSound;
    for (const TimedMidiMessage& event : recording.events)
        sound->AppendMidiEvent(event.message, event.heardMs - m_startMs);
    // Notes still held at the stop end there.
    const double length = std::max(recordedMs, recording.events.back().heardMs - m_startMs);
    sound->AppendMidiEvent(0xB0 | (recording.events.back().message & 0x0F) | (123u << 8), length);
    sound->SortAllEvents(false);
    sound->SetMediaLength(length);
    sound->SetVirtualLength(length);
    sound->SetLoopEnd(length);
    auto* clip = new CMIDIClip(m_project.Clips(), sound);
    const double startReference = m_project.GetTempoMap().GetRealTime(m_startMs);
    const bool placed = recording.track->AddClip(clip, startReference, true);
    if (!placed)
        Log("Error - failed to place the recorded MIDI clip");
    // A placed clip lives on in its track.
    clip->DeleteRefObject();
    return placed;
}
