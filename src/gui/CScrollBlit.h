#pragma once

#include "gui/CRegion.h"
#include "gui/GuiRect.h"

#include <cstdint>

class VRGuiContainer;
class VRGuiObject;
class VRGuiWindow;

// Carries what a container has already drawn along with its scroll: the
// drawn pixels move inside the window's back buffer and only the strip the
// scroll uncovers is drawn anew, with whatever lies over the container and
// does not scroll with it (siblings above it or above an ancestor, such as
// scroll bars). The screen is then given the whole moved area.
//
// Made before the scroll offset changes, it notes whether the move can be
// trusted: the container and its ancestors shown, opaque, in the window's
// tree, no overlay drawn over them, and nothing inside its visible area
// waiting to be drawn (the pixels there must be the ones the children would
// draw). Whenever that is not sure, Apply refuses and the caller invalidates.
class CScrollBlit {
public:
    explicit CScrollBlit(VRGuiContainer& container);

    // After the content moved by (dx, dy) pixels (the scroll offset grew by
    // that much): moves the pixels and marks the rest for drawing. False when
    // nothing was done and the container must be invalidated whole.
    bool Apply(int32_t dx, int32_t dy);
    // Has what lies over the container drawn again where it covers it: an
    // invalidated container draws over them.
    void RedrawCovering();

private:
    // The part of the container that reaches the back buffer, in window
    // coordinates; empty when it shows nowhere or its pixels cannot be moved.
    GuiRect VisibleArea(VRGuiContainer& container) const;
    // Areas of objects drawn over the container after it, in window coordinates.
    CRegion CoveringSiblings(VRGuiContainer& container) const;
    // Whether the object, or a shown descendant, has a dirty part within r
    // (the object's coordinates).
    static bool HasDirtyPart(VRGuiObject& object, const GuiRect& r);

    VRGuiWindow* m_window = nullptr;
    // In window coordinates.
    GuiRect m_visible;
    CRegion m_covered;
    // Nothing within the visible area waits to be drawn.
    bool m_clean = false;
};
