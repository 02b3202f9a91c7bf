#pragma once

#include "gui/VRGuiObject.h"
#include "pianoroll/PRNotifications.h"
#include "support/Observable.h"

#include <cstdint>

// The piano keyboard along the note area's left edge: one key per row of the
// note area (PRNoteGeometry), the highest on top. Pressing a key previews its
// pitch, dragging across keys plays each in turn, releasing stops it; a double
// click asks for the key's notes to be selected (added with Shift or
// Control). It tells its observers through the PRNotification codes with a
// PRKeyEvent.
class CKeyboardControl : public VRGuiObject, public Observable {
public:
    static constexpr int32_t kBlackKeyWidth = 45;

    CKeyboardControl();

    void SetVelocity(int velocity);
    int Velocity() const { return m_velocity; }
    // The key sounding, -1 when none.
    int PressedKey() const { return m_pressed; }

    void OnDraw(const GuiRect& r) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;

    // The key under a point: the key of the note area's row there.
    static int KeyAt(GuiPoint p);

private:
    template <PRNotification Code> void Send(int pitch);
    void PressKey(int pitch);
    void ReleaseKey();

    int m_velocity = 100;
    int m_pressed = -1;
};
