#include "project/CTrackHeader.h"

#include "gui/CImage.h"
#include "gui/GuiButton.h"
#include "gui/GuiCursor.h"
#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/GuiSlider.h"
#include "gui/GuiTextLayout.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiImage.h"
#include "gui/VRGuiWindow.h"
#include "project/ProjectNotifications.h"
#include "support/Paths.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr uint32_t kTitleColor = 0xF0F0F0;
constexpr uint32_t kPanColor = 0xD0D0D0;
constexpr uint32_t kSelectedTint = 0xE0A040;
constexpr int32_t kSelectedTintPercent = 25;

// The row of controls under the title.
constexpr int32_t kControlsTop = 28;
constexpr int32_t kMuteX = 10;
constexpr int32_t kSoloX = 36;
constexpr int32_t kArmX = 62;
// The input menu's button sits against the arm button it belongs to.
constexpr int32_t kInputX = 84;
constexpr int32_t kEffectsX = 110;
constexpr int32_t kVolumeX = 136;
constexpr int32_t kPanX = 240;
constexpr int32_t kPanWidth = 56;
constexpr int32_t kControlsHeight = 18;

constexpr int32_t kVolumeControlId = 2;

constexpr const char* kPanelSkinItem = "track header";
constexpr const char* kFrozenPanelSkinItem = "details frozen";

const char* MuteSkin(bool on) {
    return on ? "mutedac" : "mute";
}
const char* SoloSkin(bool on) {
    return on ? "soloac" : "solo";
}
const char* ArmSkin(bool on) {
    return on ? "recarmed" : "recarm";
}
const char* InputSkin(bool armed) {
    return armed ? "recacarmed-tri" : "recac";
}

} // namespace

CTrackHeader::CTrackHeader() : GuiTexturePanel(kPanelSkinItem, kWidth, 70) {
    SetType(kGuiTypeTrackHeader);
    AddControls();
}

CTrackHeader::~CTrackHeader() {
    // Escape: a header going away renames nothing.
    m_nameField.End(GuiEditField::EndReason::kEscape);
    // The controls go before the panel that holds them.
    RemoveChild(m_mute.get());
    RemoveChild(m_solo.get());
    RemoveChild(m_arm.get());
    RemoveChild(m_effects.get());
    RemoveChild(m_input.get());
    RemoveChild(m_volume.get());
    RemoveChild(m_picture.get());
}

void CTrackHeader::AddControls() {
    m_mute = std::make_unique<GuiButton>(kMuteButton, MuteSkin(false), "", "MENUC_TrackMenuItem14");
    m_solo = std::make_unique<GuiButton>(kSoloButton, SoloSkin(false), "", "T_TT_Solo");
    m_arm = std::make_unique<GuiButton>(kArmButton, ArmSkin(false), "", "T_TT_Arm");
    m_effects = std::make_unique<GuiButton>(kEffectsButton, "fx", "", "T_TT_FX");
    m_input = std::make_unique<GuiButton>(kInputButton, InputSkin(false), "", "T_TT_ArmChoose");
    m_volume = std::make_unique<GuiSlider>(kVolumeControlId, "slidevil", 0.0, kMaxVolume);
    m_volume->SetValue(m_controls.volume);
    AddChild(m_mute.get(), kMuteX, kControlsTop);
    AddChild(m_solo.get(), kSoloX, kControlsTop);
    AddChild(m_arm.get(), kArmX, kControlsTop);
    AddChild(m_effects.get(), kEffectsX, kControlsTop);
    AddChild(m_input.get(), kInputX, kControlsTop);
    AddChild(m_volume.get(), kVolumeX,
             kControlsTop + (kControlsHeight - m_volume->GetHeight()) / 2);
    for (Observable* control :
         {static_cast<Observable*>(m_mute.get()), static_cast<Observable*>(m_solo.get()),
          static_cast<Observable*>(m_arm.get()), static_cast<Observable*>(m_effects.get()),
          static_cast<Observable*>(m_input.get()), static_cast<Observable*>(m_volume.get())})
        control->AddObserver(this);
    m_picture = std::make_unique<VRGuiImage>(kPictureSide, kPictureSide);
    AddChild(m_picture.get(), PictureRect().left, PictureRect().top);
    m_picture->AddObserver(this);
    // The button images have soft edges over the header's panel.
    for (GuiButton* button :
         {m_mute.get(), m_solo.get(), m_arm.get(), m_input.get(), m_effects.get()})
        button->SetTransparent(true);
}

GuiButton& CTrackHeader::GetButton(Button button) const {
    if (button == kSoloButton)
        return *m_solo;
    if (button == kArmButton)
        return *m_arm;
    if (button == kEffectsButton)
        return *m_effects;
    if (button == kInputButton)
        return *m_input;
    return *m_mute;
}

