#include "GuiTestObjects.h"

#include "gui/CCursorImages.h"
#include "gui/CImage.h"
#include "gui/VRGuiImage.h"
#include "support/Paths.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::string Picture(const std::string& name, int width, int height, int bits) {
    const std::string folder = std::string(LOOMTONE_TEST_TMP) + "/pictures-in/";
    CreateMultiLevelDir(folder);
    CImage image;
    image.SetSize(width, height, bits);
    if (bits == 24) // a 32-bit picture stays transparent, so it is saved with alpha
        image.ClearToColor(0x336699);
    image.SaveAs(folder + name);
    return folder + name;
}

std::string CacheFolder() {
    return std::string(LOOMTONE_TEST_TMP) + "/pictures/";
}

} // namespace

TEST(TrackPicture, CachesLargePicturesAsCentredSquaresOfTheLimit) {
    const std::string cached =
        VRGuiImage::CacheImage(Picture("wide.jpg.png", 600, 300, 24), CacheFolder());
    EXPECT_EQ(cached, CacheFolder() + "wide.jpg.png");
    CImage image;
    ASSERT_TRUE(image.Open(cached));
    EXPECT_EQ(image.Width(), 240);
    EXPECT_EQ(image.Height(), 240);

    // A picture with transparency keeps its proportions.
    ASSERT_TRUE(
        image.Open(VRGuiImage::CacheImage(Picture("clear.png", 480, 120, 32), CacheFolder())));
    EXPECT_EQ(image.Width(), 240);
    EXPECT_EQ(image.Height(), 60);

    ASSERT_TRUE(
        image.Open(VRGuiImage::CacheImage(Picture("small.png", 100, 50, 24), CacheFolder())));
    EXPECT_EQ(image.Width(), 100);

    // Already in the folder, missing or unreadable: nothing is written.
    EXPECT_EQ(VRGuiImage::CacheImage(cached, CacheFolder()), cached);
    EXPECT_EQ(VRGuiImage::CacheImage(CacheFolder() + "none.png", CacheFolder()), "");
    const std::string junk = Picture("junk.png", 10, 10, 24);
    { std::ofstream(junk, std::ios::trunc) << "not a picture"; }
    EXPECT_EQ(VRGuiImage::CacheImage(junk, CacheFolder()), "");
}

TEST(Cursors, OffscreenHostRecordsTheCursorAndTheProgramDrawsItsOwn) {
    COffscreenGuiHost host;
    EXPECT_EQ(host.CurrentCursor(), GuiCursor::kArrow);
    host.SetCursor(GuiCursor::kScissors);
    EXPECT_EQ(host.CurrentCursor(), GuiCursor::kScissors);

    CImage image;
    GuiPoint hotSpot;
    EXPECT_FALSE(CCursorImages::Draw(GuiCursor::kIBeam, image, hotSpot));
    for (int32_t i = int32_t(GuiCursor::kScissors); i < kGuiCursorCount; ++i) {
        ASSERT_TRUE(CCursorImages::Draw(GuiCursor(i), image, hotSpot)) << i;
        EXPECT_EQ(image.Width(), CCursorImages::kSize);
        EXPECT_TRUE(GuiRect({0, 0, 32, 32}).Contains(hotSpot.x, hotSpot.y));
        int opaque = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                opaque += (image.PixelAt(x, y) >> 24) > 128;
        EXPECT_GT(opaque, 20) << i;
        EXPECT_LT(opaque, 32 * 32 / 2) << i;
    }
}
