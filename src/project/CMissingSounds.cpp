#include "project/CMissingSounds.h"

#include "project/CMissingSoundDialog.h"
#include "support/Paths.h"

std::optional<std::string> CMissingSounds::FindMissingSound(const std::string& missingPath) {
    if (std::optional<std::string> remembered = RememberedAnswer(missingPath)) {
        m_found = true;
        return remembered;
    }
    if (m_skipAll)
        return std::nullopt;
    const MissingSoundRequest request{missingPath, ExtractFileName(missingPath)};
    if (request.fileName.empty())
        return std::nullopt;
    m_scan.Start(CMissingSoundScan::StartFolders(m_folders.folders.Strings()), request.fileName);
    return Settle(request, AskAboutMissingSound(request, m_scan, m_folders));
}

void CMissingSounds::ResetRememberedAnswers() {
    m_scan.Stop();
    m_missingPaths.RemoveAll();
    m_foundPaths.RemoveAll();
    m_found = false;
    m_skipAll = false;
}

std::optional<std::string> CMissingSounds::RememberedAnswer(const std::string& missingPath) const {
    // Paths written on systems that ignore case may differ in case only.
    const int index = m_missingPaths.Find(missingPath, true);
    if (index < 0)
        return std::nullopt;
    return m_foundPaths.Index(index);
}

std::optional<std::string> CMissingSounds::Settle(const MissingSoundRequest& request,
                                                  const MissingSoundAnswer& answer) {
    switch (answer.choice) {
    case MissingSoundChoice::kScanResult:
        return TakeScanResult(request.missingPath);
    case MissingSoundChoice::kBrowsed:
        m_scan.Stop();
        if (answer.chosenPath.empty())
            return std::nullopt;
        return Remember(request.missingPath, answer.chosenPath);
    case MissingSoundChoice::kSkipAll:
        m_skipAll = true;
        break;
    case MissingSoundChoice::kSkip:
        break;
    }
    m_scan.Stop();
    return std::nullopt;
}

std::optional<std::string> CMissingSounds::TakeScanResult(const std::string& missingPath) {
    m_scan.Wait();
    if (!m_scan.Found())
        return std::nullopt;
    // The list belongs to the preferences, read on this thread only: the
    // folder joins it here rather than on the scan's thread.
    const std::string folder = m_scan.FoundFolder();
    if (m_folders.autoAddFolders && !m_folders.folders.Contains(folder))
        m_folders.folders.AddString(folder);
    return Remember(missingPath, m_scan.FoundPath());
}

std::string CMissingSounds::Remember(const std::string& missingPath, const std::string& foundPath) {
    m_missingPaths.AddString(missingPath);
    m_foundPaths.AddString(foundPath);
    m_found = true;
    return foundPath;
}
