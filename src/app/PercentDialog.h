#pragma once

#include <string>

class VRGuiWindow;

// What the value dialog of a volume or pan asks for.
struct PercentQuestion {
    std::string menuKey;  // the menu item whose text is the title, as "MixMenu:Volume"
    std::string labelKey; // the string key of the label, as "MW_VolumePercent"
    int lowest = 0;       // in percent
    int highest = 200;
};

// Asks for a whole percent, starting from current (1.0 is 100 %). The answer
// as a fraction again (1.0 for 100 %); false when the user cancelled.
bool AskPercent(VRGuiWindow* owner, const PercentQuestion& question, double current,
                double& answer);
