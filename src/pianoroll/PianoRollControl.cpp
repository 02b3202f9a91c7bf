#include "pianoroll/PianoRollControl.h"

#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRLoopRange.h"
#include "pianoroll/PRNotifications.h"
#include "pianoroll/PRPlayLine.h"
#include "project/CMIDIClip.h"
#include "project/CMixerLock.h"
#include "project/ClipDocument.h"
#include "support/CUndoStep.h"

#include <cairo.h>

#include <algorithm>

const double PianoRollControl::kZoomMsPerPixel[kNumZoomLevels] = {
    1,   2,   3,   4,   5,   6,   8,   10,  12,  15,   20,   25,   30,   40,   50,   60,   80,  100,
    120, 150, 200, 250, 300, 400, 500, 600, 800, 1000, 1200, 1500, 2000, 2500, 3000, 4000, 5000};

PianoRollControl::PianoRollControl(CMIDIClip& clip)
    : m_clip(clip),
      m_preview(clip.GetDocument().ClipMixer(), clip.GetAtom() ? clip.GetAtom()->GetTrackNumber()
                                                               : CPCMMixer::kFirstInstrumentTrack),
      m_body(std::make_unique<PianoRollBody>(clip, clip.GetDocument().ClipUndo(), &m_preview)),
      m_readout(m_body->Gestures()), m_ruler(m_body->Gestures()) {
    m_keyboard.AddObserver(this);
    m_body->AddObserver(this);
    m_toolbar = std::make_unique<PRToolbar>(*m_body, [this] { ToolSettingsChanged(); });
    AddChild(m_toolbar.get(), 0, 0);
    m_keyboardView.AddChild(&m_keyboard, 0, 0);
    m_bodyView.AddChild(m_body.get(), 0, 0);
    m_lane = std::make_unique<PRControllerLaneView>(m_body->Edits(), m_body->Gestures());
    AddChild(m_lane.get(), PRNoteGeometry::kKeyboardWidth, kStripHeight);
    m_lane->Body().AddObserver(this);
    m_laneHeader = std::make_unique<CPRControllerHeader>(m_lane->Body());
    AddChild(m_laneHeader.get(), 0, kNotesTop);
    AddChild(&m_keyboardView, 0, kNotesTop);
    AddChild(&m_bodyView, PRNoteGeometry::kKeyboardWidth, kNotesTop);
    m_body->SetTimeSink([this](double soundMs) { m_readout.ShowTime(soundMs); });
    AddChild(&m_readout, 0, kStripHeight);
    m_readout.SetSize(PRNoteGeometry::kKeyboardWidth, CPRTimeline::kHeight);
    m_rulerView.AddChild(&m_ruler, 0, 0);
    AddChild(&m_rulerView, PRNoteGeometry::kKeyboardWidth, kStripHeight);
    m_ruler.AddObserver(this);
    for (CLoopFlag* flag : {&m_loopStart, &m_loopEnd}) {
        m_ruler.AddChild(flag, 0, 0);
        flag->AddObserver(this);
    }
    AddChild(&m_horizontalBar, PRNoteGeometry::kKeyboardWidth, 0);
    AddChild(&m_verticalBar, 0, kNotesTop);
    m_horizontalBar.SetHandler(
        [this](GuiScrollBar::Code code, int32_t position) { OnHorizontalBar(code, position); });
    m_verticalBar.SetHandler(
        [this](GuiScrollBar::Code code, int32_t position) { OnVerticalBar(code, position); });
    m_keyboard.SetVelocity(m_body->Gestures().Settings().velocity);
    ApplyZoom(kInitialZoomLevel);
    PlaceLoopFlags();
}