void CTrackHeader::SetTitle(const std::string& title) {
    if (title == m_title)
        return;
    m_title = title;
    Invalidate(nullptr);
}

GuiRect CTrackHeader::TitleRect() {
    return GuiRect{10, 4, kWidth - 16 - kPictureSide, 24};
}

GuiRect CTrackHeader::PictureRect() {
    return GuiRect{kWidth - 10 - kPictureSide, 2, kWidth - 10, 2 + kPictureSide};
}

void CTrackHeader::SetPicture(const std::string& path) {
    if (!DoesFileExist(path) || !m_picture->SetPicture(path))
        m_picture->ClearPicture();
}

void CTrackHeader::SetColour(uint32_t colour) {
    if (colour == m_colour)
        return;
    m_colour = colour;
    Invalidate(nullptr);
}

void CTrackHeader::BeginRename() {
    VRGuiWindow* window = GetWindow();
    if (!window || m_nameField.IsEditing())
        return;
    m_nameField.Begin(window, LocalToAbsRect(TitleRect()), m_title, GuiFont{11, true},
                      [this](GuiEditField::EndReason reason) {
                          const std::string name = m_nameField.GetText();
                          if (reason != GuiEditField::EndReason::kEscape && name != m_title)
                              Notify<kNotifyTrackRename>(*this, &name);
                      });
}

void CTrackHeader::SetSelectedLook(bool selected) {
    if (selected == m_selectedLook)
        return;
    m_selectedLook = selected;
    if (selected)
        SetColorShift(kSelectedTint, kSelectedTintPercent);
    else
        ClearColorShift();
    Invalidate(nullptr);
}

void CTrackHeader::ShowControls(const Controls& controls) {
    if (controls.frozen != m_controls.frozen)
        ShowFrozen(controls.frozen);
    m_controls = controls;
    m_mute->SetSkin(MuteSkin(controls.mute));
    m_solo->SetSkin(SoloSkin(controls.solo));
    m_arm->SetSkin(ArmSkin(controls.armed));
    m_input->SetSkin(InputSkin(controls.armed));
    m_volume->SetValue(controls.volume);
    Invalidate(nullptr);
}

void CTrackHeader::ShowFrozen(bool frozen) {
    SetSkinItem(frozen ? kFrozenPanelSkinItem : kPanelSkinItem);
    for (GuiButton* button : {m_arm.get(), m_input.get(), m_effects.get()}) {
        if (frozen)
            button->Disable();
        else
            button->Enable();
    }
}

void CTrackHeader::SetSize(int32_t width, int32_t height) {
    GuiTexturePanel::SetSize(width, height);
    for (VRGuiObject* control :
         {static_cast<VRGuiObject*>(m_mute.get()), static_cast<VRGuiObject*>(m_solo.get()),
          static_cast<VRGuiObject*>(m_arm.get()), static_cast<VRGuiObject*>(m_effects.get()),
          static_cast<VRGuiObject*>(m_input.get()), static_cast<VRGuiObject*>(m_volume.get())}) {
        if (!control)
            continue;
        if (Fits(control->GetRectInParent()))
            control->Show();
        else
            control->Hide();
    }
}

bool CTrackHeader::Fits(const GuiRect& r) const {
    return r.bottom <= GetHeight();
}

GuiRect CTrackHeader::PanRect() {
    return GuiRect{kPanX, kControlsTop, kPanX + kPanWidth, kControlsTop + kControlsHeight};
}

std::string CTrackHeader::PanText(double pan) {
    const long percent = std::lround(pan * 100.0);
    if (percent == 0)
        return "Pan C";
    return std::string(percent < 0 ? "Pan L " : "Pan R ") + std::to_string(std::labs(percent));
}

void CTrackHeader::OnNotification(int message, void* parameter) {
    if (message == VRGuiImage::kNotifyClicked) {
        Notify<kNotifyTrackPicture>(*this);
    } else if (message == GuiButton::kNotifyClick) {
        Notify<kNotifyHeaderButton>(*this,
                                    NotificationArgument<GuiButton::kNotifyClick>(parameter));
    } else if (message == GuiSlider::kNotifyValueChange) {
        if (const GuiSliderChange* change =
                NotificationArgument<GuiSlider::kNotifyValueChange>(parameter))
            Notify<kNotifyTrackVolume>(*this, change);
    }
}

void CTrackHeader::UpdateHoverMode(GuiPoint p) {
    const int32_t h = GetHeight();
    m_dragMode = (p.y >= h - kResizeZone && p.y < h) ? kResize : kReorder;
    VRGuiWindow* window = GetWindow();
    if (IGuiHost* host = window ? window->GetHWND() : nullptr)
        host->SetCursor(m_dragMode == kResize ? GuiCursor::kResizeUpDown : GuiCursor::kArrow);
}

