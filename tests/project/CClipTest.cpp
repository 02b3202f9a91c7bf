#include "project/CClip.h"
#include "FakeClipDocument.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "project/ClipNotifications.h"
#include "support/Observer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A clip whose timing is plain fields, standing in for an engine atom.
class FakeClip : public CClip {
public:
    FakeClip() : CClip(ClipKind::kAudio) {}
    ClipDocument& GetDocument() const override { return document; }
    CAudioAtom* GetEngineAtom() const override { return nullptr; }
    double GetStartMs() const override { return start; }
    double GetLengthMs() const override { return length; }
    bool IsMuted() const override { return muted; }
    void SetMuted(bool mute, bool) override { muted = mute; }
    double GetRate() const override { return 1.0; }
    void SetLoopToTrim() override {}
    void ResizeLeft(double, bool) override {}
    void SetAtomLength(double) override {}
    void StretchTo(double, double, double) override {}
    CEnvelope* GetEnvelopeByType(int32_t) override { return nullptr; }
    void BeginChange() override { ++changesBegun; }
    void EndChange() override { ++changesEnded; }

    mutable FakeClipDocument document;

    double start = 1000.4;
    double length = 2000.6;
    bool muted = false;
    int changesBegun = 0;
    int changesEnded = 0;
};

struct Heard {
    int code;
    std::vector<int32_t> values;
};

struct Listener : Observer {
    std::vector<Heard> heard;
    void OnNotification(int code, void* p) override {
        Heard h{code, {}};
        switch (code) {
        case kNotifyClipClicked: {
            const auto* c = static_cast<ClipClick*>(p);
            h.values = {c->trackIndex, c->reserved};
            break;
        }
        case kNotifyClipSelectionDrag: {
            const auto* d = static_cast<ClipSelectionDrag*>(p);
            h.values = {d->pressX, d->pressY, d->dx, d->dy};
            break;
        }
        case kNotifyClipCaret: {
            const auto* c = static_cast<ClipCaret*>(p);
            h.values = {c->x, c->moveCaret};
            break;
        }
        case kNotifyClipMoveDrag: {
            const auto* m = static_cast<ClipMoveDrag*>(p);
            h.values = {m->dx, m->dy, m->phase};
            break;
        }
        default:
            break;
        }
        heard.push_back(h);
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Heard& h : heard)
            codes.push_back(h.code);
        return codes;
    }
};

// A 200 x 40 clip at (50, 10) of a 400 x 100 window.
class ClipMouse : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&skin);
        clip = new FakeClip;
        clip->SetSize(200, 40);
        clip->AddObserver(&listener);
        ASSERT_TRUE(window.Initialize(&host, 400, 100));
        window.AddChild(clip, 50, 10);
        host.Advance(40);
    }
    void TearDown() override {
        window.RemoveChild(clip);
        clip->RemoveObserver(&listener);
        clip->DeleteRefObject();
        CSkin::SetCurrent(nullptr);
    }

    CSkin skin;
    COffscreenGuiHost host;
    VRGuiWindow window;
    FakeClip* clip = nullptr;
    Listener listener;
};

} // namespace

TEST(ClipHitZones, TitleStripEdgesAndSmallClips) {
    EXPECT_EQ(CClip::HitZoneAt(200, 11, 0, 10, false), kZoneMove);
    EXPECT_EQ(CClip::HitZoneAt(200, 11, 100, 10, false), kZoneMove);
    EXPECT_EQ(CClip::HitZoneAt(200, 12, 0, 11, false), kZoneMove); // in the title strip
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 0, 14, false), kZoneMove);
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 0, 15, false), kZoneResizeLeft);
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 6, 20, false), kZoneResizeLeft);
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 7, 20, false), kZoneSelect);
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 6, 20, true), kZoneStretchLeft);
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 193, 20, false), kZoneSelect);
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 194, 20, false), kZoneResizeRight);
    EXPECT_EQ(CClip::HitZoneAt(200, 40, 199, 20, true), kZoneStretchRight);
}

TEST_F(ClipMouse, ClickInMoveZoneSendsReleaseThenClickThenCaret) {
    host.MouseMove(60, 15);
    EXPECT_EQ(clip->GetHitZone(), kZoneMove);
    host.LeftDown(60, 15);
    EXPECT_EQ(clip->GetStartAtPress(), 1000);
    EXPECT_EQ(clip->GetLengthAtPress(), 2001);
    host.LeftUp(60, 15);
    EXPECT_EQ(listener.Codes(),
              (std::vector<int>{kNotifyClipSelect, kNotifyClipMoveDrag, kNotifyClipClicked,
                                kNotifyClipCaret, kNotifyClipReleased}));
    EXPECT_EQ(listener.heard[1].values, (std::vector<int32_t>{0, 0, ClipMoveDrag::kRelease}));
    EXPECT_EQ(listener.heard[3].values, (std::vector<int32_t>{60, 1}));
    EXPECT_EQ(clip->GetDragState(), 0);
    EXPECT_EQ(window.GetCaptured(), nullptr);
}

