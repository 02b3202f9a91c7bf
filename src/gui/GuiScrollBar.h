#pragma once

#include "gui/VRGuiObject.h"

#include <cstdint>
#include <functional>

// A skinned scroll bar: an arrow button at each end, the track between them
// and a thumb sized to the visible page. The bar keeps no scroll state of its
// own beyond what the owner sets: every gesture is reported through the
// handler with the classic scroll codes, and the owner decides the new
// position and sets it back.
class GuiScrollBar : public VRGuiObject {
public:
    enum class Orientation { kVertical, kHorizontal };
    enum Code : int32_t {
        kLineUp = 0,
        kLineDown = 1,
        kPageUp = 2,
        kPageDown = 3,
        kThumbReleased = 4,
        kThumbTracking = 5,
    };
    // While an arrow or the track is held, the gesture repeats at this pace
    // after a first, longer pause. Timer ids are shared by the whole window,
    // so every bar takes its own from this range.
    static constexpr uint32_t kRepeatTimerBase = 7400;
    static constexpr uint32_t kRepeatTimerCount = 500;
    static constexpr uint32_t kFirstRepeatMs = 350;
    static constexpr uint32_t kRepeatMs = 60;
    static constexpr int32_t kMinThumb = 12;

    using Handler = std::function<void(Code code, int32_t position)>;

    explicit GuiScrollBar(Orientation orientation);

    // The scrolled range min..max of which page units are visible at once.
    void SetRange(int32_t min, int32_t max, int32_t page);
    void SetPos(int32_t position);
    int32_t GetPos() const { return m_position; }
    int32_t GetMax() const { return m_max; }
    int32_t GetPage() const { return m_page; }
    void SetHandler(Handler handler) { m_handler = std::move(handler); }

    // The thumb's extent along the bar, in local pixels.
    void GetThumbSpan(int32_t& start, int32_t& length) const;

    void SetSize(int32_t width, int32_t height) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnTimer(uint32_t id) override;
    void OnDraw(const GuiRect& r) override;

private:
    enum class Part { kNone, kLineUp, kLineDown, kPageUp, kPageDown, kThumb };

    int32_t Along(GuiPoint p) const;
    int32_t Length() const;
    int32_t Thickness() const;
    Part PartAt(GuiPoint p) const;
    void RunPart(Part part);
    int32_t PositionForThumbStart(int32_t thumbStart) const;
    void Report(Code code, int32_t position);

    Orientation m_orientation;
    uint32_t m_repeatTimer;
    int32_t m_min = 0;
    int32_t m_max = 0;
    int32_t m_page = 1;
    int32_t m_position = 0;
    Part m_pressed = Part::kNone;
    int32_t m_grabOffset = 0;
    GuiPoint m_pointer{0, 0};
    Handler m_handler;
};
