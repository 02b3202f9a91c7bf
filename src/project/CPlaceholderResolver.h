#pragma once

#include <vector>

class ClipDocument;
class CTrack;

// Turns placeholders back into clips once their sounds can be loaded: each
// placeholder whose sound was missing is read again from its chunks, which
// runs every lookup of a loading clip, the missing-sound search included.
class CPlaceholderResolver {
public:
    // Replaces, on the tracks, every placeholder whose clip now loads by
    // that clip, where the placeholder lay, recording undo records for
    // both. Returns how many were replaced.
    static int Resolve(ClipDocument& document, const std::vector<CTrack*>& tracks);
};
