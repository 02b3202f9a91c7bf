#pragma once

#include "project/MarkerChunk.h"
#include "project/ProjectRecord.h"
#include "project/RawChunk.h"
#include "project/TrackFileContents.h"

#include <cstdint>
#include <memory>
#include <vector>

class CEffectChain;

// Everything a project file holds, as read or to be written by CProjectFile.
struct ProjectFileContents {
    ProjectFileContents();
    ~ProjectFileContents();
    ProjectFileContents(ProjectFileContents&&) noexcept;
    ProjectFileContents& operator=(ProjectFileContents&&) noexcept;

    // On writing, its track counts are taken from `tracks`.
    ProjectRecord project;
    std::unique_ptr<CEffectChain> masterChain;
    // As stored; the time grid adds a start marker when HasStartMarker is false.
    MarkerChunk markers;
    // In display order from the top.
    std::vector<TrackFileContents> tracks;
    // Tracks the file announced that could not be read (damaged or missing);
    // a load with skipped tracks is a partial load the user is told about.
    uint64_t skippedTracks = 0;
    // The file ends before its form does: what the cut went through is
    // missing, and the load is a partial one.
    bool cutShort = false;

    // Read from a legacy session ("sess"). Its tracks are audio tracks
    // without image or colour, and its project record holds no recording
    // folder; the project fills those in from its defaults.
    bool legacySession = false;
    // The legacy session's effects ("thed" chunks, layout not known here)
    // and sounds (LIST "sndc" chunks, read by audio clips), in file order.
    std::vector<RawChunk> legacyEffects;
    std::vector<RawChunk> legacySounds;
};
