#include "project/CClip.h"

#include "gui/GuiInput.h"
#include "gui/GuiTextPanel.h"
#include "gui/VRGuiWindow.h"
#include "project/CTrack.h"
#include "project/ClipNotifications.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <cmath>
#include <cstdlib>

namespace {

const char* const kBodySkinItem = "clip body";
const char* const kRecordingSkinItem = "clip-rec body";
const char* const kFrozenSkinItem = "details frozen";
// The look of a hot or muted clip: the body tinted grey, or green when it
// is selected on an active track.
constexpr uint32_t kHotSelectedColour = 0xA6D8A6;
constexpr uint32_t kHotColour = 0x878787;
constexpr uint32_t kSelectedColour = 0xFFFFFF;
constexpr int32_t kHotShiftPercent = 60;
constexpr int32_t kSelectedShiftPercent = 25;

int32_t RoundedMs(double ms) {
    return std::isfinite(ms) ? static_cast<int32_t>(std::lround(ms)) : 0;
}

} // namespace

HitZone CClip::HitZoneAt(int32_t width, int32_t height, int32_t x, int32_t y, bool ctrl) {
    if (height < kMinimumZonedHeight || (y >= 0 && y <= kTitleStripHeight))
        return kZoneMove;
    if (x <= kEdgeZoneWidth)
        return ctrl ? kZoneStretchLeft : kZoneResizeLeft;
    if (x >= width - kEdgeZoneWidth)
        return ctrl ? kZoneStretchRight : kZoneResizeRight;
    return kZoneSelect;
}

