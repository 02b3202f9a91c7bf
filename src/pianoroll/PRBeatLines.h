#pragma once

#include <cstdint>
#include <vector>

class PRNoteGeometry;
class PRNoteTiming;

// The beat lines the note area and the controller lanes draw under what they
// show: one per beat from the pixel column left up to right, the first beat
// of each measure marked, none when beats are closer than four pixels.
struct PRBeatLine {
    int x = 0;
    bool measureStart = false;
};

std::vector<PRBeatLine> PRBeatLinesIn(const PRNoteTiming& timing, const PRNoteGeometry& geometry,
                                      int left, int right);