PianoRollControl::~PianoRollControl() {
    m_keyboard.RemoveObserver(this);
    m_body->RemoveObserver(this);
    m_lane->Body().RemoveObserver(this);
    RemoveChild(m_toolbar.get());
    RemoveChild(m_laneHeader.get());
    m_ruler.RemoveObserver(this);
    for (CLoopFlag* flag : {&m_loopStart, &m_loopEnd}) {
        flag->RemoveObserver(this);
        m_ruler.RemoveChild(flag);
    }
    m_rulerView.RemoveChild(&m_ruler);
    RemoveChild(&m_rulerView);
    RemoveChild(&m_readout);
    RemoveChild(&m_horizontalBar);
    RemoveChild(&m_verticalBar);
    RemoveChild(m_lane.get());
    m_bodyView.RemoveChild(m_body.get());
    m_keyboardView.RemoveChild(&m_keyboard);
    RemoveChild(&m_bodyView);
    RemoveChild(&m_keyboardView);
}

void PianoRollControl::SetSize(int32_t width, int32_t height) {
    VRGuiContainer::SetSize(width, height);
    Layout();
}

void PianoRollControl::Layout() {
    m_toolbar->SetSize(GetWidth(), kStripHeight);
    m_keyboardView.SetSize(PRNoteGeometry::kKeyboardWidth, ViewHeight());
    m_bodyView.SetSize(ViewWidth(), ViewHeight());
    m_rulerView.SetSize(ViewWidth(), CPRTimeline::kHeight);
    m_lane->SetSize(ViewWidth(), m_lane->GetHeight());
    m_lane->SetPosition(PRNoteGeometry::kKeyboardWidth, kNotesTop + ViewHeight());
    m_laneHeader->SetSize(PRNoteGeometry::kKeyboardWidth, m_lane->GetHeight());
    m_laneHeader->SetPosition(0, kNotesTop + ViewHeight());
    m_horizontalBar.SetPosition(PRNoteGeometry::kKeyboardWidth, GetHeight() - kScrollBarSize);
    m_horizontalBar.SetSize(ViewWidth(), kScrollBarSize);
    m_verticalBar.SetPosition(GetWidth() - kScrollBarSize, kNotesTop);
    m_verticalBar.SetSize(kScrollBarSize, ViewHeight());
    ScrollTo(ScrollX(), ScrollY());
}

void PianoRollControl::SetLaneHeight(int32_t height) {
    const int32_t total = GetHeight();
    const auto most = std::max(1, total - static_cast<int32_t>(total * kMinNotesShare));
    m_lane->SetSize(ViewWidth(), std::clamp(height, std::min(kMinLaneHeight, most), most));
    Layout();
}

PRAutoScroll::View PianoRollControl::NotesView() const {
    return {PRNoteGeometry::kKeyboardWidth, kNotesTop, PRNoteGeometry::kKeyboardWidth + ViewWidth(),
            kNotesTop + ViewHeight()};
}

void PianoRollControl::ScrollTo(int32_t x, int32_t y) {
    const int32_t maxX = std::max(0, m_body->GetWidth() - ViewWidth());
    const int32_t maxY = std::max(0, PRNoteGeometry::kContentHeight - ViewHeight());
    m_bodyView.SetScrollX(std::clamp(x, 0, maxX));
    m_bodyView.SetScrollY(std::clamp(y, 0, maxY));
    m_keyboardView.SetScrollY(m_bodyView.GetScrollY());
    if (m_ruler.GetWidth() != m_body->GetWidth())
        m_ruler.SetSize(m_body->GetWidth(), CPRTimeline::kHeight);
    m_rulerView.SetScrollX(m_bodyView.GetScrollX());
    m_lane->Follow(m_body->GetWidth(), m_bodyView.GetScrollX());
    UpdateScrollBars();
    Invalidate(nullptr);
}

void PianoRollControl::UpdateScrollBars() {
    m_horizontalBar.SetRange(0, m_body->GetWidth() - 1, ViewWidth());
    m_horizontalBar.SetPos(ScrollX());
    m_verticalBar.SetRange(0, PRNoteGeometry::kContentHeight - 1, ViewHeight());
    m_verticalBar.SetPos(ScrollY());
}

