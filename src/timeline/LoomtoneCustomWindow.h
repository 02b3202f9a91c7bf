#pragma once

#include "gui/GuiMessage.h"
#include "gui/GuiTexturePanel.h"
#include "gui/VRGuiContainer.h"
#include "timeline/TimelineExtents.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CCaret;
class CPlaybackIndicator;
class CTrackSelRect;
class GuiScrollBar;

// The track area: the toolbar on top, the column of track headers on the
// left, the ruler above the track bodies, the master bar at the bottom and
// two scroll bars. It lays these out, scrolls headers and bodies together,
// turns keys into editing commands, scrolls while a gesture nears an edge,
// follows the playback position and takes files dropped on it. What those
// commands do is the document's: it derives from this class.
class LoomtoneCustomWindow : public VRGuiContainer {
public:
    static constexpr int32_t kHeaderWidth = 300;
    static constexpr int32_t kToolbarHeight = 46;
    static constexpr int32_t kRulerHeight = 50;
    static constexpr int32_t kMasterBarHeight = 68;
    // Where the track bodies' view begins in the area.
    static constexpr int32_t kBodiesTop = kToolbarHeight + kRulerHeight;
    // Room below the last track, once the tracks overflow, to drop a clip on a new track.
    static constexpr int32_t kDropRoomBelowTracks = 70;
    // One notch of the wheel, as the host counts it, and the pixels it scrolls the tracks.
    static constexpr int32_t kWheelDelta = 120;
    static constexpr int32_t kWheelStep = 50;
    static constexpr int32_t kScrollBarSize = 18;
    static constexpr int32_t kMinWidth = 330;
    static constexpr int32_t kMinHeight = 228;
    // Wide enough that the timeline never ends while scrolling.
    static constexpr int32_t kContentWidth = 0x4000000;
    static constexpr uint32_t kScrollTimer = 555;
    static constexpr uint32_t kScrollTimerMs = 100;
    static constexpr int32_t kBodiesZOrder = 201;
    static constexpr int32_t kCaretZOrder = 300;
    static constexpr int32_t kScrollBarZOrder = 900;
    // Less movement than this from press to release, on both axes, is a click.
    static constexpr int32_t kClickSlack = 3;
    // Movement from the press, per axis, before edge scrolling starts.
    static constexpr int32_t kEdgeScrollSlack = 15;

    LoomtoneCustomWindow();
    ~LoomtoneCustomWindow() override;

    // Puts the area into the window's tree at (x, y), starts its timer and
    // lets it watch the mouse. Until then SetSize only sizes the area.
    bool Initialize(VRGuiContainer* parent, int32_t x, int32_t y, int32_t width, int32_t height);
    bool IsCreated() const { return m_created; }

    // Places objects that others own: the toolbar strip, the ruler above
    // the bodies and the master bar at the bottom.
    void AttachToolbar(VRGuiObject* toolbar);
    void AttachRuler(VRGuiObject* ruler);
    void AttachMasterBar(VRGuiObject* masterBar);

    void SetSize(int32_t width, int32_t height) override;
    void SetHorizontalScroll(int32_t x);
    void SetVerticalScroll(int32_t y);
    int32_t GetTimelineScrollX() const;
    int32_t GetTracksScrollY() const;
    void RecomputeScrollRanges(bool vertical, bool horizontal);
    int32_t GetContentWidth() const { return m_contentWidth; }
    int32_t GetTracksHeight() const { return m_tracksHeight; }
    // The height of the tracks' view between the ruler and the horizontal bar.
    int32_t GetTracksViewHeight() const;
    // How far the tracks scroll: their height, with room below once they overflow.
    int32_t GetTracksScrollHeight() const;
    int32_t GetMaxTracksScrollY() const;
    // Back to the top-left corner, as for a project just opened.
    void ResetScroll();
    // The width of the timeline visible beside the headers.
    int32_t GetViewWidth() const { return GetWidth() - kHeaderWidth; }

    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    // The wheel scrolls the tracks; with Shift the timeline; with Control it
    // zooms, keeping the time under the pointer in place.
    bool OnWheel(GuiPoint p, int32_t delta, uint32_t keys) override;
    void OnTimer(uint32_t id) override;
    // Files dropped at a point of the window.
    void DropFiles(const std::vector<std::string>& files, GuiPoint windowPoint);

    // The scroll bars' gestures (the classic scroll codes).
    void OnVerticalScroll(int32_t code, int32_t position);
    void OnHorizontalScroll(int32_t code, int32_t position);

