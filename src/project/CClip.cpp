#include "project/CClip.h"

#include "engine/CAudioAtom.h"

#include "engine/CEnvelope.h"
#include "gui/GuiInput.h"
#include "gui/GuiPopupMenu.h"
#include "gui/GuiTextPanel.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "project/CClipChunks.h"
#include "project/CEnvelopeUndo.h"
#include "project/CGuiEnvelope.h"
#include "project/CMixerLock.h"
#include "project/CTrack.h"
#include "project/ClipDocument.h"
#include "project/ClipNotifications.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

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

int32_t Pixels(double ms, double msPerPixel) {
    const double pixels = std::trunc(ms / msPerPixel);
    return std::isfinite(pixels) ? static_cast<int32_t>(std::clamp(pixels, -1e9, 1e9)) : 0;
}

// Context menu layout: the main menu's items, its separators, the items
// that open sub-menus and what each sub-menu holds.
constexpr int kMainMenuItems = 25;
constexpr bool IsSeparator(int index) {
    return index == 2 || index == 6 || index == 10 || index == 18;
}
struct SubMenu {
    int opener;
    int first;
    int last;
};
constexpr SubMenu kSubMenus[] = {{19, 26, 28}, {20, 30, 32}, {21, 34, 37}, {22, 39, 42}};
constexpr int32_t kFadeOptions[] = {2, 0, 1}; // fast, medium, slow
constexpr int32_t kBoostOptions[] = {1, 5, 25, 50};

const SubMenu* SubMenuOpenedBy(int index) {
    for (const SubMenu& sub : kSubMenus)
        if (sub.opener == index)
            return &sub;
    return nullptr;
}

} // namespace

bool CClip::EnvelopeMenuItem(int index, EnvelopeFunction& function, int32_t& option) {
    option = 0;
    if (index == kMenuResetEnvelope || index == kMenuInvertEnvelope) {
        function =
            index == kMenuResetEnvelope ? EnvelopeFunction::kReset : EnvelopeFunction::kInvert;
        return true;
    }
    const auto within = [index](int first, int count) {
        return index >= first && index < first + count;
    };
    if (within(kMenuFadeInFirst, 3)) {
        function = EnvelopeFunction::kFadeIn;
        option = kFadeOptions[index - kMenuFadeInFirst];
    } else if (within(kMenuFadeOutFirst, 3)) {
        function = EnvelopeFunction::kFadeOut;
        option = kFadeOptions[index - kMenuFadeOutFirst];
    } else if (within(kMenuBoostFirst, 4)) {
        function = EnvelopeFunction::kBoost;
        option = kBoostOptions[index - kMenuBoostFirst];
    } else if (within(kMenuReduceFirst, 4)) {
        function = EnvelopeFunction::kBoost;
        option = -kBoostOptions[index - kMenuReduceFirst];
    } else {
        return false;
    }
    return true;
}

HitZone CClip::HitZoneAt(int32_t width, int32_t height, int32_t x, int32_t y, bool ctrl) {
    if (height < kMinimumZonedHeight || (y >= 0 && y <= kTitleStripHeight))
        return kZoneMove;
    if (x <= kEdgeZoneWidth)
        return ctrl ? kZoneStretchLeft : kZoneResizeLeft;
    if (x >= width - kEdgeZoneWidth)
        return ctrl ? kZoneStretchRight : kZoneResizeRight;
    return kZoneSelect;
}

GuiCursor CClip::CursorFor(HitZone zone) {
    switch (zone) {
    case kZoneResizeLeft:
    case kZoneResizeRight:
    // The toolkit has no cursor of its own for stretching: the resize arrow
    // tells which way the edge goes.
    case kZoneStretchLeft:
    case kZoneStretchRight:
        return GuiCursor::kResizeLeftRight;
    case kZoneSelect:
        return GuiCursor::kIBeam;
    default:
        return GuiCursor::kArrow;
    }
}