void PianoRollControl::OnHorizontalBar(GuiScrollBar::Code code, int32_t position) {
    const int32_t line = std::max(1, ViewWidth() / 10);
    switch (code) {
    case GuiScrollBar::kLineUp:
        ScrollTo(ScrollX() - line, ScrollY());
        break;
    case GuiScrollBar::kLineDown:
        ScrollTo(ScrollX() + line, ScrollY());
        break;
    case GuiScrollBar::kPageUp:
        ScrollTo(ScrollX() - ViewWidth(), ScrollY());
        break;
    case GuiScrollBar::kPageDown:
        ScrollTo(ScrollX() + ViewWidth(), ScrollY());
        break;
    case GuiScrollBar::kThumbTracking:
    case GuiScrollBar::kThumbReleased:
        ScrollTo(position, ScrollY());
        break;
    }
}

void PianoRollControl::OnVerticalBar(GuiScrollBar::Code code, int32_t position) {
    const int32_t line = 3 * PRNoteGeometry::kRowHeight;
    switch (code) {
    case GuiScrollBar::kLineUp:
        ScrollTo(ScrollX(), ScrollY() - line);
        break;
    case GuiScrollBar::kLineDown:
        ScrollTo(ScrollX(), ScrollY() + line);
        break;
    case GuiScrollBar::kPageUp:
        ScrollTo(ScrollX(), ScrollY() - ViewHeight());
        break;
    case GuiScrollBar::kPageDown:
        ScrollTo(ScrollX(), ScrollY() + ViewHeight());
        break;
    case GuiScrollBar::kThumbTracking:
    case GuiScrollBar::kThumbReleased:
        ScrollTo(ScrollX(), position);
        break;
    }
}

bool PianoRollControl::ScrollBarHeld() {
    const VRGuiWindow* window = GetWindow();
    const VRGuiObject* captured = window ? window->GetCaptured() : nullptr;
    return captured == &m_horizontalBar || captured == &m_verticalBar;
}

void PianoRollControl::ApplyZoom(int level) {
    m_zoomLevel = level;
    m_body->SetMsPerPixel(kZoomMsPerPixel[level]);
    m_ruler.SetSize(m_body->GetWidth(), CPRTimeline::kHeight);
    m_ruler.Invalidate(nullptr);
    for (CLoopFlag* flag : {&m_loopStart, &m_loopEnd})
        flag->SetMsPerPixel(kZoomMsPerPixel[level]);
}

void PianoRollControl::PlaceLoopFlags() {
    m_loopStart.SetTime(m_clip.GetLoopStart());
    m_loopEnd.SetTime(m_clip.GetLoopEnd());
}

void PianoRollControl::OnLoopFlag(const PRLoopFlagMove& move) {
    PRLoopRange range(m_loopStart.GetTime(), m_loopEnd.GetTime());
    const PRNoteTiming timing = m_body->Gestures().Timing();
    const int snapLevel = m_body->Gestures().Settings().snapLevel;
    if (move.flag == CLoopFlag::kLoopStart)
        range.DragStart(move.timeMs, timing, snapLevel);
    else
        range.DragEnd(move.timeMs, timing, snapLevel);
    m_loopStart.SetTime(range.StartMs());
    m_loopEnd.SetTime(range.EndMs());
    if (move.phase == CLoopFlag::kRelease)
        CommitLoopRange();
}

void PianoRollControl::SelectKey(int pitch, bool replace) {
    m_body->Gestures().SelectKey(pitch, replace);
    m_body->Invalidate(nullptr);
}

void PianoRollControl::Locate(int32_t soundMs) {
    m_body->Gestures().SetCaretTimeMs(soundMs);
    m_clip.GetDocument().SetCaretTime(PRPlayLine::PlayMsAt(PRPlayLine::TimingOf(m_clip), soundMs));
}

void PianoRollControl::CommitLoopRange() {
    CMidiSound* sound = m_clip.GetAtom();
    if (!sound)
        return;
    const double start = m_loopStart.GetTime();
    const double end = m_loopEnd.GetTime();
    {
        CUndoStep step(m_clip.GetDocument().ClipUndo());
        m_clip.BeginChange();
        {
            CMixerLock lock(m_clip.GetDocument().ClipMixer());
            // A loop reaching past the material makes the material longer.
            if (end > sound->GetMediaLength())
                sound->SetMediaLength(end);
            sound->SetLoopStart(start);
            sound->SetLoopEnd(end);
        }
        m_clip.EndChange();
    }
    m_clip.Invalidate(nullptr);
    m_body->Gestures().HideRubberBand();
    ApplyZoom(m_zoomLevel);
    ScrollTo(ScrollX(), ScrollY());
    PlaceLoopFlags();
    m_body->Invalidate(nullptr);
    m_lane->Invalidate(nullptr);
}

