#pragma once

#include "gui/VRGuiControl.h"

#include <cstdint>
#include <string>

// One of the two flags on the piano roll's ruler that mark the loop range of
// the edited sound. The flag stands at its time (sound ms): a label box beside
// a line at the time's column, the start flag's box to the right of its line
// and the end flag's to the left, so that the two boxes face each other.
//
// Dragging it reports (kNotifyLoopFlagMoved) the time the pointer's movement
// gives, phase 1 on the first move, 2 on later ones and 3 on release; the
// flag does not move by itself: the editor decides where it may stand and
// sets its time.
class CLoopFlag : public VRGuiControl {
public:
    enum Which : int32_t { kLoopStart = 0, kLoopEnd = 1 };
    enum Phase : int32_t { kFirstMove = 1, kMove = 2, kRelease = 3 };
    static constexpr int32_t kHeight = 14;

    explicit CLoopFlag(Which which);

    Which GetWhich() const { return static_cast<Which>(GetControlId()); }
    double GetTime() const { return m_timeMs; }
    void SetTime(double soundMs);
    void SetMsPerPixel(double msPerPixel);
    // The column of the flag's line in its parent.
    int32_t LineX() const;
    bool IsDragging() const { return m_pressed; }

    void OnDraw(const GuiRect& r) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    bool GetToolTip(GuiPoint p, std::string& text) override;

private:
    void Place();
    void Report(int32_t phase, double timeMs);

    double m_timeMs = 0.0;
    double m_msPerPixel = 1.0;
    std::string m_label;
    bool m_pressed = false;
    bool m_moved = false;
    int32_t m_pressAbsX = 0;
    double m_pressTimeMs = 0.0;
};
