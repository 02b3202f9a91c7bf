#include "support/CMRUList.h"

#include "support/CRegKey.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>

std::string CMRUList::ValueName(size_t index) {
    return "RecentFile-" + std::to_string(index);
}

bool CMRUList::Init(const std::string& keyPath, size_t maxFiles) {
    CRegStore::KeyPath split;
    if (keyPath.empty() || !CRegStore::SplitKeyPath(keyPath, &split))
        return false;
    m_keyPath = keyPath;
    m_maxFiles = std::clamp<size_t>(maxFiles, 1, kMostMaxFiles);
    m_files.clear();
    const CRegKey root(RegRoot::CurrentUser);
    const std::unique_ptr<CRegKey> key = root.GetSubKey(m_keyPath);
    if (key == nullptr)
        return true;
    for (size_t i = 0; i < kMostMaxFiles && m_files.size() < m_maxFiles; ++i) {
        std::string path;
        if (!key->GetKeyString(ValueName(i), &path))
            continue;
        path = ToNativeSeparators(path);
        if (!path.empty() && path.size() <= kMaxPathLength &&
            std::find(m_files.begin(), m_files.end(), path) == m_files.end())
            m_files.push_back(std::move(path));
    }
    return true;
}

bool CMRUList::AddFile(const std::string& path) {
    const std::string native = ToNativeSeparators(path);
    if (m_keyPath.empty() || native.empty() || native.size() > kMaxPathLength)
        return false;
    std::erase(m_files, native);
    m_files.insert(m_files.begin(), native);
    if (m_files.size() > m_maxFiles)
        m_files.resize(m_maxFiles);
    return Save();
}

bool CMRUList::RemoveFile(const std::string& path) {
    if (std::erase(m_files, ToNativeSeparators(path)) == 0)
        return false;
    return Save();
}

std::string CMRUList::GetFileWithPath(size_t index) const {
    return index < m_files.size() ? m_files[index] : std::string();
}

std::string CMRUList::GetFileNameOnly(size_t index) const {
    return ExtractFileName(GetFileWithPath(index));
}

bool CMRUList::Save() {
    CRegKey root(RegRoot::CurrentUser);
    const std::unique_ptr<CRegKey> key = root.CreateSubKey(m_keyPath);
    if (key == nullptr)
        return false;
    for (size_t i = 0; i < kMostMaxFiles; ++i) {
        if (i < m_files.size())
            key->SetKeyString(ValueName(i), m_files[i]);
        else
            key->DeleteRegValue(ValueName(i));
    }
    if (key->Flush())
        return true;
    Log("CMRUList::Save() - the recent files could not be written - returning false!");
    return false;
}
