#include "gui/VRGuiObject.h"

#include "gui/CBackBuffer.h"
#include "gui/VRGuiContainer.h"
#include "gui/VRGuiWindow.h"

#include <mutex>

VRGuiObject::VRGuiObject() : m_dirtyRegion(std::make_unique<CRegion>()) {}

VRGuiObject::VRGuiObject(int32_t width, int32_t height)
    : m_width(width), m_height(height),
      m_dirtyRegion(std::make_unique<CRegion>(GuiRect{0, 0, width, height})) {}

VRGuiObject::~VRGuiObject() {
    m_dirtyRegion.reset();
    // Asked without virtual dispatch: the derived parts are gone already.
    if (VRGuiWindow* window = VRGuiObject::GetWindow())
        window->ForgetObject(this);
    if (m_parent)
        m_parent->DetachDestroyed(this);
}

GuiRect VRGuiObject::GetRectInParent() const {
    const int32_t left = m_x - (m_parent ? m_parent->GetScrollX() : 0);
    const int32_t top = m_y - (m_parent ? m_parent->GetScrollY() : 0);
    return {left, top, left + m_width, top + m_height};
}

GuiRect VRGuiObject::GetAbsRect() const {
    return {m_absX, m_absY, m_absX + m_width, m_absY + m_height};
}

GuiRect VRGuiObject::LocalToParentRect(const GuiRect& r) const {
    const GuiRect inParent = GetRectInParent();
    return r.Offset(inParent.left, inParent.top);
}

void VRGuiObject::SetParent(VRGuiContainer* parent, int32_t x, int32_t y) {
    m_parent = parent;
    m_x = x;
    m_y = y;
    if (!parent)
        return;
    ResetWindowCache();
    UpdateAbsPosition();
    Invalidate(nullptr);
}

void VRGuiObject::SetZOrder(int32_t zOrder) {
    VRGuiContainer* parent = m_parent;
    if (!parent || !parent->HasChild(this)) {
        m_zOrder = zOrder;
        return;
    }
    std::lock_guard<CLock> parentGuard(*parent);
    std::lock_guard<CLock> guard(*this);
    m_zOrder = zOrder;
    const int32_t x = m_x;
    const int32_t y = m_y;
    parent->RemoveChild(this);
    parent->AddChild(this, x, y);
}

void VRGuiObject::Show() {
    if (m_visible)
        return;
    m_visible = true;
    Invalidate(nullptr);
}

void VRGuiObject::Hide() {
    if (!m_visible)
        return;
    m_visible = false;
    Invalidate(nullptr);
}

void VRGuiObject::SetSize(int32_t width, int32_t height) {
    const int32_t oldWidth = m_width;
    const int32_t oldHeight = m_height;
    if (width == oldWidth && height == oldHeight)
        return;
    m_width = width;
    m_height = height;
    if (!m_visible)
        return;
    if (width > oldWidth) {
        const GuiRect strip{oldWidth, 0, width, oldHeight};
        Invalidate(&strip);
    } else if (width < oldWidth) {
        const GuiRect strip{width, 0, oldWidth, oldHeight};
        SetClean(&strip);
        InvalidateStripInParent(strip);
    }
    if (height > oldHeight) {
        const GuiRect strip{0, oldHeight, width, height};
        Invalidate(&strip);
    } else if (height < oldHeight) {
        const GuiRect strip{0, height, width, oldHeight};
        SetClean(&strip);
        InvalidateStripInParent(strip);
    }
}

void VRGuiObject::InvalidateStripInParent(const GuiRect& strip) {
    if (!m_parent)
        return;
    const GuiRect inParent = LocalToParentRect(strip);
    m_parent->Invalidate(&inParent);
}

void VRGuiObject::SetPosition(int32_t x, int32_t y) {
    if (x == m_x && y == m_y)
        return;
    // Hidden for the moment, so that the parent repaints its own background
    // where the object was instead of leaving the object's area to it.
    const bool wasVisible = m_visible;
    m_visible = false;
    InvalidateInParent();
    m_visible = wasVisible;
    m_x = x;
    m_y = y;
    UpdateAbsPosition();
    if (m_visible)
        Invalidate(nullptr);
}

void VRGuiObject::UpdateAbsPosition() {
    if (!m_parent)
        return;
    m_absX = m_parent->GetAbsX() + (m_x - m_parent->GetScrollX());
    m_absY = m_parent->GetAbsY() + (m_y - m_parent->GetScrollY());
}

void VRGuiObject::DropDirtyRegion() {
    std::lock_guard<CLock> guard(*this);
    m_dirtyRegion.reset();
    m_dirty = true;
}

void VRGuiObject::SetDirty(const GuiRect* r) {
    std::lock_guard<CLock> guard(*this);
    if (!m_dirtyRegion) {
        m_dirty = true;
        return;
    }
    m_dirtyRegion->Unite(r ? *r : GetRect());
}

bool VRGuiObject::IsDirty(const GuiRect* r) {
    std::lock_guard<CLock> guard(*this);
    if (!m_dirtyRegion)
        return m_dirty;
    return m_dirtyRegion->Intersects(r ? *r : GetRect());
}

void VRGuiObject::SetClean(const GuiRect* r) {
    std::lock_guard<CLock> guard(*this);
    if (!m_dirtyRegion) {
        m_dirty = false;
        return;
    }
    m_dirtyRegion->Subtract(r ? *r : GetRect());
}

