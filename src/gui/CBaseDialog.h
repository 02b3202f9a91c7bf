#pragma once

#include "support/Observer.h"
#include "gui/VRGuiLayer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CDialogButton;
class VRGuiWindow;

// Answers of the dialogs, the identifiers of their standard buttons.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// A dialog: a layer inside its owner window with a title bar, a close control
// in that bar, a skinned background and buttons. While it is open, all input
// of the window goes to it.
//
// Keyboard: Tab and Shift+Tab move the focus through the focusable objects
// (the buttons and fields, in the order they were added); Enter presses the
// focused button, or the default button when a field has the focus; Escape
// and the close control call OnClose, which ends the dialog with the close
// answer (the cancel identifier unless a dialog says otherwise).
//
// DoModal runs the owner's modal loop until the dialog ends. A loop that ends
// without an answer (the program quits, or a headless host has nobody to
// answer) closes the dialog as the close control does. Without an owner
// window nothing is shown and the close answer is returned at once.
class CBaseDialog : public VRGuiLayer, public Observer {
public:
    static constexpr int32_t kTitleHeight = 22;
    static constexpr int32_t kMargin = 12;
    static constexpr int32_t kCloseSize = 16;

    CBaseDialog(const std::string& title, int32_t width, int32_t height);
    ~CBaseDialog() override;

    int DoModal(VRGuiWindow* owner);
    // Shows the dialog without waiting for it; Close or EndDialog takes it away.
    void ShowModeless(VRGuiWindow* owner);
    // Ends the dialog with the result; a dialog that has ended stays ended.
    void EndDialog(int result);
    bool HasEnded() const { return m_ended; }
    int GetResult() const { return m_result; }

    void SetTitle(const std::string& title);
    const std::string& GetTitle() const { return m_title; }
    // The close control's rectangle, in the dialog's coordinates.
    GuiRect CloseControlRect() const;

    // Pressed by Enter when no button has the focus.
    void SetDefaultButton(int id) { m_defaultId = id; }
    // The answer of Escape and the close control.
    void SetCancelId(int id) { m_cancelId = id; }
    CDialogButton* GetButton(int id) const;
    VRGuiObject* GetFocus() const;
    void SetFocus(VRGuiObject* object);

    // Whether the object is the focus of the dialog that holds it.
    static bool HasFocus(const VRGuiObject* object);
    // Gives the focus to the object within the dialog that holds it.
    static void FocusObject(VRGuiObject* object);

    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnText(const std::string& text) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;
    void OnNotification(int message, void* parameter) override;

protected:
    // Called before the dialog is shown: lay out, choose the focus.
    virtual void OnInitDialog() {}
    // A button was clicked (or pressed by the keyboard); default ends the dialog with it.
    virtual void OnCommand(int id);
    // The close control, Escape, or a modal loop that ended unanswered.
    virtual void OnClose();
    // The result of closing; the cancel identifier unless overridden.
    virtual int CloseAnswer() const { return m_cancelId; }

    // Creates a button owned by the dialog at (x, y), focusable.
    CDialogButton* AddButton(int id, const std::string& caption, int32_t x, int32_t y);
    // A child the dialog does not own that Tab can reach.
    void AddFocusable(VRGuiObject* object, int32_t x, int32_t y);
    void RemoveFocusable(VRGuiObject* object);
    // Where the content starts below the title bar.
    int32_t ContentTop() const { return kTitleHeight + kMargin; }
    VRGuiWindow* Owner() const { return m_owner; }

private:
    void Open(VRGuiWindow* owner);
    void MoveFocus(bool backwards);
    bool PressFocusedOrDefault();
    static CBaseDialog* DialogOf(const VRGuiObject* object);

    std::string m_title;
    std::vector<std::unique_ptr<CDialogButton>> m_buttons;
    std::vector<VRGuiObject*> m_focusOrder;
    VRGuiObject* m_focus = nullptr;
    VRGuiWindow* m_owner = nullptr;
    int m_defaultId = IDOK;
    int m_cancelId = IDCANCEL;
    int m_result = 0;
    bool m_ended = false;
    bool m_closePressed = false;
};
