#include "timeline/CCaret.h"

#include "gui/CImageManager.h"
#include "gui/CSkin.h"
#include "gui/VRGuiWindow.h"
#include "timeline/CColumnLine.h"

#include <algorithm>

namespace {

int32_t WidthOf(const std::shared_ptr<const CImage>& image) {
    return image && image->IsValid() ? image->Width() : 1;
}

} // namespace

CCaret::CCaret()
    : m_colour(CSkin::ColorOf("caret color")), m_top(CImageManager::Instance().Get("caret top")),
      m_bottom(CImageManager::Instance().Get("caret bottom")) {
    const int32_t width = std::max({1, WidthOf(m_top), WidthOf(m_bottom)});
    m_lineOffset = width / 2;
    SetTransparent(true);
    SetZOrder(kZOrder);
    StoreSize(width, 1);
}

void CCaret::Place(double heardMs, int32_t msPerPixel, int32_t top, int32_t height) {
    const int32_t x = CColumnLine::ColumnOf(heardMs, msPerPixel) - m_lineOffset;
    height = std::max(1, height);
    if (x == GetX() && top == GetY() && height == GetHeight())
        return;
    SetPosition(x, top);
    SetSize(GetWidth(), height);
}

void CCaret::OnDraw(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    cairo_t* cr = window->GetDrawContext();
    CColumnLine::Draw(cr, m_colour, m_lineOffset, r);
    if (m_top && m_top->IsValid())
        m_top->Draw(cr, 0, 0);
    if (m_bottom && m_bottom->IsValid())
        m_bottom->Draw(cr, 0, GetHeight() - m_bottom->Height());
}
