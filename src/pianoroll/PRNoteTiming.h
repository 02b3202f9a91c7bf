#pragma once

#include <cstdint>

class CMidiSound;

// A note length as the toolbar offers it: a length type (0 whole, 1 half,
// 2 quarter, 3 eighth, 4 sixteenth, 5 thirty-second, 6 custom) and its
// modifiers, which exclude each other.
struct PRLengthChoice {
    int type = 3;
    bool triplet = false;
    bool dotted = false;

    bool operator==(const PRLengthChoice&) const = default;
};

// The musical arithmetic of one MIDI sound's notes: note lengths, snapping
// and grid steps at the sound's tempo and time signature.
//
// Every time here is "sound time": milliseconds from the start of the
// sound's material. A sound that follows the project's tempo map stores
// reference time (a beat lasts 500 ms, tempo 120); any other sound runs at
// its own tempo, which is then the tempo used here. The project's tempo map
// plays no part: bars and beats are counted at this one fixed tempo.
class PRNoteTiming {
public:
    static constexpr int kCustomLength = 6;
    static constexpr int kSnapOff = 0;
    static constexpr int kSnapBar = 1;
    static constexpr int kMaxSnapLevel = 10;
    static constexpr double kDefaultTempo = 120.0;

    // A tempo that is not positive becomes 120 and a signature part that is
    // not positive becomes 4.
    PRNoteTiming(double tempo, int beatsPerMeasure, int beatUnit);
    // The timing of a sound: 120 when it follows the tempo map (or there is
    // no sound), else its own tempo; its time signature.
    static PRNoteTiming ForSound(const CMidiSound* sound);

    double Tempo() const { return m_tempo; }
    int BeatsPerMeasure() const { return m_beatsPerMeasure; }
    int BeatUnit() const { return m_beatUnit; }

    // Sound ms of a length type with its modifiers, truncated; 0 for a type
    // outside 0..5. A triplet is a third of the plain length.
    int32_t NoteLengthMs(const PRLengthChoice& choice) const;
    // The length type whose length (plain, triplet or dotted) is exactly
    // durationMs; the custom type when none is.
    PRLengthChoice LengthChoiceOf(int32_t durationMs) const;

    // The sound time snapped to the grid of the level (0..10; level 0 leaves
    // it, level 1 goes to a bar line, levels 2..10 to a step of the level's
    // division). Levels 2..10 never give a negative time.
    double Snap(double soundMs, int level) const;
    // Sound ms of one grid step of the level, truncated: the bar for level
    // 1, the snap step for levels 2..10; 0 for level 0 (no grid).
    int32_t GridStepMs(int level) const;
    // Sound ms where measure m (counted from 1) starts, truncated.
    double MeasureStartMs(int measure) const;

private:
    double BeatMs() const { return 60000.0 / m_tempo; }
    double SnapStepMs(int level) const;
    double SnapToBar(double soundMs) const;

    double m_tempo;
    int m_beatsPerMeasure;
    int m_beatUnit;
};
