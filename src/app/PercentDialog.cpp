#include "app/PercentDialog.h"

#include "app/MainMenuBuilder.h"
#include "gui/CValueEntryDialog.h"
#include "gui/MessageBoxes.h"
#include "support/LocalizedStrings.h"

#include <cmath>

bool AskPercent(VRGuiWindow* owner, const PercentQuestion& question, double current,
                double& answer) {
    CValueEntryDialog dialog(MenuItemText(question.menuKey), MyLoadString(question.labelKey));
    dialog.SetNumeric(question.lowest, question.highest);
    dialog.SetText(std::to_string(std::lround(current * 100.0)));
    if (dialog.DoModal(owner) != IDOK)
        return false;
    answer = dialog.GetValue() / 100.0;
    return true;
}
