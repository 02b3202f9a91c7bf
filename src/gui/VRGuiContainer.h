#pragma once

#include <vector>

#include "gui/VRGuiObject.h"
#include "support/CMyArrayList.h"

// An object with children, kept sorted by z-order (later ones lie on top), and
// a scroll offset: a child at content position x shows at x - scroll x.
// A container never owns its children; their creators delete them.
class VRGuiContainer : public VRGuiObject {
public:
    VRGuiContainer();
    VRGuiContainer(int32_t width, int32_t height);
    ~VRGuiContainer() override;

    void Show() override;
    void Hide() override;
    void UpdateAbsPosition() override;
    void SetDirty(const GuiRect* r) override;
    void Paint(const GuiRect* r) override;
    void Render(const GuiRect* r) override;
    // Offers the event to the children under the point, top first.
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    // Offers the wheel to the children under the point, top first.
    bool OnWheel(GuiPoint p, int32_t delta, uint32_t keys) override;
    void ResetWindowCache() override;

    virtual void AddChild(VRGuiObject* child, int32_t x, int32_t y);
    virtual void RemoveChild(VRGuiObject* child);
    // Removes many children at once, in one pass over the children.
    void RemoveChildren(const std::vector<VRGuiObject*>& children);
    // Overlays are drawn straight over the container by DrawOverlays, without
    // dirty bookkeeping.
    virtual void AddOverlay(VRGuiObject* overlay, int32_t x, int32_t y);
    virtual void RemoveOverlay(VRGuiObject* overlay);
    virtual void DrawOverlays(const GuiRect* r, bool alsoInParent);
    // A rectangle or point in the container's visible coordinates, in the child's.
    virtual GuiRect ParentRectToChild(const VRGuiObject* child, const GuiRect& r) const;
    virtual GuiPoint ParentPointToChild(const VRGuiObject* child, int32_t x, int32_t y) const;
    // A scroll redraws only the uncovered strip where it can (see CScrollBlit).
    virtual void SetScrollX(int32_t scrollX);
    virtual void SetScrollY(int32_t scrollY);
    virtual int32_t GetScrollX() const { return m_scrollX; }
    virtual int32_t GetScrollY() const { return m_scrollY; }

    int ChildCount() const { return m_children.Count(); }
    VRGuiObject* ChildAt(int index) const { return m_children.Index(index); }
    bool HasChild(const VRGuiObject* child) const { return m_children.Contains(child); }
    int OverlayCount() const { return m_overlays.Count(); }
    // Called by a child or overlay being destroyed.
    void DetachDestroyed(VRGuiObject* object);

private:
    void ShowChildren(bool show);
    // Moves the content, carrying the drawn pixels along where that is safe.
    void ScrollTo(int32_t scrollX, int32_t scrollY);
    // The part of r (whole child when null) that the child covers, in its coordinates.
    bool ChildPart(const VRGuiObject* child, const GuiRect* r, GuiRect& part) const;
    // A rectangle in a child's coordinates, in the container's visible coordinates.
    GuiRect ChildRectToParent(const VRGuiObject* child, const GuiRect& inChild) const;

    CMyArrayList<VRGuiObject> m_children;
    CMyArrayList<VRGuiObject> m_overlays;
    int32_t m_scrollX = 0;
    int32_t m_scrollY = 0;
};
