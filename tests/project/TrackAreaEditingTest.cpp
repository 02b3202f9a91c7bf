#include "ProjectOnWindowTest.h"
#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiButton.h"
#include "gui/GuiScrollBar.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CAudioClip.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CProject.h"
#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "support/CUndoMgr.h"
#include "support/LogCapture.h"
#include "timeline/CTimeGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TrackAreaEditing : public ProjectOnWindowTest {
protected:
    void Drag(int32_t dx, int32_t dy) {
        m_project->HandleDraggingClips(0, 0, CClipDrag::kFirstMove);
        m_project->HandleDraggingClips(dx / 2, dy / 2, CClipDrag::kLaterMove);
        m_project->HandleDraggingClips(dx, dy, CClipDrag::kRelease);
    }
    static int TrackOf(const CClip* clip) { return clip->GetTrack()->GetIndex(); }
    // Holds the sound reader's thread until the returned guard goes: only an
    // edit's own reading can then give a changed clip its frames in time.
    // The hook owns its flag, since the reader may still be in it when a
    // test's body has ended.
    auto HoldSoundReader() {
        auto open = std::make_shared<std::atomic<bool>>(false);
        m_readerHeld = std::make_shared<std::atomic<bool>>(false);
        m_mixer.GetSoundReader().SetReadHook([open, held = m_readerHeld] {
            while (!open->load()) {
                *held = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        struct LetGo {
            LetGo(std::shared_ptr<std::atomic<bool>> flag, CSoundReader& soundReader)
                : open(std::move(flag)), reader(soundReader) {}
            ~LetGo() {
                *open = true;
                reader.SetReadHook(nullptr);
            }
            std::shared_ptr<std::atomic<bool>> open;
            CSoundReader& reader;
        };
        return std::make_unique<LetGo>(open, m_mixer.GetSoundReader());
    }
    // Starts playing and waits until the reader is caught in the hook.
    bool PlayWithReaderHeld(double fromMs) {
        if (!m_mixer.Play(m_mixer.GetSoundGroup(), fromMs, 0))
            return false;
        for (int tries = 0; tries < 10000 && !m_readerHeld->load(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return m_readerHeld->load();
    }
    // Mixes one block and gives its loudest sample.
    float MixLoudest() {
        m_mixer.Mix(m_block.data(), kBlock);
        float peak = 0.0f;
        for (float sample : m_block)
            peak = std::max(peak, std::fabs(sample));
        return peak;
    }
    void ExpectHeardFromTheNextBlock(const char* after) {
        for (int index = 0; index < 4; ++index)
            EXPECT_GT(MixLoudest(), 0.0f) << "block " << index << " after " << after;
        EXPECT_EQ(m_mixer.GetUnderruns(), 0) << "after " << after;
    }

    static constexpr int kBlock = 512;
    std::vector<float> m_block = std::vector<float>(kBlock * 2);
    std::shared_ptr<std::atomic<bool>> m_readerHeld;
    // An instrument clip on a new MIDI track; null when the track refused it.
    CMIDIClip* AddMidiClip(CMidiSound* sound) {
        sound->SetLoopEnd(sound->GetMediaLength());
        sound->SetVirtualLength(sound->GetMediaLength());
        auto* clip = new CMIDIClip(m_project->Clips(), sound);
        const bool added = m_project->AddMIDITrack(-1, false)->AddClip(clip, 0, false);
        clip->DeleteRefObject();
        return added ? clip : nullptr;
    }
};

TEST_F(TrackAreaEditing, ClipsDraggedLeftStopAtZeroAndKeepTheirSpacingAsOneUndoStep) {
    CClip* first = AddClipAt(0, 1000);
    CClip* second = AddClipAt(1, 3000);
    ASSERT_TRUE(first && second);
    m_project->SelectClip(first, false);
    m_project->SelectClip(second, true);
    m_project->SelectClip(first, true); // the pressed clip leads the drag
    Drag(-500, 0);
    EXPECT_DOUBLE_EQ(first->GetStartMs(), 0.0);
    EXPECT_DOUBLE_EQ(second->GetStartMs(), 2000.0);
    EXPECT_EQ(first->GetParent(), first->GetTrack()->GetBody()) << "back on its track's body";
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(first->GetStartMs(), 1000.0);
    EXPECT_DOUBLE_EQ(second->GetStartMs(), 3000.0);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_DOUBLE_EQ(second->GetStartMs(), 2000.0);
}

TEST_F(TrackAreaEditing, ClipsNeverGoAboveTheFirstTrackAndMakeATrackOfTheirKindBelowTheLast) {
    CClip* clip = AddClipAt(1, 0);
    m_project->SelectClip(clip, false);
    Drag(0, -500);
    EXPECT_EQ(TrackOf(clip), 0);

    const int tracks = m_project->GetNumTracks();
    Drag(0, 70 * tracks);
    EXPECT_EQ(m_project->GetNumTracks(), tracks + 1);
    EXPECT_EQ(TrackOf(clip), tracks);
    EXPECT_EQ(m_project->GetTrack(tracks)->GetKind(), CTrack::kAudio);

    auto* sound = new CMidiSound;
    sound->SetMediaLength(1000.0);
    CMIDIClip* midi = AddMidiClip(sound);
    ASSERT_NE(midi, nullptr);
    const int midiTrack = TrackOf(midi);
    m_project->SelectClip(midi, false);
    Drag(0, 70);
    EXPECT_EQ(m_project->GetTrack(TrackOf(midi))->GetKind(), CTrack::kMidi);
    EXPECT_NE(TrackOf(midi), midiTrack);
}

TEST_F(TrackAreaEditing, AMouseDragMovesAClipToAnotherTrack) {
    CClip* clip = AddClipAt(0, 0);
    ASSERT_NE(clip, nullptr);
    m_project->SelectAllClips(-1, false);
    // A clip moves by its title strip; it is 50 pixels wide at 20 ms per pixel.
    const int32_t x = clip->GetAbsX() + 25, y = clip->GetAbsY() + 5;
    m_host.MouseMove(x, y);
    m_host.LeftDown(x, y);
    m_host.MouseMove(x + 10, y + 10, MK_LBUTTON);
    m_host.MouseMove(x + 100, y + 140, MK_LBUTTON);
    m_host.LeftUp(x + 100, y + 140);
    EXPECT_EQ(TrackOf(clip), 2);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 100 * m_project->MsPerPixel());
    EXPECT_TRUE(clip->IsSelected());
    // The track it landed on is the one the user now works on.
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 2);
    EXPECT_TRUE(m_project->GetTrack(2)->IsSelected());
    EXPECT_FALSE(m_project->GetTrack(0)->IsSelected());
}

TEST_F(TrackAreaEditing, AClipDroppedWhilePlayingIsHeardAtItsNewPlaceFromTheNextBlock) {
    CClip* clip = AddClipAt(0, 400);
    ASSERT_NE(clip, nullptr);
    m_project->SelectClip(clip, false);
    const auto held = HoldSoundReader();
    ASSERT_TRUE(PlayWithReaderHeld(600.0));
    EXPECT_GT(MixLoudest(), 0.0f);
    Drag(-10, 0); // earlier, still under the play position
    EXPECT_LT(clip->GetStartMs(), 400.0);
    ExpectHeardFromTheNextBlock("the drop");
    m_mixer.Stop(0);
}

TEST_F(TrackAreaEditing, AClipTrimmedLoopedOrRestoredWhilePlayingIsHeardFromTheNextBlock) {
    auto* clip = dynamic_cast<CAudioClip*>(AddClipAt(0, 400));
    ASSERT_NE(clip, nullptr);
    const auto held = HoldSoundReader();
    ASSERT_TRUE(PlayWithReaderHeld(600.0));
    EXPECT_GT(MixLoudest(), 0.0f);
    // Every edit keeps the clip under the play position.
    clip->ResizeLeft(100.0, true);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 500.0);
    ExpectHeardFromTheNextBlock("the left edge");
    clip->ResizeRight(800.0, true);
    ExpectHeardFromTheNextBlock("the right edge");
    clip->SetLoop(clip->GetLoopStart(), clip->GetLoopEnd() - 10.0, true);
    ExpectHeardFromTheNextBlock("the loop");
    clip->StretchTo(450.0, 700.0, clip->GetRate());
    ExpectHeardFromTheNextBlock("the stretch");
    // The edits were made without a break between them: one undo step.
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(clip->GetOffsetMs(), 0.0);
    ExpectHeardFromTheNextBlock("the undo");
    m_mixer.Stop(0);
}

TEST_F(TrackAreaEditing, AClipNudgedToAnotherTrackSelectsThatTrack) {
    CClip* clip = AddClipAt(1, 0);
    ASSERT_NE(clip, nullptr);
    m_project->MoveClips(0, 1, true);
    EXPECT_EQ(TrackOf(clip), 2);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 2);
}

