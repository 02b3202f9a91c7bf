#pragma once

#include <cmath>

// The one piece of music the example project is made of: eight bars at 120
// beats per minute in 4/4, in A minor, over the chords Am F C G Am F E Am.
// The drum, bass and pad sounds and the melody's notes are all laid out on
// this grid, so the sounds and the MIDI clip play together.
namespace ExampleMusic {

constexpr double kTempo = 120.0;
constexpr int kBeatsPerBar = 4;
constexpr int kBars = 8;
constexpr double kBeatSeconds = 60.0 / kTempo;
constexpr double kBarSeconds = kBeatSeconds * kBeatsPerBar;
constexpr double kLengthSeconds = kBarSeconds * kBars;
constexpr double kLengthMs = kLengthSeconds * 1000.0;
// A minor in the tempo map's key table.
constexpr int kKeyAMinor = 12;

// One chord per bar: the bass note and the pad's three notes (MIDI pitches).
struct Chord {
    int bass;
    int voices[3];
};

constexpr Chord kChords[kBars] = {
    {45, {57, 60, 64}}, // Am
    {41, {53, 57, 60}}, // F
    {48, {55, 60, 64}}, // C
    {43, {55, 59, 62}}, // G
    {45, {57, 60, 64}}, // Am
    {41, {53, 57, 60}}, // F
    {40, {56, 59, 64}}, // E
    {45, {57, 60, 64}}, // Am
};

// Equal temperament, A4 (pitch 69) at 440 Hz.
inline double PitchToHz(double pitch) {
    return 440.0 * std::pow(2.0, (pitch - 69.0) / 12.0);
}

} // namespace ExampleMusic
