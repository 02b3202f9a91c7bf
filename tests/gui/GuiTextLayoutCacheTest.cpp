#include "gui/GuiTextLayoutCache.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const GuiFont kPlain{};
const GuiFont kBold{GuiFont::kDefaultPixelSize, true};
const GuiFont kSmall{9, false};

TEST(GuiTextLayoutCache, TheSameTextAskedForTwiceIsLaidOutOnce) {
    GuiTextLayoutCache cache(4);
    GuiTextLayout& first = cache.Get(kPlain, "0:05");
    const int32_t width = first.Width();
    GuiTextLayout& second = cache.Get(kPlain, "0:05");
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.Width(), width);
    EXPECT_EQ(cache.LayoutsMade(), 1u);
    EXPECT_EQ(cache.Size(), 1u);
}

TEST(GuiTextLayoutCache, AnotherTextFontOrWrapWidthIsLaidOutAnew) {
    const std::string text = "one two three four five";
    GuiTextLayoutCache cache(8);
    GuiTextLayout& plain = cache.Get(kPlain, text);
    EXPECT_NE(&cache.Get(kPlain, "one two"), &plain);
    GuiTextLayout& bold = cache.Get(kBold, text);
    GuiTextLayout& small = cache.Get(kSmall, text);
    GuiTextLayout& wrapped = cache.Get(kPlain, text, 40);
    EXPECT_EQ(cache.LayoutsMade(), 5u);
    EXPECT_GT(bold.Width(), plain.Width());
    EXPECT_LT(small.Width(), plain.Width());
    EXPECT_GT(wrapped.Height(), plain.Height());
    EXPECT_EQ(&cache.Get(kPlain, text, 40), &wrapped);
    EXPECT_NE(&cache.Get(kPlain, text, 60), &wrapped);
    EXPECT_EQ(cache.LayoutsMade(), 6u);
    // Each is still there as it was asked for.
    EXPECT_EQ(&cache.Get(kPlain, text), &plain);
    EXPECT_EQ(&cache.Get(kBold, text), &bold);
    EXPECT_EQ(&cache.Get(kSmall, text), &small);
    EXPECT_EQ(cache.LayoutsMade(), 6u);
}

TEST(GuiTextLayoutCache, KeepsNoMoreThanItsCapacityAndDropsTheLongestUnused) {
    GuiTextLayoutCache cache(3);
    cache.Get(kPlain, "a");
    cache.Get(kPlain, "b");
    cache.Get(kPlain, "c");
    cache.Get(kPlain, "a");
    cache.Get(kPlain, "d");
    EXPECT_EQ(cache.Size(), 3u);
    EXPECT_EQ(cache.LayoutsMade(), 4u);
    // "b" made room for "d"; "a", asked for again since, stayed.
    cache.Get(kPlain, "a");
    cache.Get(kPlain, "c");
    EXPECT_EQ(cache.LayoutsMade(), 4u);
    cache.Get(kPlain, "b");
    EXPECT_EQ(cache.LayoutsMade(), 5u);
    EXPECT_EQ(cache.Size(), 3u);
}

TEST(GuiTextLayoutCache, ACacheWithoutCapacityStillKeepsOne) {
    GuiTextLayoutCache cache(0);
    EXPECT_EQ(cache.Capacity(), 1u);
    GuiTextLayout& layout = cache.Get(kPlain, "x");
    EXPECT_EQ(&cache.Get(kPlain, "x"), &layout);
    cache.Get(kPlain, "y");
    EXPECT_EQ(cache.Size(), 1u);
    EXPECT_EQ(cache.LayoutsMade(), 2u);
}

} // namespace