TEST_F(TrackAreaEditing, AClickBelowTheLastTrackLetsGoOfTheClips) {
    CClip* clip = AddClipAt(0, 0);
    m_project->SelectClip(clip, false);
    const CTrack* last = m_project->GetTrack(m_project->GetNumTracks() - 1);
    const int32_t x = last->GetBody()->GetAbsX() + 150;
    const int32_t y = last->GetBody()->GetAbsY() + last->GetHeight() + 20;
    ASSERT_LT(y, m_project->GetAbsY() + m_project->GetHeight() - 68)
        << "still above the master bar";
    m_host.LeftDown(x, y, MK_LBUTTON | MK_SHIFT);
    m_host.LeftUp(x, y, MK_SHIFT);
    EXPECT_TRUE(clip->IsSelected()) << "Shift keeps the selection";
    m_host.LeftDown(x, y);
    m_host.LeftUp(x, y);
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    EXPECT_FALSE(clip->IsSelected());
}

TEST_F(TrackAreaEditing, OverlappingClipsAllKeepAnEdgeToSeeClickAndDrag) {
    // A long clip, then a sound added on top of it at the caret.
    const std::string longSound = m_dir + "Long.wav";
    WriteToneWav(longSound, 44100 * 4, 8000);
    CClip* below = AddClipAt(0, 0, longSound);
    CClip* above = AddClipAt(0, 0);
    ASSERT_TRUE(below && above);
    ASSERT_TRUE(above->IsSelected());
    // The selected one lies on top, below the other's title strip.
    EXPECT_EQ(above->GetY(), CClip::kTitleStripHeight);
    EXPECT_EQ(above->GetY() + above->GetHeight(), below->GetHeight());
    EXPECT_EQ(below->GetY(), 0);

    // A press on the lower clip's visible strip brings it up; the other
    // one then keeps its own strip in view above it.
    const GuiPoint strip{below->GetAbsX() + 10, below->GetAbsY() + 5};
    m_host.MouseMove(strip.x, strip.y);
    m_host.LeftDown(strip.x, strip.y);
    m_host.LeftUp(strip.x, strip.y);
    ASSERT_TRUE(below->IsSelected());
    EXPECT_FALSE(above->IsSelected());
    EXPECT_EQ(above->GetY(), 0);
    EXPECT_EQ(below->GetY(), CClip::kTitleStripHeight);
    const GuiPoint other{above->GetAbsX() + 10, above->GetAbsY() + 5};
    m_host.MouseMove(other.x, other.y);
    m_host.LeftDown(other.x, other.y);
    m_host.LeftUp(other.x, other.y);
    EXPECT_TRUE(above->IsSelected()) << "the covered clip can still be reached";

    // Apart again, both fill the track.
    m_project->SelectClip(below, false);
    m_project->MoveClips(5000, 0, false);
    EXPECT_EQ(below->GetY(), 0);
    EXPECT_EQ(above->GetY(), 0);
    EXPECT_EQ(above->GetHeight(), m_project->GetTrack(0)->GetHeight());
}

