#include "pianoroll/CKeyboardControl.h"

#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNoteGeometry.h"
#include "pianoroll/PRNotifications.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>

CKeyboardControl::CKeyboardControl()
    : VRGuiObject(PRNoteGeometry::kKeyboardWidth, PRNoteGeometry::kContentHeight) {}

int CKeyboardControl::KeyAt(GuiPoint p) {
    return PRNoteGeometry::PitchAtY(p.y);
}

void CKeyboardControl::SetVelocity(int velocity) {
    m_velocity = std::clamp(velocity, 1, 127);
}

void CKeyboardControl::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    cairo_set_source_rgb(cr, 0.97, 0.97, 0.95);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 8.0);
    for (int pitch = PRNoteGeometry::PitchAtY(r.top); pitch >= 0; --pitch) {
        const int top = PRNoteGeometry::RowTop(pitch);
        if (top >= r.bottom)
            break;
        const bool pressed = pitch == m_pressed;
        if (PRNoteGeometry::IsBlackKey(pitch)) {
            cairo_set_source_rgb(cr, pressed ? 0.35 : 0.1, pressed ? 0.35 : 0.1,
                                 pressed ? 0.45 : 0.1);
            cairo_rectangle(cr, 0, top, kBlackKeyWidth, PRNoteGeometry::kRowHeight);
            cairo_fill(cr);
            continue;
        }
        if (pressed) {
            cairo_set_source_rgb(cr, 0.75, 0.8, 0.95);
            cairo_rectangle(cr, 0, top, GetWidth(), PRNoteGeometry::kRowHeight);
            cairo_fill(cr);
        }
        // The line under B and E, where two white keys meet without a black key.
        const int pitchClass = pitch % 12;
        if (pitchClass == 0 || pitchClass == 5) {
            cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
            cairo_rectangle(cr, 0, top + PRNoteGeometry::kRowHeight - 1, GetWidth(), 1);
            cairo_fill(cr);
        }
        if (pitchClass == 0) {
            char label[16];
            std::snprintf(label, sizeof label, "C%d", pitch / 12);
            cairo_text_extents_t extents;
            cairo_text_extents(cr, label, &extents);
            cairo_set_source_rgb(cr, 0x4D / 255.0, 0x4D / 255.0, 0x4D / 255.0);
            cairo_move_to(cr, GetWidth() - 3 - extents.x_advance, top + 8);
            cairo_show_text(cr, label);
        }
    }
    cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
    cairo_rectangle(cr, GetWidth() - 1, r.top, 1, r.Height());
    cairo_fill(cr);
}

template <PRNotification Code> void CKeyboardControl::Send(int pitch) {
    const PRKeyEvent event{pitch, m_velocity, 0};
    Notify<Code>(*this, &event);
}

void CKeyboardControl::PressKey(int pitch) {
    ReleaseKey();
    m_pressed = pitch;
    Send<kNotifyPreviewNoteOn>(pitch);
    const GuiRect row{0, PRNoteGeometry::RowTop(pitch), GetWidth(),
                      PRNoteGeometry::RowTop(pitch) + PRNoteGeometry::kRowHeight};
    Invalidate(&row);
}

void CKeyboardControl::ReleaseKey() {
    if (m_pressed < 0)
        return;
    Send<kNotifyPreviewNoteOff>(m_pressed);
    const GuiRect row{0, PRNoteGeometry::RowTop(m_pressed), GetWidth(),
                      PRNoteGeometry::RowTop(m_pressed) + PRNoteGeometry::kRowHeight};
    m_pressed = -1;
    Invalidate(&row);
}

bool CKeyboardControl::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    switch (event) {
    case kMouseMove:
        // Glissando: a held button plays each key it passes.
        if (m_pressed >= 0 && KeyAt(p) != m_pressed)
            PressKey(KeyAt(p));
        return true;
    case kMouseLeftDown:
        if (VRGuiWindow* window = GetWindow())
            window->SetCapture(this);
        PressKey(KeyAt(p));
        return true;
    case kMouseLeftDoubleClick:
        if (keys & (MK_SHIFT | MK_CONTROL))
            Send<kNotifyAddKeyNotes>(KeyAt(p));
        else
            Send<kNotifySelectKeyNotes>(KeyAt(p));
        PressKey(KeyAt(p));
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (VRGuiWindow* window = GetWindow())
            window->ReleaseCapture();
        ReleaseKey();
        return true;
    default:
        return false;
    }
}
