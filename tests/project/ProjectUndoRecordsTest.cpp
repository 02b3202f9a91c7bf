#include "ProjectOnWindowTest.h"
#include "engine/CPCMMixer.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CClip.h"
#include "project/CClipSelectionUndo.h"
#include "project/CProject.h"
#include "project/CProjectUndo.h"
#include "project/CTimeGridUndo.h"
#include "project/CTrack.h"
#include "project/ProjectNotifications.h"
#include "support/CUndoMgr.h"
#include "timeline/CTimeGrid.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class ProjectUndoRecords : public ProjectOnWindowTest {
protected:
    std::vector<CClip*> Selected() { return m_project->Selection().Clips(); }
};

TEST_F(ProjectUndoRecords, MasterVolumeUndoesAndRedoesAsOneStep) {
    m_undo.NextUndoSet();
    m_project->SetMasterVolume(0.6, true);
    m_undo.NextUndoSet();
    m_project->SetMasterVolume(1.4, true);
    EXPECT_EQ(m_undo.NumUndoSets(), 2);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(m_project->GetMasterVolume(), 0.6);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(m_project->GetMasterVolume(), 1.0);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_DOUBLE_EQ(m_project->GetMasterVolume(), 0.6);
    // Undo and redo record nothing of their own.
    EXPECT_EQ(m_undo.NumUndoSets() + m_undo.NumRedoSets(), 2);
}

TEST_F(ProjectUndoRecords, MasterVolumeSetToItsValueOrBeyondItsRangeTwiceRecordsNothing) {
    m_undo.NextUndoSet();
    m_project->SetMasterVolume(1.0, true);
    EXPECT_FALSE(m_undo.CanUndo());
    // The mixer keeps the volume within 0 to 4: the second too-loud value is
    // no change.
    m_project->SetMasterVolume(9.0, true);
    m_undo.NextUndoSet();
    m_project->SetMasterVolume(5.0, true);
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(m_project->GetMasterVolume(), 1.0);
}

TEST_F(ProjectUndoRecords, EnvelopeTypeUndoesAndRedoesAsOneStepAndTheSameTypeRecordsNothing) {
    m_project->SetMasterEnvelopeType(0);
    EXPECT_FALSE(m_undo.CanUndo());
    m_project->SetMasterEnvelopeType(2);
    m_project->SetMasterEnvelopeType(4);
    EXPECT_EQ(m_undo.NumUndoSets(), 2);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->GetMasterEnvelopeType(), 2);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->GetMasterEnvelopeType(), 0);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(m_project->GetMasterEnvelopeType(), 2);
    EXPECT_EQ(m_undo.NumUndoSets() + m_undo.NumRedoSets(), 2);
}

TEST_F(ProjectUndoRecords, UndoingADeleteSelectsTheClipsAgainWithTheSameDetailsClip) {
    CClip* a = AddClipAt(0, 0);
    CClip* b = AddClipAt(1, 2000);
    m_project->SelectClip(b, false);
    m_project->SelectClip(a, true);
    m_project->DeleteSelection();
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Selected(), (std::vector<CClip*>{a, b}));
    EXPECT_EQ(m_project->Selection().DetailsClip(), a);
    EXPECT_TRUE(a->IsSelected() && b->IsSelected());
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(a->GetTrack(), nullptr);
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    EXPECT_FALSE(a->IsSelected());
}

TEST_F(ProjectUndoRecords, ASelectionRecordSkipsClipsThatAreOffTheirTracks) {
    CClip* a = AddClipAt(0, 0);
    CClip* b = AddClipAt(1, 0);
    m_undo.NextUndoSet();
    m_undo.AddUndoNode(CClipSelectionUndo(*m_project, {a, b}, {b}));
    m_undo.NextUndoSet();
    m_project->RemoveClip(a);
    // The record holds the removed clip; selecting it again is refused while
    // it is off its track.
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Selected(), (std::vector<CClip*>{a, b}));
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Selected(), std::vector<CClip*>{b});
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Selected(), std::vector<CClip*>{b});
}

TEST_F(ProjectUndoRecords, AKeyboardMoveIsOneStepThatLaysTheTrackAreaOutBothWays) {
    CClip* clip = AddClipAt(0, 1000);
    m_project->SelectClip(clip, false);
    m_undo.NextUndoSet();
    const int32_t x = clip->GetX();
    m_project->MoveClips(500, 1, false);
    EXPECT_EQ(clip->GetTrack()->GetIndex(), 1);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 1500);
    const int32_t movedX = clip->GetX();
    EXPECT_NE(movedX, x);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(clip->GetTrack()->GetIndex(), 0);
    EXPECT_EQ(clip->GetX(), x);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(clip->GetTrack()->GetIndex(), 1);
    EXPECT_EQ(clip->GetX(), movedX);
}

