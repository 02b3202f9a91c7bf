#pragma once

#include "gui/GuiTexturePanel.h"
#include "support/Observable.h"

#include <cstdint>
#include <string>

// The header of a track in the header column: its name on the skin's header
// panel, tinted while the track is selected. A press selects the track, a
// drag of the lower edge changes its height, a double click selects every
// clip on it; the track hears these as notifications.
class CTrackHeader : public GuiTexturePanel, public Observable {
public:
    static constexpr int32_t kWidth = 300;
    // The lower edge zone that resizes the track.
    static constexpr int32_t kResizeZone = 5;
    enum DragMode : int32_t { kReorder = 0, kResize = 1, kPointerLeft = 2 };

    CTrackHeader();

    void SetTitle(const std::string& title);
    const std::string& GetTitle() const { return m_title; }
    void SetSelectedLook(bool selected);
    DragMode GetDragMode() const { return m_dragMode; }

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

private:
    void UpdateHoverMode(GuiPoint p);
    void SendHeightDrag(int32_t dy, bool released);

    std::string m_title;
    bool m_selectedLook = false;
    DragMode m_dragMode = kReorder;
    bool m_pressed = false;
    int32_t m_heightAtPress = 0;
    int32_t m_pressY = 0;
};
