#pragma once

#include "gui/CBaseDialog.h"
#include "gui/DialogLook.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Message box flags.
constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_YESNOCANCEL = 0x3;
constexpr uint32_t MB_YESNO = 0x4;
constexpr uint32_t MB_TYPEMASK = 0xF;
constexpr uint32_t MB_ICONHAND = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
constexpr uint32_t MB_ICONASTERISK = 0x40;
// The icon is a number in these bits, not a set of flags: the exclamation icon shares a bit
// with the question icon.
constexpr uint32_t MB_ICONMASK = 0xF0;
// Adds the "don't ask again" check box.
constexpr uint32_t MB_DONTASKAGAIN = 0x10000;

// The skinned message box every message and question of the program goes
// through: an icon, a word-wrapped body, an optional check box and the
// button set the flags ask for. Show answers the identifier of the closing
// button; closing the box otherwise answers No for Yes/No, Cancel where there
// is a Cancel button, OK for OK alone, and reports the check box unchecked.
class CDeluxeMessageBox : public CBaseDialog {
public:
    static constexpr size_t kMaxTextBytes = 1023;
    static constexpr size_t kMaxTitleBytes = 259;
    static constexpr size_t kMaxCaptionBytes = 259;
    static constexpr size_t kMaxButtonCaptionBytes = 255;
    static constexpr int32_t kWidth = 380;
    static constexpr int32_t kIconSize = 32;
    static constexpr int32_t kCheckBoxHeight = 22;
    static constexpr const char* kBodyFont = kDialogBoldFont;

    enum class Icon { kNone, kExclamation, kInformation, kQuestion };

    CDeluxeMessageBox();

    // The object's own Show (make visible) stays reachable beside the box's.
    using CBaseDialog::Show;
    int Show(VRGuiWindow* owner, const std::string& text, uint32_t flags, const std::string& title);

    // Empty: the text of "guitools: msgbox dont ask".
    void SetCheckBoxCaption(const std::string& caption);
    // A caption for IDOK, IDCANCEL, IDYES or IDNO instead of the localized one.
    void SetButtonCaption(int id, const std::string& caption);
    // Skin images (a GuiButton base name) for a button instead of the dialogs' own.
    void SetButtonImage(int id, const std::string& skinBase);
    // On by default: "\n" and "\t" in the text become a line break and a tab.
    void SetTranslateLineBreaks(bool on) { m_translateLineBreaks = on; }
    void SetChecked(bool checked);
    bool IsChecked() const { return m_checked != 0; }

    const std::string& GetText() const { return m_text; }
    uint32_t GetFlags() const { return m_flags; }
    Icon GetIcon() const { return IconFor(m_flags); }
    int32_t GetTextAreaHeight() const { return m_textArea.Height(); }
    bool HasCheckBox() const { return (m_flags & MB_DONTASKAGAIN) != 0; }
    // In the box's coordinates; empty without the check box.
    GuiRect CheckBoxRect() const;

    static Icon IconFor(uint32_t flags);
    // The answer of closing a box with these flags.
    static int CloseAnswerFor(uint32_t flags);
    // The caption of a standard button when no custom one is set.
    static std::string DefaultCaption(int id);

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

protected:
    void OnInitDialog() override;
    void OnClose() override;
    int CloseAnswer() const override { return CloseAnswerFor(m_flags); }

private:
    struct ButtonLook {
        std::string skinBase; // empty: the dialogs' own face
        std::string caption;  // empty: the localized caption
    };

    static size_t SlotOf(int id);
    void CreateButtons();
    // Shows the buttons of the flags' set, spread evenly, and focuses the first.
    void PlaceButtons(int32_t top);
    void DrawIcon(cairo_t* cr) const;
    void DrawCheckBox(cairo_t* cr) const;

    uint8_t m_checked = 0;
    uint32_t m_flags = MB_OK;
    std::string m_text;
    std::string m_checkCaption;
    std::array<ButtonLook, 4> m_looks;
    bool m_translateLineBreaks = true;
    GuiRect m_iconRect;
    GuiRect m_textArea;
    int32_t m_checkTop = 0;
};
