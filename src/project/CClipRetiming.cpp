#include "project/CClipRetiming.h"

#include "engine/CPCMMixer.h"
#include "project/CAllTracks.h"
#include "project/CTrack.h"

void CClipRetiming::AfterTempoChange(CPCMMixer& mixer, const CAllTracks& tracks) {
    mixer.RetimeSounds();
    for (int index = 0; index < tracks.Count(); ++index)
        if (CTrack* track = tracks.At(index))
            track->LayoutClips();
}
