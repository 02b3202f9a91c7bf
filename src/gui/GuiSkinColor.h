#pragma once

#include <cstdint>
#include <string>

// The colour (0x00BBGGRR) of a skin item drawn by the program's own widgets
// ("gui-menu text", "gui-edit caret", ...): the current skin's when it
// defines the item, else the widget's built-in colour, so that menus and
// fields stay readable with a skin that predates them. Names without a
// built-in colour fall back to the skin's answer for unknown items.
uint32_t GuiSkinColor(const std::string& item);
