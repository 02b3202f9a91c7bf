#pragma once

#include "gui/GuiRect.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Colours, fonts and text drawing shared by the dialogs.

// Skin items of the dialogs.
constexpr const char* kDialogBackgroundItem = "gui-dialog background";
constexpr const char* kDialogTextItem = "gui-dialog text";
constexpr const char* kDialogTitleItem = "gui-dialog title";
constexpr const char* kDialogButtonItem = "gui-button";
constexpr const char* kDialogListBackgroundItem = "gui-list background";
constexpr const char* kDialogListSelectionItem = "gui-list selection";

constexpr const char* kDialogFont = "DejaVu Sans 9";
constexpr const char* kDialogBoldFont = "DejaVu Sans Bold 9";

// The colour (0x00BBGGRR) of a dialog skin item. A skin that does not define
// the item, or no skin at all, gives the dialogs' own colour for it, so that
// text never ends up grey on grey.
uint32_t DialogColor(const char* item);

// The text made valid UTF-8 (bad bytes replaced) and cut to at most maxBytes
// bytes without splitting a character, so that Pango is never handed a
// broken sequence.
std::string DialogTextCut(const std::string& text, size_t maxBytes);

// How tall the text is when word-wrapped at the width, in pixels.
int32_t MeasureWrappedText(const std::string& text, int32_t width, const char* font);

enum class TextAlign { kLeft, kCenter, kRight };

// Draws the text into the box: word-wrapped when wrap is set (clipped at the
// box's bottom), else on one line, vertically centred and cut with an ellipsis.
void DrawDialogText(cairo_t* cr, const std::string& text, const GuiRect& box, const char* font,
                    uint32_t color, bool wrap, TextAlign align = TextAlign::kLeft);

void FillDialogRect(cairo_t* cr, const GuiRect& r, uint32_t color);
// A one-pixel frame just inside the rectangle.
void FrameDialogRect(cairo_t* cr, const GuiRect& r, uint32_t color);
// The colour moved towards black (amount < 0) or white (amount > 0), amount in -1..1.
uint32_t ShadeColor(uint32_t color, double amount);
