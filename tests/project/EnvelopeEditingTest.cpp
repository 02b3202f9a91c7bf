// Envelope editing on the track area with the mouse, at several tempos and
// across a tempo change: points added, dragged, swallowed and removed, a
// segment moved, each edit one undo step and heard in the render at once.
#include "TempoCase.h"
#include "engine/CEnvelope.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "gui/CSkin.h"
#include "gui/CValueEntryDialog.h"
#include "gui/GuiInput.h"
#include "project/CClip.h"
#include "project/CEnvelopeFunctions.h"
#include "project/CGuiEnvelope.h"
#include "project/CMixerLock.h"
#include "project/CTrack.h"
#include "project/ClipDocument.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 44100 * 20; // past the clip at 60 bpm
constexpr int kZoomTenMsPerPixel = 7;

class EnvelopeEditingTest : public SkinnedSawAtTempoTest {
protected:
    void SetUp() override {
        SkinnedSawAtTempoTest::SetUp();
        if (HasFatalFailure())
            return;
        m_project->SetZoomLevel(kZoomTenMsPerPixel);
        // Just before bar 5, so that the clip runs across a tempo change.
        m_project->SelectTrack(0, false);
        m_project->MoveCaretAndPlayback(Heard(7000.0));
        m_clip = m_project->AddAudioClip(m_dir + "Saw.wav");
        ASSERT_NE(m_clip, nullptr);
        m_project->SelectAllClips(-1, false);
        m_project->SetHorizontalScroll(std::max(0, m_clip->GetX() - 300));
        m_undo.ClearUndoHistory();
    }
    CGuiEnvelope& Editor() { return m_clip->GetEnvelopeEditor(); }
    CEnvelope& Volume() { return *m_clip->GetEnvelopeByType(0); }
    std::vector<EnvelopePoint> Points() { return CEnvelopeFunctions::Points(Volume()); }
    double Ms() { return m_project->MsPerPixel(); }
    int32_t Usable() { return Editor().GetHeight() - Editor().PointHeight(); }
    // The volume a point shows whose centre is on the row (0 to 2, the
    // maximum at the top).
    double VolumeAtRow(int32_t y) {
        const int32_t top = y - Editor().PointHeight() / 2;
        return 2.0 * std::clamp(double(Usable() - top) / Usable(), 0.0, 1.0);
    }
    // The row of the centre of a point of that volume.
    int32_t RowOfVolume(double volume) {
        return int32_t(Usable() * (1.0 - volume / 2.0)) + Editor().PointHeight() / 2;
    }
    void SetPoints(const std::vector<EnvelopePoint>& points) {
        CMixerLock lock(m_mixer);
        CEnvelopeFunctions::SetPoints(Volume(), points);
    }

    // Mouse input at a point of the editor.
    GuiPoint Abs(int32_t x, int32_t y) { return {Editor().GetAbsX() + x, Editor().GetAbsY() + y}; }
    void Click(int32_t x, int32_t y, uint32_t keys = 0) {
        const GuiPoint at = Abs(x, y);
        m_host.MouseMove(at.x, at.y, keys);
        m_host.LeftDown(at.x, at.y, MK_LBUTTON | keys);
        m_host.LeftUp(at.x, at.y, keys);
    }
    void Press(int32_t x, int32_t y, uint32_t keys = 0) {
        const GuiPoint at = Abs(x, y);
        m_host.MouseMove(at.x, at.y, keys);
        m_host.LeftDown(at.x, at.y, MK_LBUTTON | keys);
    }
    void MoveTo(int32_t x, int32_t y, uint32_t keys = 0) {
        const GuiPoint at = Abs(x, y);
        m_host.MouseMove(at.x, at.y, MK_LBUTTON | keys);
    }
    void Release(int32_t x, int32_t y, uint32_t keys = 0) {
        const GuiPoint at = Abs(x, y);
        m_host.LeftUp(at.x, at.y, keys);
    }
    // The centre of a point as drawn.
    GuiPoint CentreOf(int index) {
        const GuiRect r = Editor().PointRect(index);
        return {r.left + Editor().PointWidth() / 2, r.top + Editor().PointHeight() / 2};
    }