TEST_F(TrackAreaEditing, TabWalksTheClipsAndWrapsAround) {
    CClip* a = AddClipAt(0, 0);
    CClip* b = AddClipAt(0, 2000);
    CClip* c = AddClipAt(3, 500);
    m_project->SelectClip(a, false);
    m_project->SelectNextClip(1);
    EXPECT_EQ(m_project->Selection().DetailsClip(), b);
    m_project->SelectNextClip(1);
    EXPECT_EQ(m_project->Selection().DetailsClip(), c);
    m_project->SelectNextClip(1);
    EXPECT_EQ(m_project->Selection().DetailsClip(), a) << "wraps to the first track";
    m_project->SelectNextClip(-1);
    EXPECT_EQ(m_project->Selection().DetailsClip(), c);
    EXPECT_EQ(m_project->Selection().Clips().size(), 1u);
}

TEST_F(TrackAreaEditing, DeletingTheSelectionIsOneUndoStep) {
    CClip* a = AddClipAt(0, 0);
    CClip* b = AddClipAt(2, 0);
    m_project->SelectAllClips(-1, true);
    m_host.KeyDown(VK_DELETE);
    EXPECT_EQ(a->GetTrack(), nullptr);
    EXPECT_EQ(b->GetTrack(), nullptr);
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_NE(a->GetTrack(), nullptr);
    EXPECT_NE(b->GetTrack(), nullptr);
}

