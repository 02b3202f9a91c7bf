#include "gui/GuiSkinColor.h"

#include "gui/CSkin.h"

#include <map>

namespace {

const std::map<std::string, uint32_t>& BuiltInColors() {
    static const std::map<std::string, uint32_t> colors = {
        {"gui-menu background", 0xF2F2F2},    {"gui-menu text", 0x000000},
        {"gui-menu highlight", 0xC56A31},     {"gui-menu highlight text", 0xFFFFFF},
        {"gui-menu disabled text", 0x909090}, {"gui-menu separator", 0xB0B0B0},
        {"gui-edit background", 0xFFFFFF},    {"gui-edit text", 0x000000},
        {"gui-edit selection", 0xC56A31},     {"gui-edit caret", 0x000000},
        {"gui-list background", 0xFFFFFF},
    };
    return colors;
}

} // namespace

uint32_t GuiSkinColor(const std::string& item) {
    const CSkin* skin = CSkin::Current();
    const auto builtIn = BuiltInColors().find(item);
    if (builtIn != BuiltInColors().end() && !(skin && skin->GetReader().HasSection(item)))
        return builtIn->second;
    return CSkin::ColorOf(item);
}
