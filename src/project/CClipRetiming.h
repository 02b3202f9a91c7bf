#pragma once

class CAllTracks;
class CPCMMixer;

// Clip starts are kept in reference time, as the project file stores them,
// so that a clip stays on its beat whatever the tempo. The engine hears each
// start through the tempo map (CAudioAtom::HeardOffset) and the track area
// draws it there. When the map changes, both have to follow.
class CClipRetiming {
public:
    // Re-places every clip's sound in the mix and every clip's picture on
    // its track after the tempo map changed.
    static void AfterTempoChange(CPCMMixer& mixer, const CAllTracks& tracks);
};
