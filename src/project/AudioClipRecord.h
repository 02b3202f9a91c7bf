#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CRIFF;

// An audio clip in a project file, chunk "ClpA": where its sound file is,
// its timing, rate, pitch, tempo and key, name, lock and mute. Written as
// version 1.2 (968 bytes); versions 1.0 and 1.1, whose timing fields sit at
// other offsets, are read too.
struct AudioClipRecord {
    static constexpr FourCC kChunkCode = MakeFourCC("ClpA");
    static constexpr size_t kSize = 968;
    static constexpr size_t kPathSize = 260;
    static constexpr size_t kNameSize = 256;
    // Each version's layout up to its last field; a shorter body is refused
    // rather than read as zeros past its end.
    static constexpr size_t kMinimumSize10 = 884;
    static constexpr size_t kMinimumSize11 = 892;
    static constexpr size_t kMinimumSize12 = kSize;
    // The engine's shortest clip and its rate limits.
    static constexpr double kMinimumLengthMs = 40.0;
    static constexpr double kMinimumRate = 1.0 / 16.0;
    static constexpr double kMaximumRate = 16.0;

    double version = 1.2; // as read; always written as 1.2
    std::string absolutePath;
    std::string relativePath;
    int32_t soundId = 0;
    double position = 0.0;
    double length = kMinimumLengthMs;
    double offset = 0.0;
    double loopStart = 0.0;
    double loopEnd = 0.0;
    int32_t trackIndex = 0; // written for other readers; a loading clip ignores it
    double rate = 1.0;
    double pitchShift = 0.0;
    std::string name;
    int32_t beatOffsetMs = 0;
    bool obeyKeyMap = false;
    int32_t key = 0;
    double tempo = 0.0;
    bool obeyTempoMap = false;
    bool ratePitchCorrect = false;
    bool selected = false; // written for other readers; a loading clip ignores it
    bool locked = false;
    bool muted = false;
    bool forceTempo = false;
    bool forceKey = false;
    double forcedTempo = 0.0;
    int32_t forcedKey = 0;

    bool IsVersion10() const { return version == 1.0; }

    std::vector<uint8_t> ToBytes() const;
    // Takes the fields of a body of version 1.0, 1.1 or 1.2 that holds its
    // version's whole layout, then makes the values safe (CheckValues).
    // Nothing changes on failure.
    ProjectReadError FromBytes(const uint8_t* body, size_t size);

    // Brings values a damaged or hostile file may hold into range: every
    // number finite, position and offset at least 0, the length at least
    // 40 ms, the rate within 1/16..16 (else 1.0), a loop whose start is not
    // below its end cleared to the whole sound (0, 0).
    void CheckValues();
    // The loop as it fits a sound of dataLengthMs: an end beyond the data
    // (or a start beyond it) ends at the data's end, a start beyond the data
    // starts at 0, and a loop left empty covers the whole sound.
    void FitLoopTo(double dataLengthMs);

    bool Write(CRIFF& riff) const;
    // Reads the reader's current chunk, which must be "ClpA", and moves past it.
    ProjectReadError Read(CRIFF& riff);
};
