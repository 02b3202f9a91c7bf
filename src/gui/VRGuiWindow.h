#pragma once

#include "gui/CBackBuffer.h"
#include "gui/CMyToolTip.h"
#include "gui/CRegion.h"
#include "gui/GuiMessage.h"
#include "gui/VRGuiContainer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class IGuiHost;
class VRGuiLayer;

// The root of a GUI tree: a container shown in a native window (an IGuiHost).
// It owns the back buffer every object draws into, gathers invalidated areas
// into the pending invalid region and hands them to the host once per refresh
// tick, routes the host's messages down the tree (hover, capture, double
// clicks, keys, timers) and shows tooltips.
class VRGuiWindow : public VRGuiContainer {
public:
    static constexpr uint32_t REFRESH_TIMER = 1;
    static constexpr uint32_t kRefreshPeriodMs = 40;
    // The period while the user asked the program to spare the processor.
    static constexpr uint32_t kConserveCpuRefreshPeriodMs = 150;
    static constexpr uint32_t kToolTipDelayMs = 500;
    static constexpr uint32_t kToolTipDisplayMs = 7000;
    // Layers lie above every other child, whatever z-order the child chose.
    static constexpr int32_t kLayerZOrder = 1000000;

    VRGuiWindow();
    VRGuiWindow(int32_t width, int32_t height);
    ~VRGuiWindow() override;

    using VRGuiObject::KillTimer;
    using VRGuiObject::StartTimer;

    VRGuiWindow* GetWindow() override { return this; }
    void SetSize(int32_t width, int32_t height) override;
    void SetPosition(int32_t x, int32_t y) override;
    // Offers the key to each visible, enabled child, bottom first.
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool OnText(const std::string& text) override;
    // Asks the captured object, else the hovered one, at the point in its coordinates.
    bool GetToolTip(GuiPoint p, std::string& text) override;

    // Opens the native window on the host and starts the refresh timer.
    virtual bool Initialize(IGuiHost* host, int32_t width, int32_t height);
    // Handles one message of the host; answers the handled flag or result.
    virtual intptr_t WindowProc(const GuiMessage& message);
    virtual CBackBuffer* GetBackBuffer();
    // The cairo context all OnDraw operations draw into.
    virtual cairo_t* GetDrawContext();
    virtual IGuiHost* GetHWND() { return m_host; } // the host; every caller knows this name
    virtual void SetHovered(VRGuiObject* object) { m_hovered = object; }
    virtual VRGuiObject* GetHovered() const { return m_hovered; }
    virtual void SetCapture(VRGuiObject* object);
    virtual VRGuiObject* GetCaptured() const { return m_captured; }
    virtual void ReleaseCapture();
    virtual bool CreateNativeWindow(IGuiHost* host, int32_t width, int32_t height);
    // Hands the pending invalid region to the host and empties it.
    virtual void FlushInvalidRegion();

    // Shows a layer at (x, y), moved in as far as needed to fit the window, on
    // top of any open layer. From now on all input goes to it alone.
    void OpenLayer(VRGuiLayer* layer, int32_t x, int32_t y);
    void CloseLayer(VRGuiLayer* layer);
    VRGuiLayer* TopLayer() const { return m_layers.empty() ? nullptr : m_layers.back(); }
    int LayerCount() const { return static_cast<int>(m_layers.size()); }
    // Runs the host's message loop until finished() answers true, and answers
    // true then; false when the loop ended first (the program is quitting, or
    // a headless host has nobody to answer).
    bool RunModal(const std::function<bool()>& finished);

    // Who takes files dropped on the window; without one drops are ignored.
    using DropHandler = std::function<void(const std::vector<std::string>& files, GuiPoint p)>;
    void SetDropHandler(DropHandler handler) { m_dropHandler = std::move(handler); }

