#pragma once

#include "engine/CPCMMixer.h"
#include "engine/WaveFormat.h"

// A span of heard milliseconds rounded to whole frames of the mix, so that
// clips cut there play on from exactly the frame where the piece before
// them stops.
inline double WholeFramesMs(double ms) {
    return double(CPCMMixer::FramesOf(ms)) * 1000.0 / kMixerSampleRate;
}
