#include "pianoroll/PRValueColumns.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Column = PRValueColumns::Column;

std::vector<Column> Merged(const std::vector<Column>& added) {
    PRValueColumns columns;
    for (const Column& c : added)
        columns.Add(c.x, c.top, c.bottom);
    return columns.Columns();
}

TEST(PRValueColumnsTest, ValuesOnOneColumnMakeOneBoxSpanningThemAll) {
    EXPECT_EQ(Merged({{5, 10, 20}, {5, 15, 30}, {5, 12, 13}, {6, 1, 2}}),
              (std::vector<Column>{{5, 10, 30}, {6, 1, 2}}));
    // Values on both sides of the base (pitch bend).
    EXPECT_EQ(Merged({{3, 20, 41}, {3, 40, 60}}), (std::vector<Column>{{3, 20, 60}}));
}

TEST(PRValueColumnsTest, ColumnsOutOfOrderAreSortedAndJoined) {
    EXPECT_EQ(Merged({{9, 5, 6}, {2, 1, 4}, {9, 0, 3}, {2, 3, 8}, {4, 4, 5}}),
              (std::vector<Column>{{2, 1, 8}, {4, 4, 5}, {9, 0, 6}}));
}

TEST(PRValueColumnsTest, DistinctColumnsStayApartAndNothingGivesNothing) {
    EXPECT_EQ(Merged({{1, 0, 1}, {2, 0, 1}, {3, 0, 1}}),
              (std::vector<Column>{{1, 0, 1}, {2, 0, 1}, {3, 0, 1}}));
    EXPECT_TRUE(Merged({}).empty());
}

} // namespace
