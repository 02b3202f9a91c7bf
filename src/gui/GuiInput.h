#pragma once

#include <cstdint>

// Codes shared by the windows and the objects they route input to.

// Mouse event codes handed to OnMouse.
enum GuiMouseEvent : int32_t {
    kMouseMove = 0,
    kMouseEnter = 1,
    kMouseLeave = 2,
    kMouseLeftDown = 3,
    kMouseLeftUp = 4,
    kMouseLeftDoubleClick = 5,
    kMouseLeftUpAfterDoubleClick = 6,
    kMouseRightDown = 7,
    kMouseRightUp = 8,
};

// Key event kinds handed to OnKey.
enum GuiKeyEvent : int32_t {
    kKeyDown = 0,
    kKeyUp = 1,
};

// Mouse key flags carried by mouse events.
constexpr uint32_t MK_LBUTTON = 1;
constexpr uint32_t MK_RBUTTON = 2;
constexpr uint32_t MK_SHIFT = 4;
constexpr uint32_t MK_CONTROL = 8;
// The left Alt key (the right one is often AltGr, typing characters).
constexpr uint32_t MK_LALT = 32;

// Modifier flags carried by key events; Shift and Control equal the mouse flags.
constexpr uint32_t kModShift = 4;
constexpr uint32_t kModControl = 8;
constexpr uint32_t kModAlt = 16;

// Virtual key codes. Letters and digits are their upper-case ASCII codes.
constexpr int32_t VK_BACK = 0x08;
constexpr int32_t VK_TAB = 0x09;
constexpr int32_t VK_RETURN = 0x0D;
constexpr int32_t VK_SHIFT = 0x10;
constexpr int32_t VK_CONTROL = 0x11;
constexpr int32_t VK_MENU = 0x12;
constexpr int32_t VK_ESCAPE = 0x1B;
constexpr int32_t VK_SPACE = 0x20;
constexpr int32_t VK_PRIOR = 0x21;
constexpr int32_t VK_NEXT = 0x22;
constexpr int32_t VK_END = 0x23;
constexpr int32_t VK_HOME = 0x24;
constexpr int32_t VK_LEFT = 0x25;
constexpr int32_t VK_UP = 0x26;
constexpr int32_t VK_RIGHT = 0x27;
constexpr int32_t VK_DOWN = 0x28;
constexpr int32_t VK_INSERT = 0x2D;
constexpr int32_t VK_DELETE = 0x2E;
constexpr int32_t VK_F1 = 0x70;
constexpr int32_t VK_F10 = 0x79;
constexpr int32_t VK_LSHIFT = 0xA0;
constexpr int32_t VK_RSHIFT = 0xA1;
constexpr int32_t VK_LCONTROL = 0xA2;
constexpr int32_t VK_RCONTROL = 0xA3;
constexpr int32_t VK_LMENU = 0xA4;
constexpr int32_t VK_RMENU = 0xA5;
constexpr int32_t VK_ADD = 0x6B;
constexpr int32_t VK_SUBTRACT = 0x6D;
// The plus (shared with equals) and minus keys of the main rows.
constexpr int32_t VK_OEM_PLUS = 0xBB;
constexpr int32_t VK_OEM_MINUS = 0xBD;
