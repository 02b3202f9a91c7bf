#include "MainWindowFixture.h"
#include "app/MainCommands.h"
#include "project/CTimeSelection.h"
#include "project/RenderedMix.h"
#include "project/TempoCase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A folder of the test's own: parameterised cases may run side by side.
std::string FolderOfThisTest() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("selmix-") + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

struct Samples {
    int channels = 0;
    std::vector<float> values;
    int64_t Frames() const { return channels ? int64_t(values.size()) / channels : 0; }
};

Samples ReadSamples(const std::string& path) {
    Samples samples;
    samples.values = ReadFloatSamples(path, &samples.channels);
    return samples;
}

int64_t FrameOf(double heardMs) {
    return std::llround(heardMs * 44100.0 / 1000.0);
}

// A project of the saw sound at 500 ms and again at bar 5, at one tempo case.
class SelectionMixDown : public MainWindowFixture, public ::testing::WithParamInterface<TempoCase> {
protected:
    SelectionMixDown() : MainWindowFixture(FolderOfThisTest()) {}

    void SetUp() override {
        WriteSawWav(m_root + "saw.wav");
        Open();
        window->RunAfterCreationSequence();
        ApplyTempoCase(project, GetParam());
        for (const double at : {500.0, kBarFiveMs}) {
            project.SelectTrack(0, false);
            project.MoveCaretAndPlayback(Heard(at));
            ASSERT_NE(project.AddAudioClip(m_root + "saw.wav"), nullptr);
        }
        undo.SetDirty(false);
        prefs.bPlayRenderedFiles = false;
    }

    double Heard(double referenceMs) const {
        return project.GetTempoMap().GetTempoAdjustedTime(referenceMs);
    }
    // Mixes down to the file with the answers given to the questions.
    Samples MixDown(const std::string& name, std::deque<int> questionAnswers) {
        answers = std::move(questionAnswers);
        chosenPath = m_root + name;
        undo.SetDirty(false); // no save question

        EXPECT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
        EXPECT_TRUE(answers.empty()) << "questions left unasked";
        return ReadSamples(chosenPath);
    }
};

TEST_P(SelectionMixDown, OnlyTheSelectedTimeIsMixedDownWhenTheUserSaysSo) {
    const Samples whole = MixDown("whole.wav", {});
    ASSERT_GT(whole.Frames(), 0);
    // From inside the first clip to inside the one at bar 5: the edges fall
    // between frames on purpose.
    const double startMs = Heard(1234.56);
    const double endMs = Heard(kBarFiveMs + 777.7);
    project.TimeSelection().Set(startMs, endMs, 0, project.GetNumTracks() - 1);
    const std::optional<TimeRange> range = project.TimeSelection().Range();
    ASSERT_TRUE(range);

    const Samples part = MixDown("part.wav", {IDYES});
    ASSERT_EQ(part.channels, whole.channels);
    const int64_t first = FrameOf(range->startMs);
    EXPECT_EQ(part.Frames(), FrameOf(range->endMs) - first);
    ASSERT_LE(first + part.Frames(), whole.Frames());
    const auto from = whole.values.begin() + first * whole.channels;
    EXPECT_TRUE(std::equal(part.values.begin(), part.values.end(), from))
        << "the selection sounds as in the whole mix-down";

    // No: the whole project, as before; Cancel: nothing at all.
    EXPECT_EQ(MixDown("all.wav", {IDNO}).values, whole.values);
    answers = {IDCANCEL};
    chosenPath = m_root + "nothing.wav";
    dialogModes.clear();
    ASSERT_TRUE(window->ExecuteCommand(kCmdMixDownWav));
    EXPECT_TRUE(dialogModes.empty()) << "no file is asked for";
    EXPECT_FALSE(fs::exists(chosenPath));

    // The preference answers for the user.
    prefs.bRenderSelectionIfThereIsOne = true;
    EXPECT_EQ(MixDown("again.wav", {}).values, part.values);
    project.TimeSelection().Clear();
    EXPECT_EQ(MixDown("cleared.wav", {}).values, whole.values);
}

INSTANTIATE_TEST_SUITE_P(Tempos, SelectionMixDown,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{120.0, 0.0},
                                           TempoCase{173.0, 0.0}, TempoCase{120.0, 90.0}),
                         CaseName);

} // namespace