    std::vector<float> Render() {
        std::vector<float> out(size_t(kFrames) * 2, 0.0f);
        EXPECT_TRUE(m_mixer.Play(m_mixer.GetSoundGroup(), 0.0, 0));
        m_mixer.GetNullDevice().RenderOffline(out.data(), kFrames);
        m_mixer.Stop(0);
        return out;
    }
    static int64_t FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            if (a[i] != b[i])
                return int64_t(i);
        return a.size() == b.size() ? -1 : int64_t(std::min(a.size(), b.size()));
    }
    static void ExpectPoints(const std::vector<EnvelopePoint>& actual,
                             const std::vector<EnvelopePoint>& expected) {
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < actual.size(); ++i) {
            EXPECT_NEAR(actual[i].timeMs, expected[i].timeMs, 1e-9) << "point " << i;
            EXPECT_NEAR(actual[i].value, expected[i].value, 1e-9) << "point " << i;
        }
    }
    uint32_t ScreenAt(GuiPoint p) {
        m_host.Advance(VRGuiWindow::kRefreshPeriodMs);
        m_host.DeliverPaint();
        return m_host.ScreenPixel(p.x, p.y) & 0xFFFFFF;
    }
    // Five points, the middle ones on whole pixels.
    std::vector<EnvelopePoint> FivePoints() {
        const double length = m_clip->GetLengthMs();
        return {{0.0, 1.0}, {40 * Ms(), 1.5}, {80 * Ms(), 0.5}, {120 * Ms(), 1.0}, {length, 1.0}};
    }

    CClip* m_clip = nullptr;
};

TEST_P(EnvelopeEditingTest, AVolumeDrawnWithTheMouseSoundsLikeTheSameWrittenByCode) {
    const std::vector<float> plain = Render();
    const int32_t width = Editor().GetWidth();
    ASSERT_GT(width, 150);
    ASSERT_EQ(Volume().GetNumPoints(), 0);
    // On the flat line at unity, then two Ctrl+clicks away from it.
    const int32_t line = RowOfVolume(1.0);
    Click(width * 3 / 10, line);
    Click(width / 2, 5, MK_CONTROL);
    Click(width * 3 / 4, Editor().GetHeight() - 6, MK_CONTROL);
    // Heard milliseconds from the clip's start: one pixel is one zoom step
    // at every tempo.
    const std::vector<EnvelopePoint> expected = {
        {0.0, 1.0},
        {width * 3 / 10 * Ms(), VolumeAtRow(line)},
        {width / 2 * Ms(), VolumeAtRow(5)},
        {width * 3 / 4 * Ms(), VolumeAtRow(Editor().GetHeight() - 6)},
        {m_clip->GetLengthMs(), 1.0}};
    ExpectPoints(Points(), expected);
    EXPECT_EQ(Editor().SelectedPoint(), 3);
    const std::vector<float> drawn = Render();
    EXPECT_NE(FirstDifference(drawn, plain), -1);

    // Three edits, three undo steps.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(Volume().GetNumPoints(), 0);
    EXPECT_EQ(FirstDifference(Render(), plain), -1);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(m_undo.Redo());
    ExpectPoints(Points(), expected);
    EXPECT_EQ(FirstDifference(Render(), drawn), -1);

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(m_undo.Undo());
    {
        CMixerLock lock(m_mixer);
        for (const EnvelopePoint& point : expected)
            Volume().Insert(point.timeMs, point.value);
    }
    EXPECT_EQ(FirstDifference(Render(), drawn), -1);
}

