#pragma once

#include <cstdint>

class CMIDIClip;

// Where the piano roll's play-position line stands: the time of the clip's
// MIDI sound (sound ms) that a project play position has reached, through
// the clip's start, offset, rate and loop.
class PRPlayLine {
public:
    struct ClipTiming {
        double startMs = 0.0;  // heard, as the play position counts
        double lengthMs = 0.0; // as the clip plays
        double offsetMs = 0.0; // into the sound
        double loopStartMs = 0.0;
        double loopEndMs = 0.0;
        // Sound ms per timeline ms: 1 for a sound that follows the tempo
        // map, else 1 / the clip's rate.
        double soundMsPerMs = 1.0;
        bool hasEditCopy = false;
    };

    static ClipTiming TimingOf(const CMIDIClip& clip);

    // Past the clip's end the line rests at the loop end; before the sound
    // starts, at the loop start; in between the time wraps through the loop.
    // An empty loop range does not wrap. Never below 0.
    static int32_t SoundMsAt(const ClipTiming& clip, double playMs);
    // The other way: the play position at which the clip's first pass
    // plays a sound time. A time before the offset is the clip's start.
    static double PlayMsAt(const ClipTiming& clip, double soundMs);
};
