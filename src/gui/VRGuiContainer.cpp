#include "gui/VRGuiContainer.h"

#include "gui/CScrollBlit.h"
#include "gui/VRGuiWindow.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>

VRGuiContainer::VRGuiContainer() {
    SetType(kGuiTypeContainer);
}

VRGuiContainer::VRGuiContainer(int32_t width, int32_t height) : VRGuiObject(width, height) {
    SetType(kGuiTypeContainer);
}

VRGuiContainer::~VRGuiContainer() {
    std::lock_guard<CLock> guard(*this);
    // The objects live on with their owners; they must not keep pointing here.
    for (int i = 0; i < m_children.Count(); ++i) {
        VRGuiObject* child = m_children.Index(i);
        child->SetParent(nullptr, child->GetX(), child->GetY());
    }
    for (int i = 0; i < m_overlays.Count(); ++i) {
        VRGuiObject* overlay = m_overlays.Index(i);
        overlay->SetParent(nullptr, overlay->GetX(), overlay->GetY());
    }
    m_children.RemoveAll();
    m_overlays.RemoveAll();
}

void VRGuiContainer::Show() {
    VRGuiObject::Show();
    ShowChildren(true);
}

void VRGuiContainer::Hide() {
    VRGuiObject::Hide();
    ShowChildren(false);
}

void VRGuiContainer::ShowChildren(bool show) {
    std::lock_guard<CLock> guard(*this);
    for (int i = 0; i < m_children.Count(); ++i) {
        if (show)
            m_children.Index(i)->Show();
        else
            m_children.Index(i)->Hide();
    }
}

void VRGuiContainer::UpdateAbsPosition() {
    VRGuiObject::UpdateAbsPosition();
    std::lock_guard<CLock> guard(*this);
    for (int i = 0; i < m_children.Count(); ++i)
        m_children.Index(i)->UpdateAbsPosition();
    for (int i = 0; i < m_overlays.Count(); ++i)
        m_overlays.Index(i)->UpdateAbsPosition();
}

void VRGuiContainer::SetDirty(const GuiRect* r) {
    VRGuiObject::SetDirty(r);
    const GuiRect area = r ? *r : GetRect();
    std::lock_guard<CLock> guard(*this);
    for (int i = 0; i < m_children.Count(); ++i) {
        VRGuiObject* child = m_children.Index(i);
        const GuiRect overlap = area.Intersection(child->GetRectInParent());
        if (overlap.IsEmpty())
            continue;
        const GuiRect inChild = ParentRectToChild(child, overlap);
        child->SetDirty(&inChild);
        // Where an opaque child covers the container, the container's own
        // background will not be seen.
        if (child->IsVisible() && !child->IsTransparent())
            VRGuiObject::SetClean(&overlap);
    }
}

void VRGuiContainer::Paint(const GuiRect* r) {
    if (!IsVisible())
        return;
    std::lock_guard<CLock> guard(*this);
    for (const GuiRect& dirty : DirtyRectsWithin(r)) {
        Render(&dirty);
        SetClean(&dirty);
    }
    // Bottom to top, so that upper children draw over lower ones. A child
    // that redrew itself may have drawn over a clean child above it (a menu
    // over a button, a scroll bar over the tracks): that one is drawn again
    // where they overlap, so that it stays on top.
    VRGuiWindow* window = GetWindow();
    std::vector<GuiRect> redrawn;
    for (int i = 0; i < m_children.Count(); ++i) {
        VRGuiObject* child = m_children.Index(i);
        GuiRect overlap;
        if (!ChildPart(child, r, overlap))
            continue;
        const uint64_t drawnBefore = window ? window->DrawnPixels() : 0;
        if (child->IsVisible())
            for (const GuiRect& below : redrawn) {
                GuiRect covered;
                if (ChildPart(child, &below, covered))
                    child->Render(&covered);
            }
        child->Paint(&overlap);
        if (window && window->DrawnPixels() != drawnBefore)
            redrawn.push_back(ChildRectToParent(child, overlap));
    }
}

GuiRect VRGuiContainer::ChildRectToParent(const VRGuiObject* child, const GuiRect& inChild) const {
    const GuiRect inParent = child->GetRectInParent();
    return inChild.Offset(inParent.left, inParent.top);
}

void VRGuiContainer::Render(const GuiRect* r) {
    if (!IsVisible())
        return;
    std::lock_guard<CLock> guard(*this);
    const GuiRect part = VisiblePart(r);
    if (!part.IsEmpty()) {
        DrawPart(part);
        SetClean(&part);
    }
    for (int i = 0; i < m_children.Count(); ++i) {
        VRGuiObject* child = m_children.Index(i);
        GuiRect childPart;
        if (child->IsVisible() && ChildPart(child, r, childPart))
            child->Render(&childPart);
    }
}

bool VRGuiContainer::OnWheel(GuiPoint p, int32_t delta, uint32_t keys) {
    for (int i = m_children.Count() - 1; i >= 0; --i) {
        if (i >= m_children.Count())
            continue;
        VRGuiObject* child = m_children.Index(i);
        if (child->IsVisible() && child->IsEnabled() &&
            child->GetRectInParent().Contains(p.x, p.y) &&
            child->OnWheel(ParentPointToChild(child, p.x, p.y), delta, keys))
            return true;
    }
    return false;
}

