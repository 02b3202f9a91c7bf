#include "pianoroll/PRQuantize.h"

#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "project/CMIDIClip.h"
#include "project/FakeClipDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

using Spans = std::vector<std::tuple<int, double, double>>; // pitch, start, end

constexpr int kEighths = 4;
constexpr int kQuarters = 3;

class PRQuantizeTest : public ::testing::Test {
protected:
    void SetUp() override {
        sound = new CMidiSound;
        sound->SetMediaLength(8000.0);
        sound->SetVirtualLength(8000.0);
        clip = new CMIDIClip(doc, sound);
    }
    void TearDown() override { clip->DeleteRefObject(); }

    MidiNotePtr Add(double start, double end, int pitch) {
        TMidiSndNoteData data;
        data.start = start;
        data.end = end;
        data.pitch = pitch;
        data.velocity = 100;
        return sound->AddMidiNote(data, nullptr);
    }
    Spans All() const {
        Spans spans;
        for (int i = 0; i < sound->NumNotes(); ++i) {
            const MidiNotePtr note = sound->GetNote(i);
            spans.emplace_back(note->GetPitch(), note->GetStart(), note->GetEnd());
        }
        std::sort(spans.begin(), spans.end());
        return spans;
    }
    static PRQuantizeSettings Starts(int level, int swing) {
        PRQuantizeSettings settings;
        settings.startLevel = level;
        settings.swing = swing;
        settings.swingOn = swing > 0;
        return settings;
    }

    FakeClipDocument doc;
    CMidiSound* sound = nullptr;
    CMIDIClip* clip = nullptr;
};

TEST_F(PRQuantizeTest, EighthsWithSwingDelayTheOffBeatsAndKeepLengthsAsOneStep) {
    sound->SetTimeSignature(4, 4);
    Add(240, 340, 60);
    Add(490, 590, 62);
    const Spans before = All();
    PRNoteEdits edits(*clip, doc.undo);
    ASSERT_TRUE(PRQuantize::Apply(edits, Starts(kEighths, 50), {}));
    EXPECT_EQ(All(), (Spans{{60, 375, 475}, {62, 500, 600}}));
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(All(), before);
    EXPECT_FALSE(doc.undo.CanUndo());
    ASSERT_TRUE(doc.undo.Redo());
    EXPECT_EQ(All(), (Spans{{60, 375, 475}, {62, 500, 600}}));
}

TEST_F(PRQuantizeTest, LengthToQuartersMovesEndsAndNeverLeavesANoteEmpty) {
    Add(100, 480, 60);
    Add(100, 180, 62);
    PRQuantizeSettings settings;
    settings.lengthLevel = kQuarters;
    PRNoteEdits edits(*clip, doc.undo);
    ASSERT_TRUE(PRQuantize::Apply(edits, settings, {}));
    EXPECT_EQ(All(), (Spans{{60, 100, 500}, {62, 100, 500}}));
}

TEST_F(PRQuantizeTest, SelectionOnlyChangesTheSelectedNotesAndAllChangesEvery) {
    MidiNotePtr a = Add(240, 340, 60);
    Add(1240, 1340, 62);
    PRNoteEdits edits(*clip, doc.undo);
    PRQuantizeSettings settings = Starts(kEighths, 0);
    settings.selectionOnly = true;
    ASSERT_TRUE(PRQuantize::Apply(edits, settings, {a}));
    EXPECT_EQ(All(), (Spans{{60, 250, 350}, {62, 1240, 1340}}));
    settings.selectionOnly = false; // "all" while a note is selected
    ASSERT_TRUE(PRQuantize::Apply(edits, settings, {a}));
    EXPECT_EQ(All(), (Spans{{60, 250, 350}, {62, 1250, 1350}}));
    // Nothing asked, nothing done.
    EXPECT_FALSE(PRQuantize::Apply(edits, PRQuantizeSettings{}, {}));
}

TEST_F(PRQuantizeTest, AQuantizedNoteMakesRoomAmongItsPitch) {
    Add(240, 500, 60);
    Add(0, 240, 60); // already on the grid; the first one moves onto its end
    PRNoteEdits edits(*clip, doc.undo);
    ASSERT_TRUE(PRQuantize::Apply(edits, Starts(kQuarters, 0), {}));
    // 240 goes to 0 and covers the note there, which goes.
    EXPECT_EQ(All(), (Spans{{60, 0, 260}}));
    ASSERT_TRUE(doc.undo.Undo());
    EXPECT_EQ(All(), (Spans{{60, 0, 240}, {60, 240, 500}}));
}

TEST_F(PRQuantizeTest, TheSoundsOwnTempoAndSignatureSetTheGrid) {
    // 90 bpm in 4/4: eighths are 333 1/3 ms.
    sound->ObeyTempoMap(false);
    sound->ForceSoundTempo(90);
    sound->SetTimeSignature(4, 4);
    Add(350, 450, 60);
    Add(640, 740, 62);
    PRNoteEdits edits(*clip, doc.undo);
    ASSERT_TRUE(PRQuantize::Apply(edits, Starts(kEighths, 50), {}));
    const Spans at90 = All();
    EXPECT_NEAR(std::get<1>(at90[0]), 500.0, 1.0);  // line 1, delayed half a step
    EXPECT_NEAR(std::get<1>(at90[1]), 666.67, 1.0); // line 2 stays

    // 6/8 at 120: the tempo counts eighths, so an eighth is 500 ms.
    doc.undo.Undo();
    sound->ForceSoundTempo(120);
    sound->SetTimeSignature(6, 8);
    ASSERT_TRUE(PRQuantize::Apply(edits, Starts(kEighths, 50), {}));
    EXPECT_EQ(All(), (Spans{{60, 750, 850}, {62, 750, 850}}));
}

} // namespace
