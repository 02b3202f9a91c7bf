#pragma once

#include "engine/TempoEvent.h"
#include "project/ProjectReadError.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CRIFF;
struct ProjectFileContents;

// Reads a session of the older "sess" form into the same contents as a
// project file. Known layout: the track data ("thtd": master volume and one
// 288-byte record per track) and the effect list (LIST "thel" of "thed"
// chunks) in the form; a first LIST "sgrp" holding the markers ("tmrk" or
// "tmk2"), the sound count ("sgdt"), the session information ("sgif", whose
// first 1024 bytes are the comments) and one LIST "sndc" per sound.
class CLegacySessionReader {
public:
    // The session's first marker gets startEvent as its tempo event; the
    // later "tmk2" form always starts at 120 beats per minute.
    explicit CLegacySessionReader(const TempoEvent& startEvent) : m_startEvent(startEvent) {}

    // Reads the whole form; contents changes only on success.
    ProjectReadError Read(CRIFF& riff, ProjectFileContents* contents) const;

private:
    ProjectReadError ReadTrackData(CRIFF& riff, ProjectFileContents& contents) const;
    void ReadEffects(CRIFF& riff, ProjectFileContents& contents) const;
    ProjectReadError EnterSoundGroup(CRIFF& riff) const;
    ProjectReadError ReadMarkers(CRIFF& riff, ProjectFileContents& contents) const;
    ProjectReadError ReadMarkerRecords(const std::vector<uint8_t>& body, bool withIsrc,
                                       ProjectFileContents& contents) const;
    ProjectReadError ReadSounds(CRIFF& riff, ProjectFileContents& contents) const;

    TempoEvent m_startEvent;
};
