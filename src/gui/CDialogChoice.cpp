#include "gui/CDialogChoice.h"

#include "gui/CBaseDialog.h"
#include "gui/CImage.h"
#include "gui/DialogLook.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/VRGuiWindow.h"

CDialogChoice::CDialogChoice(int32_t width, std::vector<std::string> entries)
    : VRGuiObject(width, kHeight), m_entries(std::move(entries)) {}

void CDialogChoice::SetSelected(int index) {
    if (index < 0 || index >= EntryCount() || index == m_selected)
        return;
    m_selected = index;
    Invalidate(nullptr);
}

void CDialogChoice::SetEntries(std::vector<std::string> entries, int index) {
    m_entries = std::move(entries);
    m_selected = index >= 0 && index < EntryCount() ? index : 0;
    Invalidate(nullptr);
}

const std::string& CDialogChoice::GetSelectedText() const {
    static const std::string kNone;
    return m_entries.empty() ? kNone : m_entries[static_cast<size_t>(m_selected)];
}

void CDialogChoice::Enable() {
    VRGuiObject::Enable();
    Invalidate(nullptr);
}

void CDialogChoice::Disable() {
    VRGuiObject::Disable();
    Invalidate(nullptr);
}

void CDialogChoice::Choose(int index) {
    if (!IsEnabled() || index < 0 || index >= EntryCount() || index == m_selected)
        return;
    m_selected = index;
    Invalidate(nullptr);
    if (m_onChange)
        m_onChange();
}

void CDialogChoice::OpenList() {
    VRGuiWindow* window = GetWindow();
    if (!window || m_entries.empty())
        return;
    // Menu identifiers are indexes + 1: identifier 0 means "nothing chosen".
    GuiMenu menu;
    for (size_t index = 0; index < m_entries.size(); ++index)
        menu.AddItem(static_cast<int32_t>(index) + 1, m_entries[index]);
    menu.Check(m_selected + 1, true);
    GuiPopupMenu popup(menu);
    const GuiRect r = GetAbsRect();
    Choose(popup.Run(window, r.left, r.bottom) - 1);
}

bool CDialogChoice::OnKey(int32_t event, int32_t key, uint32_t) {
    if (event != kKeyDown || (key != VK_UP && key != VK_DOWN))
        return false;
    Choose(m_selected + (key == VK_DOWN ? 1 : -1));
    return true;
}

bool CDialogChoice::OnMouse(int32_t event, GuiPoint, uint32_t) {
    if (event != kMouseLeftDown)
        return false;
    CBaseDialog::FocusObject(this);
    OpenList();
    return true;
}

void CDialogChoice::OnDraw(const GuiRect&) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const GuiRect whole = GetRect();
    const uint32_t background = DialogColor(kDialogBackgroundItem);
    FillDialogRect(cr, whole, DialogColor(kDialogListBackgroundItem));
    FrameDialogRect(cr, whole,
                    CBaseDialog::HasFocus(this) ? DialogColor(kDialogTitleItem)
                                                : ShadeColor(background, -0.4));
    const uint32_t text =
        IsEnabled() ? DialogColor(kDialogTextItem) : ShadeColor(background, -0.35);
    DrawDialogText(cr, GetSelectedText(), {4, 0, whole.right - kArrowWidth, whole.bottom},
                   kDialogFont, text, false);
    // The drop arrow: a small triangle pointing down.
    const double middle = whole.right - kArrowWidth / 2.0;
    const double top = whole.bottom / 2.0 - 2.0;
    CImage::SetSourceColor(cr, text);
    cairo_move_to(cr, middle - 4.0, top);
    cairo_line_to(cr, middle + 4.0, top);
    cairo_line_to(cr, middle, top + 5.0);
    cairo_close_path(cr);
    cairo_fill(cr);
}
