#include "engine/CNullDevice.h"
#include "gui/CImageManager.h"
#include "gui/CSkin.h"
#include "gui/VRGuiWindow.h"
#include "project/ProjectOnWindowTest.h"
#include "timeline/CPlaybackIndicator.h"
#include "timeline/LoomtoneCustomWindow.h"
#include "transport/CTransport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Ten seconds of tone on the first track of the project on a 1200 x 800
// window. Positions are heard milliseconds (the tempo is the reference one).
class PlaybackLineTest : public ProjectOnWindowTest {
protected:
    // A row inside the first track's body, below the ruler.
    static constexpr int32_t kBodyRow = LoomtoneCustomWindow::kBodiesTop + 20;

    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        WriteToneWav(m_dir + "Long.wav", 441000, 8000);
        ASSERT_NE(AddClipAt(0, 0.0, m_dir + "Long.wav"), nullptr);
        m_project->SelectAllClips(-1, false);
        m_project->MoveCaretAndPlayback(0.0);
        m_transport = std::make_unique<CTransport>(*m_project, m_mixer);
        m_host.Advance(100);
    }
    void TearDown() override {
        m_mixer.Stop(0);
        m_transport.reset();
        ProjectOnWindowTest::TearDown();
    }

    // Two refresh periods: the line's tick, then the paint of what it moved.
    void Tick() { m_host.Advance(2 * VRGuiWindow::kRefreshPeriodMs); }
    CPlaybackIndicator& Line() { return m_project->PlaybackLine(); }
    // The window column of a timeline column.
    int32_t ScreenX(int32_t column) const {
        return LoomtoneCustomWindow::kHeaderWidth + column - m_project->GetTimelineScrollX();
    }
    uint32_t LineColour() const {
        const uint32_t bgr = CSkin::ColorOf("play indicator color");
        return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    }
    // Plays on by the given heard milliseconds, as a device would.
    void PlayOn(int ms) {
        std::vector<float> out(static_cast<size_t>(ms) * 441 / 10 * 2);
        m_mixer.GetNullDevice().RenderOffline(out.data(), static_cast<int64_t>(out.size() / 2));
    }

    // The screen's pixels, row after row.
    std::vector<uint32_t> Screen() {
        cairo_surface_t* screen = m_host.GetScreenSurface();
        cairo_surface_flush(screen);
        const unsigned char* data = cairo_image_surface_get_data(screen);
        const int stride = cairo_image_surface_get_stride(screen);
        std::vector<uint32_t> pixels(size_t(m_host.Width()) * size_t(m_host.Height()));
        for (int32_t y = 0; y < m_host.Height(); ++y)
            std::memcpy(&pixels[size_t(y) * size_t(m_host.Width())], data + size_t(y) * stride,
                        size_t(m_host.Width()) * sizeof(uint32_t));
        return pixels;
    }
    // Where two screens first differ, as "x,y"; empty when they are the same.
    std::string FirstDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            if (a[i] != b[i])
                return std::to_string(i % size_t(m_host.Width())) + "," +
                       std::to_string(i / size_t(m_host.Width()));
        return a.size() == b.size() ? std::string() : "sizes";
    }
    void RepaintAll() {
        m_window.Invalidate(nullptr);
        m_window.FlushInvalidRegion();
        m_host.DeliverPaint();
    }

    std::unique_ptr<CTransport> m_transport;
};

TEST_F(PlaybackLineTest, FollowsThePlayPositionAndIsDrawnInItsColumn) {
    const int32_t msPerPixel = m_project->MsPerPixel();
    ASSERT_TRUE(m_transport->PlayFrom(100.0 * msPerPixel));
    Tick();
    EXPECT_EQ(Line().GetColumn(), 100);
    EXPECT_EQ(m_host.ScreenPixel(ScreenX(100), kBodyRow), LineColour());

    PlayOn(20 * msPerPixel);
    Tick();
    EXPECT_EQ(Line().GetColumn(), 120);
    EXPECT_EQ(m_host.ScreenPixel(ScreenX(120), kBodyRow), LineColour());
    // The column it left shows what lies beneath again.
    EXPECT_NE(m_host.ScreenPixel(ScreenX(100), kBodyRow), LineColour());
}

TEST_F(PlaybackLineTest, ATickRepaintsOnlyTheColumnsTheLineLeftAndEntered) {
    const int32_t msPerPixel = m_project->MsPerPixel();
    ASSERT_TRUE(m_transport->PlayFrom(200.0 * msPerPixel));
    Tick();
    PlayOn(3 * msPerPixel);
    Tick();
    ASSERT_EQ(Line().GetColumn(), 203);
    const GuiRect presented = m_host.LastPresented().BoundingBox();
    const int32_t width = Line().GetWidth();
    EXPECT_GE(presented.left, ScreenX(200) - width);
    EXPECT_LE(presented.right, ScreenX(203) + width);
    // A tick without movement repaints nothing of the line.
    m_mixer.Stop(0);
    Tick();
    EXPECT_EQ(Line().GetColumn(), 203);
}

