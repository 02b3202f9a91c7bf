#include "ProjectOnWindowTest.h"
#include "engine/TempoMap.h"
#include "project/CAutoMarkerPlacer.h"
#include "project/CMarkerEditSession.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class MarkerEditingTest : public ProjectOnWindowTest {
protected:
    std::string Saved(const std::string& name) {
        const std::string path = m_dir + name;
        EXPECT_TRUE(m_project->SaveProject(path));
        return Bytes(path);
    }
};

TEST_F(MarkerEditingTest, AddingWhereAMarkerStandsIsRefusedWithTheMessage) {
    CMarkerEditSession session(*m_project, m_undo);
    EXPECT_FALSE(session.BeginAdd(0.0));
    EXPECT_EQ(m_project->Markers().Count(), 1);
    ASSERT_EQ(m_titles.size(), 1u);
    EXPECT_EQ(m_titles[0], MyLoadString("MDT_TimeUnavail_Title"));
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_F(MarkerEditingTest, OkKeepsTheLiveEditsAsOneUndoStep) {
    {
        CMarkerEditSession session(*m_project, m_undo);
        ASSERT_TRUE(session.BeginAdd(4000.0));
        EXPECT_EQ(m_project->Markers().Count(), 2);
        MarkerRecord changed = session.Working();
        changed.name = "Bridge";
        changed.tempoEvent.tempo = 90.0;
        changed.tempoEvent.tempoChange = true;
        ASSERT_TRUE(session.Apply(changed));
        // The tempo map follows at once.
        EXPECT_DOUBLE_EQ(m_project->GetTempoMap().GetTempoAtTime(5000.0), 90.0);
        ASSERT_TRUE(session.MoveTo(6000.0));
        session.Finish();
    }
    ASSERT_EQ(m_project->Markers().Count(), 2);
    EXPECT_EQ(m_project->Markers().At(1).name, "Bridge");
    EXPECT_EQ(m_project->Markers().At(1).time, 6000);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->Markers().Count(), 1);
    EXPECT_FALSE(m_undo.CanUndo());
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(m_project->Markers().At(1).name, "Bridge");

    CMarkerEditSession edit(*m_project, m_undo);
    ASSERT_TRUE(edit.BeginEdit(1));
    MarkerRecord renamed = edit.Working();
    renamed.name = "Outro";
    ASSERT_TRUE(edit.Apply(renamed));
    edit.Finish();
    EXPECT_EQ(m_project->Markers().At(1).name, "Outro");
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->Markers().At(1).name, "Bridge");
}

TEST_F(MarkerEditingTest, CancelAfterLiveEditsLeavesTheProjectByteForByte) {
    {
        CMarkerEditSession add(*m_project, m_undo);
        ASSERT_TRUE(add.BeginAdd(2000.0));
        add.Finish();
    }
    m_undo.ClearUndoHistory();
    const std::string before = Saved("before.lt4");
    for (int index : {0, 1}) {
        CMarkerEditSession session(*m_project, m_undo);
        ASSERT_TRUE(session.BeginEdit(index));
        MarkerRecord changed = session.Working();
        changed.tempoEvent.tempo = 140.0;
        changed.tempoEvent.tempoChange = true;
        ASSERT_TRUE(session.Apply(changed));
        EXPECT_DOUBLE_EQ(m_project->GetTempoMap().GetTempoAtTime(3000.0), 140.0);
        session.MoveTo(9000.0);
        session.Cancel();
    }
    {
        CMarkerEditSession added(*m_project, m_undo);
        ASSERT_TRUE(added.BeginAdd(5000.0));
        added.Cancel();
    }
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_EQ(Saved("after.lt4"), before);
}

TEST_F(MarkerEditingTest, MovingOntoAnotherMarkerIsRefusedAndKeepsThePlace) {
    CMarkerEditSession add(*m_project, m_undo);
    ASSERT_TRUE(add.BeginAdd(2000.0));
    add.Finish();
    CMarkerEditSession session(*m_project, m_undo);
    ASSERT_TRUE(session.BeginAdd(3000.0));
    m_titles.clear();
    EXPECT_FALSE(session.MoveTo(2000.0));
    EXPECT_EQ(session.Working().time, 3000);
    EXPECT_EQ(m_titles.size(), 1u);
    // The start marker does not move.
    CMarkerEditSession start(*m_project, m_undo);
    ASSERT_TRUE(start.BeginEdit(0));
    start.MoveTo(1000.0);
    EXPECT_EQ(m_project->Markers().At(0).time, 0);
}

