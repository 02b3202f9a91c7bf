#include "pianoroll/PRBeatLines.h"

#include "pianoroll/PRNoteGeometry.h"
#include "pianoroll/PRNoteTiming.h"

#include <cmath>

std::vector<PRBeatLine> PRBeatLinesIn(const PRNoteTiming& timing, const PRNoteGeometry& geometry,
                                      int left, int right) {
    std::vector<PRBeatLine> lines;
    const double beatMs = 60000.0 / timing.Tempo();
    if (geometry.XOfTime(beatMs) < 4)
        return lines;
    for (auto beat = static_cast<int64_t>(geometry.TimeOfX(left) / beatMs);; ++beat) {
        const int x = geometry.XOfTime(std::trunc(beat * beatMs));
        if (x >= right)
            break;
        if (x >= left)
            lines.push_back({x, beat % timing.BeatsPerMeasure() == 0});
    }
    return lines;
}
