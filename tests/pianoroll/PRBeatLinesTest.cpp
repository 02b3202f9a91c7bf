#include "pianoroll/PRBeatLines.h"
#include "pianoroll/PRNoteGeometry.h"
#include "pianoroll/PRNoteTiming.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> Columns(const std::vector<PRBeatLine>& lines, bool measureStartsOnly) {
    std::vector<int> columns;
    for (const PRBeatLine& line : lines)
        if (!measureStartsOnly || line.measureStart)
            columns.push_back(line.x);
    return columns;
}

TEST(PRBeatLinesTest, OneLinePerBeatInTheColumnsAskedForWithMeasureStartsMarked) {
    const PRNoteGeometry geometry(10.0); // a 500 ms beat is 50 pixels
    const std::vector<PRBeatLine> lines = PRBeatLinesIn(PRNoteTiming(120, 4, 4), geometry, 75, 401);
    EXPECT_EQ(Columns(lines, false), (std::vector<int>{100, 150, 200, 250, 300, 350, 400}));
    EXPECT_EQ(Columns(lines, true), (std::vector<int>{200, 400}));

    const std::vector<PRBeatLine> sixEight =
        PRBeatLinesIn(PRNoteTiming(120, 6, 8), geometry, 0, 700);
    EXPECT_EQ(Columns(sixEight, true), (std::vector<int>{0, 300, 600}));
}

TEST(PRBeatLinesTest, BeatsCloserThanFourPixelsDrawNoLines) {
    EXPECT_TRUE(PRBeatLinesIn(PRNoteTiming(120, 4, 4), PRNoteGeometry(200.0), 0, 1000).empty());
    EXPECT_TRUE(PRBeatLinesIn(PRNoteTiming(120, 4, 4), PRNoteGeometry(10.0), 300, 300).empty());
}

} // namespace
