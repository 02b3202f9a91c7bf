#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <string>

class CRIFF;

// The sound of a legacy session: the chunks of one LIST "sndc". The known
// parts are the sound's version (the "atom" record starts with 1.0 as f64)
// and its file path ("sref"); the sound data record ("pcmc") must be there
// and whole, but its fields, like the rest of "atom" and the optional
// "zbr2", are not read.
struct LegacySoundRecord {
    static constexpr FourCC kAtomCode = MakeFourCC("atom");
    static constexpr FourCC kSoundRefCode = MakeFourCC("sref");
    static constexpr FourCC kSoundDataCode = MakeFourCC("pcmc");
    static constexpr size_t kAtomMinimumSize = 552;
    static constexpr size_t kPathSize = 260;
    static constexpr double kVersion = 1.0;
    // The data record is read whole to prove it is there; no known version
    // is larger, so a body beyond this is damage, not data.
    static constexpr size_t kSoundDataMaximumSize = 64 * 1024;

    std::string path;

    // Reads the chunks from the reader's position inside the LIST; logs
    // the failing step.
    ProjectReadError Read(CRIFF& riff);

private:
    static ProjectReadError ReadAtom(CRIFF& riff);
    ProjectReadError ReadSoundRef(CRIFF& riff);
    static ProjectReadError ReadSoundData(CRIFF& riff);
};
