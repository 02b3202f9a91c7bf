#pragma once

#include "gui/CBaseDialog.h"

#include <string>
#include <vector>

// Asks how a new project starts: one of three kinds of project, one of the
// recent projects, or another project found by browsing. Closing the dialog
// keeps the plain new project.
class CNewProjectDialog : public CBaseDialog {
public:
    // The kinds in the order of the preference defProjectType.
    enum Kind { kRecordBand = 0, kMixLoops = 1, kMixMidi = 2 };
    // Answers of DoModal besides the close answer: a kind's button is
    // kFirstKindId + kind, a recent project's kFirstRecentId + its index.
    static constexpr int kFirstKindId = 100;
    static constexpr int kFirstRecentId = 200;
    static constexpr int kBrowseId = 300;
    static constexpr int32_t kWidth = 540;
    static constexpr int32_t kKindButtonHeight = 40;

    // recentPaths: most recent first; only as many as fit are offered.
    explicit CNewProjectDialog(const std::vector<std::string>& recentPaths);

    static constexpr size_t kMaxRecent = 8;
    static bool IsKind(int answer) { return answer >= kFirstKindId && answer <= kFirstKindId + 2; }
    static bool IsRecent(int answer) {
        return answer >= kFirstRecentId && answer < kFirstRecentId + static_cast<int>(kMaxRecent);
    }
    // The recent project an answer names; "" when it names none.
    std::string RecentPath(int answer) const;

    void OnDraw(const GuiRect& r) override;

private:
    static int32_t HeightFor(size_t recentCount);
    int32_t RecentTop() const;

    std::vector<std::string> m_recent;
};
