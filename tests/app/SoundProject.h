#pragma once

// Projects of sound files for tests that run the program on them.

#include "engine/CPCMMixer.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Saves a project at `path` with one audio track per sound, each holding the whole sound from
// the start. The recording folder is the project's folder; the key and tempo stay the project's.
// `change` may change the project before it is saved.
inline void WriteProjectOfSounds(const std::string& path, const std::vector<std::string>& sounds,
                                 const std::function<void(CProject&)>& change = {}) {
    CPCMMixer mixer;
    CUndoMgr undo(400);
    ProjectPreferences prefs;
    prefs.DefRecDir = path.substr(0, path.rfind('/') + 1);
    prefs.bSwitchKeyTempoOnFirstSound = false;
    CProject project(mixer, undo, prefs);
    project.NewProject(true);
    for (size_t index = 0; index < sounds.size(); ++index) {
        if (index > 0)
            project.AddAudioTrack(-1, false);
        project.SelectTrack(static_cast<int>(index), false);
        ASSERT_NE(project.AddAudioClip(sounds[index]), nullptr) << sounds[index];
    }
    if (change)
        change(project);
    ASSERT_TRUE(project.SaveProject(path));
}
