// Feeds arbitrary bytes to the project file reader (projects and legacy
// sessions). Besides the sanitizers, an accepted file must keep the reader's
// promises: every marker is fit for the tempo map and no track claims more
// clips than the file holds.
#include "engine/TempoMap.h"
#include "project/CProjectFile.h"

#include <cstddef>
#include <cstdint>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProjectFileContents contents;
    CProjectFile file(contents);
    if (!file.LoadFromMemory(data, size)) {
        Check(file.LastError() != ProjectReadError::None);
        Check(contents.tracks.empty() && contents.markers.markers.empty());
        return 0;
    }
    for (const MarkerRecord& marker : contents.markers.markers) {
        Check(marker.time >= 0);
        Check(TempoMap::IsValidEvent(marker.tempoEvent));
    }
    for (const TrackFileContents& track : contents.tracks) {
        const uint32_t clips = track.IsMidi() ? track.Midi()->clipCount : track.Audio()->clipCount;
        Check(clips <= track.CountClips() || contents.legacySession);
    }
    return 0;
}
