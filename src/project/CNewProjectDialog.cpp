#include "project/CNewProjectDialog.h"

#include "gui/CDialogButton.h"
#include "gui/DialogLook.h"
#include "gui/VRGuiWindow.h"
#include "support/DistinctFileLabels.h"
#include "support/LocalizedStrings.h"

#include <algorithm>

namespace {

constexpr int32_t kGap = 8;
constexpr int32_t kLabelHeight = 20;
constexpr int32_t kRecentHeight = 22;
constexpr const char* kKindKeys[] = {"NPD_RecBand", "NPD_MixLoops", "NPD_MixMIDI"};

} // namespace

CNewProjectDialog::CNewProjectDialog(const std::vector<std::string>& recentPaths)
    : CBaseDialog(MyLoadString("NPD_Title"), kWidth,
                  HeightFor(std::min(recentPaths.size(), kMaxRecent))),
      m_recent(recentPaths.begin(), recentPaths.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                              recentPaths.size(), kMaxRecent))) {
    const int32_t kindWidth = (kWidth - 2 * kMargin - 2 * kGap) / 3;
    for (int kind = 0; kind < 3; ++kind) {
        CDialogButton* button = AddButton(kFirstKindId + kind, MyLoadString(kKindKeys[kind]),
                                          kMargin + kind * (kindWidth + kGap), ContentTop());
        button->SetSize(kindWidth, kKindButtonHeight);
    }
    const std::vector<std::string> names = DistinctFileLabels(m_recent);
    for (size_t index = 0; index < m_recent.size(); ++index) {
        CDialogButton* button =
            AddButton(kFirstRecentId + static_cast<int>(index), names[index], kMargin,
                      RecentTop() + static_cast<int32_t>(index) * kRecentHeight);
        button->SetSize(kWidth - 2 * kMargin, kRecentHeight - 2);
    }
    AddButton(kBrowseId, MyLoadString("Browse"), kWidth - kMargin - CDialogButton::kWidth,
              GetHeight() - kMargin - CDialogButton::kHeight);
}

int32_t CNewProjectDialog::HeightFor(size_t recentCount) {
    return kTitleHeight + kMargin + kKindButtonHeight + kGap + kLabelHeight +
           static_cast<int32_t>(recentCount) * kRecentHeight + kGap + CDialogButton::kHeight +
           kMargin;
}

int32_t CNewProjectDialog::RecentTop() const {
    return ContentTop() + kKindButtonHeight + kGap + kLabelHeight;
}

std::string CNewProjectDialog::RecentPath(int answer) const {
    const size_t index = static_cast<size_t>(answer - kFirstRecentId);
    return IsRecent(answer) && index < m_recent.size() ? m_recent[index] : std::string();
}

void CNewProjectDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    const int32_t top = RecentTop() - kLabelHeight;
    DrawDialogText(GetWindow()->GetDrawContext(), MyLoadString("NPD_Choose"),
                   {kMargin, top, kWidth - kMargin, top + kLabelHeight}, kDialogFont,
                   DialogColor(kDialogTextItem), false);
}
