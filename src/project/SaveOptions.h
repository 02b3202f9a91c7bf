#pragma once

#include <string>

// How a project is written.
struct SaveOptions {
    // A template: tracks and settings without the clips' recordings.
    bool asTemplate = false;
    // Copies the project's own sounds into the file's folder.
    bool transferSounds = false;
    // Copies the sound library's sounds as well.
    bool transferLibrarySounds = false;
    // The folder the written file records into; empty keeps the project's.
    std::string recordingFolder;
};