CClip::CClip(ClipKind kind)
    : GuiTexturePanel(kBodySkinItem, 0, kDefaultHeight), m_clipKind(kind),
      m_label(std::make_unique<GuiTextPanel>(0, kTitleStripHeight)) {
    LogFmt("CClip 0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    SetType(kGuiTypeClip);
    AddChild(m_label.get(), 0, 0);
    // The atom (and so the mute state) belongs to the derived class, which
    // does not exist yet.
    ApplyLook(false);
}

CClip::~CClip() {
    LogFmt("~CClip 0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    RemoveChild(m_label.get());
}

void CClip::CopyBaseFields(const CClip& other) {
    m_name = other.m_name;
    m_beatOffsetMs = other.m_beatOffsetMs;
    m_fadeInMs = other.m_fadeInMs;
    m_fadeOutMs = other.m_fadeOutMs;
    m_locked = other.m_locked;
    m_soundId = other.m_soundId;
    m_keyRoot = other.m_keyRoot;
    SetSize(other.GetWidth(), other.GetHeight());
}

void CClip::SetNameField(const std::string& name) {
    std::string kept = name.substr(0, kNameSize - 1);
    // Never leave half a UTF-8 character at the end.
    if (kept.size() < name.size())
        while (!kept.empty() && (static_cast<unsigned char>(name[kept.size()]) & 0xC0) == 0x80)
            kept.pop_back();
    m_name = std::move(kept);
}

void CClip::SetName(const std::string& name, bool undoable) {
    if (name == m_name)
        return;
    if (undoable)
        BeginChange();
    SetNameField(name);
    UpdateLabel();
    if (undoable)
        EndChange();
}

const std::string& CClip::GetLabelText() const {
    return m_label->GetText();
}

void CClip::UpdateLabel() {
    std::string text = m_name;
    if (m_locked && !m_recording)
        text += " " + MyLoadString("Clip_TT_Locked");
    if (IsMuted())
        text += " " + MyLoadString("Clip_TT_Muted");
    m_label->SetText(text);
}

void CClip::SetSelected(bool selected) {
    if (selected == m_selected)
        return;
    m_selected = selected;
    UpdateAppearance();
}

void CClip::SetLocked(bool locked, bool undoable) {
    if (locked == m_locked)
        return;
    if (undoable)
        BeginChange();
    m_locked = locked;
    UpdateLabel();
    if (undoable)
        EndChange();
}

void CClip::SetRecording(bool recording) {
    m_recording = recording;
    UpdateAppearance();
    UpdateLabel();
}

void CClip::SetHot(bool hot) {
    m_hot = hot;
    UpdateAppearance();
}

void CClip::Freeze() {
    m_frozen = true;
    UpdateAppearance();
}

void CClip::Thaw() {
    m_frozen = false;
    UpdateAppearance();
}

void CClip::SetTrackActive(bool active) {
    m_trackActive = active;
    UpdateAppearance();
}

void CClip::UpdateAppearance() {
    ApplyLook(IsMuted());
}

void CClip::ApplyLook(bool muted) {
    if (m_recording) {
        SetSkinItem(kRecordingSkinItem);
        ClearColorShift();
    } else if (m_frozen) {
        SetSkinItem(kFrozenSkinItem);
        ClearColorShift();
    } else {
        SetSkinItem(kBodySkinItem);
        const bool marked = m_selected && m_trackActive;
        if (m_hot || muted)
            SetColorShift(marked ? kHotSelectedColour : kHotColour, kHotShiftPercent);
        else if (marked)
            SetColorShift(kSelectedColour, kSelectedShiftPercent);
        else
            ClearColorShift();
    }
    Invalidate(nullptr);
}

void CClip::SetFadeInMs(int32_t ms) {
    m_fadeInMs = ms;
    Invalidate(nullptr);
}

void CClip::SetFadeOutMs(int32_t ms) {
    m_fadeOutMs = ms;
    Invalidate(nullptr);
}

void CClip::SetBeatOffset(int32_t ms, bool undoable) {
    if (ms == m_beatOffsetMs)
        return;
    if (undoable)
        BeginChange();
    m_beatOffsetMs = ms;
    if (undoable)
        EndChange();
}

int32_t CClip::GetTrackIndex() const {
    if (m_track == nullptr) {
        Log("Error!  GetTrack() returned NULL!");
        return 0;
    }
    return m_track->GetIndex();
}

void CClip::SendSelection(bool selected) {
    ClipSelection selection{this, 0};
    SendNotification(selected ? kNotifyClipSelect : kNotifyClipDeselect, &selection);
}

void CClip::SetSize(int32_t width, int32_t height) {
    GuiTexturePanel::SetSize(width, height);
    if (m_label)
        m_label->SetSize(width, kTitleStripHeight);
}

void CClip::OnNotification(int, void*) {}

GuiPoint CClip::ToTimeline(GuiPoint p) const {
    // In the content of all track bodies, whether the clip lies on its
    // track's body or floats above them while it is dragged.
    const VRGuiContainer* parent = GetParent();
    const int32_t bodyY = parent && parent->GetType() == kGuiTypeTrackBody ? parent->GetY() : 0;
    return {GetX() + p.x, GetY() + p.y + bodyY};
}

bool CClip::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    switch (event) {
    case kMouseMove:
        if (m_pressed)
            OnDrag(p, keys);
        else
            m_hitZone = HitZoneAt(GetWidth(), GetHeight(), p.x, p.y, (keys & MK_CONTROL) != 0);
        return true;
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        OnLeftDown(p, keys);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (m_pressed)
            OnLeftUp(p);
        return true;
    default:
        return false;
    }
}

void CClip::OnLeftDown(GuiPoint p, uint32_t keys) {
    m_hitZone = HitZoneAt(GetWidth(), GetHeight(), p.x, p.y, (keys & MK_CONTROL) != 0);
    m_trackAtPress = m_track ? m_track->GetIndex() : -1;
    m_pressPoint = ToTimeline(p);
    m_pressKeys = keys;
    m_startAtPress = RoundedMs(GetStartMs());
    m_lengthAtPress = RoundedMs(GetLengthMs());
    m_pressed = true;
    m_dragState = 0;
    if (VRGuiWindow* window = GetWindow())
        window->SetCapture(this);
    const bool extending = (keys & (MK_SHIFT | MK_CONTROL)) != 0;
    if (m_selected && !extending) {
        if (m_makeCurrent)
            m_makeCurrent(this);
        return;
    }
    ClipSelection selection{this, keys};
    SendNotification(m_selected ? kNotifyClipDeselect : kNotifyClipSelect, &selection);
}

void CClip::OnDrag(GuiPoint p, uint32_t keys) {
    m_dragState = m_dragState == 0 ? 1 : 2;
    const GuiPoint at = ToTimeline(p);
    const int32_t dx = at.x - m_pressPoint.x;
    const int32_t dy = at.y - m_pressPoint.y;
    if (m_hitZone == kZoneMove && !m_locked) {
        ClipMoveDrag move{dx, dy, m_dragState};
        SendNotification(kNotifyClipMoveDrag, &move);
    } else if (m_hitZone == kZoneSelect && (std::abs(dx) >= kSelectionDragThreshold ||
                                            std::abs(dy) >= kSelectionDragThreshold)) {
        ClipSelectionDrag drag{m_pressPoint.x, m_pressPoint.y, dx, dy, keys};
        SendNotification(kNotifyClipSelectionDrag, &drag);
    }
}

void CClip::OnLeftUp(GuiPoint p) {
    const GuiPoint at = ToTimeline(p);
    const bool samePoint = at.x == m_pressPoint.x && at.y == m_pressPoint.y;
    bool click = m_hitZone == kZoneSelect || m_dragState == 0;
    if (m_hitZone == kZoneMove && !m_locked) {
        ClipMoveDrag move{at.x - m_pressPoint.x, at.y - m_pressPoint.y, ClipMoveDrag::kRelease};
        SendNotification(kNotifyClipMoveDrag, &move);
        click = click || samePoint;
    }
    if (click) {
        ClipClick clicked{m_trackAtPress < 0 ? 0 : m_trackAtPress, 0};
        SendNotification(kNotifyClipClicked, &clicked);
        ClipCaret caret{at.x < 0 ? 0 : at.x, 1};
        SendNotification(kNotifyClipCaret, &caret);
    }
    if (VRGuiWindow* window = GetWindow(); window && window->GetCaptured() == this)
        window->ReleaseCapture();
    m_pressed = false;
    m_dragState = 0;
    SendNotification(kNotifyClipReleased, nullptr);
}

bool CClip::OnKey(int32_t event, int32_t key, uint32_t) {
    if (event == kKeyDown && (key == VK_BACK || key == VK_DELETE)) {
        SendNotification(kNotifyClipDeleteKey, nullptr);
        return true;
    }
    return false;
}
