#include "support/DistinctFileLabels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Labels = std::vector<std::string>;

TEST(DistinctFileLabels, FilesOfOneNameShowTheFoldersThatTellThemApart) {
    EXPECT_EQ(DistinctFileLabels({"/home/u/a/Song.lt4", "/home/u/b/Other.lt4"}),
              (Labels{"Song.lt4", "Other.lt4"}));
    EXPECT_EQ(DistinctFileLabels({"/home/u/a/Song.lt4", "/home/u/b/Song.lt4", "/x/Tune.lt4"}),
              (Labels{"a/Song.lt4", "b/Song.lt4", "Tune.lt4"}));
    // Only as deep as needed, each on its own.
    EXPECT_EQ(DistinctFileLabels({"/m/x/a/Song.lt4", "/m/y/a/Song.lt4", "/m/b/Song.lt4"}),
              (Labels{"x/a/Song.lt4", "y/a/Song.lt4", "b/Song.lt4"}));
    // Up to the root, and no further when one file is listed twice.
    EXPECT_EQ(DistinctFileLabels({"/Song.lt4", "/a/Song.lt4"}),
              (Labels{"/Song.lt4", "a/Song.lt4"}));
    EXPECT_EQ(DistinctFileLabels({"/a/Song.lt4", "/a/Song.lt4"}),
              (Labels{"/a/Song.lt4", "/a/Song.lt4"}));
    EXPECT_TRUE(DistinctFileLabels({}).empty());
}
