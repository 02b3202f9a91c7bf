#pragma once

#include "engine/CEnvelope.h"

#include <cstdint>
#include <vector>

// What the clip menu's envelope items do to a clip's current envelope.
enum class EnvelopeFunction : int32_t {
    kBoost = 0,   // option: percent, +-1, 5, 25 or 50
    kFadeIn = 1,  // option: 0 medium, 1 slow, 2 fast
    kFadeOut = 2, // option as for kFadeIn
    kReset = 3,   // back to the envelope's default value
    kInvert = 4,  // the points mirrored between their lowest and highest value
};

// The envelope functions, applied to the part of an envelope between two
// times (milliseconds from the clip's start), and the plain point lists the
// undo records keep of an envelope.
class CEnvelopeFunctions {
public:
    // False, with the envelope untouched, for an unknown function or option.
    static bool Apply(CEnvelope& envelope, EnvelopeFunction function, int32_t option,
                      double startMs, double endMs);
    // Multiplies every value (the default for an envelope without points,
    // which gets one point at 0), kept within the envelope's range.
    static void ScaleValues(CEnvelope& envelope, double factor);

    static std::vector<EnvelopePoint> Points(const CEnvelope& envelope);
    static void SetPoints(CEnvelope& envelope, const std::vector<EnvelopePoint>& points);

private:
    static bool IsKnown(EnvelopeFunction function, int32_t option);
    static void Boost(CEnvelope& envelope, int32_t percent, double startMs, double endMs);
    static void Fade(CEnvelope& envelope, bool in, int32_t option, double startMs, double endMs);
    static void Reset(CEnvelope& envelope, double startMs, double endMs);
    static void Invert(CEnvelope& envelope, double startMs, double endMs);
    // Takes out the points from startMs to endMs (both included) and
    // answers them.
    static std::vector<EnvelopePoint> Cut(CEnvelope& envelope, double startMs, double endMs);
    // A point at each edge (one when the range is a single time).
    static void InsertEdges(CEnvelope& envelope, double startMs, double startValue, double endMs,
                            double endValue);
};
