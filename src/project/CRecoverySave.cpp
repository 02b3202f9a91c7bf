#include "project/CRecoverySave.h"

#include "engine/CPCMMixer.h"
#include "project/CProject.h"
#include "project/CProjectFile.h"
#include "support/Log.h"

ProjectFileContents CRecoverySave::Snapshot(CProject& project, CPCMMixer& mixer,
                                            const std::string& path, bool lockMixer) {
    if (!lockMixer)
        return project.RecoveryContents(path);
    mixer.Lock();
    ProjectFileContents contents = project.RecoveryContents(path);
    mixer.Unlock();
    return contents;
}

bool CRecoverySave::Write(ProjectFileContents& contents, const std::string& path) {
    CProjectFile file(contents);
    if (file.SaveToFile(path))
        return true;
    LogFmt("CRecoverySave::Write failed on '%s' - returning false!", path.c_str());
    return false;
}
