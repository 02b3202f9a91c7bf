#pragma once

#include "gui/GuiMessage.h"
#include "gui/GuiRect.h"

#include <cstdint>
#include <functional>
#include <string>

typedef struct _cairo cairo_t;

// The tooltip of one window: a small box of text near the pointer, drawn over
// the window's picture. It shows once the pointer has rested for the initial
// delay over something that has a tooltip text, follows changes of that text,
// and hides after the display time, on a button press, or when the text goes.
// It is updated by the window at every refresh tick and asks the window for
// the text at the pointer.
class CMyToolTip {
public:
    // Answers the tooltip text at a client point; false when there is none.
    using TextSource = std::function<bool(GuiPoint, std::string&)>;

    void Initialize(uint32_t initialDelayMs, uint32_t displayMs, TextSource source);
    // Sets the initial delay (1 shows it at the next update).
    void SetDelay(uint32_t ms) { m_delayMs = ms; }
    uint32_t GetDelay() const { return m_delayMs; }
    // Shows the tooltip at the next update without waiting for the delay.
    void ShowNow();

    // Every mouse message of the window passes here first.
    void ForwardMouseMessage(GuiMessageType type, GuiPoint p, uint64_t nowMs);
    // Shows, changes or hides the box; answers the client area whose picture
    // changed (empty when nothing did). The box is kept inside the client area.
    GuiRect Update(uint64_t nowMs, int32_t clientWidth, int32_t clientHeight);
    // Hides the box; answers the area it covered.
    GuiRect Hide();

    bool IsShown() const { return m_shown; }
    const std::string& Text() const { return m_text; }
    GuiRect Rect() const { return m_rect; }
    // Draws the box into a context in client coordinates.
    void Draw(cairo_t* cr) const;

private:
    GuiRect Place(const std::string& text, int32_t clientWidth, int32_t clientHeight) const;

    TextSource m_source;
    uint32_t m_delayMs = 500;
    uint32_t m_displayMs = 7000;
    GuiPoint m_pointer;
    uint64_t m_restingSince = 0;
    uint64_t m_shownAt = 0;
    bool m_showNow = false;
    // Set when the box timed out or a button was pressed: it waits for the
    // pointer to move before showing again.
    bool m_waitForMove = false;
    bool m_shown = false;
    std::string m_text;
    GuiRect m_rect;
};