TEST_F(TrackAreaEditing, ArrowKeysNudgeTheSelectionOrTheCaret) {
    CClip* clip = AddClipAt(0, 1000);
    m_project->SelectClip(clip, false);
    m_host.KeyDown(VK_RIGHT, kModControl);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 1020.0);
    m_host.KeyDown(VK_DOWN);
    EXPECT_EQ(TrackOf(clip), 1);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(TrackOf(clip), 0);

    m_project->SetSnapLevel(4); // eighths: 250 ms at 120 beats per minute
    m_host.KeyDown(VK_RIGHT);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 1250.0) << "one grid step, onto the grid";

    m_project->SelectAllClips(-1, false);
    m_project->MoveCaretAndPlayback(0);
    m_host.KeyDown(VK_RIGHT);
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 250.0);
}

TEST_F(TrackAreaEditing, ZoomStopsAtBothEndsAndClipsFollowTheScale) {
    CClip* clip = AddClipAt(0, 2000);
    EXPECT_EQ(clip->GetWidth(), 1000 / m_project->MsPerPixel());
    m_project->SetZoomLevel(0);
    EXPECT_EQ(clip->GetX(), 2000);
    EXPECT_EQ(clip->GetWidth(), 1000);
    {
        LogCapture log;
        m_project->Zoom(false);
        EXPECT_EQ(m_project->GetZoomLevel(), 0);
        EXPECT_FALSE(log.Contains("CProject::Zoom()"));
    }
    m_project->SetZoomLevel(CTimeGrid::kZoomLevelCount - 1);
    m_project->Zoom(true);
    EXPECT_EQ(m_project->GetZoomLevel(), CTimeGrid::kZoomLevelCount - 1);
    m_project->Zoom(false);
    EXPECT_EQ(m_project->GetZoomLevel(), CTimeGrid::kZoomLevelCount - 2);
}

TEST_F(TrackAreaEditing, AClickOnAnEmptyLaneSelectsItsTrackMovesTheCaretAndDeselects) {
    CClip* clip = AddClipAt(0, 0);
    m_project->SelectClip(clip, false);
    const CTrackBody* body = m_project->GetTrack(3)->GetBody();
    const int32_t x = body->GetAbsX() + 150, y = body->GetAbsY() + 20;
    m_host.LeftDown(x, y);
    m_host.LeftUp(x, y);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 3);
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 150.0 * m_project->MsPerPixel());
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    EXPECT_FALSE(clip->IsSelected());
}

TEST_F(TrackAreaEditing, AHeaderResizesFromItsLowestFivePixelsAsOneUndoStep) {
    CTrack* track = m_project->GetTrack(1);
    const CTrackHeader* header = track->GetHeader();
    const int32_t x = header->GetAbsX() + 100;
    const int32_t bottom = header->GetAbsY() + header->GetHeight();
    m_host.MouseMove(x, bottom - 6);
    EXPECT_EQ(header->GetDragMode(), CTrackHeader::kReorder);
    m_host.MouseMove(x, bottom - 5);
    EXPECT_EQ(header->GetDragMode(), CTrackHeader::kResize);
    EXPECT_EQ(m_host.CurrentCursor(), GuiCursor::kResizeUpDown);

    m_host.LeftDown(x, bottom - 5);
    m_host.MouseMove(x, bottom + 20, MK_LBUTTON);
    m_host.LeftUp(x, bottom + 25);
    EXPECT_EQ(track->GetHeight(), 70 + 30);
    EXPECT_EQ(m_project->GetTrack(2)->GetHeader()->GetY(), 70 + 100) << "the tracks below follow";
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(track->GetHeight(), 70);
}