bool PianoRollControl::Zoom(bool out) {
    const int level = m_zoomLevel + (out ? 1 : -1);
    if (level < 0 || level >= kNumZoomLevels)
        return false;
    // Keep the caret time in the middle of the view.
    const double anchorMs = m_body->Gestures().CaretTimeMs();
    ApplyZoom(level);
    ScrollTo(static_cast<int32_t>(anchorMs / kZoomMsPerPixel[level]) - ViewWidth() / 2, ScrollY());
    return true;
}

void PianoRollControl::Fit() {
    const CMidiSound* sound = m_clip.GetAtom();
    double spanMs = m_clip.GetLengthMs();
    if (sound && sound->GetLoopEnd() > spanMs)
        spanMs = sound->GetLoopEnd();
    const double needed = std::max(1.0, spanMs / ViewWidth());
    int level = 31;
    for (int i = 0; i < 30; ++i)
        if (kZoomMsPerPixel[i] >= needed) {
            level = i + 1;
            break;
        }
    ApplyZoom(std::min(level, kNumZoomLevels - 1));
    Zoom(true);
    int64_t sum = 0;
    const std::vector<MidiNotePtr> notes = m_body->Edits().Notes();
    for (const MidiNotePtr& note : notes)
        sum += note->GetPitch();
    const int average =
        notes.empty() ? 64 : static_cast<int>(sum / static_cast<int64_t>(notes.size()));
    ScrollTo(0, (128 - average) * PRNoteGeometry::kRowHeight - ViewHeight() / 2);
}

void PianoRollControl::StartTimers() {
    StartTimer(kFollowTimer, kFollowPeriodMs);
}

void PianoRollControl::StopTimers() {
    KillTimer(kFollowTimer);
}

void PianoRollControl::OnTimer(uint32_t id) {
    if (id != kFollowTimer)
        return;
    FollowLoopRange();
    if (!AutoScroll())
        FollowPlayback();
}

void PianoRollControl::FollowLoopRange() {
    // Undo and redo change the loop behind the flags' backs.
    if (m_loopStart.IsDragging() || m_loopEnd.IsDragging())
        return;
    if (m_loopStart.GetTime() != m_clip.GetLoopStart() ||
        m_loopEnd.GetTime() != m_clip.GetLoopEnd())
        PlaceLoopFlags();
}

bool PianoRollControl::AutoScroll() {
    const VRGuiWindow* window = GetWindow();
    if (!m_body->Gestures().ButtonDown() || !window || window->GetCaptured() != m_body.get())
        return false;
    // The pointer and the press as they lie in the view now.
    const PRAutoScroll::View view = NotesView();
    const GuiPoint pointer = m_body->LastPointer();
    const GuiPoint press = m_body->PressPoint();
    const int32_t x = pointer.x - ScrollX() + view.left;
    const int32_t y = pointer.y - ScrollY() + view.top;
    const PRAutoScroll::Step step = PRAutoScroll::StepFor(
        view, x, y, press.x - ScrollX() + view.left, press.y - ScrollY() + view.top);
    const int32_t oldX = ScrollX();
    const int32_t oldY = ScrollY();
    if (step == PRAutoScroll::Step{})
        return false;
    ScrollTo(oldX + step.dx, oldY + step.dy);
    if (ScrollX() == oldX && ScrollY() == oldY)
        return false;
    // The pointer stays where it is on the screen, over what scrolled under it.
    m_body->OnMouse(kMouseMove, {x - view.left + ScrollX(), y - view.top + ScrollY()}, MK_LBUTTON);
    return true;
}