    // The panel above the header column, beside the ruler.
    VRGuiContainer& HeaderCorner() { return *m_headerCorner; }
    VRGuiContainer& HeaderColumn() { return *m_headerColumn; }
    VRGuiContainer& TrackBodies() { return *m_trackBodies; }
    VRGuiContainer& TimelineContainer() { return *m_horizontal; }
    // The line at the play position over the ruler and the bodies.
    CPlaybackIndicator& PlaybackLine() { return *m_playbackLine; }
    // The edit position among the track bodies.
    CCaret& Caret() { return *m_caret; }
    // Puts the caret at the document's caret time on its track.
    void PlaceCaret();
    // The time selection as drawn over the track bodies.
    CTrackSelRect& SelectionRect() { return *m_selRect; }
    const CTrackSelRect& SelectionRect() const { return *m_selRect; }
    GuiScrollBar& VerticalBar() { return *m_verticalBar; }
    GuiScrollBar& HorizontalBar() { return *m_horizontalBar; }
    bool IsButtonHeld() const { return m_buttonHeld; }
    bool IsEdgeScrolling() const { return m_edgeScrolling; }
    // The snapped time of the last press or release in the editing area.
    double GetClickTime() const { return m_clickTime; }
    // What the gesture in progress lets edge scrolling do.
    void AllowEdgeScrolling(bool horizontal, bool vertical);

protected:
    // What the window needs of the document.
    virtual int32_t TrackAreaMsPerPixel() const = 0;
    virtual double SnapAdjustedTime(double ms) const = 0;
    virtual TimelineExtents GetTimelineExtents() const = 0;
    // The play position alone, asked on every tick of the playback line: a
    // document that knows it without measuring the whole project says so.
    virtual double PlaybackPositionMs() const { return GetTimelineExtents().playbackMs; }
    virtual bool HasActiveTimeSelection() const = 0;
    virtual void ClearTimeSelection() = 0;
    virtual bool HasSelectedClips() const = 0;
    virtual void DeleteSelection() = 0;
    virtual void SelectNextClip(int32_t direction) = 0;
    // Escape: nothing selected, no time selection.
    virtual void DeselectEverything() = 0;
    // Space, with the modifiers held.
    virtual void PlayStopKey(uint32_t modifiers) = 0;
    virtual void MoveToProjectStart() = 0;
    virtual void MoveToProjectEnd() = 0;
    virtual void MoveClips(double xDeltaMs, int32_t yTrackDelta, bool useSnap) = 0;
    virtual void MoveCaret(double xDeltaMs, int32_t yTrackDelta, bool useSnap) = 0;
    virtual void Zoom(bool zoomOut) = 0;
    // The playback position to keep in view, when it is to be followed.
    virtual bool PlaybackToFollow(double& ms) const = 0;
    // Files dropped on the track bodies, at a point in their content.
    virtual void FilesDroppedOnTracks(const std::vector<std::string>& files,
                                      GuiPoint bodyPoint) = 0;
    // The timeline moved or was resized: the ruler's ticks are stale.
    virtual void OnTimelineScrolled() {}
    // The height the caret and the playback line are to span.
    virtual void OnTracksHeightChanged(int32_t) {}
    // A click on the empty space below the last track, at a timeline pixel,
    // with the mouse key flags of the release.
    virtual void OnClickBelowTracks(int32_t, uint32_t) {}
    // Where the caret's track lies among the track bodies; false without one.
    virtual bool CaretTrackSpan(int32_t&, int32_t&) const { return false; }
    // The zoom, the track heights or the scroll ranges changed.
    virtual void OnTimelineLayout() {}

private:
    // Puts an object others own into a slot, taking the previous one out.
    static void Attach(VRGuiObject*& slot, VRGuiObject* object, VRGuiContainer& parent, int32_t x,
                       int32_t y);
    void Layout(int32_t width, int32_t height);
    void UpdateBars();
    void OnWatchedMouse(const GuiMessage& message);
    void UpdateClickTime(GuiPoint p);
    // Whether a point of the area lies in the tracks' view below the last track.
    bool IsBelowTracks(GuiPoint p) const;
    bool EdgeScroll();
    void FollowPlayback();
    void ScrollVerticallyBy(int32_t delta);
    // Scrolls headers, bodies and bar to y without checking it.
    void ApplyVerticalScroll(int32_t y);
    void ZoomAround(int32_t viewX, bool zoomOut);

    std::unique_ptr<VRGuiContainer> m_mainArea;
    std::unique_ptr<GuiTexturePanel> m_headerCorner;
    std::unique_ptr<GuiTexturePanel> m_headerColumn;
    // The header column's background below the view, beside the horizontal bar.
    std::unique_ptr<GuiTexturePanel> m_headerFoot;
    std::unique_ptr<VRGuiContainer> m_horizontal;
    std::unique_ptr<GuiTexturePanel> m_trackBodies;
    std::unique_ptr<CPlaybackIndicator> m_playbackLine;
    std::unique_ptr<CCaret> m_caret;
    std::unique_ptr<CTrackSelRect> m_selRect;
    std::unique_ptr<GuiScrollBar> m_verticalBar;
    std::unique_ptr<GuiScrollBar> m_horizontalBar;
    VRGuiObject* m_toolbar = nullptr;
    VRGuiObject* m_ruler = nullptr;
    VRGuiObject* m_masterBar = nullptr;

    bool m_created = false;
    int32_t m_contentWidth = 0;
    // The lowest bottom edge of the tracks, and that raised to the view.
    int32_t m_tracksBottom = 0;
    int32_t m_tracksHeight = 0;
    bool m_verticalShown = false;
    bool m_horizontalShown = false;
    bool m_buttonHeld = false;
    bool m_edgeScrolling = false;
    GuiPoint m_pointer{0, 0};
    GuiPoint m_press{0, 0};
    bool m_horizontalEdgeAllowed = false;
    bool m_verticalEdgeAllowed = false;
    double m_clickTime = 0.0;
};