bool VRGuiContainer::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    VRGuiWindow* window = GetWindow();
    bool hoverTaken = false;
    // Indexes are checked on every step: a handler may remove children.
    for (int i = m_children.Count() - 1; i >= 0; --i) {
        if (i >= m_children.Count())
            continue;
        VRGuiObject* child = m_children.Index(i);
        if (!child->IsVisible() || !child->IsEnabled() ||
            !child->GetRectInParent().Contains(p.x, p.y))
            continue;
        if (!hoverTaken && child->AcceptsHover() && window) {
            window->SetHovered(child);
            hoverTaken = true;
        }
        if (child->OnMouse(event, ParentPointToChild(child, p.x, p.y), keys))
            return true;
    }
    return false;
}

void VRGuiContainer::ResetWindowCache() {
    VRGuiObject::ResetWindowCache();
    std::lock_guard<CLock> guard(*this);
    for (int i = 0; i < m_children.Count(); ++i)
        m_children.Index(i)->ResetWindowCache();
    for (int i = 0; i < m_overlays.Count(); ++i)
        m_overlays.Index(i)->ResetWindowCache();
}

void VRGuiContainer::AddChild(VRGuiObject* child, int32_t x, int32_t y) {
    if (!child || child == this)
        return;
    std::lock_guard<CLock> guard(*this);
    // Only a child has this container as its parent: a new one is added
    // without a search of every child (time grids hold many thousands).
    if (child->GetParent() == this && m_children.Contains(child))
        return;
    m_children.AddSorted(child, child->GetZOrder());
    child->SetParent(this, x, y);
    if (!IsVisible())
        child->Hide();
}

void VRGuiContainer::RemoveChild(VRGuiObject* child) {
    std::lock_guard<CLock> guard(*this);
    if (!m_children.Contains(child))
        return;
    const GuiRect area = child->GetRectInParent();
    child->SetParent(nullptr, child->GetX(), child->GetY());
    m_children.Remove(child);
    Invalidate(&area);
}

void VRGuiContainer::RemoveChildren(const std::vector<VRGuiObject*>& children) {
    std::lock_guard<CLock> guard(*this);
    std::unordered_set<VRGuiObject*> leaving;
    GuiRect area{};
    for (VRGuiObject* child : children) {
        if (!child || child->GetParent() != this || !leaving.insert(child).second)
            continue;
        const GuiRect r = child->GetRectInParent();
        area = leaving.size() == 1
                   ? r
                   : GuiRect{std::min(area.left, r.left), std::min(area.top, r.top),
                             std::max(area.right, r.right), std::max(area.bottom, r.bottom)};
    }
    const int removed =
        m_children.RemoveWhere([&leaving](VRGuiObject* child) { return leaving.count(child) > 0; });
    if (removed == 0)
        return;
    for (VRGuiObject* child : leaving)
        child->SetParent(nullptr, child->GetX(), child->GetY());
    Invalidate(&area);
}

void VRGuiContainer::AddOverlay(VRGuiObject* overlay, int32_t x, int32_t y) {
    if (!overlay || overlay == this)
        return;
    std::lock_guard<CLock> guard(*this);
    if (m_overlays.Contains(overlay))
        return;
    m_overlays.AppendToTail(overlay);
    overlay->SetParent(this, x, y);
}

void VRGuiContainer::RemoveOverlay(VRGuiObject* overlay) {
    std::lock_guard<CLock> guard(*this);
    m_overlays.Remove(overlay);
}

void VRGuiContainer::DrawOverlays(const GuiRect* r, bool alsoInParent) {
    {
        std::lock_guard<CLock> guard(*this);
        for (int i = 0; i < m_overlays.Count(); ++i) {
            VRGuiObject* overlay = m_overlays.Index(i);
            GuiRect part;
            if (ChildPart(overlay, r, part))
                overlay->DrawPart(part);
        }
    }
    VRGuiContainer* parent = GetParent();
    if (!alsoInParent || !parent)
        return;
    const GuiRect inParent = LocalToParentRect(r ? *r : GetRect());
    parent->DrawOverlays(&inParent, false);
}

GuiRect VRGuiContainer::ParentRectToChild(const VRGuiObject* child, const GuiRect& r) const {
    return r.Offset(m_scrollX - child->GetX(), m_scrollY - child->GetY());
}

GuiPoint VRGuiContainer::ParentPointToChild(const VRGuiObject* child, int32_t x, int32_t y) const {
    return {x + m_scrollX - child->GetX(), y + m_scrollY - child->GetY()};
}

void VRGuiContainer::SetScrollX(int32_t scrollX) {
    ScrollTo(scrollX, m_scrollY);
}

void VRGuiContainer::SetScrollY(int32_t scrollY) {
    ScrollTo(m_scrollX, scrollY);
}

void VRGuiContainer::ScrollTo(int32_t scrollX, int32_t scrollY) {
    const int32_t dx = scrollX - m_scrollX;
    const int32_t dy = scrollY - m_scrollY;
    if (dx == 0 && dy == 0) {
        UpdateAbsPosition();
        return;
    }
    // Looked at before the move: the pixels to carry are those drawn for the old offset.
    CScrollBlit blit(*this);
    m_scrollX = scrollX;
    m_scrollY = scrollY;
    UpdateAbsPosition();
    if (blit.Apply(dx, dy))
        return;
    Invalidate(nullptr);
    blit.RedrawCovering();
}

void VRGuiContainer::DetachDestroyed(VRGuiObject* object) {
    if (HasChild(object))
        RemoveChild(object);
    else
        RemoveOverlay(object);
}

bool VRGuiContainer::ChildPart(const VRGuiObject* child, const GuiRect* r, GuiRect& part) const {
    const GuiRect inParent = child->GetRectInParent();
    const GuiRect overlap = r ? r->Intersection(inParent) : inParent;
    if (overlap.IsEmpty())
        return false;
    part = ParentRectToChild(child, overlap);
    return true;
}