CClip::CClip(ClipKind kind)
    : GuiTexturePanel(kBodySkinItem, 0, kDefaultHeight), m_clipKind(kind),
      m_label(std::make_unique<GuiTextPanel>(0, kTitleStripHeight)),
      m_envelopeEditor(std::make_unique<CGuiEnvelope>(*this)) {
    LogFmt("CClip 0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    SetType(kGuiTypeClip);
    AddChild(m_label.get(), 0, 0);
    AddChild(m_envelopeEditor.get(), 0, kTitleStripHeight);
    // The atom (and so the mute state) belongs to the derived class, which
    // does not exist yet.
    ApplyLook(false);
}

CClip::~CClip() {
    LogFmt("~CClip 0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    RemoveChild(m_envelopeEditor.get());
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
    // Appended piece by piece: `" " + string` trips a false alarm of GCC 12's -Wrestrict.
    const auto append = [&text](const char* key) {
        text += ' ';
        text += MyLoadString(key);
    };
    if (m_locked && !m_recording)
        append("Clip_TT_Locked");
    if (IsMuted())
        append("Clip_TT_Muted");
    m_label->SetText(text);
}

void CClip::SetLabelText(const std::string& text) {
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

std::optional<std::vector<RawChunk>> CClip::MakeFileChunks() {
    return CClipChunks::WriteInMemory(*this);
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
    if (m_envelopeEditor)
        m_envelopeEditor->SetSize(width, std::max(height - kTitleStripHeight, 1));
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
    // The envelope's points and line come before the clip's own zones.
    if (!m_pressed && m_envelopeEditor->GetRectInParent().Contains(p.x, p.y) &&
        m_envelopeEditor->OnMouse(event, ParentPointToChild(m_envelopeEditor.get(), p.x, p.y),
                                  keys))
        return true;
    switch (event) {
    case kMouseMove:
        if (m_pressed) {
            OnDrag(p, keys);
        } else {
            m_hitZone = HitZoneAt(GetWidth(), GetHeight(), p.x, p.y, (keys & MK_CONTROL) != 0);
            ShowCursor(CursorFor(m_hitZone));
        }
        return true;
    case kMouseRightDown:
        if (!m_pressed)
            ShowContextMenu(p.x, p.y);
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
    // Whatever the press becomes (a move, a resize) is an undo step of its
    // own, not part of the edit before it, such as the clip's own adding:
    // it is recorded at the release.
    CUndoStep step(GetDocument().ClipUndo());
    m_hitZone = HitZoneAt(GetWidth(), GetHeight(), p.x, p.y, (keys & MK_CONTROL) != 0);
    m_trackAtPress = m_track ? m_track->GetIndex() : -1;
    m_pressPoint = ToTimeline(p);
    m_pressKeys = keys;
    m_startAtPress = RoundedMs(GetStartMs());
    m_lengthAtPress = RoundedMs(GetLengthMs());
    m_pressStartMs = GetHeardStartMs();
    m_pressLengthMs = GetLengthMs();
    m_pressRate = GetRate();
    m_pressed = true;
    m_dragState = 0;
    if (VRGuiWindow* window = GetWindow())
        window->SetCapture(this);
    ShowCursor(CursorFor(m_hitZone));
    // A locked clip takes part in selection but keeps its edges.
    m_edgeDrag = IsEdgeZone() && !m_locked;
    if (m_edgeDrag)
        BeginChange();
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
    const bool beyondThreshold =
        std::abs(dx) >= kSelectionDragThreshold || std::abs(dy) >= kSelectionDragThreshold;
    if (m_hitZone == kZoneSelect && beyondThreshold && !m_locked && !(m_pressKeys & MK_SHIFT)) {
        // The body carries the clip as the title strip does; Shift keeps the
        // drag a time selection.
        m_hitZone = kZoneMove;
        m_dragState = 1;
    }
    if (m_edgeDrag) {
        DragEdge(dx);
    } else if (m_hitZone == kZoneMove && !m_locked) {
        ClipMoveDrag move{dx, dy, m_dragState};
        Notify<kNotifyClipMoveDrag>(*this, &move);
    } else if (m_hitZone == kZoneSelect && beyondThreshold) {
        ClipSelectionDrag drag{m_pressPoint.x, m_pressPoint.y, dx, dy, keys};
        Notify<kNotifyClipSelectionDrag>(*this, &drag);
    }
}

void CClip::OnLeftUp(GuiPoint p) {
    const GuiPoint at = ToTimeline(p);
    const bool samePoint = at.x == m_pressPoint.x && at.y == m_pressPoint.y;
    bool click = m_hitZone == kZoneSelect || m_dragState == 0;
    if (m_hitZone == kZoneMove && !m_locked) {
        ClipMoveDrag move{at.x - m_pressPoint.x, at.y - m_pressPoint.y, ClipMoveDrag::kRelease};
        Notify<kNotifyClipMoveDrag>(*this, &move);
        click = click || samePoint;
    }
    if (click) {
        ClipClick clicked{m_trackAtPress < 0 ? 0 : m_trackAtPress, 0};
        Notify<kNotifyClipClicked>(*this, &clicked);
        ClipCaret caret{at.x < 0 ? 0 : at.x, 1};
        Notify<kNotifyClipCaret>(*this, &caret);
    }
    if (m_edgeDrag) {
        if (m_dragState != 0)
            DragEdge(at.x - m_pressPoint.x);
        // Still inside the drag, so that the record knows it is a resize.
        EndChange();
        m_edgeDrag = false;
    }
    if (VRGuiWindow* window = GetWindow(); window && window->GetCaptured() == this)
        window->ReleaseCapture();
    m_pressed = false;
    m_dragState = 0;
    Notify<kNotifyClipReleased>(*this);
}

bool CClip::OnKey(int32_t event, int32_t key, uint32_t) {
    if (event == kKeyDown && (key == VK_BACK || key == VK_DELETE)) {
        Notify<kNotifyClipDeleteKey>(*this);
        return true;
    }
    return false;
}

void CClip::RecordChange(const CUndoAtom& record) {
    ClipDocument& document = GetDocument();
    const bool edgeDrag = m_dragState != 0 && IsEdgeZone();
    if (edgeDrag)
        document.RecordTrackAreaLayOut();
    document.ClipUndo().AddUndoNode(record);
    if (edgeDrag)
        document.RecordTrackAreaLayOut();
    document.ClipUndo().SetDirty(true);
}

bool CClip::IsEdgeZone() const {
    return m_hitZone == kZoneResizeLeft || m_hitZone == kZoneResizeRight ||
           m_hitZone == kZoneStretchLeft || m_hitZone == kZoneStretchRight;
}

void CClip::ShowCursor(GuiCursor cursor) {
    if (VRGuiWindow* window = GetWindow())
        if (IGuiHost* host = window->GetHWND())
            host->SetCursor(cursor);
}

void CClip::DragEdge(int32_t dx) {
    const ClipDocument& document = GetDocument();
    const double moved = dx * document.MsPerPixel();
    if (m_hitZone == kZoneResizeLeft) {
        const double start = std::fmax(document.SnapTime(m_pressStartMs + moved), 0.0);
        ResizeLeft(start - GetHeardStartMs(), false);
    } else if (m_hitZone == kZoneResizeRight) {
        const double end = document.SnapTime(m_pressStartMs + m_pressLengthMs + moved);
        ResizeRight(end - GetHeardStartMs(), false);
    } else {
        StretchEdge(moved);
    }
    FitToTiming();
}

void CClip::FitToTiming() {
    const double msPerPixel = GetDocument().MsPerPixel();
    SetPosition(Pixels(GetHeardStartMs(), msPerPixel), GetY());
    SetSize(Pixels(GetLengthMs(), msPerPixel), GetHeight());
}

void CClip::StretchEdge(double movedMs) {
    if (!(m_pressLengthMs > 0.0))
        return;
    const bool left = m_hitZone == kZoneStretchLeft;
    const double end = m_pressStartMs + m_pressLengthMs;
    const double edge = GetDocument().SnapTime((left ? m_pressStartMs : end) + movedMs);
    const double wanted = left ? end - edge : edge - m_pressStartMs;
    const double factor =
        std::clamp(wanted / m_pressLengthMs, 1.0 / kMaximumStretch, kMaximumStretch);
    const double length = m_pressLengthMs * factor;
    if (left && length > end)
        return; // the clip would start before the timeline does
    // A longer clip plays its material more slowly.
    StretchTo(left ? end - length : m_pressStartMs, length, m_pressRate / factor);
}

bool CClip::GetToolTip(GuiPoint p, std::string& text) {
    if (m_envelopeEditor->GetRectInParent().Contains(p.x, p.y) &&
        m_envelopeEditor->GetToolTip(ParentPointToChild(m_envelopeEditor.get(), p.x, p.y), text))
        return true;
    // The zone of the last hover, which knows whether Ctrl was held.
    if (m_clipKind != ClipKind::kAudio || p.x < 0 || p.y < 0)
        return false;
    switch (m_hitZone) {
    case kZoneResizeLeft:
    case kZoneResizeRight:
        text = MyLoadString("Clip_TT_Resize");
        return true;
    case kZoneStretchLeft:
    case kZoneStretchRight:
        text = MyLoadString("Clip_TT_Stretch");
        return true;
    case kZoneSelect:
        text = MyLoadString("Clip_TT_Select");
        return true;
    default:
        return false;
    }
}

int32_t CClip::GetCurrentEnvelope() const {
    return GetDocument().ShownEnvelopeType();
}

void CClip::BeginEnvelopeChange(int32_t type) {
    m_changingEnvelope = type;
    const CEnvelope* envelope = GetEnvelopeByType(type);
    m_envelopeBefore =
        envelope ? CEnvelopeFunctions::Points(*envelope) : std::vector<EnvelopePoint>{};
}

void CClip::EndEnvelopeChange() {
    const CEnvelope* envelope = GetEnvelopeByType(m_changingEnvelope);
    if (envelope) {
        std::vector<EnvelopePoint> after = CEnvelopeFunctions::Points(*envelope);
        const auto same = [](const EnvelopePoint& a, const EnvelopePoint& b) {
            return a.timeMs == b.timeMs && a.value == b.value;
        };
        if (!std::equal(after.begin(), after.end(), m_envelopeBefore.begin(),
                        m_envelopeBefore.end(), same)) {
            ClipDocument& document = GetDocument();
            document.ClipUndo().AddUndoNode(CEnvelopeUndo(document, this, m_changingEnvelope,
                                                          m_envelopeBefore, std::move(after)));
            document.ClipUndo().SetDirty(true);
        }
    }
    m_changingEnvelope = -1;
    m_envelopeBefore.clear();
    Invalidate(nullptr);
}

bool CClip::ProcessEnvelope(EnvelopeFunction function, int32_t option) {
    const int32_t type = GetCurrentEnvelope();
    CEnvelope* envelope = GetEnvelopeByType(type);
    if (!envelope)
        return false;
    double start = 0.0;
    double end = GetLengthMs();
    if (const auto selection = GetDocument().TimeSelection()) {
        // The selection in the clip's own (heard) time, never beyond the clip.
        start = std::clamp(selection->startMs - GetHeardStartMs(), 0.0, end);
        end = std::clamp(selection->endMs - GetHeardStartMs(), 0.0, end);
        if (end <= start)
            return true;
    } else if (envelope->GetNumPoints() > 0) {
        EnvelopePoint first;
        EnvelopePoint last;
        envelope->GetPointAtIndex(0, first);
        envelope->GetPointAtIndex(envelope->GetNumPoints() - 1, last);
        start = first.timeMs;
        end = last.timeMs;
    }
    BeginEnvelopeChange(type);
    bool applied = false;
    {
        CMixerLock lock(GetDocument().ClipMixer());
        applied = CEnvelopeFunctions::Apply(*envelope, function, option, start, end);
    }
    EndEnvelopeChange();
    return applied;
}

bool CClip::OffersMenuItem(int index) const {
    // What both kinds of clip offer.
    constexpr int kCommonItems[] = {2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 14};
    return std::find(std::begin(kCommonItems), std::end(kCommonItems), index) !=
           std::end(kCommonItems);
}

bool CClip::DoesMenuItemItself(int index) const {
    EnvelopeFunction function;
    int32_t option;
    const bool opensEnvelopeMenu = SubMenuOpenedBy(index) != nullptr;
    return index == kMenuMute || index == kMenuLock || index == kMenuLoopToTrim ||
           opensEnvelopeMenu || EnvelopeMenuItem(index, function, option);
}

bool CClip::IsMenuItemAvailable(int index) const {
    if (index < 0 || index >= kMenuItemCount || !OffersMenuItem(index))
        return false;
    return IsSeparator(index) || DoesMenuItemItself(index) ||
           GetDocument().HandlesClipCommand(index);
}

std::string CClip::MenuLabelKey(int index) const {
    return "AudioClipMenuItem" + std::to_string(index);
}

void CClip::AddMenuItem(GuiMenu& menu, int index) const {
    std::string key = MenuLabelKey(index);
    if ((index == kMenuMute && IsMuted()) || (index == kMenuLock && m_locked))
        key += "Alt";
    menu.AddItem(index + 1, MyLoadString(key));
    // A clip being recorded shows what it offers but does none of it.
    menu.ItemAt(menu.ItemCount() - 1).enabled = !m_recording;
}

GuiMenu CClip::BuildContextMenu() const {
    GuiMenu menu;
    bool separatorDue = false;
    for (int index = 0; index < kMainMenuItems; ++index) {
        if (!IsMenuItemAvailable(index))
            continue;
        // Separators only between items, never two in a row.
        if (IsSeparator(index)) {
            separatorDue = menu.ItemCount() > 0;
            continue;
        }
        if (separatorDue)
            menu.AddSeparator();
        separatorDue = false;
        if (const SubMenu* sub = SubMenuOpenedBy(index)) {
            GuiMenu& inner = menu.AddSubMenu(MyLoadString(MenuLabelKey(index)));
            for (int item = sub->first; item <= sub->last; ++item)
                if (IsMenuItemAvailable(item))
                    AddMenuItem(inner, item);
            menu.ItemAt(menu.ItemCount() - 1).enabled = !m_recording;
        } else {
            AddMenuItem(menu, index);
        }
    }
    return menu;
}

void CClip::ShowContextMenu(int32_t x, int32_t y) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    ClipDocument& document = GetDocument();
    document.SetCaretTime(ToTimeline({x, y}).x * document.MsPerPixel());
    const GuiMenu menu = BuildContextMenu();
    GuiPopupMenu popup(menu);
    const GuiPoint at = LocalToAbsPoint({x, y});
    const int32_t chosen = popup.Run(window, at.x, at.y);
    if (chosen > 0)
        DoMenuCommand(chosen - 1);
}

void CClip::DoMenuCommand(int index) {
    if (!IsMenuItemAvailable(index) || IsSeparator(index) || SubMenuOpenedBy(index))
        return;
    ClipDocument& document = GetDocument();
    if (document.HandlesClipCommand(index)) {
        document.DoClipCommand(*this, index);
        return;
    }
    CUndoStep step(document.ClipUndo());
    DoMenuItemItself(index);
}

void CClip::DoMenuItemItself(int index) {
    EnvelopeFunction function;
    int32_t option;
    if (index == kMenuMute)
        SetMuted(!IsMuted(), true);
    else if (index == kMenuLock)
        SetLocked(!m_locked, true);
    else if (index == kMenuLoopToTrim)
        SetLoopToTrim();
    else if (EnvelopeMenuItem(index, function, option))
        ProcessEnvelope(function, option);
}

double CClip::GetStartMs() const {
    const CAudioAtom* atom = GetEngineAtom();
    return atom ? atom->AbsoluteOffset() : 0.0;
}

double CClip::GetHeardStartMs() const {
    const CAudioAtom* atom = GetEngineAtom();
    return atom ? atom->HeardOffset() : 0.0;
}

double CClip::GetLengthMs() const {
    const CAudioAtom* atom = GetEngineAtom();
    return atom ? atom->Length() : 0.0;
}

bool CClip::IsMuted() const {
    const CAudioAtom* atom = GetEngineAtom();
    return atom && atom->IsMuted();
}

void CClip::SetMuted(bool muted, bool undoable) {
    CAudioAtom* atom = GetEngineAtom();
    if (!atom || muted == IsMuted())
        return;
    if (undoable)
        BeginChange();
    atom->Mute(muted);
    if (undoable)
        EndChange();
    UpdateAppearance();
    UpdateLabel();
}

void CClip::ResizeRight(double lengthMs, bool undoable) {
    if (!GetEngineAtom() || !std::isfinite(lengthMs))
        return;
    const double length = std::fmax(lengthMs, kMinimumLengthMs);
    if (length == GetLengthMs())
        return;
    if (undoable)
        BeginChange();
    {
        CMixerLock lock(GetDocument().ClipMixer(), *GetEngineAtom());
        SetAtomLength(length);
    }
    if (undoable)
        EndChange();
}
