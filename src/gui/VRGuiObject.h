#pragma once

#include "gui/CRegion.h"
#include "gui/GuiRect.h"
#include "support/CLock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VRGuiContainer;
class VRGuiWindow;

// Kinds of GUI objects, for code that must tell them apart.
enum GuiObjectType : int32_t {
    kGuiTypeObject = 0,
    kGuiTypeContainer = 1,
    kGuiTypeControl = 2,
    kGuiTypeWindow = 4,
    kGuiTypeButton = 5,
    kGuiTypeTrackBody = 8,
    kGuiTypeTrackHeader = 9,
    kGuiTypeCaret = 10,
    kGuiTypeTrackBodiesContainer = 11,
    kGuiTypeMarkerStrip = 12,
    kGuiTypeClip = 13,
};

constexpr int32_t kDefaultZOrder = 32;

// Lets objects find their window without keeping a pointer that could outlive
// it: the window clears `window` when it is destroyed.
struct GuiWindowLink {
    VRGuiWindow* window = nullptr;
};

// A rectangle of the GUI tree. Objects never paint on request of the system:
// they mark what changed as dirty (Invalidate), the window gathers those areas
// and repaints them at its next refresh tick by calling Paint, which redraws
// only what is dirty through OnDraw.
//
// Rectangles passed as a pointer mean the whole object when null. Rectangles
// are in the object's own coordinates unless named otherwise.
//
// Drawing: OnDraw draws into the window's drawing context (a cairo context,
// GetWindow()->GetDrawContext()), which is already translated so that the
// object's top-left corner is (0, 0) and clipped to the rectangle being drawn.
// That rectangle always lies within the window's back buffer, however large the
// object is. Cairo holds device coordinates as 24.8 fixed point (about +/- 8
// million pixels), so an object far wider than the window (a timeline ruler
// can be 67,108,864 pixels wide) must build its shapes from the rectangle it
// is given, never from its whole width: fill `r`, not (0, 0, width, height),
// and draw only the ticks, notes or samples whose x lies within r.
class VRGuiObject : public CLock {
public:
    // 1 x 1 and clean.
    VRGuiObject();
    // The given size, wholly dirty so that it paints on first display.
    VRGuiObject(int32_t width, int32_t height);
    VRGuiObject(const VRGuiObject&) = delete;
    VRGuiObject& operator=(const VRGuiObject&) = delete;
    virtual ~VRGuiObject();

