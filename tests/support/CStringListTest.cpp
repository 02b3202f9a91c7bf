#include "support/CStringList.h"

#include <gtest/gtest.h>

namespace {

TEST(CStringList, FindAndRemoveWithAndWithoutCase) {
    CStringList list;
    list.AddString("/home/a/Sounds");
    list.AddString("/home/a/Loops");
    list.AddString("/home/a/sounds");

    EXPECT_EQ(list.Find("/home/a/sounds"), 2);
    EXPECT_EQ(list.Find("/HOME/A/SOUNDS", true), 0);
    EXPECT_EQ(list.Find("/HOME/A/SOUNDS"), -1);
    EXPECT_FALSE(list.Contains("/home/a"));

    EXPECT_TRUE(list.Remove("/HOME/A/SOUNDS", true));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Index(0), "/home/a/Loops");
    EXPECT_FALSE(list.Remove("nothing"));
    EXPECT_FALSE(list.RemoveByIndex(2));
    EXPECT_EQ(list.Index(5), "");
    EXPECT_EQ(list.Index(-1), "");
}

// Saved lists are numbered from 0 and read back from the highest number down,
// each given to AddLatestString, which must rebuild the saved order.
TEST(CStringList, AddLatestStringPutsNewestFirstWithoutRepeats) {
    const char* saved[] = {"first", "second", "third"};
    CStringList list;
    for (int i = 2; i >= 0; --i)
        list.AddLatestString(saved[i]);
    ASSERT_EQ(list.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.Index(i), saved[i]);

    list.AddLatestString("third");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Index(0), "third");
    EXPECT_EQ(list.Index(1), "first");
}

TEST(CStringList, SortsByBytesOrIgnoringCaseStably) {
    CStringList list;
    for (const char* s : {"beta", "Alpha", "alpha", "Gamma", ""})
        list.AddString(s);
    list.Sort();
    EXPECT_EQ(list.Strings(), (std::vector<std::string>{"", "Alpha", "Gamma", "alpha", "beta"}));
    list.Sort(true);
    EXPECT_EQ(list.Strings(), (std::vector<std::string>{"", "Alpha", "alpha", "beta", "Gamma"}));
}

TEST(CStringList, InsertAtBounds) {
    CStringList list;
    EXPECT_TRUE(list.InsertAt(0, "b"));
    EXPECT_TRUE(list.InsertAt(0, "a"));
    EXPECT_TRUE(list.InsertAt(2, "c"));
    EXPECT_FALSE(list.InsertAt(4, "x"));
    EXPECT_FALSE(list.InsertAt(-1, "x"));
    EXPECT_EQ(list.Strings(), (std::vector<std::string>{"a", "b", "c"}));
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
}

} // namespace
