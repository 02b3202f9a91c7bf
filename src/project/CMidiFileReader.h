#pragma once

#include "project/MidiFileContent.h"

#include <cstddef>
#include <cstdint>

// Reads a Standard MIDI file (formats 0 and 1) from memory into a
// MidiFileContent. Every length, count and variable-length number is checked
// against the bytes the file holds, so a hostile file ends in an error,
// never in a read past the end or an allocation larger than the file.
//
// A format-0 file is split by channel: each channel that has messages
// becomes a track of its own, in channel order. A SMPTE division is turned
// into milliseconds per tick from its frames per second and ticks per frame.
class CMidiFileReader {
public:
    enum class Error {
        None,
        NotMidi,           // no "MThd" header of length 6, or a bad division
        UnsupportedFormat, // format 2 and above
        MissingTrack,      // a track chunk is missing or shorter than it says
        BadEvent,          // a message without status or with a bad data byte
    };

    static constexpr size_t kHeaderSize = 14;
    // A variable-length number takes at most four bytes (28 bits).
    static constexpr int kMaxVarLenBytes = 4;
    static constexpr int kChannels = 16;

    // True when the data starts with "MThd" and the big-endian length 6.
    static bool IsMidiFile(const uint8_t* data, size_t size);
    // Reads the file. On an error the tracks read before the failing one
    // stay in content, as do the project events met so far.
    static Error Read(const uint8_t* data, size_t size, MidiFileContent& content);
    // The log text of an error.
    static const char* ErrorText(Error error);
};
