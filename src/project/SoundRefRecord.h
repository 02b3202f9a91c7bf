#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CRIFF;

// The sound path of a legacy sound record, chunk "sref": a 260-byte path
// field. A body of any other length is taken for what it holds, but never
// more than the field, so a long body cannot make a long path.
struct SoundRefRecord {
    static constexpr FourCC kChunkCode = MakeFourCC("sref");
    static constexpr size_t kPathSize = 260;

    std::string path;

    // The text up to its terminator within the first kPathSize bytes (at
    // most kPathSize - 1 of them).
    static std::string PathFromBody(const uint8_t* body, size_t size);
    // Seeks "sref" from the current chunk on and reads it.
    ProjectReadError Read(CRIFF& riff);
};
