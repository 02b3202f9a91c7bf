#include "app/ProjectPreferencesFrom.h"
#include "app/CPrefs.h"

#include <gtest/gtest.h>

TEST(ProjectPreferences, WhatTheProjectChangesGoesBackToTheProgramsPreferences) {
    CPrefs prefs;
    prefs.lastSnapSetting = 2;
    prefs.defaultTempo = 97.0;
    ProjectPreferences project = ProjectPreferencesFrom(prefs);
    EXPECT_EQ(project.lastSnapSetting, 2);
    EXPECT_DOUBLE_EQ(project.defaultTempo, 97.0);

    project.lastSnapSetting = 7;
    project.lastTimeMode = 0;
    project.defProjectType = 1;
    project.bUseMetronome = !prefs.bUseMetronome;
    project.bAskToAutoBeatMatch = !prefs.bAskToAutoBeatMatch;
    project.defaultTempo = 140.0; // the project never changes this one
    project.fAutoTrackIntervalMinutes = 10.0;
    project.bAutoTrackOnSilence = true;
    const bool metronome = project.bUseMetronome;
    const bool askBeatMatch = project.bAskToAutoBeatMatch;
    CopyProjectPreferencesBack(project, prefs);
    EXPECT_EQ(prefs.lastSnapSetting, 7);
    EXPECT_EQ(prefs.lastTimeMode, 0);
    EXPECT_EQ(prefs.defProjectType, 1);
    EXPECT_EQ(prefs.bUseMetronome, metronome);
    EXPECT_EQ(prefs.bAskToAutoBeatMatch, askBeatMatch);
    EXPECT_DOUBLE_EQ(prefs.defaultTempo, 97.0);
    // The marker wizard's last settings are kept.
    EXPECT_DOUBLE_EQ(prefs.fAutoTrackIntervalMinutes, 10.0);
    EXPECT_TRUE(prefs.bAutoTrackOnSilence);
}
