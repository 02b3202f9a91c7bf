#include "pianoroll/PRNoteTiming.h"

#include "engine/CMidiSound.h"

#include <cmath>

namespace {

// Whole notes of each length type: whole, half, quarter, eighth, sixteenth,
// thirty-second.
constexpr double kWholeNotesOfType[] = {1.0, 0.5, 0.25, 0.125, 0.0625, 0.03125};
constexpr int kNumLengthTypes = 6;

// Divisions of a whole note for snap levels 2..10 (levels 8..10 are the
// eighth, sixteenth and thirty-second triplets).
constexpr int kDivisionsOfLevel[] = {0, 0, 2, 4, 8, 16, 32, 64, 12, 24, 48};

} // namespace

PRNoteTiming::PRNoteTiming(double tempo, int beatsPerMeasure, int beatUnit)
    : m_tempo(tempo > 0.0 && std::isfinite(tempo) ? tempo : kDefaultTempo),
      m_beatsPerMeasure(beatsPerMeasure > 0 ? beatsPerMeasure : 4),
      m_beatUnit(beatUnit > 0 ? beatUnit : 4) {}

PRNoteTiming PRNoteTiming::ForSound(const CMidiSound* sound) {
    if (!sound)
        return PRNoteTiming(kDefaultTempo, 4, 4);
    const double tempo = sound->GetObeyTempoMap() ? kDefaultTempo : sound->GetSoundTempo();
    return PRNoteTiming(tempo, sound->GetTimeSigNumerator(), sound->GetTimeSigDenominator());
}

int32_t PRNoteTiming::NoteLengthMs(const PRLengthChoice& choice) const {
    if (choice.type < 0 || choice.type >= kNumLengthTypes)
        return 0;
    // The tempo counts beats of the signature's beat unit.
    double ms = BeatMs() * m_beatUnit * kWholeNotesOfType[choice.type];
    if (choice.triplet)
        ms /= 3.0;
    if (choice.dotted)
        ms *= 1.5;
    return static_cast<int32_t>(ms);
}

PRLengthChoice PRNoteTiming::LengthChoiceOf(int32_t durationMs) const {
    for (int type = 0; type < kNumLengthTypes; ++type) {
        const int32_t plain = NoteLengthMs({type, false, false});
        if (plain == durationMs)
            return {type, false, false};
        if (plain / 3 == durationMs)
            return {type, true, false};
        if (plain * 3 / 2 == durationMs)
            return {type, false, true};
    }
    return {kCustomLength, false, false};
}

double PRNoteTiming::SnapStepMs(int level) const {
    return 60000.0 * m_beatUnit / (m_tempo * kDivisionsOfLevel[level]);
}

double PRNoteTiming::Snap(double soundMs, int level) const {
    if (level <= kSnapOff || level > kMaxSnapLevel || !std::isfinite(soundMs))
        return soundMs;
    if (level == kSnapBar)
        return SnapToBar(soundMs);
    const double step = SnapStepMs(level);
    const double steps = std::trunc(soundMs / step);
    const double remainder = soundMs - steps * step;
    // Exactly half a step goes down.
    const double snapped = std::trunc(remainder) > step / 2.0 ? (steps + 1.0) * step : steps * step;
    return snapped < 0.0 ? 0.0 : snapped;
}

double PRNoteTiming::SnapToBar(double soundMs) const {
    const double beats = soundMs * m_tempo / 60000.0;
    const double whole = std::trunc(beats);
    const double fraction = beats - whole;
    if (whole > 2147483647.0 || whole < -2147483647.0)
        return soundMs;
    const int64_t wholeBeats = static_cast<int64_t>(whole);
    const int64_t measure = wholeBeats / m_beatsPerMeasure + 1;
    const int64_t beat = wholeBeats % m_beatsPerMeasure + 1;
    if (measure <= 0 || (beat == 1 && fraction == 0.0))
        return soundMs;
    // Beats count from 1 here, so in 4/4 anything past beat 2 goes forward.
    const bool forward = static_cast<double>(beat) + fraction > m_beatsPerMeasure / 2.0;
    return MeasureStartMs(static_cast<int>(forward ? measure + 1 : measure));
}

double PRNoteTiming::MeasureStartMs(int measure) const {
    return std::trunc((measure - 1.0) * m_beatsPerMeasure / m_tempo * 60000.0);
}

int32_t PRNoteTiming::GridStepMs(int level) const {
    if (level <= kSnapOff || level > kMaxSnapLevel)
        return 0;
    // The step snapping itself uses, so that a least length of one step
    // lands on the grid in any time signature.
    const double step = level == kSnapBar ? m_beatsPerMeasure * BeatMs() : SnapStepMs(level);
    return static_cast<int32_t>(step);
}