    // Lets an object see every mouse message of the window after it was
    // routed, whoever took it (a gesture's edge scrolling needs the pointer
    // while a child holds the capture). Points are in window coordinates.
    using MouseWatcher = std::function<void(const GuiMessage& message)>;
    void WatchMouse(VRGuiObject* owner, MouseWatcher watcher);

    void InvalidateMainWindow(const GuiRect& r);
    void SetRefreshPeriod(uint32_t ms);
    uint32_t GetRefreshPeriod() const { return m_refreshPeriodMs; }
    static uint32_t RefreshPeriodFor(bool conserveCpuMode) {
        return conserveCpuMode ? kConserveCpuRefreshPeriodMs : kRefreshPeriodMs;
    }
    void StartTimer(VRGuiObject* object, uint32_t id, uint32_t ms);
    // Id 0 kills every timer of the object.
    void KillTimer(VRGuiObject* object, uint32_t id);
    bool HasTimer(const VRGuiObject* object, uint32_t id) const;

    CRegion GetPendingInvalidRegion() const;
    bool IsCaptureSet() const { return m_captureSet; }
    bool GetDoubleClickFlag() const { return m_doubleClick; }
    CMyToolTip& GetToolTipWindow() { return m_toolTip; }

    // Called by an object being destroyed: drops its timers and every reference to it.
    void ForgetObject(VRGuiObject* object);
    // Sets the drawing context up for an object's OnDraw of a local rectangle:
    // translated to its corner, clipped to the rectangle. False without a back buffer.
    bool BeginObjectDraw(const VRGuiObject& object, const GuiRect& r);
    void EndObjectDraw();
    // Pixels handed to objects' drawing since the window was made: a pixel
    // that several objects draw counts once for each. Shows how much a change
    // cost to draw, apart from how much of the screen it touched.
    uint64_t DrawnPixels() const { return m_drawnPixels; }
    const std::shared_ptr<GuiWindowLink>& Link() const { return m_link; }

private:
    struct TimerEntry {
        uint32_t id;
        VRGuiObject* object;
    };

    void OnSizeMessage(const GuiMessage& message);
    void OnFocusLost();
    void OnPaintMessage(const CRegion& update);
    void OnTimerMessage(uint32_t id);
    void OnRefreshTick();
    intptr_t OnMouseMessage(const GuiMessage& message);
    // The wheel goes to the objects under the pointer, within the top layer if one is open.
    bool OnWheelMessage(const GuiMessage& message);
    void NotifyMouseWatchers(const GuiMessage& message);
    bool RouteMouse(int32_t event, GuiPoint p, uint32_t keys);
    // Mouse input that no capture claims: to the top layer if one is open,
    // else down the tree.
    bool MouseToContent(int32_t event, GuiPoint p, uint32_t keys);
    // Drops hover and capture held by the layer or anything inside it.
    void ForgetLayerInput(VRGuiLayer* layer);
    bool MouseMove(GuiPoint p, uint32_t keys);
    static GuiPoint ToObject(const VRGuiObject* object, GuiPoint p);

    std::shared_ptr<GuiWindowLink> m_link;
    CRegion m_pendingInvalid;
    IGuiHost* m_host = nullptr;
    std::unique_ptr<CBackBuffer> m_backBuffer;
    VRGuiObject* m_hovered = nullptr;
    // The hovered object before the current move's dispatch, cleared if it dies meanwhile.
    VRGuiObject* m_hoveredBefore = nullptr;
    VRGuiObject* m_captured = nullptr;
    bool m_captureSet = false;
    // Entries {id, object}, sorted by id.
    std::vector<TimerEntry> m_timers;
    // Open layers, bottom first.
    std::vector<VRGuiLayer*> m_layers;
    CMyToolTip m_toolTip;
    DropHandler m_dropHandler;
    std::vector<std::pair<VRGuiObject*, MouseWatcher>> m_mouseWatchers;
    uint32_t m_refreshPeriodMs = kRefreshPeriodMs;
    uint64_t m_drawnPixels = 0;
    bool m_doubleClick = false;
};
