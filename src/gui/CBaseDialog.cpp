#include "gui/CBaseDialog.h"

#include "gui/CDialogButton.h"
#include "gui/CImage.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/VRGuiWindow.h"

#include <algorithm>

CBaseDialog::CBaseDialog(const std::string& title, int32_t width, int32_t height)
    : VRGuiLayer(width, height), m_title(title) {}

CBaseDialog::~CBaseDialog() {
    // The buttons go before the layer base: take them off the dialog first so
    // that nothing routes input to them meanwhile.
    if (IsOpen())
        if (VRGuiWindow* window = GetWindow())
            window->CloseLayer(this);
    for (const std::unique_ptr<CDialogButton>& button : m_buttons)
        RemoveChild(button.get());
}

void CBaseDialog::Open(VRGuiWindow* owner) {
    m_owner = owner;
    m_ended = false;
    OnInitDialog();
    // Centred over the owner; OpenLayer moves it in where it would stick out.
    const int32_t x = (owner->GetWidth() - GetWidth()) / 2;
    const int32_t y = (owner->GetHeight() - GetHeight()) / 2;
    owner->OpenLayer(this, std::max(0, x), std::max(0, y));
}

int CBaseDialog::DoModal(VRGuiWindow* owner) {
    if (!owner) {
        OnClose();
        EndDialog(CloseAnswer());
        return m_result;
    }
    Open(owner);
    if (!owner->RunModal([this] { return m_ended; }))
        OnClose();
    // A dialog whose OnClose keeps it open still has to go when the loop has ended.
    EndDialog(CloseAnswer());
    return m_result;
}

void CBaseDialog::ShowModeless(VRGuiWindow* owner) {
    if (owner && !IsOpen())
        Open(owner);
}

void CBaseDialog::EndDialog(int result) {
    if (m_ended)
        return;
    m_ended = true;
    m_result = result;
    if (IsOpen())
        if (VRGuiWindow* window = GetWindow())
            window->CloseLayer(this);
}

void CBaseDialog::SetTitle(const std::string& title) {
    m_title = title;
    const GuiRect bar{0, 0, GetWidth(), kTitleHeight};
    Invalidate(&bar);
}

GuiRect CBaseDialog::CloseControlRect() const {
    const int32_t top = (kTitleHeight - kCloseSize) / 2;
    const int32_t right = GetWidth() - top;
    return {right - kCloseSize, top, right, top + kCloseSize};
}

CDialogButton* CBaseDialog::AddButton(int id, const std::string& caption, int32_t x, int32_t y) {
    m_buttons.push_back(std::make_unique<CDialogButton>(id, caption));
    CDialogButton* button = m_buttons.back().get();
    button->AddObserver(this);
    AddFocusable(button, x, y);
    return button;
}

void CBaseDialog::AddFocusable(VRGuiObject* object, int32_t x, int32_t y) {
    AddChild(object, x, y);
    m_focusOrder.push_back(object);
}

void CBaseDialog::RemoveFocusable(VRGuiObject* object) {
    if (m_focus == object)
        m_focus = nullptr;
    std::erase(m_focusOrder, object);
    RemoveChild(object);
}

CDialogButton* CBaseDialog::GetButton(int id) const {
    for (const std::unique_ptr<CDialogButton>& button : m_buttons)
        if (button->GetControlId() == id)
            return button.get();
    return nullptr;
}

VRGuiObject* CBaseDialog::GetFocus() const {
    return m_focus;
}

void CBaseDialog::SetFocus(VRGuiObject* object) {
    if (object == m_focus)
        return;
    if (m_focus)
        m_focus->Invalidate(nullptr);
    m_focus = object;
    if (m_focus)
        m_focus->Invalidate(nullptr);
}

CBaseDialog* CBaseDialog::DialogOf(const VRGuiObject* object) {
    return object ? dynamic_cast<CBaseDialog*>(object->GetParent()) : nullptr;
}

