#pragma once

#include "gui/GuiCursor.h"
#include "gui/GuiTextLayoutCache.h"
#include "gui/GuiTexturePanel.h"
#include "support/Observable.h"
#include "support/Observer.h"
#include "timeline/CMarkerMouse.h"
#include "timeline/CRulerTicks.h"

#include <cstdint>
#include <memory>
#include <vector>

class TempoMap;

class CTrackMarker;
class TimeGridHost;
class VRGuiWindow;

// The ruler across the top of the track area. It fixes how positions snap
// to the musical grid, shows clock-time or measure ticks for the part of the
// timeline in view (its parent scrolls it), draws the grid lines behind the
// clips, and holds one marker per tempo event as its children.
//
// Positions are milliseconds of the tempo-adjusted timeline; musical
// arithmetic works on the reference ("real") times the tempo map converts
// them to. Pixel x = trunc(ms / ms per pixel) at the current zoom.
class CTimeGrid : public GuiTexturePanel, public Observer, public Observable {
public:
    static constexpr int32_t kHeight = 50;
    static constexpr int32_t kWidth = 0x4000000;
    static constexpr int32_t kZOrder = 200;
    static constexpr int kZoomLevelCount = 35;
    static constexpr int kSnapLevelCount = 11;
    static constexpr int kDefaultSnapLevel = 4;
    // Pixels a press moves along the ruler before it selects time.
    static constexpr int32_t kDragSlack = 2;
    static constexpr int32_t kMeasureMode = 0;
    static constexpr int32_t kClockMode = 1;
    // Notifications: the zoom changed (parameter: ms per pixel), a drag
    // started or ended (passed on to the grid's observers).
    static constexpr int kNotifyZoomChanged = 1026;
    static constexpr int kNotifyDragState = 1012;
    // Commands of the ruler's context menu.
    enum MenuCommand : int32_t {
        kCmdAddMarker = 1,
        kCmdMarkerWizard = 2,
        kCmdPreviousMarker = 4,
        kCmdNextMarker = 5,
        kCmdToggleMode = 7,
    };

    // Milliseconds per pixel of a zoom level (clamped to the table).
    static int32_t MsPerPixel(int level);
    // Divisions of a whole note of a snap level (0: snap off, 1: measures).
    static int32_t SnapDivisions(int level);
    // String key of a snap level's menu entry; empty outside the table.
    static const char* SnapMenuKey(int level);
    // Opens the snap pop-up at a window point with the current level checked
    // and answers the chosen level, -1 when the menu was dismissed.
    static int RunSnapMenu(VRGuiWindow* window, int32_t x, int32_t y, int currentLevel);

    explicit CTimeGrid(TimeGridHost& host);
    ~CTimeGrid() override;

    // Snaps a real time with the grid's snap level, or the given one.
    double Snap(bool useGivenLevel, int level, double realTime) const;
    // Snaps a tempo-adjusted time (through its real time).
    double SnapAdjusted(bool useGivenLevel, int level, double time) const;
    // The bar line of the map nearest to a reference time: the next one
    // once the time is past half of its measure's beats.
    static double SnapToMeasure(const TempoMap& map, double realTime);
    // Milliseconds of one snap step at 120 beats per minute in quarters; 1 when off.
    int32_t GetSnapInterval() const;
    // The grid line one snap step later (or earlier) than a reference time,
    // never before 0: a step of reference time, so that it is one grid step
    // at every tempo.
    double SnapStep(double realTime, bool forward) const;

    void SetSnapLevel(int level);
    int GetSnapLevel() const { return m_snapLevel; }
    void SetTimeLineMode(int32_t mode);
    int32_t GetTimeLineMode() const { return m_timeLineMode; }
    int32_t GetRulerUnit() const { return m_unit.unit; }
    int32_t GetUnitStep() const { return m_unit.stepMs; }
    int32_t GetMsPerPixel() const { return m_msPerPixel; }

    // Builds the ticks for the view anew and repaints the ruler and tracks
    // when the ticks they show changed (not after a mere scroll).
    void RebuildTicks();
    const std::vector<RulerTick>& GetTicks();
    // Makes the markers mirror the tempo map's events again; markers got
    // from GetMarker before are gone.
    void SyncMarkers();
    int MarkerCount() const { return int(m_markers.size()); }
    CTrackMarker* GetMarker(int index) const;

    // Draws the grid and marker lines inside r (in the target's coordinates,
    // which share the ruler's horizontal content coordinates).
    void DrawGridLines(VRGuiObject& target, const GuiRect& r);

    void OnDraw(const GuiRect& r) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnNotification(int message, void* parameter) override;

private:
    static constexpr size_t kLabelLayouts = 64;

    RulerView CurrentView() const;
    // Builds the ticks when the view moved since they were built.
    void EnsureTicks();
    void BuildTicks(const RulerView& view);
    // Whether the ticks just built equal the old ones where both views show.
    bool SameTicksWhereViewsMeet(const std::vector<RulerTick>& old, const RulerView& oldView) const;
    void PlaceMarkers();
    void RemoveMarkers();
    void DrawTicks(const GuiRect& r);
    void OnZoomChanged(int32_t msPerPixel);
    void OnLeftUp(int32_t x);
    // A press and drag along the ruler: a time selection.
    void OnLeftDown(int32_t x);
    void OnDrag(int32_t x);
    void EndPress();
    void Capture(bool on);
    void ShowCursor(GuiCursor cursor);
    void OnDoubleClick(GuiPoint p);
    // The topmost marker under a point of the ruler, -1 when none.
    int MarkerAt(GuiPoint p) const;
    void RunContextMenu(GuiPoint p);
    void RunMenuCommand(int32_t command, double clickedMs);

    TimeGridHost& m_host;
    int32_t m_timeLineMode = kClockMode;
    int m_snapLevel = kDefaultSnapLevel;
    RulerUnit m_unit;
    int32_t m_msPerPixel = 1;
    uint32_t m_majorColor = 0;
    uint32_t m_minorColor = 0;
    uint32_t m_textColor = 0;
    std::vector<RulerTick> m_ticks;
    // The labels of a view and more: scrolling a little or redrawing a
    // column lays no label out again.
    GuiTextLayoutCache m_labelLayouts{kLabelLayouts};
    bool m_ticksBuilt = false;
    RulerView m_builtView;
    std::vector<std::unique_ptr<CTrackMarker>> m_markers;
    CMarkerMouse m_markerMouse{*this, m_host};
    bool m_pressed = false;
    bool m_selecting = false;
    int32_t m_pressX = 0;
};