TEST_F(PlaybackLineTest, AMoveDrawsTheLineAtItsNewPlaceAndErasesItAtTheOld) {
    const int32_t msPerPixel = m_project->MsPerPixel();
    const int32_t width = Line().GetWidth();
    std::shared_ptr<const CImage> top = CImageManager::Instance().Get("play indicator top");
    ASSERT_TRUE(top && top->IsValid());
    // Rows through the top image over the ruler, the first track and lower down.
    const std::vector<int32_t> rows{LoomtoneCustomWindow::kToolbarHeight + top->Height() / 2,
                                    kBodyRow, kBodyRow + 200};
    const auto around300 = [&] {
        std::vector<uint32_t> pixels;
        for (int32_t row : rows)
            for (int32_t column = 300 - width; column <= 300 + width; ++column)
                pixels.push_back(m_host.ScreenPixel(ScreenX(column), row));
        return pixels;
    };
    // Moved by the play position alone: the caret stays where it is.
    m_mixer.SetPositionMs(100.0 * msPerPixel);
    Tick();
    const std::vector<uint32_t> withoutLine = around300();

    m_mixer.SetPositionMs(300.0 * msPerPixel);
    Tick();
    ASSERT_EQ(Line().GetColumn(), 300);
    for (int32_t row : {kBodyRow, kBodyRow + 200})
        EXPECT_EQ(m_host.ScreenPixel(ScreenX(300), row), LineColour()) << row;
    EXPECT_NE(around300(), withoutLine);

    m_mixer.SetPositionMs(500.0 * msPerPixel);
    Tick();
    ASSERT_EQ(Line().GetColumn(), 500);
    for (int32_t row : {kBodyRow, kBodyRow + 200})
        EXPECT_EQ(m_host.ScreenPixel(ScreenX(500), row), LineColour()) << row;
    EXPECT_EQ(around300(), withoutLine);
    // Only the columns the line left and entered were repainted, not the view.
    double presented = 0.0;
    for (const GuiRect& rect : m_host.LastPresented().Rects())
        presented += static_cast<double>(rect.Width()) * rect.Height();
    EXPECT_GT(presented, 0.0);
    EXPECT_LE(presented, 2.0 * width * m_host.Height());
}

TEST_F(PlaybackLineTest, ATickLeavesTheScreenAsAFullRepaintDrawsIt) {
    // A second track's clip under the first, so that the line crosses the
    // ruler's labels, the clips' labels and waveforms and the grid.
    ASSERT_NE(AddClipAt(1, 0.0, m_dir + "Long.wav"), nullptr);
    m_host.Advance(100);
    const int32_t msPerPixel = m_project->MsPerPixel();
    // Single steps across text, a jump, and a step back. The columns stay
    // clear of the horizontal scroll bar's left arrow: cairo shades the
    // arrow's slanted edges a step differently when it is repainted through
    // a narrow clip, whatever moved over it.
    for (int32_t column : {20, 21, 22, 25, 26, 30, 31, 150, 149}) {
        m_mixer.SetPositionMs(static_cast<double>(column) * msPerPixel);
        Tick();
        ASSERT_EQ(Line().GetColumn(), column);
        const std::vector<uint32_t> ticked = Screen();
        RepaintAll();
        EXPECT_EQ(FirstDifference(ticked, Screen()), "") << "line at column " << column;
    }
}

TEST_F(PlaybackLineTest, FollowingScrollsWhenTheLineLeavesTheView) {
    // Zoomed in until the project is wider than two views.
    while (m_project->GetZoomLevel() > 0 &&
           10000 / m_project->MsPerPixel() < 2 * m_project->GetViewWidth())
        m_project->SetZoomLevel(m_project->GetZoomLevel() - 1);
    const int32_t msPerPixel = m_project->MsPerPixel();
    const int32_t view = m_project->GetViewWidth();
    ASSERT_TRUE(m_transport->PlayFrom(static_cast<double>(view + 50) * msPerPixel));
    m_host.Advance(200);
    Tick();
    EXPECT_EQ(m_project->GetTimelineScrollX(), view + 50);
    EXPECT_EQ(m_host.ScreenPixel(ScreenX(view + 50), kBodyRow), LineColour());
}

TEST_F(PlaybackLineTest, ClickingATrackMovesThePlayPositionAndTheLine) {
    const int32_t msPerPixel = m_project->MsPerPixel();
    const int32_t x = LoomtoneCustomWindow::kHeaderWidth + 400;
    m_host.LeftDown(x, kBodyRow + 150);
    m_host.LeftUp(x, kBodyRow + 150);
    Tick();
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 400.0 * msPerPixel);
    EXPECT_EQ(Line().GetColumn(), 400);
    EXPECT_EQ(m_host.ScreenPixel(ScreenX(400), kBodyRow), LineColour());
}

TEST_F(PlaybackLineTest, WithThePreferenceOffAClickMovesOnlyTheCaret) {
    m_prefs.bSetPlaybackIndicatorOnTracksClick = false;
    const int32_t msPerPixel = m_project->MsPerPixel();
    const int32_t x = LoomtoneCustomWindow::kHeaderWidth + 400;
    m_host.LeftDown(x, kBodyRow + 150);
    m_host.LeftUp(x, kBodyRow + 150);
    Tick();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 400.0 * msPerPixel);
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 0.0);
    EXPECT_EQ(Line().GetColumn(), 0);
}

TEST_F(PlaybackLineTest, ZoomMovesTheLineToTheSameTime) {
    const int32_t msPerPixel = m_project->MsPerPixel();
    m_project->MoveCaretAndPlayback(300.0 * msPerPixel);
    Tick();
    ASSERT_EQ(Line().GetColumn(), 300);
    m_project->SetZoomLevel(m_project->GetZoomLevel() + 1);
    Tick();
    EXPECT_EQ(Line().GetColumn(),
              static_cast<int32_t>(300.0 * msPerPixel / m_project->MsPerPixel()));
}

} // namespace
