#include "project/CFirstSoundKeyTempo.h"
#include "engine/TempoMap.h"
#include "project/CProjectMarkers.h"
#include "project/ProjectPreferences.h"

#include <gtest/gtest.h>

namespace {

struct TaggedClip : KeyTempoClip {
    double tempo = 0;
    int key = -1;
    double GetClipTempo() const override { return tempo; }
    int GetClipKey() const override { return key; }
    bool IsBeingRecorded() const override { return false; }
    bool IsSoundAnalysed() const override { return true; }
    bool BeatMatchFromAnalysis() override { return true; }
};

// The rule on its own: markers, preferences and a scripted question, no window.
class FirstSoundRule : public ::testing::Test {
protected:
    FirstSoundRule() {
        m_markers.ResetToStartMarker(CProjectMarkers::MakeStartMarker(m_prefs));
        m_prefs.bSwitchKeyTempoOnFirstSound = true;
        m_prefs.bAskToSwitchKeyTempoOnFirstSound = true;
        m_rule.SetQuestion([this](bool switchKey, int, bool switchTempo, double, bool& dontAsk) {
            ++m_questions;
            m_askedKey = switchKey;
            m_askedTempo = switchTempo;
            dontAsk = m_dontAskAgain;
            return m_answer;
        });
    }
    std::optional<MarkerRecord> Decide(const TaggedClip& clip,
                                       std::vector<KeyTempoTrack> tracks = {}) {
        tracks.push_back({true, false, {const_cast<TaggedClip*>(&clip)}});
        return m_rule.NewStartMarker(clip, tracks, true, false);
    }

    TempoMap m_tempoMap;
    CProjectMarkers m_markers{m_tempoMap};
    ProjectPreferences m_prefs;
    CFirstSoundKeyTempo m_rule{m_markers, m_prefs};
    bool m_answer = true;
    bool m_dontAskAgain = false;
    int m_questions = 0;
    bool m_askedKey = false;
    bool m_askedTempo = false;
};

} // namespace

TEST_F(FirstSoundRule, TheFirstTaggedClipGivesTempoAndKeyAfterAYes) {
    TaggedClip clip;
    clip.tempo = 128.4;
    clip.key = 5;
    const std::optional<MarkerRecord> start = Decide(clip);
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(m_questions, 1);
    EXPECT_TRUE(m_askedKey);
    EXPECT_TRUE(m_askedTempo);
    EXPECT_EQ(start->tempoEvent.tempo, 128.4);
    EXPECT_EQ(start->tempoEvent.key, 5);
    EXPECT_TRUE(start->tempoEvent.tempoChange);
    EXPECT_TRUE(start->tempoEvent.keyChange);
    // Deciding changes nothing: the project applies the answer.
    EXPECT_EQ(m_markers.At(0).tempoEvent.tempo, 120.0);
}

TEST_F(FirstSoundRule, NoKeepsTheStartMarkerAndDontAskAgainKeepsTheAnswer) {
    TaggedClip clip;
    clip.tempo = 90.0;
    m_answer = false;
    m_dontAskAgain = true;
    EXPECT_FALSE(Decide(clip).has_value());
    EXPECT_FALSE(m_prefs.bSwitchKeyTempoOnFirstSound);
    EXPECT_FALSE(m_prefs.bAskToSwitchKeyTempoOnFirstSound);
    // Switched off, the rule neither asks nor changes anything again.
    m_answer = true;
    EXPECT_FALSE(Decide(clip).has_value());
    EXPECT_EQ(m_questions, 1);
}

TEST_F(FirstSoundRule, AnEarlierClipWithTempoLeavesOnlyTheKey) {
    TaggedClip earlier;
    earlier.tempo = 100.0;
    TaggedClip clip;
    clip.tempo = 140.0;
    clip.key = 7;
    const std::optional<MarkerRecord> start = Decide(clip, {{true, false, {&earlier}}});
    ASSERT_TRUE(start.has_value());
    EXPECT_FALSE(m_askedTempo);
    EXPECT_EQ(start->tempoEvent.tempo, 120.0);
    EXPECT_EQ(start->tempoEvent.key, 7);
    // A frozen track's clips do not count.
    m_questions = 0;
    EXPECT_TRUE(Decide(clip, {{true, true, {&earlier}}}).has_value());
    EXPECT_TRUE(m_askedTempo);
}

TEST_F(FirstSoundRule, UnusableTempoAndUnknownKeyAreNoReason) {
    TaggedClip clip;
    clip.tempo = -5.0;
    clip.key = 1000;
    EXPECT_FALSE(Decide(clip).has_value());
    EXPECT_EQ(m_questions, 0);
    EXPECT_FALSE(CFirstSoundKeyTempo::IsUsableTempo(0.0));
    EXPECT_TRUE(CFirstSoundKeyTempo::IsUsableTempo(120.0));
}

TEST_F(FirstSoundRule, WithoutAskingTheSameTempoChangesNothing) {
    m_prefs.bAskToSwitchKeyTempoOnFirstSound = false;
    TaggedClip clip;
    clip.tempo = 120.0;
    EXPECT_FALSE(Decide(clip).has_value());
    clip.tempo = 121.0;
    EXPECT_TRUE(Decide(clip).has_value());
    EXPECT_EQ(m_questions, 0);
}
