#pragma once

#include "gui/GuiScrollBar.h"
#include "gui/VRGuiContainer.h"
#include "pianoroll/CKeyboardControl.h"
#include "pianoroll/CLoopFlag.h"
#include "pianoroll/CPRControllerHeader.h"
#include "pianoroll/CPRMeasureDisplay.h"
#include "pianoroll/CPRTimeline.h"
#include "pianoroll/PRAutoScroll.h"
#include "pianoroll/PRControllerLaneView.h"
#include "pianoroll/PRMixerPreview.h"
#include "pianoroll/PRToolbar.h"
#include "pianoroll/PianoRollBody.h"
#include "support/Observer.h"

#include <cstdint>
#include <functional>
#include <memory>

struct PRLoopFlagMove;

class CMIDIClip;

// The piano roll around one MIDI clip: the toolbar on top; below it the
// measure read-out and the ruler with the loop flags; then the keyboard on the
// left and the note area beside it, which scroll together vertically, with
// the controller lane and its header under them and a scroll bar on the right
// and at the bottom. The ruler, the note area and the lane scroll together
// horizontally and zoom through the levels of kZoomMsPerPixel. Previews of the
// note area and the keyboard sound on the instrument of the clip's track.
class PianoRollControl : public VRGuiContainer, public Observer {
public:
    static constexpr int32_t kStripHeight = PRToolbar::kHeight;
    static constexpr int32_t kNotesTop = kStripHeight + CPRTimeline::kHeight;
    static constexpr int32_t kScrollBarSize = 18;
    static constexpr int kNumZoomLevels = 35;
    static constexpr int kInitialZoomLevel = 10;
    static const double kZoomMsPerPixel[kNumZoomLevels];
    // Moves the play-position line while the transport plays and keeps it
    // in view; scrolls while a note or a rubber band is dragged at an edge.
    static constexpr uint32_t kFollowTimer = 623;
    static constexpr uint32_t kFollowPeriodMs = 100;
    static constexpr double kMinNotesShare = 0.2;
    static constexpr int32_t kMinLaneHeight = 40;

    // Edits the clip with its document's undo manager and mixer.
    explicit PianoRollControl(CMIDIClip& clip);
    ~PianoRollControl() override;

    PianoRollBody& Body() { return *m_body; }
    CKeyboardControl& Keyboard() { return m_keyboard; }
    CPRTimeline& Ruler() { return m_ruler; }
    CPRMeasureDisplay& ReadOut() { return m_readout; }
    CLoopFlag& LoopFlag(CLoopFlag::Which which) {
        return which == CLoopFlag::kLoopStart ? m_loopStart : m_loopEnd;
    }
    GuiScrollBar& HorizontalBar() { return m_horizontalBar; }
    GuiScrollBar& VerticalBar() { return m_verticalBar; }
    PRControllerLaneView& ControllerLane() { return *m_lane; }
    PRToolbar& Toolbar() { return *m_toolbar; }
    CPRControllerHeader& ControllerHeader() { return *m_laneHeader; }
    // The controller lane's height, at least kMinLaneHeight and leaving the
    // toolbar and the note area at least kMinNotesShare of the control.
    void SetLaneHeight(int32_t height);
    // The tool settings new notes get (the remembered ones of the last piano
    // roll), and where every later change of them is kept.
    void TakeToolSettings(const PRToolSettings& settings);
    void SetToolSettingsStore(std::function<void(const PRToolSettings&)> store);
    CMIDIClip& Clip() const { return m_clip; }

    void SetSize(int32_t width, int32_t height) override;
    int ZoomLevel() const { return m_zoomLevel; }
    // False (nothing changes) beyond the first or last level.
    bool Zoom(bool out);
    // The zoom that shows the whole clip, and the notes' average pitch in the
    // middle of the view.
    void Fit();
    void ScrollTo(int32_t x, int32_t y);
    int32_t ScrollX() const { return m_bodyView.GetScrollX(); }
    int32_t ScrollY() const { return m_bodyView.GetScrollY(); }
    // The note area's view in the control's coordinates.
    PRAutoScroll::View NotesView() const;

    // Once the control is in a window, and before it leaves it (the window
    // would not hear of the control's end otherwise).
    void StartTimers();
    void StopTimers();
    // The line to where the transport plays; the view follows unless a
    // note gesture is under way.
    void FollowPlayback();
    // The loop flags stand where the clip's loop is, once no flag is dragged.
    void FollowLoopRange();
    // One step of scrolling for a drag in the note area at an edge of its
    // view; the drag goes on at the pointer's place in the moved view.
    // False when nothing scrolled.
    bool AutoScroll();

    void OnDraw(const GuiRect& r) override;
    void OnTimer(uint32_t id) override;
    bool OnWheel(GuiPoint p, int32_t delta, uint32_t keys) override;
    void OnNotification(int message, void* parameter) override;

private:
    int32_t ViewWidth() const {
        return std::max(1, GetWidth() - PRNoteGeometry::kKeyboardWidth - kScrollBarSize);
    }
    int32_t ViewHeight() const {
        return std::max(1, GetHeight() - kNotesTop - m_lane->GetHeight() - kScrollBarSize);
    }
    void ApplyZoom(int level);
    void Layout();
    void ToolSettingsChanged();
    void UpdateScrollBars();
    void OnHorizontalBar(GuiScrollBar::Code code, int32_t position);
    void OnVerticalBar(GuiScrollBar::Code code, int32_t position);
    bool ScrollBarHeld();
    void PlaceLoopFlags();
    void OnLoopFlag(const PRLoopFlagMove& move);
    // The notes of a key, replacing the selection or added to it.
    void SelectKey(int pitch, bool replace);
    // A click on the ruler: the note area's caret and the project's play
    // position go to the sound time.
    void Locate(int32_t soundMs);
    void CommitLoopRange();

    CMIDIClip& m_clip;
    PRMixerPreview m_preview;
    std::unique_ptr<PianoRollBody> m_body;
    CKeyboardControl m_keyboard;
    VRGuiContainer m_keyboardView;
    VRGuiContainer m_bodyView;
    std::unique_ptr<PRControllerLaneView> m_lane;
    std::unique_ptr<CPRControllerHeader> m_laneHeader;
    std::unique_ptr<PRToolbar> m_toolbar;
    // The lane's height when a drag of its edge began.
    int32_t m_splitStartHeight = 0;
    std::function<void(const PRToolSettings&)> m_storeSettings;
    CPRMeasureDisplay m_readout;
    VRGuiContainer m_rulerView;
    CPRTimeline m_ruler;
    CLoopFlag m_loopStart{CLoopFlag::kLoopStart};
    CLoopFlag m_loopEnd{CLoopFlag::kLoopEnd};
    GuiScrollBar m_horizontalBar{GuiScrollBar::Orientation::kHorizontal};
    GuiScrollBar m_verticalBar{GuiScrollBar::Orientation::kVertical};
    int m_zoomLevel = kInitialZoomLevel;
};