TEST_P(EnvelopeEditingTest, DraggingAcrossNeighboursSwallowsThemAndReleaseDeletesThem) {
    SetPoints(FivePoints());
    const GuiPoint from = CentreOf(3);
    Press(from.x, from.y);
    MoveTo(from.x - 5, from.y);
    EXPECT_FALSE(Editor().IsSwallowed(2));
    // Past both neighbours on the left, and lower.
    MoveTo(CentreOf(1).x - 10, from.y + 6);
    EXPECT_TRUE(Editor().IsSwallowed(1));
    EXPECT_TRUE(Editor().IsSwallowed(2));
    EXPECT_FALSE(Editor().IsSwallowed(0));
    EXPECT_EQ(Volume().GetNumPoints(), 5); // nothing changes before the release
    const GuiRect dropped = Editor().PointRect(3);
    Release(CentreOf(1).x - 10, from.y + 6);

    const double length = m_clip->GetLengthMs();
    ExpectPoints(Points(), {{0.0, 1.0},
                            {(dropped.left + Editor().PointWidth() / 2) * Ms(),
                             VolumeAtRow(dropped.top + Editor().PointHeight() / 2)},
                            {length, 1.0}});
    EXPECT_FALSE(Editor().IsSwallowed(1));
    ASSERT_TRUE(m_undo.Undo());
    ExpectPoints(Points(), FivePoints());
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_P(EnvelopeEditingTest, ReleasingBackAtTheStartChangesNothing) {
    SetPoints(FivePoints());
    const GuiPoint from = CentreOf(2);
    Press(from.x, from.y);
    MoveTo(CentreOf(1).x - 3, from.y - 10);
    EXPECT_TRUE(Editor().IsSwallowed(1));
    MoveTo(from.x, from.y);
    EXPECT_FALSE(Editor().IsSwallowed(1));
    Release(from.x, from.y);
    ExpectPoints(Points(), FivePoints());
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_P(EnvelopeEditingTest, TheFirstAndLastPointsMoveOnlyUpAndDownAndStay) {
    SetPoints(FivePoints());
    // Left Alt and a click removes a middle point, not an end.
    GuiPoint first = CentreOf(0);
    Click(first.x, first.y, MK_LALT);
    const GuiPoint last = CentreOf(4);
    Click(last.x, last.y, MK_LALT);
    EXPECT_EQ(Volume().GetNumPoints(), 5);
    EXPECT_FALSE(m_undo.CanUndo());
    const GuiPoint middle = CentreOf(2);
    Click(middle.x, middle.y, MK_LALT);
    EXPECT_EQ(Volume().GetNumPoints(), 4);
    EXPECT_FALSE(Editor().RemovePointByIndex(0));
    EXPECT_FALSE(Editor().RemovePointByIndex(3));

    // Dragged sideways and up, the first point keeps its time.
    Press(first.x, first.y);
    MoveTo(first.x + 40, first.y - 8);
    Release(first.x + 40, first.y - 8);
    EnvelopePoint point;
    ASSERT_TRUE(Volume().GetPointAtIndex(0, point));
    EXPECT_EQ(point.timeMs, 0.0);
    EXPECT_NEAR(point.value, VolumeAtRow(first.y - 8), 1e-9);
    EXPECT_EQ(Volume().GetNumPoints(), 4);

    ASSERT_TRUE(m_undo.Undo());
    ASSERT_TRUE(m_undo.Undo());
    ExpectPoints(Points(), FivePoints());
}

TEST_P(EnvelopeEditingTest, ShiftDragOnTheLineMovesTheSegmentsTwoPoints) {
    SetPoints(FivePoints());
    // Halfway between points 2 and 3, on the line.
    const GuiPoint left = CentreOf(2);
    const GuiPoint right = CentreOf(3);
    const int32_t x = (left.x + right.x) / 2;
    const int32_t y = (left.y + right.y) / 2;
    ASSERT_TRUE(Editor().IsOnLine({x, y}));
    Press(x, y, MK_SHIFT);
    MoveTo(x, y - 4, MK_SHIFT);
    MoveTo(x, y - 7, MK_SHIFT);
    Release(x, y - 7, MK_SHIFT);
    std::vector<EnvelopePoint> expected = FivePoints();
    expected[2].value = VolumeAtRow(left.y - 7);
    expected[3].value = VolumeAtRow(right.y - 7);
    ExpectPoints(Points(), expected);
    ASSERT_TRUE(m_undo.Undo());
    ExpectPoints(Points(), FivePoints());
    EXPECT_FALSE(m_undo.CanUndo());

    // Without Shift a click on the line adds a point there.
    Click(x, y);
    EXPECT_EQ(Volume().GetNumPoints(), 6);
    // A plain click off the line adds none: it is the clip's.
    Click(x, y + 20 < Editor().GetHeight() ? y + 20 : y - 20);
    EXPECT_EQ(Volume().GetNumPoints(), 6);
}

TEST_P(EnvelopeEditingTest, APointsValueTypedInDecibelsIsOneStep) {
    m_prefs.bShowDBValues = true;
    SetPoints(FivePoints());
    std::string shown;
    Drive({[this, &shown] {
        auto* dialog = dynamic_cast<CValueEntryDialog*>(m_window.TopLayer());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->GetText();
        dialog->SetText("-6");
        m_host.KeyDown(VK_RETURN);
    }});
    Editor().AskPointValue(2);
    EXPECT_EQ(shown, "-6.0"); // 0.5 in decibels
    std::vector<EnvelopePoint> expected = FivePoints();
    expected[2].value = std::pow(10.0, -6.0 / 20.0);
    ExpectPoints(Points(), expected);
    EXPECT_NEAR(expected[2].value, 0.501, 0.001);
    std::string tip;
    ASSERT_TRUE(Editor().GetToolTip(CentreOf(2), tip));
    EXPECT_EQ(tip, "-6.0 " + MyLoadString("decibals"));
    ASSERT_TRUE(m_undo.Undo());
    ExpectPoints(Points(), FivePoints());
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_P(EnvelopeEditingTest, TheLineInvertsThePixelsBeneathIt) {
    const GuiPoint at = Abs(Editor().GetWidth() / 2, RowOfVolume(1.0));
    const uint32_t shown = ScreenAt(at);
    Editor().Hide();
    m_clip->Invalidate(nullptr);
    const uint32_t beneath = ScreenAt(at);
    EXPECT_EQ(shown, ~beneath & 0xFFFFFF) << std::hex << shown << " over " << beneath;
    Editor().Show();
}

TEST_P(EnvelopeEditingTest, TheToolbarsChoiceIsTheEnvelopeEdited) {
    m_project->SetMasterEnvelopeType(1);
    m_undo.ClearUndoHistory();
    // Pan: the flat line in the middle is centre.
    Click(Editor().GetWidth() / 2, 5, MK_CONTROL);
    EXPECT_EQ(Volume().GetNumPoints(), 0);
    CEnvelope& pan = *m_clip->GetEnvelopeByType(1);
    ASSERT_EQ(pan.GetNumPoints(), 3);
    EnvelopePoint point;
    pan.GetPointAtIndex(1, point);
    EXPECT_GT(point.value, 0.5);
    std::string tip;
    const GuiPoint centre = CentreOf(1);
    ASSERT_TRUE(Editor().GetToolTip(centre, tip));
    EXPECT_EQ(tip, MyLoadString("Right") + " " + std::to_string(int(point.value * 100)) + "%");
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(pan.GetNumPoints(), 0);
}

TEST_P(EnvelopeEditingTest, AFunctionActsOnEverySelectedClipAsOneStep) {
    m_project->MoveCaretAndPlayback(0.0);
    CClip* other = m_project->AddAudioClip(m_dir + "Saw.wav");
    ASSERT_NE(other, nullptr);
    m_project->SelectAllClips(-1, true);
    m_undo.ClearUndoHistory();
    m_project->Clips().DoClipCommand(*other, CClip::kMenuFadeInFirst);
    EXPECT_GT(Volume().GetNumPoints(), 0);
    EXPECT_GT(other->GetEnvelopeByType(0)->GetNumPoints(), 0);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(Volume().GetNumPoints(), 0);
    EXPECT_EQ(other->GetEnvelopeByType(0)->GetNumPoints(), 0);
}

INSTANTIATE_TEST_SUITE_P(Tempos, EnvelopeEditingTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{90.0, 0.0},
                                           TempoCase{120.0, 0.0}, TempoCase{173.0, 0.0},
                                           TempoCase{120.0, 90.0}),
                         CaseName);

} // namespace