TEST_F(TrackAreaEditing, ALaneReleaseAfterAPurelyHorizontalDragStillCountsAsAClick) {
    const CTrackBody* body = m_project->GetTrack(2)->GetBody();
    const int32_t x = body->GetAbsX() + 100, y = body->GetAbsY() + 30;
    m_host.LeftDown(x, y);
    m_host.MouseMove(x + 60, y, MK_LBUTTON);
    m_host.LeftUp(x + 60, y);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 2);
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 160.0 * m_project->MsPerPixel());

    m_project->SelectTrack(0, false);
    m_host.Advance(1000); // no double click
    m_host.LeftDown(x, y);
    m_host.MouseMove(x + 60, y + 20, MK_LBUTTON);
    m_host.LeftUp(x + 60, y + 20);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 0) << "a diagonal drag is no click";
}

TEST_F(TrackAreaEditing, AnInstrumentClipShowsItsNotes) {
    auto* sound = new CMidiSound;
    TMidiSndNoteData note;
    note.start = 500;
    note.end = 1500;
    note.pitch = 60;
    sound->AddMidiNote(note, nullptr);
    sound->SetMediaLength(2000.0);
    const CMIDIClip* clip = AddMidiClip(sound);
    ASSERT_NE(clip, nullptr);
    m_host.Advance(100);
    // At 20 ms per pixel the note covers x 25..75 of the clip; one pitch
    // fills the rows below the title strip.
    const int32_t y = clip->GetAbsY() + CClip::kTitleStripHeight + 4;
    const uint32_t inside = m_host.ScreenPixel(clip->GetAbsX() + 50, y);
    const uint32_t outside = m_host.ScreenPixel(clip->GetAbsX() + 90, y);
    EXPECT_NE(inside, outside);
    EXPECT_EQ(m_host.ScreenPixel(clip->GetAbsX() + 10, y), outside) << "nothing before the note";
}

} // namespace

TEST_F(TrackAreaEditing, TheCornerButtonsReadAsWorkingButtons) {
    // Light text on their dark face, as on every enabled button: dark text
    // there reads as a disabled button.
    VRGuiContainer& corner = m_project->HeaderCorner();
    ASSERT_GE(corner.ChildCount(), 2);
    for (int index = 0; index < 2; ++index) {
        const auto* button = dynamic_cast<const GuiButton*>(corner.ChildAt(index));
        ASSERT_NE(button, nullptr);
        for (int32_t state : {GuiButton::kNormal, GuiButton::kHot, GuiButton::kPressed}) {
            const uint32_t color = button->GetCaptionColor(state);
            const int darkest = std::min({color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF});
            EXPECT_GT(darkest, 0xA0) << "button " << index << " state " << state;
        }
    }
}

TEST_F(TrackAreaEditing, NewAndOpenedProjectsStartAtTheTopLeftWithBarsThatFitThem) {
    for (int track = m_project->GetNumTracks(); track < 14; ++track)
        m_project->AddAudioTrack(-1, false);
    m_project->RecomputeScrollRanges(true, true);
    m_project->SetVerticalScroll(200);
    m_project->SetHorizontalScroll(300);
    ASSERT_EQ(m_project->GetTracksScrollY(), 200);
    const std::string path = m_dir + "Tall.lt4";
    ASSERT_TRUE(m_project->SaveProject(path));

    m_project->NewProject(true);
    EXPECT_EQ(m_project->GetTracksScrollY(), 0);
    EXPECT_EQ(m_project->GetTimelineScrollX(), 0);
    EXPECT_FALSE(m_project->VerticalBar().IsVisible()) << "eight tracks fit";
    EXPECT_TRUE(m_project->HorizontalBar().IsVisible());

    m_project->SetHorizontalScroll(300);
    bool cancelled = false;
    ASSERT_TRUE(m_project->LoadProject(path, cancelled));
    EXPECT_EQ(m_project->GetTracksScrollY(), 0);
    EXPECT_EQ(m_project->GetTimelineScrollX(), 0);
    EXPECT_TRUE(m_project->VerticalBar().IsVisible());
    EXPECT_EQ(m_project->VerticalBar().GetPos(), 0);
    EXPECT_TRUE(m_project->HorizontalBar().IsVisible());
    EXPECT_EQ(m_project->HorizontalBar().GetPos(), 0);
}
