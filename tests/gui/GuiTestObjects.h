#pragma once

#include "gui/COffscreenGuiHost.h"
#include "gui/VRGuiContainer.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

// Objects for the GUI tests: each fills what it is asked to draw with its own
// colour and records what happened to it.

struct MouseRecord {
    int32_t event;
    GuiPoint point;
    uint32_t keys;
};

inline void FillRect(VRGuiObject& object, const GuiRect& r, uint32_t rgb) {
    cairo_t* cr = object.GetWindow()->GetDrawContext();
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                         (rgb & 0xFF) / 255.0);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
}

// The recording common to the test classes.
struct Recorder {
    uint32_t color = 0x808080;
    std::vector<GuiRect> draws;
    std::vector<MouseRecord> mouse;
    std::vector<int32_t> keys;
    std::vector<std::string> texts;
    std::vector<uint32_t> timers;
    // Wheel turns: delta and key flags, at a point.
    std::vector<MouseRecord> wheels;
    bool handleMouse = true;
    bool handleKeys = false;
    bool acceptsHover = true;
    std::string toolTip;

    bool Saw(int32_t event) const {
        for (const MouseRecord& record : mouse)
            if (record.event == event)
                return true;
        return false;
    }
};

template <class Base> class Recording : public Base, public Recorder {
public:
    using Base::Base;
    void OnDraw(const GuiRect& r) override {
        draws.push_back(r);
        FillRect(*this, r, color);
    }
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keyFlags) override {
        mouse.push_back({event, p, keyFlags});
        if (Base::OnMouse(event, p, keyFlags))
            return true;
        return handleMouse && event != kMouseEnter && event != kMouseLeave;
    }
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override {
        if (event == kKeyDown)
            keys.push_back(key);
        return Base::OnKey(event, key, modifiers) || handleKeys;
    }
    bool OnText(const std::string& text) override {
        texts.push_back(text);
        return Base::OnText(text) || handleKeys;
    }
    bool GetToolTip(GuiPoint p, std::string& text) override {
        if (toolTip.empty())
            return Base::GetToolTip(p, text);
        text = toolTip;
        return true;
    }
    void OnTimer(uint32_t id) override { timers.push_back(id); }
    bool OnWheel(GuiPoint p, int32_t delta, uint32_t keyFlags) override {
        wheels.push_back({delta, p, keyFlags});
        return Base::OnWheel(p, delta, keyFlags) || handleMouse;
    }
    bool AcceptsHover() const override { return acceptsHover; }
};

using TestObject = Recording<VRGuiObject>;
using TestContainer = Recording<VRGuiContainer>;
using TestWindow = Recording<VRGuiWindow>;

constexpr uint32_t kOpaque = 0xFF000000;