void PianoRollControl::FollowPlayback() {
    const CPCMMixer& mixer = m_clip.GetDocument().ClipMixer();
    if (!mixer.Playing())
        return;
    const int32_t soundMs =
        PRPlayLine::SoundMsAt(PRPlayLine::TimingOf(m_clip), mixer.GetPositionMs());
    m_body->SetPlayLine(soundMs);
    if (m_body->Gestures().ButtonDown() || ScrollBarHeld())
        return;
    const int column = m_body->Gestures().Geometry().XOfTime(soundMs);
    if (column < ScrollX() || column > ScrollX() + ViewWidth())
        ScrollTo(column, ScrollY());
}

void PianoRollControl::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    cairo_set_source_rgb(cr, 0.2, 0.21, 0.24);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
}

void PianoRollControl::TakeToolSettings(const PRToolSettings& settings) {
    PRToolSettings& s = m_body->Gestures().Settings();
    s = settings;
    s.velocity = std::clamp(s.velocity, 1, 127);
    s.snapLevel = std::clamp(s.snapLevel, 0, PRNoteTiming::kMaxSnapLevel);
    s.length.type = std::clamp(s.length.type, 0, PRNoteTiming::kCustomLength - 1);
    s.customLengthMs = 0.0;
    // The two modifiers exclude each other.
    if (s.length.dotted)
        s.length.triplet = false;
    m_keyboard.SetVelocity(s.velocity);
    m_toolbar->Refresh();
}

void PianoRollControl::SetToolSettingsStore(std::function<void(const PRToolSettings&)> store) {
    m_storeSettings = std::move(store);
}

void PianoRollControl::ToolSettingsChanged() {
    const PRToolSettings& s = m_body->Gestures().Settings();
    m_keyboard.SetVelocity(s.velocity);
    m_lane->Body().Invalidate(nullptr);
    if (m_storeSettings)
        m_storeSettings(s);
}

bool PianoRollControl::OnWheel(GuiPoint, int32_t delta, uint32_t keys) {
    if (keys & MK_CONTROL)
        return Zoom(delta < 0);
    const int32_t step = 3 * PRNoteGeometry::kRowHeight * (delta > 0 ? -1 : 1);
    if (keys & MK_SHIFT)
        ScrollTo(ScrollX() + step * 2, ScrollY());
    else
        ScrollTo(ScrollX(), ScrollY() + step);
    return true;
}

void PianoRollControl::OnNotification(int message, void* parameter) {
    switch (message) {
    case kNotifyLoopFlagMoved:
        if (const PRLoopFlagMove* move = NotificationArgument<kNotifyLoopFlagMoved>(parameter))
            OnLoopFlag(*move);
        break;
    case kNotifyShowTime:
        m_readout.ShowTime(NotificationArgument<kNotifyShowTime>(parameter));
        break;
    case kNotifyPreviewNoteOn:
        if (const PRKeyEvent* key = NotificationArgument<kNotifyPreviewNoteOn>(parameter))
            m_preview.NoteOn(key->pitch, key->velocity, key->channel);
        break;
    case kNotifyPreviewNoteOff:
        m_preview.NoteOff();
        break;
    case kNotifyLaneSplit: {
        const PRLaneSplit* split = NotificationArgument<kNotifyLaneSplit>(parameter);
        if (split && split->state == PRLaneSplit::kStart)
            m_splitStartHeight = m_lane->GetHeight();
        else if (split)
            SetLaneHeight(m_splitStartHeight + split->up);
        break;
    }
    case kNotifyToolSettingsChanged:
        m_toolbar->Refresh();
        ToolSettingsChanged();
        break;
    case kNotifySelectKeyNotes:
        if (const PRKeyEvent* key = NotificationArgument<kNotifySelectKeyNotes>(parameter))
            SelectKey(key->pitch, true);
        break;
    case kNotifyAddKeyNotes:
        if (const PRKeyEvent* key = NotificationArgument<kNotifyAddKeyNotes>(parameter))
            SelectKey(key->pitch, false);
        break;
    case kNotifyLocate:
        Locate(NotificationArgument<kNotifyLocate>(parameter));
        break;
    default:
        break;
    }
}
