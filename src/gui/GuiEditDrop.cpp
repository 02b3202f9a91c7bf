#include "gui/GuiEditDrop.h"

#include "gui/CSkin.h"
#include "gui/CustomDropDown.h"
#include "gui/GuiEditDropCallback.h"
#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/GuiSkinColor.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>
#include <glib.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int32_t kBoxInset = 2;

std::string CaseFolded(const std::string& text) {
    const std::string valid = GuiTextLayout::MakeValid(text);
    gchar* folded = g_utf8_casefold(valid.c_str(), static_cast<gssize>(valid.size()));
    std::string result(folded);
    g_free(folded);
    return result;
}

// The longest start of text of at most `bytes` bytes that ends on a character boundary.
std::string CutEntry(const std::string& text, size_t bytes) {
    if (text.size() <= bytes)
        return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

GuiEditDrop::GuiEditDrop(int32_t controlId, const std::string& skinName, int32_t width,
                         GuiEditDropCallback* callback)
    : VRGuiContainer(width, kDefaultHeight), m_editBox(controlId, 1, 1), m_callback(callback) {
    LoadImages(skinName);
    if (const CImage* left = Image(kLeft))
        SetSize(width, left->Height());
    const int32_t buttonWidth = ButtonRect().Width();
    m_editBox.SetSize(std::max(1, width - buttonWidth - kBoxInset),
                      std::max(1, GetHeight() - 2 * kBoxInset));
    AddChild(&m_editBox, kBoxInset, kBoxInset);
    m_editBox.AddObserver(this);
}

void GuiEditDrop::LoadImages(const std::string& skinName) {
    const CSkin* skin = CSkin::Current();
    if (!skin)
        return;
    static constexpr const char* kPartNames[] = {"left", "middle", "right"};
    for (int state = 0; state < kStateCount; ++state) {
        for (int part = kLeft; part <= kRight; ++part) {
            char name[600];
            std::snprintf(name, sizeof name, "%s-%s-%d", skinName.c_str(), kPartNames[part], state);
            skin->LoadSkinImage(name, m_images[state][part], nullptr);
        }
    }
}

const CImage* GuiEditDrop::Image(Part part) const {
    if (m_images[m_state][part].IsValid())
        return &m_images[m_state][part];
    if (m_images[kNormal][part].IsValid())
        return &m_images[kNormal][part];
    return nullptr;
}

GuiRect GuiEditDrop::ButtonRect() const {
    const CImage* right = Image(kRight);
    const int32_t width = right ? right->Width() : kFallbackButtonWidth;
    return {GetWidth() - width, 0, GetWidth(), GetHeight()};
}

void GuiEditDrop::AddEntry(const std::string& text, bool highlighted) {
    m_entries.push_back({CutEntry(text, kMaxEntryBytes), highlighted});
}

void GuiEditDrop::SetState(int32_t state) {
    if (state == m_state)
        return;
    m_state = state;
    Invalidate(nullptr);
}

bool GuiEditDrop::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (VRGuiContainer::OnMouse(event, p, keys))
        return true;
    VRGuiWindow* window = GetWindow();
    const bool captured = window && window->GetCaptured() == this;
    switch (event) {
    case kMouseMove:
        SetState(captured ? kPressed : kHot);
        return true;
    case kMouseLeave:
        if (!captured)
            SetState(kNormal);
        return true;
    // A quick second click counts as a click of its own.
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        if (window)
            window->SetCapture(this);
        SetState(kPressed);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (window)
            window->ReleaseCapture();
        SetState(GetRect().Contains(p.x, p.y) ? kHot : kNormal);
        if (ButtonRect().Contains(p.x, p.y))
            OpenList();
        return true;
    default:
        return false;
    }
}

int GuiEditDrop::MatchingEntry() const {
    const std::string text = CaseFolded(m_editBox.GetText());
    int first = -1;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].text.empty())
            continue;
        if (CaseFolded(m_entries[i].text) == text)
            return static_cast<int>(i);
        if (first < 0)
            first = static_cast<int>(i);
    }
    return first;
}

void GuiEditDrop::OpenList() {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    if (m_callback)
        m_callback->OnBeforeDropDown(*this);
    GuiFont bold = m_editBox.GetFont();
    bold.bold = true;
    CustomDropDown list(window, {GetAbsX(), GetAbsY() + GetHeight()}, GetWidth(),
                        m_editBox.GetFont(), bold);
    for (size_t i = 0; i < m_entries.size(); ++i)
        list.AddEntry(m_entries[i].text, static_cast<int32_t>(i), false, m_entries[i].highlighted);
    list.SetSelection(MatchingEntry());
    const int chosen = list.Run();
    if (chosen >= 0 && chosen < EntryCount()) {
        m_editBox.SetText(m_entries[chosen].text);
        Notify<kNotifyEntryChosen>(*this, m_editBox.GetControlId());
    }
    if (IGuiHost* host = window->GetHWND())
        host->SetFocus();
}

void GuiEditDrop::OnNotification(int message, void* parameter) {
    SendNotification(message, parameter);
}

void GuiEditDrop::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const CImage* left = Image(kLeft);
    const CImage* middle = Image(kMiddle);
    const CImage* right = Image(kRight);
    if (!left || !middle || !right) {
        DrawPlain(cr);
        return;
    }
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_clip(cr);
    const int32_t middleRight = GetWidth() - right->Width();
    left->Draw(cr, 0, 0);
    right->Draw(cr, middleRight, 0);
    if (middleRight > left->Width())
        middle->DrawScaled(cr, {left->Width(), 0, middleRight, GetHeight()});
    cairo_restore(cr);
}

void GuiEditDrop::DrawPlain(cairo_t* cr) {
    const uint32_t background = GuiSkinColor("gui-edit background");
    const uint32_t frame = GuiSkinColor("gui-edit text");
    CImage::SetSourceColor(cr, background);
    cairo_paint(cr);
    CImage::SetSourceColor(cr, frame);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, GetWidth() - 1, GetHeight() - 1);
    cairo_stroke(cr);
    // A small downward triangle in the middle of the button.
    const GuiRect button = ButtonRect();
    const double cx = (button.left + button.right) / 2.0;
    const double cy = GetHeight() / 2.0;
    const double half = std::max(1, std::min(button.Width(), GetHeight()) / 4);
    cairo_move_to(cr, cx - half, cy - half / 2);
    cairo_line_to(cr, cx + half, cy - half / 2);
    cairo_line_to(cr, cx, cy + half / 2);
    cairo_close_path(cr);
    cairo_fill(cr);
}
