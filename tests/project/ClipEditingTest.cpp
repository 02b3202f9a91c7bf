#include "FakeClipDocument.h"
#include "ToneWav.h"
#include "engine/CEnvelope.h"
#include "engine/CPCMSound.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "project/CAudioClip.h"
#include "project/CEnvelopeFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A document that snaps to a 100 ms grid at 10 ms per pixel.
struct EditDocument : FakeClipDocument {
    std::optional<TimeRange> selection;
    double tempo = 0.0;
    int32_t key = -1;
    int layOuts = 0;

    double SnapTime(double ms) const override { return std::round(ms / 100.0) * 100.0; }
    std::optional<TimeRange> TimeSelection() const override { return selection; }
    double TempoAt(double) const override { return tempo; }
    int32_t KeyAt(double) const override { return key; }
    void RecordTrackAreaLayOut() override { ++layOuts; }
};

// 16-bit mono at 44.1 kHz: silence, a full-scale-ish tone, silence.
void WriteGappedWav(const std::string& path, uint32_t silent, uint32_t tone, int16_t peak) {
    const std::string toneFile = path + ".tone";
    WriteToneWav(toneFile, tone, peak);
    std::ifstream in(toneFile, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<char> samples(bytes.begin() + 44, bytes.end());
    WriteToneWav(path, silent * 2 + tone, 0);
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(44 + silent * 2);
    out.write(samples.data(), static_cast<std::streamsize>(samples.size()));
}

using Points = std::vector<std::pair<double, double>>;

Points PointsOf(const CEnvelope& envelope) {
    Points points;
    for (const EnvelopePoint& p : CEnvelopeFunctions::Points(envelope))
        points.emplace_back(p.timeMs, p.value);
    return points;
}

AudioClipUndoStruct Snapshot(const CAudioClip& clip) {
    AudioClipUndoStruct state;
    clip.FillUndoStruct(&state);
    return state;
}

// A one-second tone clip at 1000 ms, 100 x 40 pixels at (100, 10) of a
// 400 x 100 window.
class ClipEditing : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::string(LOOMTONE_TEST_TMP) + "/clipediting";
        fs::remove_all(dir);
        fs::create_directories(dir);
        WriteToneWav(dir + "/tone.wav", 44100, 20000);
        ASSERT_TRUE(skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&skin);
        clip = new CAudioClip(doc);
        ASSERT_TRUE(clip->LoadFromFile(dir + "/tone.wav", false));
        clip->GetAtom()->SetAbsoluteOffset(1000.0);
        ASSERT_TRUE(window.Initialize(&host, 400, 100));
        window.AddChild(clip, 100, 10);
        clip->SetSize(100, 40);
        host.Advance(40);
    }
    void TearDown() override {
        window.RemoveChild(clip);
        doc.undo.ClearUndoHistory();
        clip->DeleteRefObject();
        CSkin::SetCurrent(nullptr);
    }
    CEnvelope& Volume() { return *clip->GetEnvelopeByType(0); }
    void Drag(int32_t x, int32_t toX, uint32_t keys = 0) {
        host.MouseMove(x, 30, keys);
        host.LeftDown(x, 30, MK_LBUTTON | keys);
        host.MouseMove((x + toX) / 2, 30, MK_LBUTTON | keys);
        host.MouseMove(toX, 30, MK_LBUTTON | keys);
        host.LeftUp(toX, 30, keys);
    }
    // The item's edit is one undo step that undoes and redoes exactly.
    void ExpectOneStep(int item) {
        const Points before = PointsOf(Volume());
        const AudioClipUndoStruct state = Snapshot(*clip);
        const int sets = doc.undo.NumUndoSets();
        clip->DoMenuCommand(item);
        const Points after = PointsOf(Volume());
        EXPECT_NE(after, before) << item;
        ASSERT_EQ(doc.undo.NumUndoSets(), sets + 1) << item;
        ASSERT_TRUE(doc.undo.Undo());
        EXPECT_EQ(PointsOf(Volume()), before) << item;
        EXPECT_EQ(Snapshot(*clip), state) << item;
        ASSERT_TRUE(doc.undo.Redo());
        EXPECT_EQ(PointsOf(Volume()), after) << item;
    }

    std::string dir;
    EditDocument doc;
    CSkin skin;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CAudioClip* clip = nullptr;
};

} // namespace

