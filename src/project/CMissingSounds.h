#pragma once

#include "project/CMissingSoundScan.h"
#include "project/MissingSoundAnswer.h"
#include "project/MissingSoundFolders.h"
#include "support/CStringList.h"

#include <optional>
#include <string>

// Finds sound files a project refers to that are no longer where it says.
// A file of the same name is searched for below the search folders on a
// background thread while a dialog lets the user browse, skip, or skip every
// sound still to come. Answers are remembered, so a second clip naming the
// same missing file is resolved without asking again; the project resets them
// at each load so that every load starts its own search.
class CMissingSounds {
public:
    explicit CMissingSounds(MissingSoundFolders folders) : m_folders(folders) {}

    // Where the missing file is now, or nothing when it was not found or the
    // user skipped it. Windows-style paths are understood.
    std::optional<std::string> FindMissingSound(const std::string& missingPath);

    // Forgets the remembered answers and clears the found and skip-all flags
    // (stopping any scan).
    void ResetRememberedAnswers();
    // Whether a replacement was handed out since the last reset: the project
    // then has new locations to save.
    bool FoundReplacement() const { return m_found; }
    bool IsSkippingAll() const { return m_skipAll; }
    int RememberedCount() const { return m_missingPaths.Count(); }

private:
    std::optional<std::string> RememberedAnswer(const std::string& missingPath) const;
    std::optional<std::string> Settle(const MissingSoundRequest& request,
                                      const MissingSoundAnswer& answer);
    std::optional<std::string> TakeScanResult(const std::string& missingPath);
    std::string Remember(const std::string& missingPath, const std::string& foundPath);

    MissingSoundFolders m_folders;
    CMissingSoundScan m_scan;
    // Parallel lists: a missing path and where it was found.
    CStringList m_missingPaths;
    CStringList m_foundPaths;
    bool m_found = false;
    bool m_skipAll = false;
};
