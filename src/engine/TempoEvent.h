#pragma once

// One change of the tempo map: at `time` (reference milliseconds, see
// TempoMap) the fields whose change flag is set take effect; the other fields
// are carried along unused. `setting` is the event's integer setting (the
// metronome's beats), at least 1.
struct TempoEvent {
    double time = 0.0;
    double tempo = 120.0; // beats per minute
    int key = 3;          // index into the key table of TempoMap
    int numerator = 4;
    int denominator = 4;
    bool tempoChange = false;
    bool keyChange = false;
    bool timeSigChange = false;
    int setting = 1;

    bool operator==(const TempoEvent&) const = default;
};
