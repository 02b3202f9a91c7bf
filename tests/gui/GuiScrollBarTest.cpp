#include "gui/GuiScrollBar.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/VRGuiWindow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Report {
    GuiScrollBar::Code code;
    int32_t position;
};

class ScrollBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_window.Initialize(&m_host, 200, 300));
        m_window.AddChild(&m_bar, 10, 10);
        m_bar.SetSize(18, 200);
        m_bar.SetRange(0, 999, 100);
        m_bar.SetHandler([this](GuiScrollBar::Code code, int32_t position) {
            m_reports.push_back({code, position});
        });
    }

    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    GuiScrollBar m_bar{GuiScrollBar::Orientation::kVertical};
    std::vector<Report> m_reports;
};

TEST_F(ScrollBarTest, ThumbIsSizedToThePageAndPositionStaysInRange) {
    int32_t start = 0, length = 0;
    m_bar.GetThumbSpan(start, length);
    EXPECT_EQ(start, 18);
    EXPECT_EQ(length, (200 - 36) * 100 / 1000);
    m_bar.SetPos(5000);
    EXPECT_EQ(m_bar.GetPos(), 900);
    m_bar.GetThumbSpan(start, length);
    EXPECT_EQ(start + length, 200 - 18);
    m_bar.SetPos(-4);
    EXPECT_EQ(m_bar.GetPos(), 0);
}

TEST_F(ScrollBarTest, PartsReportTheirCodesAndRepeatWhileHeld) {
    m_host.LeftDown(15, 12); // the upper arrow
    m_host.LeftUp(15, 12);
    m_host.LeftDown(15, 205); // the lower arrow, held
    m_host.Advance(GuiScrollBar::kFirstRepeatMs + GuiScrollBar::kRepeatMs);
    m_host.LeftUp(15, 205);
    m_host.LeftDown(15, 150); // the track below the thumb
    m_host.LeftUp(15, 150);
    ASSERT_GE(m_reports.size(), 4u);
    EXPECT_EQ(m_reports[0].code, GuiScrollBar::kLineUp);
    EXPECT_EQ(m_reports[1].code, GuiScrollBar::kLineDown);
    EXPECT_EQ(m_reports[2].code, GuiScrollBar::kLineDown) << "repeats while held";
    EXPECT_EQ(m_reports.back().code, GuiScrollBar::kPageDown);
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndReleases) {
    m_host.LeftDown(15, 30);
    m_host.MouseMove(15, 30 + 82, MK_LBUTTON); // half the free travel of 148 pixels, roughly
    m_host.LeftUp(15, 112);
    ASSERT_GE(m_reports.size(), 3u);
    EXPECT_EQ(m_reports.front().code, GuiScrollBar::kThumbTracking);
    EXPECT_EQ(m_reports[1].code, GuiScrollBar::kThumbTracking);
    EXPECT_NEAR(m_reports[1].position, 900 * 82 / 148, 2);
    EXPECT_EQ(m_reports.back().code, GuiScrollBar::kThumbReleased);
}

} // namespace

TEST_F(ScrollBarTest, ANewRangeOrLengthRedrawsTheWholeBar) {
    m_host.Advance(40);
    ASSERT_FALSE(m_bar.IsDirty(nullptr));
    // The position stays, yet the thumb grows with the page.
    m_bar.SetRange(0, 999, 500);
    EXPECT_TRUE(m_bar.IsDirty(nullptr));
    m_host.Advance(40);
    m_bar.SetRange(0, 999, 500);
    EXPECT_FALSE(m_bar.IsDirty(nullptr)) << "nothing changed, nothing to draw";
    // Longer: the far arrow moves, so the old one must not stay behind.
    m_bar.SetSize(18, 260);
    const GuiRect oldArrow{0, 182, 18, 200};
    EXPECT_TRUE(m_bar.IsDirty(&oldArrow));
}
