#include "support/CMyList.h"
#include "support/CMyArrayList.h"

#include <gtest/gtest.h>

namespace {

struct Item {
    int id;
};

TEST(CMyList, AddSortedKeepsOrderAndInsertionOrderOfEqualKeys) {
    Item a{1}, b{2}, c{3}, d{4}, e{5};
    CMyList list;
    EXPECT_TRUE(list.AddSorted(&a, 20));
    EXPECT_TRUE(list.AddSorted(&b, 10));
    EXPECT_TRUE(list.AddSorted(&c, 20));
    EXPECT_TRUE(list.AddSorted(&d, 30));
    EXPECT_TRUE(list.AddSorted(&e, 20));

    const Item* expected[] = {&b, &a, &c, &e, &d};
    ASSERT_EQ(list.Count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(list.Index(i), expected[i]) << "at " << i;
    EXPECT_EQ(list.SortValueAt(0), 10);
    EXPECT_EQ(list.SortValueAt(4), 30);
    EXPECT_EQ(list.ElemBySortValue(20), &a);
    EXPECT_EQ(list.ElemBySortValue(25), nullptr);
}

TEST(CMyList, AddSortedHandlesExtremeKeysAndUnsortedLists) {
    Item a{1}, b{2}, c{3}, d{4};
    CMyList list;
    list.AppendToTail(&a, 50);
    list.AppendToTail(&b, -5);
    list.AddSorted(&c, INT32_MIN);
    list.AddSorted(&d, INT32_MAX);
    EXPECT_EQ(list.Index(0), &c);
    EXPECT_EQ(list.Index(3), &d);
    EXPECT_EQ(list.Count(), 4);
}

TEST(CMyList, OutOfRangeAndNullAreHarmless) {
    Item a{1};
    CMyList list;
    EXPECT_FALSE(list.AppendToTail(nullptr));
    EXPECT_FALSE(list.AddSorted(nullptr, 1));
    EXPECT_FALSE(list.InsertAt(1, &a));
    EXPECT_FALSE(list.InsertAt(-1, &a));
    EXPECT_EQ(list.Index(0), nullptr);
    EXPECT_EQ(list.Index(-1), nullptr);
    EXPECT_EQ(list.RemoveByIndex(0), nullptr);
    EXPECT_EQ(list.SortValueAt(3), 0);
    EXPECT_FALSE(list.Remove(&a));
    EXPECT_FALSE(list.Remove(nullptr));
    EXPECT_EQ(list.IndexOf(nullptr), -1);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(CMyList, RemoveTakesFirstOccurrenceAndKeepsTheRest) {
    Item a{1}, b{2}, c{3};
    CMyList list;
    list.AppendToTail(&a, 1);
    list.AppendToTail(&b, 2);
    list.AppendToTail(&a, 3);
    list.InsertAt(1, &c, 9);

    EXPECT_EQ(list.IndexOf(&c), 1);
    EXPECT_TRUE(list.Remove(&a));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Index(0), &c);
    EXPECT_EQ(list.IndexOf(&a), 2);
    EXPECT_EQ(list.SortValueAt(2), 3);

    EXPECT_EQ(list.RemoveByIndex(1), &b);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Contains(&a));
    EXPECT_FALSE(list.Contains(&b));

    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Index(0), nullptr);
}

// The typed list only casts; one pass through it shows the casts hand back the right items.
TEST(CMyArrayList, TypedListBehavesAsTheUntypedOne) {
    Item a{1}, b{2}, c{3};
    CMyArrayList<Item> list;
    list.AddSorted(&a, 32);
    list.AddSorted(&b, 14);
    list.AddSorted(&c, 32);
    EXPECT_EQ(list.Index(0)->id, 2);
    EXPECT_EQ(list.ElemBySortValue(32)->id, 1);
    EXPECT_EQ(list.RemoveByIndex(0), &b);
    EXPECT_EQ(list.Index(2), nullptr);
}

} // namespace
