#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRIFF;

// A MIDI clip's own fields in a project file, chunk "CpMD" (344 bytes,
// version 1.0), the first chunk of the clip's LIST "ClpM". Everything else of
// the clip (timing, notes, controllers) is the engine's note data that
// follows it in the LIST.
struct MidiClipRecord {
    static constexpr FourCC kListType = MakeFourCC("ClpM");
    static constexpr FourCC kChunkCode = MakeFourCC("CpMD");
    static constexpr size_t kSize = 344;
    static constexpr size_t kNameSize = 256;
    static constexpr double kVersion = 1.0;

    double version = kVersion; // as read; always written as 1.0
    int32_t soundId = 0;
    std::string name;
    int32_t beatOffsetMs = 0;
    int32_t trackIndex = 0; // written for other readers; a loading clip ignores it
    bool selected = false;  // written for other readers; a loading clip ignores it

    // Only a version 1.0 record's fields are taken over by a loading clip.
    bool IsKnownVersion() const { return version == kVersion; }

    std::vector<uint8_t> ToBytes() const;
    // A body of exactly 344 bytes; any other size is refused.
    ProjectReadError FromBytes(const uint8_t* body, size_t size);

    bool Write(CRIFF& riff) const;
    // Reads the reader's current chunk, which must be "CpMD", and moves past it.
    ProjectReadError Read(CRIFF& riff);
};
