#include "pianoroll/PRControllerChoices.h"

#include "engine/CMidiControllerList.h"
#include "engine/CMidiSound.h"
#include "support/LocalizedStrings.h"

#include <cctype>
#include <string>

namespace {

bool HasEvents(const CMidiSound* sound, int controller) {
    const CMidiControllerList* list = sound ? sound->GetMidiControllerList(controller) : nullptr;
    return list && list->Count() > 0;
}

std::string Numbered(int controller, const std::string& name) {
    const std::string number = "(" + std::to_string(controller) + ")";
    return name.empty() ? number : number + " " + name;
}

} // namespace

PRControllerChoices::PRControllerChoices(const CMidiSound* sound) {
    m_entries.push_back({MyLoadString("MIDCTRLVelocityOn"), false,
                         PRControllerLane(PRLaneType::kVelocity), sound && sound->NumNotes() > 0});
    m_entries.push_back({MyLoadString("MIDCTRLVelocityOff"), false,
                         PRControllerLane(PRLaneType::kReleaseVelocity),
                         sound && sound->NumNotes() > 0});
    for (int controller : {CMidiControllerList::kProgramChange,
                           CMidiControllerList::kChannelPressure, CMidiControllerList::kPitchBend})
        m_entries.push_back({MyLoadString("MIDCTRL" + std::to_string(controller)), false,
                             PRControllerLane(PRLaneType::kController, controller),
                             HasEvents(sound, controller)});
    m_entries.push_back({"", true, PRControllerLane(), false});
    for (int controller = 0; controller < 128; ++controller) {
        const std::string key = "MIDCTRL" + std::to_string(controller);
        const std::string extra = "EXTRAMIDCTRL" + std::to_string(controller);
        const bool used = HasEvents(sound, controller);
        std::string text;
        if (HasLocalizedString(key))
            text = Numbered(controller, MyLoadString(key));
        else if (used)
            text = Numbered(controller, HasLocalizedString(extra) ? MyLoadString(extra) : "");
        else
            continue;
        m_entries.push_back(
            {text, false, PRControllerLane(PRLaneType::kController, controller), used});
    }
}

std::string PRControllerChoices::TextOf(const PRControllerLane& lane) const {
    for (const PRControllerChoice& entry : m_entries)
        if (!entry.separator && entry.lane == lane)
            return entry.text;
    return Numbered(lane.Controller(), "");
}

bool PRControllerChoices::Parse(const std::string& text, PRControllerLane& lane) const {
    const size_t digit = text.find_first_of("0123456789");
    if (digit != std::string::npos) {
        size_t end = digit;
        int number = 0;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) &&
               number < 1000)
            number = number * 10 + (text[end++] - '0');
        if (number < 128) {
            lane = PRControllerLane(PRLaneType::kController, number);
            return true;
        }
    }
    for (const PRControllerChoice& entry : m_entries)
        if (!entry.separator && entry.text == text) {
            lane = entry.lane;
            return true;
        }
    return false;
}