bool CBaseDialog::HasFocus(const VRGuiObject* object) {
    const CBaseDialog* dialog = DialogOf(object);
    return dialog && dialog->m_focus == object;
}

void CBaseDialog::FocusObject(VRGuiObject* object) {
    if (CBaseDialog* dialog = DialogOf(object))
        dialog->SetFocus(object);
}

void CBaseDialog::MoveFocus(bool backwards) {
    std::vector<VRGuiObject*> reachable;
    for (VRGuiObject* object : m_focusOrder)
        if (object->IsVisible() && object->IsEnabled())
            reachable.push_back(object);
    if (reachable.empty())
        return;
    const auto at = std::find(reachable.begin(), reachable.end(), m_focus);
    const int count = static_cast<int>(reachable.size());
    int index = at == reachable.end() ? (backwards ? 0 : -1) : int(at - reachable.begin());
    index = (index + (backwards ? count - 1 : 1)) % count;
    SetFocus(reachable[size_t(index)]);
}

bool CBaseDialog::PressFocusedOrDefault() {
    for (const std::unique_ptr<CDialogButton>& button : m_buttons)
        if (button.get() == m_focus && button->IsVisible() && button->IsEnabled()) {
            OnCommand(button->GetControlId());
            return true;
        }
    const CDialogButton* fallback = GetButton(m_defaultId);
    if (fallback && fallback->IsVisible() && fallback->IsEnabled()) {
        OnCommand(m_defaultId);
        return true;
    }
    return false;
}

bool CBaseDialog::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    if (event != kKeyDown)
        return m_focus && m_focus->OnKey(event, key, modifiers);
    switch (key) {
    case VK_TAB:
        MoveFocus((modifiers & kModShift) != 0);
        return true;
    case VK_ESCAPE:
        OnClose();
        return true;
    case VK_RETURN:
        return PressFocusedOrDefault();
    default:
        return m_focus && m_focus->OnKey(event, key, modifiers);
    }
}

bool CBaseDialog::OnText(const std::string& text) {
    return m_focus && m_focus->OnText(text);
}

bool CBaseDialog::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    const GuiRect close = CloseControlRect();
    if (event == kMouseLeftDown && close.Contains(p.x, p.y)) {
        m_closePressed = true;
        return true;
    }
    if (event == kMouseLeftUp && m_closePressed) {
        m_closePressed = false;
        if (close.Contains(p.x, p.y))
            OnClose();
        return true;
    }
    VRGuiContainer::OnMouse(event, p, keys);
    // A dialog swallows every event, even where nothing of it answers.
    return true;
}

void CBaseDialog::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t background = DialogColor(kDialogBackgroundItem);
    FillDialogRect(cr, r, background);
    const uint32_t title = DialogColor(kDialogTitleItem);
    FillDialogRect(cr, {0, 0, GetWidth(), kTitleHeight}, title);
    const GuiRect close = CloseControlRect();
    DrawDialogText(cr, m_title, {8, 0, close.left - 4, kTitleHeight}, kDialogBoldFont, background,
                   false);
    // The close control: a cross in the title bar's right end.
    CImage::SetSourceColor(cr, background);
    cairo_set_line_width(cr, 2.0);
    cairo_move_to(cr, close.left + 4, close.top + 4);
    cairo_line_to(cr, close.right - 4, close.bottom - 4);
    cairo_move_to(cr, close.right - 4, close.top + 4);
    cairo_line_to(cr, close.left + 4, close.bottom - 4);
    cairo_stroke(cr);
    FrameDialogRect(cr, GetRect(), ShadeColor(title, -0.3));
}

void CBaseDialog::OnNotification(int message, void* parameter) {
    if (message == GuiButton::kNotifyClick)
        OnCommand(NotificationArgument<GuiButton::kNotifyClick>(parameter));
}

void CBaseDialog::OnCommand(int id) {
    EndDialog(id);
}

void CBaseDialog::OnClose() {
    EndDialog(CloseAnswer());
}
