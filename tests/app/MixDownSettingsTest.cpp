#include "app/MixDownSettings.h"
#include "app/CPrefs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Parses the words as the arguments after `--render FILE OUT`.
bool Parse(MixDownSettings& settings, std::vector<std::string> words, std::string& reason) {
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    return settings.ParseOverrides(static_cast<int>(argv.size()), argv.data(), reason);
}

} // namespace

TEST(MixDownSettings, StartsFromTheMixDownPreferences) {
    CPrefs prefs;
    prefs.bRenderTags = false;
    prefs.bNormalizeMixDown = true;
    prefs.fMixDownLoudness = -23.0;
    prefs.fMixDownTruePeak = -2.0;
    prefs.bCreateFilesForEachMarker = true;
    prefs.bUseMarkerTitlesForTrackNames = true;
    const MixDownSettings settings = MixDownSettings::FromPrefs(prefs);
    EXPECT_FALSE(settings.writeTags);
    EXPECT_TRUE(settings.normalize);
    EXPECT_EQ(settings.loudnessLufs, -23.0);
    EXPECT_EQ(settings.truePeakDb, -2.0);
    EXPECT_TRUE(settings.filesPerMarker);
    EXPECT_TRUE(settings.markerTitles);
}

TEST(MixDownSettings, TheCommandLineOverridesEachOne) {
    MixDownSettings settings;
    std::string reason;
    ASSERT_TRUE(Parse(
        settings,
        {"--normalize", "-16.5", "--true-peak", "-0.5", "--files-per-marker", "--marker-titles"},
        reason))
        << reason;
    EXPECT_TRUE(settings.normalize);
    EXPECT_EQ(settings.loudnessLufs, -16.5);
    EXPECT_EQ(settings.truePeakDb, -0.5);
    EXPECT_TRUE(settings.filesPerMarker);
    EXPECT_TRUE(settings.markerTitles);
    ASSERT_TRUE(Parse(settings, {"--no-normalize", "--one-file", "--no-marker-titles"}, reason));
    EXPECT_FALSE(settings.normalize);
    EXPECT_FALSE(settings.filesPerMarker);
    EXPECT_FALSE(settings.markerTitles);
    // The target is kept for a later --normalize of the preferences' kind.
    EXPECT_EQ(settings.loudnessLufs, -16.5);
    EXPECT_TRUE(Parse(settings, {}, reason));
}

TEST(MixDownSettings, RefusesLevelsOutsideThePreferencesRangeAndUnknownWords) {
    const std::vector<std::vector<std::string>> refused = {{"--normalize", "loud"},
                                                           {"--normalize", "5"},
                                                           {"--normalize", "-71"},
                                                           {"--normalize", "nan"},
                                                           {"--normalize", "-14dB"},
                                                           {"--true-peak", "-21"},
                                                           {"--true-peak", "1"},
                                                           {"--normalize"},
                                                           {"--shout"},
                                                           {"extra.wav"}};
    for (const std::vector<std::string>& words : refused) {
        MixDownSettings settings;
        std::string reason;
        EXPECT_FALSE(Parse(settings, words, reason)) << words.front();
        EXPECT_FALSE(reason.empty());
        EXPECT_FALSE(settings.normalize) << words.front();
        EXPECT_EQ(settings.loudnessLufs, -14.0) << words.front();
    }
}
