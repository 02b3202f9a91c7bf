#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRIFF;

// The project-wide settings of a project file, chunk "PROJ" (2656 bytes):
// recording folder, automatic beat matching, metronome, the authoring texts,
// the two track counts, the time-line mode, the master volume and the year.
struct ProjectRecord {
    static constexpr FourCC kChunkCode = MakeFourCC("PROJ");
    static constexpr size_t kSize = 2656;
    static constexpr size_t kMinimumBodySize = 8; // the version
    static constexpr double kVersion = 1.3;       // always written
    static constexpr double kOldestVersion = 1.0;

    static constexpr size_t kFolderSize = 260;
    static constexpr size_t kTextSize = 256;
    static constexpr size_t kCommentsSize = 1024;

    double version = kVersion; // as read; Write always stores kVersion
    std::string recordingFolder;
    bool autoBeatMatch = false;
    bool metronome = false;
    std::string author;
    std::string album;
    std::string copyright;
    std::string title;
    std::string comments;
    std::string genre;
    uint32_t audioTrackCount = 0;
    uint32_t timeLineMode = 0;
    double masterVolume = 1.0;
    uint32_t midiTrackCount = 0;
    uint32_t year = 0;

    std::vector<uint8_t> ToBytes() const;
    // Takes the fields from a body of any length of at least 8 bytes (missing
    // fields read as zero). Versions 1.0 to 1.3 are read; a version-1.0
    // record's master volume reads as 1.0 and records older than 1.3 hold no
    // year (0). A master volume that is not a finite, non-negative number
    // reads as 1.0. Nothing changes on failure.
    ProjectReadError FromBytes(const uint8_t* body, size_t size);

    bool Write(CRIFF& riff) const;
    // Reads the reader's current chunk, which must be "PROJ", and moves past it.
    ProjectReadError Read(CRIFF& riff);

    uint64_t TrackCount() const { return uint64_t{audioTrackCount} + midiTrackCount; }
};
