#pragma once

#include "project/RawChunk.h"

#include <optional>
#include <vector>

class CClip;
class ClipDocument;

// Turns clips into the chunks a track keeps in a project file and back.
// Clips read and write themselves through a RIFF reader or writer; these run
// them on a file in memory, so that a track's file contents stay plain
// chunks that the project file reader and writer carry.
class CClipChunks {
public:
    // The chunks the clip's Save writes on a file in memory (its record, then
    // what follows it); none when the clip cannot be written. Clips that know
    // their chunks make them directly instead (CClip::MakeFileChunks).
    static std::optional<std::vector<RawChunk>> WriteInMemory(CClip& clip);
    // A clip read from the chunks of one clip (an audio clip for "ClpA", a
    // MIDI clip for a LIST "ClpM"), holding one reference. When they cannot
    // be read or the sound cannot be found, a CPlaceholderClip that keeps
    // them; null only when they start no clip.
    static CClip* Read(ClipDocument& document, const std::vector<RawChunk>& chunks);
    // An audio clip read from a legacy session's sound (a LIST "sndc"),
    // holding one reference; null when it cannot be read or its sound
    // cannot be found.
    static CClip* ReadLegacySound(ClipDocument& document, const RawChunk& sound);
    // A track's clip chunks split into one group per clip. Chunks before the
    // first clip record belong to no clip and go to strays.
    static std::vector<std::vector<RawChunk>> Group(const std::vector<RawChunk>& chunks,
                                                    std::vector<RawChunk>* strays);
};
