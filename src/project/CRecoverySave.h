#pragma once

#include "project/ProjectFileContents.h"

#include <string>

class CPCMMixer;
class CProject;

// Copies of the open project kept for recovery after a crash. A copy is made
// in two steps: the snapshot, on the main thread and under the mixer's lock,
// takes everything the file will hold; the write, on any thread, puts it on
// the disk atomically (a reader never sees half a file, and a process killed
// while writing leaves the old copy whole). Neither step touches the
// project's own file, path, undo history or changed state.
class CRecoverySave {
public:
    // lockMixer false: the engine is stopped already, or the calling thread
    // may hold the lock itself (the crash path).
    static ProjectFileContents Snapshot(CProject& project, CPCMMixer& mixer,
                                        const std::string& path, bool lockMixer = true);
    static bool Write(ProjectFileContents& contents, const std::string& path);
};
