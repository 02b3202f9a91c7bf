#include "GuiTestObjects.h"

#include "gui/CImageManager.h"
#include "gui/CSkin.h"
#include "gui/GuiButton.h"
#include "gui/GuiTexturePanel.h"
#include "support/Observer.h"
#include "support/Paths.h"

#include <cairo.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ClickCounter : Observer {
    std::vector<intptr_t> clicks;
    void OnNotification(int message, void* parameter) override {
        if (message == GuiButton::kNotifyClick)
            clicks.push_back(reinterpret_cast<intptr_t>(parameter));
    }
};

// The shipped skin's 16 x 16 clip play button at (10, 10) of a 200 x 100 window.
class Button : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&skin);
        CImageManager::Instance().Clear();
        button = std::make_unique<GuiButton>(42, "clipPlay", "", "Clip_TT_Play");
        button->AddObserver(&counter);
        ASSERT_TRUE(window.Initialize(&host, 200, 100));
        window.AddChild(button.get(), 10, 10);
        host.Advance(40);
    }
    void TearDown() override {
        window.RemoveChild(button.get());
        button.reset();
        CImageManager::Instance().Clear();
        CSkin::SetCurrent(nullptr);
    }

    CSkin skin;
    COffscreenGuiHost host;
    TestWindow window;
    std::unique_ptr<GuiButton> button;
    ClickCounter counter;
};

} // namespace

TEST_F(Button, TakesItsSizeFromTheSkinAndClicksWhenReleasedInside) {
    EXPECT_EQ(button->GetWidth(), 16);
    EXPECT_EQ(button->GetHeight(), 16);
    host.MouseMove(15, 15);
    EXPECT_EQ(button->GetState(), GuiButton::kHot);
    host.LeftDown(15, 15);
    EXPECT_EQ(button->GetState(), GuiButton::kPressed);
    host.LeftUp(15, 15);
    EXPECT_EQ(counter.clicks, std::vector<intptr_t>{42});
    EXPECT_EQ(button->GetState(), GuiButton::kHot);
    // A second press soon after is a double click, and a click of its own.
    host.Advance(100);
    host.LeftDown(15, 15);
    host.LeftUp(15, 15);
    EXPECT_EQ(counter.clicks.size(), 2u);
    EXPECT_EQ(button->GetState(), GuiButton::kHot);
    host.MouseMove(100, 80);
    EXPECT_EQ(button->GetState(), GuiButton::kNormal);
    EXPECT_FALSE(window.IsCaptureSet());
}

TEST_F(Button, ReleasingOutsideSendsNothing) {
    host.MouseMove(15, 15);
    host.LeftDown(15, 15);
    host.MouseMove(150, 80, MK_LBUTTON);
    EXPECT_EQ(button->GetState(), GuiButton::kPressed);
    host.LeftUp(150, 80);
    EXPECT_TRUE(counter.clicks.empty());
    EXPECT_EQ(button->GetState(), GuiButton::kNormal);
    EXPECT_FALSE(window.IsCaptureSet());
}

TEST_F(Button, DisabledIgnoresEverything) {
    button->Disable();
    EXPECT_EQ(button->GetState(), GuiButton::kDisabled);
    host.MouseMove(15, 15);
    host.LeftDown(15, 15);
    host.LeftUp(15, 15);
    host.Advance(100);
    EXPECT_EQ(button->GetState(), GuiButton::kDisabled);
    EXPECT_TRUE(counter.clicks.empty());
    EXPECT_FALSE(window.IsCaptureSet());
    button->Enable();
    EXPECT_EQ(button->GetState(), GuiButton::kNormal);
}

TEST_F(Button, AutoRepeatClicksEveryPeriodAfterTheDelayUntilReleased) {
    button->SetAutoRepeat(true, 100, 250);
    host.MouseMove(15, 15);
    host.LeftDown(15, 15);
    host.Advance(250);
    EXPECT_TRUE(counter.clicks.empty()); // ticks at 100 and 200 fall within the delay
    host.Advance(300);                   // ticks at 300, 400 and 500
    EXPECT_EQ(counter.clicks.size(), 3u);
    host.LeftUp(15, 15);
    EXPECT_EQ(counter.clicks.size(), 4u); // the release is a click of its own
    host.Advance(1000);
    EXPECT_EQ(counter.clicks.size(), 4u);
    EXPECT_FALSE(window.HasTimer(button.get(), 42));
}

TEST_F(Button, DrawsTheStateImageAndShowsItsToolTip) {
    host.Advance(40);
    const uint32_t normal = host.ScreenPixel(18, 18);
    host.MouseMove(15, 15);
    host.Advance(40);
    EXPECT_NE(host.ScreenPixel(11, 18), 0u);
    host.LeftDown(15, 15);
    host.Advance(40);
    EXPECT_NE(host.ScreenPixel(12, 24), normal);
    std::string text;
    EXPECT_TRUE(button->GetToolTip({1, 1}, text));
    EXPECT_FALSE(text.empty());
}

TEST(TexturePanel, NeighboursLineUpAndTheTextureFollowsTheHeight) {
    // A 64 x 8 tile whose red rises by 4 per column.
    CImage tile;
    ASSERT_TRUE(tile.SetSize(64, 8));
    cairo_t* cr = cairo_create(tile.Surface());
    for (int x = 0; x < 64; ++x) {
        CImage::SetSourceColor(cr, uint32_t(x * 4));
        cairo_rectangle(cr, x, 0, 1, 8);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    CreateMultiLevelDir(LOOMTONE_TEST_TMP);
    ASSERT_TRUE(tile.SaveAs(std::string(LOOMTONE_TEST_TMP) + "/ramp.png"));
    CSkin skin;
    skin.InitFromMemory("[ramp]\ntiled fn = ramp.png\n"
                        "[fade]\nNum Layers = 1\nStart.R.1 = 0\nStart.G.1 = 0\nstart.B.1 = 0\n"
                        "End.R.1 = 255\nEnd.G.1 = 255\nEnd.B.1 = 255\n",
                        std::string(LOOMTONE_TEST_TMP) + "/");
    CSkin::SetCurrent(&skin);
    COffscreenGuiHost host;
    TestWindow window;
    ASSERT_TRUE(window.Initialize(&host, 200, 100));
    GuiTexturePanel left("ramp", 37, 60);
    GuiTexturePanel right("ramp", 100, 60);
    GuiTexturePanel ruler("fade", 200, 30);
    window.AddChild(&left, 0, 0);
    window.AddChild(&right, 37, 0);
    window.AddChild(&ruler, 0, 60);
    host.Advance(40);
    // The ramp runs on across the seam between the panels.
    for (int x : {0, 36, 37, 63, 64, 100})
        EXPECT_EQ((host.ScreenPixel(x, 5) >> 16) & 0xFF, uint32_t(x % 64 * 4)) << x;
    // A gradient spans the panel from its own top, wherever the panel stands.
    EXPECT_LT(host.ScreenPixel(5, 60) & 0xFF, 10u);
    EXPECT_GT(host.ScreenPixel(5, 89) & 0xFF, 240u);
    EXPECT_EQ(ruler.GetTexture().Height(), 30);
    ruler.SetSize(200, 40);
    EXPECT_EQ(ruler.GetTexture().Height(), 40);
    ruler.SetColorShift(0x0000FF, 100);
    EXPECT_EQ(ruler.GetTexture().PixelAt(0, 0), 0xFFFF0000u);
    window.RemoveChild(&left);
    window.RemoveChild(&right);
    window.RemoveChild(&ruler);
    CSkin::SetCurrent(nullptr);
}
