#include "app/RecordTimerDialog.h"

#include "gui/CValueEntryDialog.h"
#include "gui/MessageBoxes.h"
#include "support/LocalizedStrings.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr double kMsPerMinute = 60000.0;

} // namespace

std::optional<int32_t> RecordTimerLimitFrom(const std::string& minutesText) {
    double minutes = 0.0;
    const double most = std::numeric_limits<int32_t>::max() / kMsPerMinute;
    if (!CValueEntryDialog::ParseNumber(minutesText, 0.0, most, minutes))
        return std::nullopt;
    const auto limit = static_cast<int32_t>(std::trunc(minutes * kMsPerMinute));
    if (limit < 1)
        return std::nullopt;
    return limit;
}

bool AskRecordTimer(VRGuiWindow* owner, int32_t& limitMs) {
    CValueEntryDialog dialog(MyLoadString("REC_Timer_Title"),
                             MyLoadString("REC_For") + " (" + MyLoadString("REC_Minutes") + ")");
    char minutes[32];
    std::snprintf(minutes, sizeof(minutes), "%0.2f", limitMs / kMsPerMinute);
    dialog.SetText(minutes);
    if (dialog.DoModal(owner) != IDOK)
        return false;
    const std::optional<int32_t> limit = RecordTimerLimitFrom(dialog.GetText());
    if (limit)
        limitMs = *limit;
    return limit.has_value();
}
