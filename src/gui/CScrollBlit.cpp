#include "gui/CScrollBlit.h"

#include "gui/CBackBuffer.h"
#include "gui/VRGuiContainer.h"
#include "gui/VRGuiWindow.h"

#include <cstdlib>

CScrollBlit::CScrollBlit(VRGuiContainer& container) : m_window(container.GetWindow()) {
    m_visible = VisibleArea(container);
    if (m_visible.IsEmpty())
        return;
    const GuiRect local = m_visible.Offset(-container.GetAbsX(), -container.GetAbsY());
    m_clean = !HasDirtyPart(container, local);
    m_covered = CoveringSiblings(container);
}

bool CScrollBlit::Apply(int32_t dx, int32_t dy) {
    CBackBuffer* buffer = m_window ? m_window->GetBackBuffer() : nullptr;
    if (!buffer || !m_clean || m_visible.IsEmpty() || std::abs(dx) >= m_visible.Width() ||
        std::abs(dy) >= m_visible.Height())
        return false;
    // A pixel shown at p before the scroll shows at p - (dx, dy) after it.
    const GuiRect target = m_visible.Intersection(m_visible.Offset(-dx, -dy));
    if (!buffer->MoveRect(target, dx, dy))
        return false;
    // What lay under a covering sibling was never drawn, so only the rest of
    // the visible area arrives as good pixels, and not where a covering
    // sibling, which stays in place, must be drawn over them.
    CRegion carried(m_visible);
    carried.Subtract(m_covered);
    carried.Translate(-dx, -dy);
    carried.Intersect(m_visible);
    carried.Subtract(m_covered);
    CRegion redraw(m_visible);
    redraw.Subtract(carried);
    // Invalidated from the window down, so that every object drawn at those
    // pixels, the covering siblings too, draws them again.
    for (const GuiRect& rect : redraw.Rects())
        m_window->Invalidate(&rect);
    m_window->InvalidateMainWindow(m_visible);
    return true;
}

void CScrollBlit::RedrawCovering() {
    for (const GuiRect& rect : m_covered.Rects())
        m_window->Invalidate(&rect);
}

GuiRect CScrollBlit::VisibleArea(VRGuiContainer& container) const {
    CBackBuffer* buffer = m_window ? m_window->GetBackBuffer() : nullptr;
    if (!buffer || container.IsTransparent())
        return {};
    GuiRect area{0, 0, buffer->Width(), buffer->Height()};
    // Each container draws its children only within itself.
    VRGuiContainer* level = &container;
    for (VRGuiContainer* parent = &container; parent; parent = parent->GetParent()) {
        if (!parent->IsVisible() || parent->OverlayCount() > 0)
            return {};
        area = area.Intersection(parent->GetAbsRect());
        level = parent;
    }
    // Out of the window's tree, nothing is on the screen to move.
    if (level != static_cast<VRGuiContainer*>(m_window))
        return {};
    return area;
}

CRegion CScrollBlit::CoveringSiblings(VRGuiContainer& container) const {
    CRegion covered;
    VRGuiObject* below = &container;
    for (VRGuiContainer* parent = container.GetParent(); parent; parent = parent->GetParent()) {
        // Children are kept bottom first: those after `below` are drawn over it.
        bool above = false;
        for (int i = 0; i < parent->ChildCount(); ++i) {
            VRGuiObject* child = parent->ChildAt(i);
            if (above && child->IsVisible())
                covered.Unite(child->GetAbsRect().Intersection(m_visible));
            above = above || child == below;
        }
        below = parent;
    }
    return covered;
}

bool CScrollBlit::HasDirtyPart(VRGuiObject& object, const GuiRect& r) {
    if (object.IsDirty(&r))
        return true;
    auto* container = dynamic_cast<VRGuiContainer*>(&object);
    if (!container)
        return false;
    for (int i = 0; i < container->ChildCount(); ++i) {
        VRGuiObject* child = container->ChildAt(i);
        const GuiRect part = r.Intersection(child->GetRectInParent());
        if (child->IsVisible() && !part.IsEmpty() &&
            HasDirtyPart(*child, container->ParentRectToChild(child, part)))
            return true;
    }
    return false;
}