bool VRGuiObject::GetOverlappingDirtyRect(GuiRect& r) {
    std::lock_guard<CLock> guard(*this);
    if (!m_dirtyRegion) {
        if (!m_dirty)
            return false;
        r = GetRect();
        return true;
    }
    CRegion overlap(r);
    overlap.Intersect(*m_dirtyRegion);
    if (overlap.IsEmpty())
        return false;
    r = overlap.BoundingBox();
    return true;
}

std::vector<GuiRect> VRGuiObject::DirtyRectsWithin(const GuiRect* r) {
    // Drawn one by one, the separate dirty parts (a scroll's strip at one edge
    // and a bar at another, split further around the opaque children) cost
    // only their own area; the box around an L-shaped strip and bar would be
    // the whole area. Only a region in very many pieces is drawn as one box,
    // to bound the walks through the children.
    constexpr size_t kMaxSeparateRects = 64;
    std::lock_guard<CLock> guard(*this);
    // Wholly dirty objects are drawn whole: they are cleaned whole.
    if (!m_dirtyRegion)
        return m_dirty ? std::vector<GuiRect>{GetRect()} : std::vector<GuiRect>{};
    CRegion dirty(r ? *r : GetRect());
    dirty.Intersect(*m_dirtyRegion);
    if (dirty.Rects().size() > kMaxSeparateRects)
        return {dirty.BoundingBox()};
    return dirty.Rects();
}

void VRGuiObject::Invalidate(const GuiRect* r) {
    const GuiRect area = ClipToObject(r);
    if (area.IsEmpty())
        return;
    SetDirty(&area);
    if ((m_transparent || !m_visible) && m_parent) {
        const GuiRect inParent = LocalToParentRect(area);
        m_parent->Invalidate(&inParent);
    } else if (GetWindow()) {
        InvalidateScreen(&area);
    }
}

void VRGuiObject::InvalidateInParent() {
    if (!m_parent)
        return;
    const GuiRect inParent = GetRectInParent();
    m_parent->Invalidate(&inParent);
}

void VRGuiObject::Paint(const GuiRect* r) {
    for (const GuiRect& dirty : DirtyRectsWithin(r))
        Render(&dirty);
}

void VRGuiObject::Render(const GuiRect* r) {
    if (!m_visible || !GetWindow())
        return;
    std::lock_guard<CLock> guard(*this);
    const GuiRect part = VisiblePart(r);
    if (part.IsEmpty())
        return;
    DrawPart(part);
    SetClean(&part);
}

void VRGuiObject::InvalidateScreen(const GuiRect* r) {
    const GuiRect area = ClipToObject(r);
    if (area.IsEmpty())
        return;
    if (m_parent) {
        const GuiRect inParent = LocalToParentRect(area);
        m_parent->InvalidateScreen(&inParent);
        return;
    }
    // Only the window's own client area is screen; an object taken out of the
    // tree has nowhere to show.
    VRGuiWindow* window = GetWindow();
    if (window && static_cast<VRGuiObject*>(window) == this)
        window->InvalidateMainWindow(area);
}

void VRGuiObject::OnDraw(const GuiRect&) {}

bool VRGuiObject::OnMouse(int32_t, GuiPoint, uint32_t) {
    return false;
}

bool VRGuiObject::OnKey(int32_t, int32_t, uint32_t) {
    return false;
}

bool VRGuiObject::OnWheel(GuiPoint, int32_t, uint32_t) {
    return false;
}

bool VRGuiObject::OnText(const std::string&) {
    return false;
}

bool VRGuiObject::GetToolTip(GuiPoint, std::string&) {
    return false;
}

void VRGuiObject::OnTimer(uint32_t) {}

VRGuiWindow* VRGuiObject::GetWindow() {
    if (VRGuiWindow* window = LinkedWindow())
        return window;
    if (!m_parent)
        return nullptr;
    VRGuiWindow* window = m_parent->GetWindow();
    if (window)
        m_windowLink = window->Link();
    return window;
}

void VRGuiObject::ResetWindowCache() {
    m_windowLink.reset();
}

void VRGuiObject::StartTimer(uint32_t id, uint32_t ms) {
    if (VRGuiWindow* window = GetWindow())
        window->StartTimer(this, id, ms);
}

void VRGuiObject::KillTimer(uint32_t id) {
    if (VRGuiWindow* window = GetWindow())
        window->KillTimer(this, id);
}

GuiRect VRGuiObject::VisiblePart(const GuiRect* r) {
    VRGuiWindow* window = GetWindow();
    CBackBuffer* buffer = window ? window->GetBackBuffer() : nullptr;
    if (!buffer)
        return {};
    const GuiRect area = r ? *r : GetRect();
    const GuiRect bufferHere{-m_absX, -m_absY, buffer->Width() - m_absX, buffer->Height() - m_absY};
    return area.Intersection(bufferHere);
}

GuiRect VRGuiObject::ClipToObject(const GuiRect* r) const {
    return r ? r->Intersection(GetRect()) : GetRect();
}

void VRGuiObject::DrawPart(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    if (!window || !window->BeginObjectDraw(*this, r))
        return;
    OnDraw(r);
    window->EndObjectDraw();
}

VRGuiWindow* VRGuiObject::LinkedWindow() const {
    return m_windowLink ? m_windowLink->window : nullptr;
}
