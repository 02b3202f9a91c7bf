#include "pianoroll/PRPlayLine.h"

#include "engine/CMidiSound.h"
#include "project/CMIDIClip.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t TruncMs(double ms) {
    if (!std::isfinite(ms))
        return 0;
    return static_cast<int32_t>(std::trunc(std::clamp(ms, 0.0, 2147483647.0)));
}

} // namespace

PRPlayLine::ClipTiming PRPlayLine::TimingOf(const CMIDIClip& clip) {
    ClipTiming timing;
    timing.startMs = clip.GetHeardStartMs();
    timing.lengthMs = clip.GetLengthMs();
    timing.offsetMs = clip.GetOffsetMs();
    timing.loopStartMs = clip.GetLoopStart();
    timing.loopEndMs = clip.GetLoopEnd();
    const CMidiSound* sound = clip.GetAtom();
    const double rate = clip.GetRate();
    timing.soundMsPerMs = (sound && sound->GetObeyTempoMap()) || !(rate > 0.0) ? 1.0 : 1.0 / rate;
    timing.hasEditCopy = clip.GetEditCopy() != nullptr;
    return timing;
}

int32_t PRPlayLine::SoundMsAt(const ClipTiming& clip, double playMs) {
    if (!clip.hasEditCopy && playMs > clip.startMs + clip.lengthMs + clip.loopStartMs)
        return TruncMs(clip.loopEndMs);
    const double v = (playMs - clip.startMs) * clip.soundMsPerMs;
    if (v < -clip.offsetMs)
        return TruncMs(clip.loopStartMs);
    const double loop = clip.loopEndMs - clip.loopStartMs;
    // An empty loop range has nothing to wrap through.
    if (!(loop > 0.0))
        return TruncMs(clip.offsetMs + v);
    double t = clip.offsetMs + (v - std::trunc(v / loop) * loop);
    // Whole loops back at once: a far offset must not take as many steps.
    if (t > clip.loopEndMs)
        t -= std::ceil((t - clip.loopEndMs) / loop) * loop;
    return TruncMs(t);
}

double PRPlayLine::PlayMsAt(const ClipTiming& clip, double soundMs) {
    if (!std::isfinite(soundMs) || !(clip.soundMsPerMs > 0.0))
        return clip.startMs;
    return clip.startMs + std::max(0.0, soundMs - clip.offsetMs) / clip.soundMsPerMs;
}