TEST_F(ProjectUndoRecords, AMoveThatCannotMoveRecordsNothing) {
    CClip* clip = AddClipAt(0, 0);
    m_project->SelectClip(clip, false);
    m_undo.NextUndoSet();
    const int sets = m_undo.NumUndoSets();
    // Left of zero and above the first track: nowhere to go.
    m_project->MoveClips(-500, -1, false);
    EXPECT_EQ(m_undo.NumUndoSets(), sets);
}

TEST_F(ProjectUndoRecords, SelectionRebuildRunsOnlyInItsDirection) {
    CClip* a = AddClipAt(0, 0);
    m_project->SelectAllClips(-1, false);
    m_undo.NextUndoSet();
    m_undo.AddUndoNode(CProjectUndo(*m_project, CProjectUndo::kSelectionOnUndo));
    m_undo.NextUndoSet();
    m_undo.AddUndoNode(CProjectUndo(*m_project, CProjectUndo::kSelectionOnRedo));
    // A clip marked selected but missing from the list is taken in by the
    // rebuild, and only by it.
    a->SetSelected(true);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Selected(), std::vector<CClip*>{a});
    m_project->SelectAllClips(-1, false);
    a->SetSelected(true);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(Selected(), std::vector<CClip*>{a});
}

TEST_F(ProjectUndoRecords, MarkerRecordsPutAddedChangedAndRemovedMarkersBack) {
    CProjectMarkers& markers = m_project->Markers();
    MarkerRecord verse = markers.At(0);
    verse.time = 4000;
    verse.tempoEvent.time = 4000.0;
    verse.name = "Verse";
    verse.tempoEvent.tempo = 90.0;
    ASSERT_TRUE(markers.Add(verse));
    m_undo.NextUndoSet();
    m_undo.AddUndoNode(CTimeGridUndo(*m_project, CTimeGridUndo::kAdded, {}, verse));
    MarkerRecord faster = verse;
    faster.tempoEvent.tempo = 140.0;
    ASSERT_TRUE(markers.Replace(1, faster));
    m_undo.NextUndoSet();
    m_undo.AddUndoNode(CTimeGridUndo(*m_project, CTimeGridUndo::kChanged, verse, faster));
    ASSERT_TRUE(markers.Remove(1));
    m_undo.NextUndoSet();
    m_undo.AddUndoNode(CTimeGridUndo(*m_project, CTimeGridUndo::kRemoved, faster, {}));

    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(markers.Count(), 2);
    EXPECT_EQ(markers.At(1).tempoEvent.tempo, 140.0);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(markers.At(1).tempoEvent.tempo, 90.0);
    EXPECT_EQ(m_project->GetTempoMap().GetTempoAtTime(8000.0), 90.0);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(markers.Count(), 1);
    EXPECT_EQ(m_project->TimeGrid().MarkerCount(), 1);
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_EQ(markers.Count(), 2);
    EXPECT_EQ(markers.At(1).name, "Verse");
    EXPECT_EQ(m_project->GetTempoMap().GetTempoAtTime(8000.0), 140.0);
    EXPECT_EQ(m_project->TimeGrid().MarkerCount(), 2);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(markers.Count(), 1);
    EXPECT_FALSE(markers.Remove(0)) << "the start marker stays";
    EXPECT_EQ(markers.Count(), 1);
    EXPECT_EQ(markers.IndexAt(123.0), -1);
}

TEST_F(ProjectUndoRecords, DeletingTheLastTrackAndItsEmptySuccessorAreOneStep) {
    while (m_project->GetNumTracks() > 1)
        m_project->DeleteTrack(0, false);
    CTrack* last = m_project->GetTrack(0);
    m_project->SelectTrack(0, false);
    ASSERT_TRUE(m_project->DeleteSelectedTrack());
    ASSERT_EQ(m_project->GetNumTracks(), 1);
    EXPECT_NE(m_project->GetTrack(0), last);
    EXPECT_EQ(m_undo.NumUndoSets(), 1);
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(m_project->GetNumTracks(), 1);
    EXPECT_EQ(m_project->GetTrack(0), last);
    ASSERT_TRUE(m_undo.Redo());
    ASSERT_EQ(m_project->GetNumTracks(), 1);
    EXPECT_NE(m_project->GetTrack(0), last);
}

TEST_F(ProjectUndoRecords, TwoTrackRenamesAreTwoSteps) {
    CTrack* track = m_project->GetTrack(0);
    const std::string original = track->GetName();
    // As the header's name field tells the track.
    for (std::string name : {"Bass", "Drums"})
        track->OnNotification(kNotifyTrackRename, &name);
    EXPECT_EQ(m_undo.NumUndoSets(), 2);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(track->GetName(), "Bass");
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(track->GetName(), original);
}

} // namespace
