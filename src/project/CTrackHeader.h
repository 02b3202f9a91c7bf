#pragma once

#include "gui/GuiEditField.h"
#include "gui/GuiRect.h"
#include "gui/GuiTextLayoutCache.h"
#include "gui/GuiTexturePanel.h"
#include "support/Observable.h"
#include "support/Observer.h"

#include <cstdint>
#include <memory>
#include <string>

class GuiButton;
class GuiSlider;
class VRGuiImage;

// The header of a track in the header column: its name, the mute, solo and
// record arm buttons, the volume slider and the pan value on the skin's
// header panel, tinted while the track is selected. A press selects the
// track, a drag moves it up or down the list, a drag of the lower edge
// changes its height, a double click selects every clip on it, the right
// button opens the track's menu; the track hears these as notifications.
// The controls only show what the track tells them (ShowControls), so that
// undo and loading keep them in step. A frozen track's header takes the
// skin's frozen panel, and its arm, input and effects buttons are disabled:
// a frozen track neither records nor changes its effects.
class CTrackHeader : public GuiTexturePanel, public Observable, public Observer {
public:
    static constexpr int32_t kWidth = 300;
    // The lower edge zone that resizes the track.
    static constexpr int32_t kResizeZone = 5;
    enum DragMode : int32_t { kReorder = 0, kResize = 1, kPointerLeft = 2 };
    // The buttons, numbered as the track knows them; the one beside the arm
    // button opens the input menu, and the pan value shown as text acts as a
    // button that asks for an exact pan.
    enum Button : int32_t {
        kSoloButton = 3,
        kMuteButton = 4,
        kEffectsButton = 6,
        kArmButton = 7,
        kInputButton = 8,
        kPanValue = 9
    };
    static constexpr double kMaxVolume = 2.0;
    static constexpr int32_t kPictureSide = 24;
    static constexpr int32_t kColourStripWidth = 4;

    // What the controls show.
    struct Controls {
        bool mute = false;
        bool solo = false;
        bool armed = false;
        double volume = 1.0;
        double pan = 0.0;
        bool frozen = false;
    };

    CTrackHeader();
    ~CTrackHeader() override;

    void SetTitle(const std::string& title);
    const std::string& GetTitle() const { return m_title; }
    void SetSelectedLook(bool selected);
    // Shows the picture file; none (or one that cannot be read) leaves the
    // frame empty, with its button for choosing one.
    void SetPicture(const std::string& path);
    VRGuiImage& GetPicture() const { return *m_picture; }
    void SetColour(uint32_t colour);
    // Opens the name for editing in place; Enter (or a press elsewhere)
    // sends kNotifyTrackRename when the name changed, Escape keeps it.
    void BeginRename();
    bool IsRenaming() const { return m_nameField.IsEditing(); }
    GuiEditField& NameField() { return m_nameField; }
    // Where the name is shown and edited.
    static GuiRect TitleRect();
    static GuiRect PictureRect();
    void ShowControls(const Controls& controls);
    const Controls& GetControls() const { return m_controls; }
    DragMode GetDragMode() const { return m_dragMode; }
    // Hides the controls that do not fit the header's height.
    void SetSize(int32_t width, int32_t height) override;

    GuiButton& GetButton(Button button) const;
    GuiSlider& GetVolumeSlider() const { return *m_volume; }
    // Where the pan value is shown.
    static GuiRect PanRect();
    // The pan as shown: "C", "L 50", "R 25".
    static std::string PanText(double pan);

    void OnNotification(int message, void* parameter) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

private:
    void AddControls();
    void UpdateHoverMode(GuiPoint p);
    void SendHeightDrag(int32_t dy, bool released);
    void SendReorderDrag(int32_t dx, int32_t dy, int32_t phase);
    void OnRightUp(GuiPoint p);
    void OnPress(GuiPoint p);
    void OnDrag(GuiPoint p);
    void OnRelease(GuiPoint p);
    bool HoldsCapture();
    void ShowFrozen(bool frozen);
    bool Fits(const GuiRect& r) const;

    std::string m_title;
    GuiTextLayoutCache m_titleLayout;
    GuiTextLayoutCache m_panLayout;
    bool m_selectedLook = false;
    Controls m_controls;
    std::unique_ptr<GuiButton> m_mute;
    std::unique_ptr<GuiButton> m_solo;
    std::unique_ptr<GuiButton> m_arm;
    std::unique_ptr<GuiButton> m_effects;
    std::unique_ptr<GuiButton> m_input;
    std::unique_ptr<GuiSlider> m_volume;
    std::unique_ptr<VRGuiImage> m_picture;
    GuiEditField m_nameField;
    uint32_t m_colour = 0;
    DragMode m_dragMode = kReorder;
    bool m_pressed = false;
    int32_t m_reorderPhase = 0;
    int32_t m_heightAtPress = 0;
    GuiPoint m_press{0, 0};
};
