#pragma once

// Projects at one tempo, or with a tempo change at bar 5, for the tests that
// check an editing gesture at several tempos.
#include "ProjectOnWindowTest.h"
#include "engine/TempoMap.h"
#include "gui/CSkin.h"
#include "project/CProject.h"
#include "project/CProjectMarkers.h"
#include "project/MarkerRecord.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

inline constexpr double kBarFiveMs = 8000.0; // reference start of bar 5 in 4/4

struct TempoCase {
    double startBpm;
    double barFiveBpm; // 0: no change
};

inline std::string CaseName(const ::testing::TestParamInfo<TempoCase>& info) {
    std::string name = std::to_string(int(info.param.startBpm)) + "bpm";
    if (info.param.barFiveBpm > 0.0)
        name += "Then" + std::to_string(int(info.param.barFiveBpm)) + "AtBar5";
    return name;
}

// Sets the start tempo and, when the case has one, the change at bar 5.
inline void ApplyTempoCase(CProject& project, const TempoCase& tempo) {
    MarkerRecord start = project.Markers().At(0);
    start.tempoEvent.tempo = tempo.startBpm;
    start.tempoEvent.tempoChange = true;
    ASSERT_TRUE(project.Markers().Replace(0, start));
    if (tempo.barFiveBpm > 0.0) {
        MarkerRecord change;
        change.time = static_cast<int32_t>(kBarFiveMs);
        change.name = "change";
        change.tempoEvent.time = kBarFiveMs;
        change.tempoEvent.tempo = tempo.barFiveBpm;
        change.tempoEvent.tempoChange = true;
        ASSERT_TRUE(project.Markers().Add(change));
    }
}

// A 44.1 kHz mono 16-bit WAV of the samples.
inline void WriteMonoWav(const std::string& path, const std::vector<short>& samples) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(sf_write_short(file, samples.data(), sf_count_t(samples.size())),
              sf_count_t(samples.size()));
    sf_close(file);
}

// Two seconds in which no two neighbouring samples are alike, so that a
// piece heard one frame off shows.
inline void WriteSawWav(const std::string& path) {
    std::vector<short> samples(88200);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(int(i * 37 % 20000) - 10000);
    WriteMonoWav(path, samples);
}

// A project on a window at one tempo case, with the saw sound written beside
// it and no undo steps yet.
class SawAtTempoTest : public ProjectOnWindowTest, public ::testing::WithParamInterface<TempoCase> {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        WriteSawWav(m_dir + "Saw.wav");
        ApplyTempoCase(*m_project, GetParam());
        if (HasFatalFailure())
            return;
        m_undo.ClearUndoHistory();
    }
    void TearDown() override {
        m_mixer.Stop(0);
        ProjectOnWindowTest::TearDown();
    }

    double Heard(double referenceMs) {
        return m_project->GetTempoMap().GetTempoAdjustedTime(referenceMs);
    }
};

// The same, drawn with the program's skin: the points and flags the mouse
// takes hold of are the skin's images.
class SkinnedSawAtTempoTest : public SawAtTempoTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&m_skin);
        SawAtTempoTest::SetUp();
    }
    void TearDown() override {
        SawAtTempoTest::TearDown();
        CSkin::SetCurrent(nullptr);
    }

    CSkin m_skin;
};
