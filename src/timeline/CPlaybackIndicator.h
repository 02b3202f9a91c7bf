#pragma once

#include "gui/CImage.h"
#include "gui/VRGuiObject.h"
#include "support/Observable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

// The playback line over the ruler and the track bodies: a one-pixel line of
// "play indicator color" under the "play indicator top" image, at the column
// of the play position. Its position is heard (tempo-adjusted) milliseconds,
// as the timeline is drawn and the mixer counts.
//
// While following, timer 556 asks the position source at the window's
// refresh period and moves the line only when its column changed, so that a
// tick repaints no more than the columns the line left and entered. Every
// change of the position is told to the observers (kNotifyPosition with the
// heard milliseconds as a number), for read-outs that show it.
class CPlaybackIndicator : public VRGuiObject, public Observable {
public:
    static constexpr uint32_t kFollowTimer = 556;
    static constexpr int kNotifyPosition = 1029;
    static constexpr int32_t kZOrder = 350;
    // Tall enough to span every track.
    static constexpr int32_t kHeight = 0x2000000;

    CPlaybackIndicator();

    // The heard play position and the zoom, asked on every tick.
    void SetSources(std::function<double()> positionMs, std::function<int32_t()> msPerPixel);
    void StartFollowing(uint32_t periodMs);
    void StopFollowing();
    // Moves the line to the source's position now.
    void Update();

    double GetPositionMs() const { return std::max(0.0, m_positionMs); }
    // The timeline column the line is drawn in.
    int32_t GetColumn() const { return m_column; }
    // Where the line lies within the object.
    int32_t LineOffset() const { return m_lineOffset; }

    bool AcceptsHover() const override { return false; }
    void OnTimer(uint32_t id) override;
    void OnDraw(const GuiRect& r) override;
    // The line draws only its column and the top image; the rest of its tall
    // rectangle shows what lies beneath. Repainting it, on a move or any other
    // change, covers those two parts alone, so that a tick repaints two
    // one-pixel columns rather than two bands as wide as the image.
    void Invalidate(const GuiRect* r) override;
    void InvalidateInParent() override;

private:
    // The line's column and the top image, in the object's coordinates.
    std::array<GuiRect, 2> DrawnParts() const;

    std::function<double()> m_positionSource;
    std::function<int32_t()> m_msPerPixelSource;
    // Negative until the first tick, which always tells the observers.
    double m_positionMs = -1.0;
    int32_t m_column = 0;
    int32_t m_lineOffset = 0;
    uint32_t m_colour = 0;
    std::shared_ptr<const CImage> m_top;
};