TEST_F(ClipEditing, EveryEnvelopeItemIsOneStepThatUndoesExactly) {
    for (int item : {26, 27, 28, 30, 31, 32, 34, 35, 36, 37, 39, 40, 41, 42, 24, 23}) {
        Volume().RemoveAll();
        Volume().Insert(100.0, 0.5);
        Volume().Insert(400.0, 1.5);
        Volume().Insert(900.0, 0.8);
        ExpectOneStep(item);
    }
}

TEST_F(ClipEditing, EnvelopeFunctionBoundaries) {
    // A fade over a selection reaching past both ends stays inside the clip.
    doc.selection = TimeRange{0.0, 5000.0};
    ASSERT_TRUE(clip->ProcessEnvelope(EnvelopeFunction::kFadeIn, 1));
    const Points fade = PointsOf(Volume());
    ASSERT_EQ(fade.size(), 9u);
    EXPECT_EQ(fade.front(), (std::pair<double, double>{0.0, 0.0}));
    EXPECT_EQ(fade.back(), (std::pair<double, double>{1000.0, 1.0}));
    EXPECT_LT(fade[4].second, 0.5); // slow: below halfway at the middle

    // A boost at the maximum changes nothing and records nothing.
    doc.selection.reset();
    Volume().RemoveAll();
    Volume().Insert(0.0, 2.0);
    Volume().Insert(1000.0, 2.0);
    doc.undo.NextUndoSet();
    const int sets = doc.undo.NumUndoSets();
    EXPECT_TRUE(clip->ProcessEnvelope(EnvelopeFunction::kBoost, 50));
    EXPECT_EQ(doc.undo.NumUndoSets(), sets);

    // A boost keeps the curve's shape; invert twice is the original.
    Volume().RemoveAll();
    Volume().Insert(0.0, 0.2);
    Volume().Insert(500.0, 1.0);
    Volume().Insert(1000.0, 0.4);
    clip->ProcessEnvelope(EnvelopeFunction::kBoost, 25);
    EXPECT_EQ(PointsOf(Volume()), (Points{{0.0, 0.45}, {500.0, 1.25}, {1000.0, 0.65}}));
    clip->ProcessEnvelope(EnvelopeFunction::kInvert, 0);
    const Points inverted = PointsOf(Volume());
    ASSERT_EQ(inverted.size(), 3u);
    EXPECT_NEAR(inverted[0].second, 1.25, 1e-9);
    EXPECT_NEAR(inverted[1].second, 0.45, 1e-9);
    EXPECT_NEAR(inverted[2].second, 1.05, 1e-9);
    EXPECT_FALSE(clip->ProcessEnvelope(EnvelopeFunction::kBoost, 7));
}

TEST_F(ClipEditing, NormalizeReachesFullScaleAndSilenceIsLeftAlone) {
    clip->DoMenuCommand(CClip::kMenuNormalize);
    const Points points = PointsOf(Volume());
    ASSERT_EQ(points.size(), 1u);
    EXPECT_NEAR(points[0].second, 32768.0 / 20000.0, 0.01);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_TRUE(PointsOf(Volume()).empty());

    WriteToneWav(dir + "/silent.wav", 44100, 0);
    ASSERT_TRUE(clip->LoadFromFile(dir + "/silent.wav", false));
    const int sets = doc.undo.NumUndoSets();
    clip->DoMenuCommand(CClip::kMenuNormalize);
    clip->DoMenuCommand(CClip::kMenuTrimSilence);
    EXPECT_EQ(doc.undo.NumUndoSets(), sets);
    EXPECT_TRUE(PointsOf(Volume()).empty());
}

TEST_F(ClipEditing, TrimSilenceIsOneStep) {
    WriteGappedWav(dir + "/gap.wav", 11025, 22050, 20000); // 250 ms, 500 ms, 250 ms
    ASSERT_TRUE(clip->LoadFromFile(dir + "/gap.wav", false));
    clip->GetAtom()->SetAbsoluteOffset(1000.0);
    const AudioClipUndoStruct before = Snapshot(*clip);
    clip->DoMenuCommand(CClip::kMenuTrimSilence);
    // The tone starts at zero crossings: within a sample of the gap.
    EXPECT_NEAR(clip->GetStartMs(), 1250.0, 0.1);
    EXPECT_NEAR(clip->GetOffsetMs(), 250.0, 0.1);
    EXPECT_NEAR(clip->GetLengthMs(), 500.0, 0.1);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(Snapshot(*clip), before);
}

