#pragma once

#include "gui/GuiTextLayout.h"
#include "gui/VRGuiLayer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// A one-line text editor opened over a rectangle of the window while the user
// types into a label (GuiEditBox): caret, selection by Shift+arrows, mouse
// drag or double click (a word), the clipboard through the host, at most
// kMaxTextBytes of UTF-8. As a layer it has the keyboard to itself while
// open, and a press anywhere else ends the editing.
//
// Positions are byte offsets into the UTF-8 text and always lie on character
// boundaries: the caret moves, and deletion removes, whole characters.
class GuiEditField : public VRGuiLayer {
public:
    static constexpr size_t kMaxTextBytes = 512;
    static constexpr int32_t kPadding = 2;

    enum class EndReason {
        kEnter,     // keep the text
        kEscape,    // drop the text
        kFocusLost, // a press elsewhere: keep the text
    };
    using EndHandler = std::function<void(EndReason reason)>;

    GuiEditField();

    // Opens the field over the window rectangle with the text wholly selected;
    // onEnd hears once how editing ended, after the field has closed.
    void Begin(VRGuiWindow* window, const GuiRect& windowRect, const std::string& text,
               const GuiFont& font, EndHandler onEnd);
    // Closes the field and tells the handler; nothing when not editing.
    void End(EndReason reason);
    bool IsEditing() const { return IsOpen(); }

    // Replaces the text (made valid UTF-8, cut to the limit at a character
    // boundary); the caret goes to the end.
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_text; }
    size_t GetCaret() const { return m_caret; }
    size_t GetAnchor() const { return m_anchor; }
    // Selects from anchor to caret (either order); positions are moved back
    // onto the text and its character boundaries.
    void SetSelection(size_t anchor, size_t caret);
    std::string GetSelectedText() const;

    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnText(const std::string& text) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;
    void OnPressOutside(GuiPoint windowPoint) override;

private:
    bool HasSelection() const { return m_anchor != m_caret; }
    size_t SelectionStart() const { return std::min(m_anchor, m_caret); }
    size_t SelectionEnd() const { return std::max(m_anchor, m_caret); }
    size_t PreviousBoundary(size_t position) const;
    size_t NextBoundary(size_t position) const;
    // Moves the caret; with `extend` the anchor stays, else it follows.
    void MoveCaret(size_t position, bool extend);
    // Replaces the selection with text, cut so that the limit holds.
    void ReplaceSelection(const std::string& text);
    void DeleteSelection() { ReplaceSelection({}); }
    bool OnControlKey(int32_t key);
    void Copy();
    void Paste();
    void SelectWordAt(size_t position);
    size_t IndexAtPoint(GuiPoint p) const;
    // Scrolls so that the caret shows and repaints.
    void Changed();

    std::string m_text;
    size_t m_caret = 0;
    size_t m_anchor = 0;
    int32_t m_scroll = 0;
    bool m_dragging = false;
    GuiFont m_font;
    EndHandler m_onEnd;
};
