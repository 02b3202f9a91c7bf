#include "app/CMissingSoundFolders.h"

#include "support/CRegKey.h"
#include "support/Paths.h"

#include <algorithm>

namespace {

constexpr const char* kAutoAddName = "bAutoAddFolders";
constexpr const char* kCountName = "numMissingSoundsSearchPaths";

} // namespace

std::string CMissingSoundFolders::ValueName(int index) {
    return "MissingSoundPath-" + std::to_string(index);
}

void CMissingSoundFolders::Load(const CRegKey& key) {
    int32_t flag = 0;
    if (key.GetKeyNum(kAutoAddName, &flag))
        bAutoAddFolders = flag != 0;
    int32_t count = 0;
    if (!key.GetKeyNum(kCountName, &count))
        return;
    folders.RemoveAll();
    // Read from the last down, each put first, so the list ends in stored order.
    for (int i = std::clamp(count, 0, kMaxFolders) - 1; i >= 0; --i) {
        std::string folder;
        if (!key.GetKeyString(ValueName(i), &folder))
            continue;
        folder = ToNativeSeparators(folder);
        if (!folder.empty() && folder.size() <= kMaxPathLength)
            folders.AddLatestString(folder);
    }
}

void CMissingSoundFolders::Save(CRegKey& key) const {
    key.SetKeyNum(kAutoAddName, bAutoAddFolders ? 1 : 0);
    const int count = std::min(folders.Count(), kMaxFolders);
    key.SetKeyNum(kCountName, count);
    for (int i = 0; i < kMaxFolders; ++i) {
        if (i < count)
            key.SetKeyString(ValueName(i), folders.Index(i));
        else
            key.DeleteRegValue(ValueName(i));
    }
}
