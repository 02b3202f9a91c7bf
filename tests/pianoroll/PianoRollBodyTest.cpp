#include "pianoroll/PianoRollBody.h"

#include "PRNoteTestSupport.h"
#include "engine/CMidiSound.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <tuple>
#include <vector>

namespace {

// The note area alone in a window tall enough for all its rows, at 10 ms a
// pixel: an eighth note (the default length) is 25 pixels wide.
class PianoRollBodyTest : public ::testing::Test {
protected:
    void SetUp() override {
        clip = NewEmptyMidiClip(doc, 4000.0);
        body = std::make_unique<PianoRollBody>(*clip, doc.undo, nullptr);
        body->SetMsPerPixel(10);
        ASSERT_TRUE(window.Initialize(&host, 800, PRNoteGeometry::kContentHeight));
        window.AddChild(body.get(), 0, 0);
        Tick();
    }
    void TearDown() override {
        window.RemoveChild(body.get());
        body.reset();
        clip->DeleteRefObject();
    }
    void Tick() {
        host.Advance(window.GetRefreshPeriod());
        host.DeliverPaint();
    }
    void Click(int x, int y, uint32_t keys = 0) {
        host.MouseMove(x, y, keys);
        host.LeftDown(x, y, MK_LBUTTON | keys);
        host.LeftUp(x, y, keys);
        Tick();
    }
    void DragFromTo(int x0, int y0, int x1, int y1, uint32_t keys = 0) {
        host.MouseMove(x0, y0, keys);
        host.LeftDown(x0, y0, MK_LBUTTON | keys);
        host.MouseMove((x0 + x1) / 2, (y0 + y1) / 2, MK_LBUTTON | keys);
        host.MouseMove(x1, y1, MK_LBUTTON | keys);
        host.LeftUp(x1, y1, keys);
        Tick();
    }
    Notes AllNotes() const { return SortedNotes(body->Edits()); }
    // Whether the screen shows a note in the middle of an eighth's place: its
    // colour differs from the same row where no note ever is.
    bool NoteShownAt(double startMs, int pitch) {
        const uint32_t empty = host.ScreenPixel(390, Row(pitch));
        return host.ScreenPixel(static_cast<int>(startMs / 10) + 12, Row(pitch)) != empty;
    }

    FakeClipDocument doc;
    COffscreenGuiHost host;
    VRGuiWindow window;
    CMIDIClip* clip = nullptr;
    std::unique_ptr<PianoRollBody> body;
};

TEST_F(PianoRollBodyTest, MouseDrawsMovesResizesAndErasesAndUndoWalksBack) {
    std::vector<Notes> states{AllNotes()};
    const int pitches[] = {60, 60, 62, 64};
    for (int i = 0; i < 4; ++i) {
        Click(3 + 50 * i, Row(pitches[i]));
        states.push_back(AllNotes());
    }
    ASSERT_EQ(AllNotes().size(), 4u);
    EXPECT_TRUE(NoteShownAt(500, 60));
    EXPECT_FALSE(NoteShownAt(500, 58));

    Click(12, Row(60));
    DragFromTo(62, Row(60), 112, Row(60) + 20, MK_SHIFT);
    states.push_back(AllNotes());
    EXPECT_EQ(AllNotes(),
              (Notes{{500, 750, 58}, {1000, 1250, 58}, {1000, 1250, 62}, {1500, 1750, 64}}));
    EXPECT_TRUE(NoteShownAt(500, 58));
    EXPECT_FALSE(NoteShownAt(0, 60));

    DragFromTo(124, Row(62), 174, Row(62));
    states.push_back(AllNotes());
    EXPECT_EQ(std::get<1>(AllNotes()[2]), 1750);

    body->Gestures().Settings().tool = PRTool::kEraser;
    Click(160, Row(64) + 4);
    states.push_back(AllNotes());
    EXPECT_EQ(AllNotes().size(), 3u);
    EXPECT_FALSE(NoteShownAt(1500, 64));

    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(doc.undo.Undo());
        EXPECT_EQ(AllNotes(), states[i - 1]) << "after undoing step " << i;
    }
    Tick();
    EXPECT_FALSE(NoteShownAt(0, 60));
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(doc.undo.Redo());
        EXPECT_EQ(AllNotes(), states[i]) << "after redoing step " << i;
    }
    Tick();
    EXPECT_TRUE(NoteShownAt(500, 58));
    EXPECT_FALSE(NoteShownAt(1500, 64));
}

TEST_F(PianoRollBodyTest, DeleteKeyRemovesTheSelectionAsOneStep) {
    Click(3, Row(60));
    Click(53, Row(60));
    body->Gestures().SelectAll();
    host.KeyDown(VK_DELETE);
    EXPECT_TRUE(AllNotes().empty());
    doc.undo.Undo();
    EXPECT_EQ(AllNotes().size(), 2u);
}

TEST_F(PianoRollBodyTest, ToolTipNamesThePitchUnderThePointer) {
    std::string text;
    ASSERT_TRUE(body->GetToolTip({10, Row(60)}, text));
    EXPECT_EQ(text, "C5");
}

} // namespace
