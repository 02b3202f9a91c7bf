// Loads of large projects build the track area and the tempo map once, after
// everything is read: what they build must be what a track-by-track load
// would have built.

#include "ProjectOnWindowTest.h"
#include "engine/TempoMap.h"
#include "project/CProjectFile.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "project/ProjectFileContents.h"

#include <gtest/gtest.h>

namespace {

class LargeProjectLoadTest : public ProjectOnWindowTest {
protected:
    ProjectFileContents Contents() const {
        ProjectFileContents contents;
        contents.project.recordingFolder = m_dir;
        MarkerRecord start;
        start.name = "Start";
        start.tempoEvent = {0.0, 120.0, 3, 4, 4, true, true, true, 1};
        contents.markers.markers.push_back(start);
        return contents;
    }
    bool SaveAndLoad(ProjectFileContents& contents) {
        const std::string path = m_dir + "large.lt4";
        if (!CProjectFile(contents).SaveToFile(path))
            return false;
        bool cancelled = false;
        return m_project->LoadProject(path, cancelled);
    }
};

TEST_F(LargeProjectLoadTest, TracksOfEveryHeightStackInFileOrder) {
    constexpr int kTracks = 400;
    ProjectFileContents contents = Contents();
    for (int i = 0; i < kTracks; ++i) {
        if (i % 3 == 2) {
            MidiTrackRecord track;
            track.name = "Midi " + std::to_string(i);
            track.height = 30 + i % 7 * 20;
            contents.tracks.emplace_back(track);
        } else {
            AudioTrackRecord track;
            track.name = "Audio " + std::to_string(i);
            track.height = 30 + i % 7 * 20;
            contents.tracks.emplace_back(track);
        }
    }
    ASSERT_TRUE(SaveAndLoad(contents));
    ASSERT_EQ(m_project->GetNumTracks(), kTracks);
    int32_t y = 0;
    for (int i = 0; i < kTracks; ++i) {
        const CTrack* track = m_project->GetTrack(i);
        ASSERT_EQ(track->GetIndex(), i);
        EXPECT_EQ(track->GetName(), (i % 3 == 2 ? "Midi " : "Audio ") + std::to_string(i));
        EXPECT_EQ(track->GetHeight(), 30 + i % 7 * 20);
        EXPECT_EQ(track->GetHeader()->GetY(), y) << "track " << i;
        EXPECT_EQ(track->GetBody()->GetY(), y) << "track " << i;
        y += track->GetHeight();
    }
    // The vertical scroll range covers every track.
    EXPECT_EQ(m_project->GetTracksHeight(), std::max(y, m_project->GetTracksViewHeight()));
}

TEST_F(LargeProjectLoadTest, ManyMarkersMakeOneTempoMapInTimeOrder) {
    constexpr int kMarkers = 3000;
    ProjectFileContents contents = Contents();
    // Written out of order: the load sorts them by time.
    for (int i = kMarkers - 1; i >= 1; --i) {
        MarkerRecord marker;
        marker.time = i * 250;
        marker.name = "M" + std::to_string(i);
        marker.tempoEvent.time = marker.time;
        marker.tempoEvent.tempoChange = i % 10 == 0;
        marker.tempoEvent.tempo = 100.0 + i % 40;
        contents.markers.markers.push_back(marker);
    }
    contents.tracks.emplace_back(AudioTrackRecord{});
    ASSERT_TRUE(SaveAndLoad(contents));
    ASSERT_EQ(m_project->Markers().Count(), kMarkers);
    const TempoMap& map = m_project->GetTempoMap();
    ASSERT_EQ(map.NumEvents(), kMarkers);
    for (int i = 1; i < kMarkers; ++i) {
        EXPECT_EQ(m_project->Markers().At(i).name, "M" + std::to_string(i));
        TempoEvent event;
        ASSERT_TRUE(map.GetEvent(i, &event));
        EXPECT_EQ(event.time, i * 250.0);
    }
    // The tempo in force is the last change's: marker 2990 set 130.
    EXPECT_DOUBLE_EQ(map.GetTempoAtTime(2995 * 250.0), 100.0 + 2990 % 40);
    EXPECT_DOUBLE_EQ(map.GetTempoAtTime(15 * 250.0), 100.0 + 10 % 40);
}

} // namespace
