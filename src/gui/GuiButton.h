#pragma once

#include "gui/CImage.h"
#include "gui/VRGuiControl.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// The push button of the skinned surfaces: drawn from four skin images, one
// per state ("<base>-0" normal, "-1" hot, "-2" pressed, "-3" disabled; a
// missing state image falls back to the normal one), with an optional
// caption and a tooltip. Every click, and every repeat while held when
// auto-repeat is on, sends kNotifyClick to the observers with the control
// identifier as parameter. A disabled button ignores the mouse.
class GuiButton : public VRGuiControl {
public:
    static constexpr int kNotifyClick = 1000;

    enum State : int32_t {
        kNormal = 0,
        kHot = 1,
        kPressed = 2,
        kDisabled = 3,
    };

    // Caption layout flags, combined with |.
    static constexpr uint32_t DT_LEFT = 0x0;
    static constexpr uint32_t DT_CENTER = 0x1;
    static constexpr uint32_t DT_RIGHT = 0x2;
    static constexpr uint32_t DT_TOP = 0x0;
    static constexpr uint32_t DT_VCENTER = 0x4;
    static constexpr uint32_t DT_BOTTOM = 0x8;
    static constexpr uint32_t DT_SINGLELINE = 0x20;
    static constexpr uint32_t DT_END_ELLIPSIS = 0x8000;
    static constexpr const char* kDefaultFont = "DejaVu Sans 8";

    // Empty keys leave the caption or tooltip empty.
    GuiButton(int32_t controlId, const std::string& skinBase, const std::string& captionKey,
              const std::string& toolTipKey);

    // Takes the four state images of the base name from the skin; the first
    // one found sizes the button.
    void SetSkin(const std::string& skinBase);
    const std::string& GetSkin() const { return m_skinBase; }
    void SetState(int32_t state);
    int32_t GetState() const { return m_state; }
    // The caption is the text itself; the tooltip is given by its key.
    void SetCaption(const std::string& text);
    const std::string& GetCaption() const { return m_caption; }
    void SetTooltip(const std::string& key);
    void ShowCaption(bool show);
    // A Pango font description such as "DejaVu Sans Bold 9".
    void SetFont(const std::string& font);
    void SetCaptionRect(const GuiRect& rect);
    void SetCaptionFormat(uint32_t format);
    void SetCaptionColor(int32_t state, uint32_t color);
    uint32_t GetCaptionColor(int32_t state) const { return m_captionColors.at(size_t(state)); }
    void SetMarkDirtyOnPaint(bool mark) { m_markDirtyOnPaint = mark; }
    // While held, the click repeats every period once the initial delay has passed.
    void SetAutoRepeat(bool on, uint32_t periodMs, uint32_t initialDelayMs);

    void Enable() override;
    void Disable() override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnTimer(uint32_t id) override;
    void OnDraw(const GuiRect& r) override;
    void Paint(const GuiRect* r) override;
    bool GetToolTip(GuiPoint p, std::string& text) override;

private:
    void OnLeftDown();
    void OnLeftUp(GuiPoint p);
    void Click();
    void DrawCaption() const;
    uint64_t Now();

    int32_t m_state = kNormal;
    std::string m_skinBase;
    std::array<std::shared_ptr<const CImage>, 4> m_images;
    std::string m_caption;
    std::string m_toolTip;
    bool m_showCaption = false;
    std::string m_font = kDefaultFont;
    GuiRect m_captionRect;
    bool m_captionRectSet = false;
    uint32_t m_captionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    std::array<uint32_t, 4> m_captionColors;
    bool m_markDirtyOnPaint = false;
    bool m_autoRepeat = false;
    uint32_t m_repeatPeriodMs = 0;
    uint32_t m_repeatDelayMs = 0;
    uint64_t m_pressTime = 0;
};