void CTrackHeader::SendHeightDrag(int32_t dy, bool released) {
    TrackHeightDrag drag;
    drag.heightChange = dy;
    drag.heightAtPress = m_heightAtPress;
    drag.released = released;
    Notify<kNotifyTrackHeightDrag>(*this, &drag);
}

void CTrackHeader::SendReorderDrag(int32_t dx, int32_t dy, int32_t phase) {
    TrackReorderDrag drag{dx, dy, phase};
    Notify<kNotifyTrackReorder>(*this, &drag);
}

bool CTrackHeader::HoldsCapture() {
    VRGuiWindow* window = GetWindow();
    return window && window->GetCaptured() == this;
}

bool CTrackHeader::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    // While the header drags, the controls it passes over stay out of it.
    if (!HoldsCapture() && GuiTexturePanel::OnMouse(event, p, keys))
        return true;
    switch (event) {
    case kMouseMove:
        if (!m_pressed)
            UpdateHoverMode(p);
        else
            OnDrag(p);
        return true;
    case kMouseLeave:
        if (!m_pressed)
            m_dragMode = kPointerLeft;
        return true;
    case kMouseLeftDown:
        OnPress(p);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        OnRelease(p);
        return true;
    case kMouseLeftDoubleClick:
        if (TitleRect().Contains(p.x, p.y)) {
            BeginRename();
            return true;
        }
        Notify<kNotifyHeaderSelectClips>(*this, keys);
        return true;
    case kMouseRightUp:
        OnRightUp(p);
        return true;
    default:
        return false;
    }
}

void CTrackHeader::OnPress(GuiPoint p) {
    if (Fits(PanRect()) && PanRect().Contains(p.x, p.y)) {
        Notify<kNotifyHeaderButton>(*this, kPanValue);
        return;
    }
    UpdateHoverMode(p);
    m_heightAtPress = GetHeight();
    // In the column's coordinates: the header itself moves while dragged.
    m_press = {p.x + GetX(), p.y + GetY()};
    m_pressed = true;
    m_reorderPhase = 0;
    Notify<kNotifySelectTrack>(*this, 0);
    if (VRGuiWindow* window = GetWindow())
        window->SetCapture(this);
}

void CTrackHeader::OnDrag(GuiPoint p) {
    const int32_t dx = p.x + GetX() - m_press.x;
    const int32_t dy = p.y + GetY() - m_press.y;
    if (m_dragMode == kResize) {
        SendHeightDrag(dy, false);
        return;
    }
    m_reorderPhase = m_reorderPhase == 0 ? 1 : 2;
    SendReorderDrag(dx, dy, m_reorderPhase);
}

void CTrackHeader::OnRelease(GuiPoint p) {
    if (!m_pressed)
        return;
    m_pressed = false;
    const int32_t dx = p.x + GetX() - m_press.x;
    const int32_t dy = p.y + GetY() - m_press.y;
    if (m_dragMode == kResize)
        SendHeightDrag(dy, true);
    else if (m_reorderPhase != 0)
        SendReorderDrag(dx, dy, 3);
    m_reorderPhase = 0;
    if (HoldsCapture())
        GetWindow()->ReleaseCapture();
    UpdateHoverMode(p);
}

void CTrackHeader::OnRightUp(GuiPoint p) {
    GuiPoint at = LocalToAbsPoint(p);
    Notify<kNotifyHeaderMenu>(*this, &at);
}

void CTrackHeader::OnDraw(const GuiRect& r) {
    GuiTexturePanel::OnDraw(r);
    VRGuiWindow* window = GetWindow();
    cairo_t* cr = window ? window->GetDrawContext() : nullptr;
    if (!cr)
        return;
    cairo_save(cr);
    CImage::SetSourceColor(cr, m_colour);
    cairo_rectangle(cr, 0, 0, kColourStripWidth, GetHeight());
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 0, GetWidth() - 10, GetHeight());
    cairo_clip(cr);
    if (!m_title.empty()) {
        const GuiRect title = TitleRect();
        m_titleLayout.Get(GuiFont{11, true}, m_title)
            .DrawIn(cr, title.left, 6, title.Width(), 16, kTextLeft | kTextSingleLine, kTitleColor);
    }
    if (Fits(PanRect())) {
        const GuiRect pan = PanRect();
        m_panLayout.Get(GuiFont{9, false}, PanText(m_controls.pan))
            .DrawIn(cr, pan.left, pan.top, pan.Width(), pan.Height(),
                    kTextLeft | kTextSingleLine | kTextVCenter, kPanColor);
    }
    cairo_restore(cr);
}
