#pragma once

class CMIDITrack;
class CTrack;
class Observer;
struct ProjectPreferences;
struct TrackServices;

// Makes the document's tracks: each with its engine track and its header
// and body, observed by the document.
class CTrackFactory {
public:
    CTrackFactory(TrackServices& services, Observer& observer, const ProjectPreferences& prefs)
        : m_services(services), m_observer(observer), m_prefs(prefs) {}

    // None when the engine refuses the track. The caller owns the one
    // reference the track holds.
    CTrack* Create(bool midi) const;
    // A MIDI track the user adds gets the instrument the preferences name,
    // when they name one; a track read from a file keeps its own.
    void AddDefaultInstrument(CMIDITrack& track) const;

private:
    TrackServices& m_services;
    Observer& m_observer;
    const ProjectPreferences& m_prefs;
};
