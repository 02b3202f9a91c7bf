#include "details/PresetTitle.h"

#include "engine/CGMInstrument.h"

#include <cstdio>

std::string PresetTitle(const CAudioEffect& effect, int preset) {
    const auto* instrument = dynamic_cast<const CGMInstrument*>(&effect);
    if (!instrument)
        return effect.GetPresetName(preset);
    const std::string title = instrument->GetPresetTitle(preset);
    int bank = 0;
    int program = 0;
    if (title.empty() ||
        std::sscanf(effect.GetPresetName(preset).c_str(), "%i:%i", &bank, &program) != 2 ||
        bank == CGMInstrument::kPercussionBank)
        return title.empty() ? effect.GetPresetName(preset) : title;
    // Programs count from 1, as General MIDI's list numbers them.
    return std::to_string(program + 1) + " " + title;
}
