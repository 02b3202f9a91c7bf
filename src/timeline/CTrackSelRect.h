#pragma once

#include "gui/VRGuiObject.h"

#include <cstdint>

// The time selection as drawn over the track bodies: the span from its start
// to its end (heard milliseconds, as the timeline is drawn) across a range
// of tracks (pixels of the track bodies), filled with "selection-color" at
// opacity 70 over what lies beneath and outlined with
// "selection-outline-color". Hidden while no selection is active.
class CTrackSelRect : public VRGuiObject {
public:
    static constexpr int32_t kZOrder = 4000;
    static constexpr int kOpacity = 70;

    CTrackSelRect();

    // Shows the selection from startMs to endMs over top to bottom.
    void Set(double startMs, double endMs, int32_t top, int32_t bottom, int32_t msPerPixel);
    // Places the active selection again at another zoom or track layout.
    void Relayout(int32_t top, int32_t bottom, int32_t msPerPixel);
    void Clear();
    bool IsActive() const { return m_active; }
    double GetStartMs() const { return m_startMs; }
    double GetEndMs() const { return m_endMs; }

    bool AcceptsHover() const override { return false; }
    void OnDraw(const GuiRect& r) override;

private:
    void Place(int32_t msPerPixel);

    double m_startMs = 0.0;
    double m_endMs = 0.0;
    int32_t m_top = 0;
    int32_t m_bottom = 0;
    bool m_active = false;
    uint32_t m_fill = 0;
    uint32_t m_outline = 0;
};