TEST_F(ClipMouse, MoveDragPhasesAndLockedClipStays) {
    host.MouseMove(100, 12);
    host.LeftDown(100, 12);
    host.MouseMove(110, 12);
    host.MouseMove(120, 13);
    host.LeftUp(125, 13);
    std::vector<std::vector<int32_t>> moves;
    for (const Heard& h : listener.heard)
        if (h.code == kNotifyClipMoveDrag)
            moves.push_back(h.values);
    EXPECT_EQ(moves, (std::vector<std::vector<int32_t>>{{10, 0, 1}, {20, 1, 2}, {25, 1, 3}}));
    EXPECT_EQ(listener.Codes().back(), kNotifyClipReleased);

    listener.heard.clear();
    clip->SetLocked(true, false);
    host.MouseMove(100, 12);
    host.LeftDown(100, 12);
    host.MouseMove(130, 12);
    host.LeftUp(130, 12);
    for (const Heard& h : listener.heard)
        EXPECT_NE(h.code, kNotifyClipMoveDrag);
}

TEST_F(ClipMouse, ShiftDragOfTheBodySelectsTimeAfterTwoPixels) {
    host.MouseMove(150, 35);
    EXPECT_EQ(clip->GetHitZone(), kZoneSelect);
    host.LeftDown(150, 35, MK_LBUTTON | MK_SHIFT);
    host.MouseMove(151, 35, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(listener.Codes(), (std::vector<int>{kNotifyClipSelect}));
    host.MouseMove(150, 37, MK_LBUTTON | MK_SHIFT);
    ASSERT_EQ(listener.Codes().back(), kNotifyClipSelectionDrag);
    EXPECT_EQ(listener.heard.back().values, (std::vector<int32_t>{150, 35, 0, 2}));
    host.LeftUp(150, 37);
    const std::vector<int> codes = listener.Codes();
    EXPECT_EQ(std::vector<int>(codes.end() - 3, codes.end()),
              (std::vector<int>{kNotifyClipClicked, kNotifyClipCaret, kNotifyClipReleased}));
}

TEST_F(ClipMouse, ADragOfTheBodyMovesTheClipAsTheTitleStripDoes) {
    host.MouseMove(150, 35);
    host.LeftDown(150, 35);
    host.MouseMove(151, 35, MK_LBUTTON);
    host.MouseMove(160, 40, MK_LBUTTON);
    host.MouseMove(170, 45, MK_LBUTTON);
    host.LeftUp(170, 45);
    std::vector<std::vector<int32_t>> moves;
    for (const Heard& h : listener.heard) {
        EXPECT_NE(h.code, kNotifyClipSelectionDrag);
        if (h.code == kNotifyClipMoveDrag)
            moves.push_back(h.values);
    }
    EXPECT_EQ(moves, (std::vector<std::vector<int32_t>>{{10, 5, 1}, {20, 10, 2}, {20, 10, 3}}));
    EXPECT_EQ(listener.Codes().back(), kNotifyClipReleased);
}

TEST_F(ClipMouse, PressOnSelectedClipMakesItCurrentOrDeselectsWithShift) {
    CClip* current = nullptr;
    clip->SetMakeCurrentHandler([&](CClip* c) { current = c; });
    clip->SetSelected(true);
    host.MouseMove(150, 35);
    host.LeftDown(150, 35);
    host.LeftUp(150, 35);
    EXPECT_EQ(current, clip);
    EXPECT_EQ(listener.Codes().front(), kNotifyClipClicked);
    listener.heard.clear();
    host.LeftDown(150, 35, MK_LBUTTON | MK_SHIFT);
    host.LeftUp(150, 35);
    EXPECT_EQ(listener.Codes().front(), kNotifyClipDeselect);
}

TEST_F(ClipMouse, DeleteKeysAndLabel) {
    EXPECT_TRUE(clip->OnKey(kKeyDown, VK_DELETE, 0));
    EXPECT_TRUE(clip->OnKey(kKeyDown, VK_BACK, 0));
    EXPECT_FALSE(clip->OnKey(kKeyDown, 'A', 0));
    EXPECT_EQ(listener.Codes(), (std::vector<int>{kNotifyClipDeleteKey, kNotifyClipDeleteKey}));

    clip->SetName("Drum", true);
    EXPECT_EQ(clip->changesBegun, 1);
    clip->SetName("Drum", true);
    clip->SetLocked(false, true);
    EXPECT_EQ(clip->changesBegun, 1); // same values: no change at all
    EXPECT_EQ(clip->GetLabelText(), "Drum");
    clip->SetName(std::string(300, 'x'), false);
    EXPECT_EQ(clip->GetName().size(), 255u);
    EXPECT_EQ(clip->GetType(), kGuiTypeClip);
}
