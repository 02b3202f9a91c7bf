#include "pianoroll/PianoRollControl.h"

#include "engine/CMidiSound.h"
#include "engine/CPCMMixer.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNotifications.h"
#include "pianoroll/PRPlayLine.h"
#include "project/CMIDIClip.h"
#include "project/ClipDocument.h"

#include <cairo.h>

#include <algorithm>

const double PianoRollControl::kZoomMsPerPixel[kNumZoomLevels] = {
    1,   2,   3,   4,   5,   6,   8,   10,  12,  15,   20,   25,   30,   40,   50,   60,   80,  100,
    120, 150, 200, 250, 300, 400, 500, 600, 800, 1000, 1200, 1500, 2000, 2500, 3000, 4000, 5000};

PianoRollControl::PianoRollControl(CMIDIClip& clip)
    : m_clip(clip),
      m_preview(clip.GetDocument().ClipMixer(), clip.GetAtom() ? clip.GetAtom()->GetTrackNumber()
                                                               : CPCMMixer::kFirstInstrumentTrack),
      m_body(std::make_unique<PianoRollBody>(clip, clip.GetDocument().ClipUndo(), &m_preview)) {
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
    AddChild(m_laneHeader.get(), 0, kStripHeight);
    AddChild(&m_keyboardView, 0, kStripHeight);
    AddChild(&m_bodyView, PRNoteGeometry::kKeyboardWidth, kStripHeight);
    m_keyboard.SetVelocity(m_body->Gestures().Settings().velocity);
    ApplyZoom(kInitialZoomLevel);
}

PianoRollControl::~PianoRollControl() {
    m_keyboard.RemoveObserver(this);
    m_body->RemoveObserver(this);
    m_lane->Body().RemoveObserver(this);
    RemoveChild(m_toolbar.get());
    RemoveChild(m_laneHeader.get());
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
    m_lane->SetSize(ViewWidth(), m_lane->GetHeight());
    m_lane->SetPosition(PRNoteGeometry::kKeyboardWidth, kStripHeight + ViewHeight());
    m_laneHeader->SetSize(PRNoteGeometry::kKeyboardWidth, m_lane->GetHeight());
    m_laneHeader->SetPosition(0, kStripHeight + ViewHeight());
    ScrollTo(ScrollX(), ScrollY());
}

void PianoRollControl::SetLaneHeight(int32_t height) {
    const int32_t total = GetHeight();
    const auto most = std::max(1, total - static_cast<int32_t>(total * kMinNotesShare));
    m_lane->SetSize(ViewWidth(), std::clamp(height, std::min(kMinLaneHeight, most), most));
    Layout();
}

void PianoRollControl::ScrollTo(int32_t x, int32_t y) {
    const int32_t maxX = std::max(0, m_body->GetWidth() - ViewWidth());
    const int32_t maxY = std::max(0, PRNoteGeometry::kContentHeight - ViewHeight());
    m_bodyView.SetScrollX(std::clamp(x, 0, maxX));
    m_bodyView.SetScrollY(std::clamp(y, 0, maxY));
    m_keyboardView.SetScrollY(m_bodyView.GetScrollY());
    m_lane->Follow(m_body->GetWidth(), m_bodyView.GetScrollX());
    Invalidate(nullptr);
}

void PianoRollControl::ApplyZoom(int level) {
    m_zoomLevel = level;
    m_body->SetMsPerPixel(kZoomMsPerPixel[level]);
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
    if (id == kFollowTimer)
        FollowPlayback();
}

void PianoRollControl::FollowPlayback() {
    const CPCMMixer& mixer = m_clip.GetDocument().ClipMixer();
    if (!mixer.Playing())
        return;
    const int32_t soundMs =
        PRPlayLine::SoundMsAt(PRPlayLine::TimingOf(m_clip), mixer.GetPositionMs());
    m_body->SetPlayLine(soundMs);
    if (m_body->Gestures().ButtonDown())
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
    const auto* key = static_cast<const PRKeyEvent*>(parameter);
    switch (message) {
    case kNotifyPreviewNoteOn:
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
    case kNotifyAddKeyNotes:
        m_body->Gestures().SelectKey(key->pitch, message == kNotifySelectKeyNotes);
        m_body->Invalidate(nullptr);
        break;
    default:
        break;
    }
}
