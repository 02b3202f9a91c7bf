#include "pianoroll/PRNotePainter.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr uint32_t kBack = 0x00FFFFFF;
constexpr uint32_t kFill = 0x00336699; // 0x00BBGGRR
constexpr uint32_t kEdge = 0x00102030;
constexpr uint32_t kOtherFill = 0x0000FF00;

// A white picture the painter draws on; pixels read back as 0x00BBGGRR.
class PRNotePainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 64, 32);
        m_cr = cairo_create(m_surface);
        cairo_set_source_rgb(m_cr, 1, 1, 1);
        cairo_paint(m_cr);
    }
    void TearDown() override {
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_surface);
    }
    uint32_t Pixel(int x, int y) {
        cairo_surface_flush(m_surface);
        const auto* row =
            cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface);
        const uint32_t xrgb = reinterpret_cast<const uint32_t*>(row)[x];
        return ((xrgb >> 16) & 0xFF) | (xrgb & 0xFF00) | ((xrgb & 0xFF) << 16);
    }

    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
};

TEST_F(PRNotePainterTest, ANarrowNoteIsAnEdgedBoxCoveringItsRow) {
    {
        PRNotePainter painter(m_cr);
        painter.Paint({10, 4, 14, 4 + PRNoteGeometry::kRowHeight}, kFill, kEdge);
    }
    const int bottom = 4 + PRNoteGeometry::kRowHeight - 1;
    for (int y = 4; y <= bottom; ++y) {
        EXPECT_EQ(Pixel(10, y), kEdge) << y;
        EXPECT_EQ(Pixel(13, y), kEdge) << y;
        EXPECT_EQ(Pixel(9, y), kBack) << y;
        EXPECT_EQ(Pixel(14, y), kBack) << y;
    }
    EXPECT_EQ(Pixel(11, 3), kBack);
    EXPECT_EQ(Pixel(11, 4), kEdge);
    EXPECT_EQ(Pixel(11, 5), kFill);
    EXPECT_EQ(Pixel(12, bottom - 1), kFill);
    EXPECT_EQ(Pixel(12, bottom), kEdge);
    EXPECT_EQ(Pixel(12, bottom + 1), kBack);
}

TEST_F(PRNotePainterTest, ANoteOfNoWidthStillShowsOneColumn) {
    PRNotePainter painter(m_cr);
    painter.Paint({20, 0, 20, PRNoteGeometry::kRowHeight}, kFill, kEdge);
    painter.Flush();
    EXPECT_EQ(Pixel(20, 5), kEdge);
    EXPECT_EQ(Pixel(21, 5), kBack);
}

TEST_F(PRNotePainterTest, AWideNoteHasRoundedCornersAndAnEdge) {
    PRNotePainter painter(m_cr);
    painter.Paint({10, 4, 40, 4 + PRNoteGeometry::kRowHeight}, kFill, kEdge);
    painter.Flush();
    EXPECT_EQ(Pixel(25, 4), kEdge);
    EXPECT_EQ(Pixel(25, 8), kFill);
    EXPECT_EQ(Pixel(10, 8), kEdge);
    // The corner pixel is only partly covered.
    EXPECT_NE(Pixel(10, 4), kEdge);
    EXPECT_NE(Pixel(10, 4), kBack);
}

// Gathered narrow boxes never end up over a wide note painted after them,
// nor under one painted before them.
TEST_F(PRNotePainterTest, LaterNotesCoverEarlierOnesWhateverTheirWidth) {
    const int bottom = PRNoteGeometry::kRowHeight;
    {
        PRNotePainter painter(m_cr);
        painter.Paint({20, 0, 24, bottom}, kOtherFill, kEdge); // narrow, first
        painter.Paint({10, 0, 40, bottom}, kFill, kEdge);      // wide, over it
        painter.Paint({50, 0, 54, bottom}, kOtherFill, kEdge); // narrow, on its own
        painter.Paint({30, 0, 34, bottom}, kOtherFill, kEdge); // narrow, over the wide one
    }
    EXPECT_EQ(Pixel(22, 5), kFill);
    EXPECT_EQ(Pixel(32, 5), kOtherFill);
    EXPECT_EQ(Pixel(52, 5), kOtherFill);
}

} // namespace