TEST_F(ClipEditing, EdgeDragsSnapAndUndoAsOneStep) {
    const AudioClipUndoStruct before = Snapshot(*clip);
    host.MouseMove(197, 30);
    EXPECT_EQ(host.CurrentCursor(), GuiCursor::kResizeLeftRight);
    Drag(197, 240); // 430 ms to the right, snapped to 400
    EXPECT_EQ(clip->GetLengthMs(), 1400.0);
    EXPECT_EQ(clip->GetWidth(), 140);
    EXPECT_EQ(doc.undo.NumUndoSets(), 1);
    // The track area is laid out before and after the clip in either direction.
    EXPECT_EQ(doc.layOuts, 2);
    clip->SetLocked(true, true);
    clip->SetLocked(false, true);
    EXPECT_EQ(doc.layOuts, 2);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(Snapshot(*clip), before);
    EXPECT_EQ(clip->GetWidth(), 100);

    // The left edge dragged past the right one leaves the shortest clip.
    Volume().Insert(500.0, 0.5);
    Drag(102, 400);
    EXPECT_EQ(clip->GetLengthMs(), CClip::kMinimumLengthMs);
    EXPECT_EQ(clip->GetStartMs(), 1960.0);
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(Snapshot(*clip), before);
    EXPECT_EQ(PointsOf(Volume()), (Points{{500.0, 0.5}}));
}

TEST_F(ClipEditing, StretchChangesTheRateAndLockedClipsRefuse) {
    Volume().Insert(300.0, 0.5);
    const AudioClipUndoStruct before = Snapshot(*clip);
    Drag(197, 297, MK_CONTROL); // twice as long: half the rate
    EXPECT_EQ(clip->GetLengthMs(), 2000.0);
    EXPECT_EQ(clip->GetRate(), 0.5);
    EXPECT_EQ(PointsOf(Volume()), (Points{{600.0, 0.5}}));
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(Snapshot(*clip), before);
    EXPECT_EQ(PointsOf(Volume()), (Points{{300.0, 0.5}}));

    clip->SetLocked(true, false);
    const int sets = doc.undo.NumUndoSets();
    Drag(197, 250);
    Drag(102, 150);
    Drag(197, 250, MK_CONTROL);
    EXPECT_EQ(Snapshot(*clip).length, before.length);
    EXPECT_EQ(clip->GetStartMs(), 1000.0);
    EXPECT_EQ(doc.undo.NumUndoSets(), sets);
}

TEST_F(ClipEditing, ContextMenuOffersWhatCanBeDone) {
    clip->SetLocked(true, false);
    const GuiMenu menu = clip->BuildContextMenu();
    std::vector<int32_t> ids;
    for (int i = 0; i < menu.ItemCount(); ++i)
        ids.push_back(menu.ItemAt(i).id);
    // Mute, lock, loop to trim, trim, normalize and the four envelope
    // sub-menus with reset and invert; nothing the document does not handle.
    EXPECT_EQ(ids, (std::vector<int32_t>{9, 10, 0, 15, 16, 18, 0, 0, 0, 0, 0, 24, 25}));
    ASSERT_NE(menu.ItemAt(7).subMenu, nullptr);
    EXPECT_EQ(menu.ItemAt(7).subMenu->ItemCount(), 3);
    clip->DoMenuCommand(CClip::kMenuLock);
    EXPECT_FALSE(clip->IsLocked());
    clip->DoMenuCommand(3); // cut: only the document can
    EXPECT_EQ(doc.undo.NumUndoSets(), 1);
}

TEST_F(ClipEditing, FollowingTheProjectsTempoAndKey) {
    const AudioClipUndoStruct before = Snapshot(*clip);
    doc.tempo = 120.0;
    doc.key = 5; // D major
    clip->SetTempo(60.0, false);
    EXPECT_EQ(clip->GetRate(), 1.0); // not following yet
    clip->SetKey(60, false);         // middle C
    clip->SetObeyKeyMap(true, false);
    EXPECT_EQ(clip->GetPitchShift(), 2.0);
    doc.undo.NextUndoSet();
    clip->SetObeyTempoMap(true, true);
    EXPECT_EQ(clip->GetRate(), 2.0);
    EXPECT_EQ(clip->GetLengthMs(), 500.0); // the same beats, twice as fast
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(clip->GetRate(), 1.0);
    EXPECT_EQ(clip->GetLengthMs(), before.length);

    doc.key = 2; // B major: a semitone down is nearer than eleven up
    clip->FollowTempoAndKey(false);
    EXPECT_EQ(clip->GetPitchShift(), -1.0);
}