    virtual int32_t GetType() const { return m_type; }
    virtual void SetType(int32_t type) { m_type = type; }
    virtual int32_t GetWidth() const { return m_width; }
    virtual int32_t GetHeight() const { return m_height; }
    virtual int32_t GetX() const { return m_x; }
    virtual int32_t GetY() const { return m_y; }
    virtual GuiRect GetRect() const { return {0, 0, m_width, m_height}; }
    // Where the object is shown in its parent (after the parent's scroll).
    virtual GuiRect GetRectInParent() const;
    virtual int32_t GetAbsX() const { return m_absX; }
    virtual int32_t GetAbsY() const { return m_absY; }
    virtual GuiRect GetAbsRect() const;
    virtual GuiRect LocalToAbsRect(const GuiRect& r) const { return r.Offset(m_absX, m_absY); }
    virtual GuiPoint LocalToAbsPoint(GuiPoint p) const { return {p.x + m_absX, p.y + m_absY}; }
    virtual GuiRect LocalToParentRect(const GuiRect& r) const;
    virtual VRGuiContainer* GetParent() const { return m_parent; }
    virtual void SetParent(VRGuiContainer* parent, int32_t x, int32_t y);
    virtual bool IsTransparent() const { return m_transparent; }
    virtual void SetTransparent(bool transparent) { m_transparent = transparent; }
    virtual int32_t GetZOrder() const { return m_zOrder; }
    virtual void SetZOrder(int32_t zOrder);
    virtual void Show();
    virtual void Hide();
    virtual bool IsVisible() const { return m_visible; }
    // False for objects that must never become the hovered object.
    virtual bool AcceptsHover() const { return true; }
    virtual void SetSize(int32_t width, int32_t height);
    virtual void SetPosition(int32_t x, int32_t y);
    virtual void UpdateAbsPosition();
    // From now on the object is wholly dirty or wholly clean.
    virtual void DropDirtyRegion();
    virtual void SetDirty(const GuiRect* r);
    virtual bool IsDirty(const GuiRect* r);
    virtual void SetClean(const GuiRect* r);
    // Narrows r to the bounding box of its dirty part; false when none is dirty.
    virtual bool GetOverlappingDirtyRect(GuiRect& r);
    // The dirty part of r (whole object when null) as the rectangles to
    // redraw: each dirty rectangle, or their bounding box when they are many.
    std::vector<GuiRect> DirtyRectsWithin(const GuiRect* r);
    virtual void Invalidate(const GuiRect* r);
    virtual void InvalidateInParent();
    // Redraws what is dirty within r.
    virtual void Paint(const GuiRect* r);
    // Redraws r whether dirty or not.
    virtual void Render(const GuiRect* r);
    // Carries r up to the window's pending invalid region, clipped by every ancestor.
    virtual void InvalidateScreen(const GuiRect* r);
    virtual void OnDraw(const GuiRect& r);
    // Mouse event (GuiMouseEvent) at a point in the object's coordinates; true when handled.
    virtual bool OnMouse(int32_t event, GuiPoint p, uint32_t keys);
    // A turn of the mouse wheel over the object: delta in steps of 120, positive
    // away from the user, with the mouse key flags (Shift, Control); true when used.
    virtual bool OnWheel(GuiPoint p, int32_t delta, uint32_t keys);
    // Key down (0) or up (1) with a virtual key and modifier flags; true when handled.
    virtual bool OnKey(int32_t event, int32_t key, uint32_t modifiers);
    // Typed text (UTF-8), delivered like keys; true when taken.
    virtual bool OnText(const std::string& text);
    // Writes the tooltip for a point; false when there is none.
    virtual bool GetToolTip(GuiPoint p, std::string& text);
    virtual void OnTimer(uint32_t id);
    virtual void Enable() { m_enabled = true; }
    virtual void Disable() { m_enabled = false; }
    virtual bool IsEnabled() const { return m_enabled; }
    virtual VRGuiWindow* GetWindow();
    // Forgets the cached window, so that it is asked again after a move to another tree.
    virtual void ResetWindowCache();

    // Timers of this object on its window; nothing without a window.
    void StartTimer(uint32_t id, uint32_t ms);
    void KillTimer(uint32_t id);
    bool HasDirtyRegion() const { return m_dirtyRegion != nullptr; }
    // OnDraw of r with the window's drawing context set up for this object.
    void DrawPart(const GuiRect& r);

protected:
    // The part of r (whole object when null) that lies within the window's back buffer.
    GuiRect VisiblePart(const GuiRect* r);
    // r clipped to the object; the whole object when null.
    GuiRect ClipToObject(const GuiRect* r) const;
    // Stores a new size without any repainting.
    void StoreSize(int32_t width, int32_t height) {
        m_width = width;
        m_height = height;
    }

private:
    VRGuiWindow* LinkedWindow() const;
    // Has the parent repaint a strip the object gave up.
    void InvalidateStripInParent(const GuiRect& strip);

    int32_t m_type = kGuiTypeObject;
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_width = 1;
    int32_t m_height = 1;
    int32_t m_absX = 0;
    int32_t m_absY = 0;
    VRGuiContainer* m_parent = nullptr;
    std::shared_ptr<GuiWindowLink> m_windowLink;
    std::unique_ptr<CRegion> m_dirtyRegion;
    bool m_dirty = false;
    bool m_transparent = false;
    int32_t m_zOrder = kDefaultZOrder;
    bool m_visible = true;
    bool m_enabled = true;
};