TEST(AutoMarkerPlacerTest, IntervalsFollowTheRules) {
    TempoMap map;
    const std::vector<MarkerRecord> defaults = CAutoMarkerPlacer::AtIntervals(map, 5.0, 74.0, true);
    ASSERT_EQ(defaults.size(), 14u);
    EXPECT_EQ(defaults.front().time, 5 * 60000);
    EXPECT_EQ(defaults.back().time, 70 * 60000);
    EXPECT_EQ(defaults.front().name, FormatLocalized(MyLoadString("TMB_TrackStr"), 2));
    EXPECT_EQ(defaults.back().name, FormatLocalized(MyLoadString("TMB_TrackStr"), 15));
    EXPECT_TRUE(defaults.front().cdTrack);
    EXPECT_EQ(defaults.front().colour, 8454143u);
    const std::vector<MarkerRecord> tens = CAutoMarkerPlacer::AtIntervals(map, 10.0, 74.0, false);
    ASSERT_EQ(tens.size(), 7u);
    EXPECT_EQ(tens.back().time, 70 * 60000);
    EXPECT_EQ(tens.back().name, FormatLocalized(MyLoadString("TMB_TrackStr"), 8));
    EXPECT_FALSE(tens.back().cdTrack);
    EXPECT_TRUE(CAutoMarkerPlacer::AtIntervals(map, 0.0, 74.0, true).empty());
    EXPECT_TRUE(CAutoMarkerPlacer::AtIntervals(map, -1.0, 74.0, true).empty());
    EXPECT_TRUE(CAutoMarkerPlacer::AtIntervals(map, 80.0, 74.0, true).empty());
    // A hostile setting cannot flood the timeline.
    EXPECT_EQ(CAutoMarkerPlacer::AtIntervals(map, 1e-9, 1e300, true).size(),
              CAutoMarkerPlacer::kMaxMarkers);
}

TEST(AutoMarkerPlacerTest, SoundAfterLongSilencesOnly) {
    const double rate = 1000.0; // one frame per millisecond
    std::vector<float> stereo(2 * 10000, 0.0f);
    auto sound = [&](int from, int to) {
        for (int frame = from; frame < to; ++frame)
            stereo[2 * frame] = stereo[2 * frame + 1] = 0.5f;
    };
    sound(500, 1000);  // after a silent start: no marker
    sound(3000, 4000); // after 2 s of silence
    sound(4500, 5000); // after 0.5 s: too short
    sound(7000, 8000); // after 2 s
    CAutoMarkerPlacer::SilenceSettings settings;
    settings.minMinutesBetweenMarkers = 0.0;
    EXPECT_EQ(CAutoMarkerPlacer::SoundAfterSilences(stereo.data(), 10000, rate, settings),
              (std::vector<double>{3000.0, 7000.0}));
    settings.minMinutesBetweenMarkers = 0.1; // 6 s
    EXPECT_EQ(CAutoMarkerPlacer::SoundAfterSilences(stereo.data(), 10000, rate, settings),
              (std::vector<double>{7000.0}));
}

TEST_F(MarkerEditingTest, SilenceModeMarksTheGapsOfTheMix) {
    for (double start : {0.0, 3000.0, 6000.0, 9000.0})
        ASSERT_NE(AddClipAt(0, start), nullptr);
    CAutoMarkerPlacer::SilenceSettings settings;
    settings.minMinutesBetweenMarkers = 0.0;
    std::vector<MarkerRecord> markers;
    std::string error;
    ASSERT_TRUE(
        CAutoMarkerPlacer::AtSilences(m_mixer, *m_project, m_dir, settings, true, markers, error))
        << error;
    ASSERT_EQ(markers.size(), 3u);
    for (size_t index = 0; index < 3; ++index) {
        EXPECT_NEAR(markers[index].time, 3000.0 * (index + 1), 5.0);
        EXPECT_EQ(markers[index].name,
                  FormatLocalized(MyLoadString("TMB_TrackStr"), static_cast<int>(index) + 2));
    }
    m_undo.NextUndoSet();
    EXPECT_EQ(CAutoMarkerPlacer::AddToProject(*m_project, m_undo, markers), 3);
    EXPECT_EQ(m_project->Markers().Count(), 4);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->Markers().Count(), 1);
}

} // namespace
