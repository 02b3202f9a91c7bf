#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CRegion;

// What a host tells its window: the platform's window messages, translated.
enum class GuiMessageType {
    Size,          // width, height, minimized
    Activate,      // active
    KillFocus,     //
    Paint,         // updateRegion: the client area the screen needs again
    Destroy,       //
    KeyDown,       // key (virtual key), modifiers
    KeyUp,         // key, modifiers
    Timer,         // timerId
    MouseMove,     // x, y, keys
    LButtonDown,   // x, y, keys
    LButtonUp,     // x, y, keys
    LButtonDblClk, // x, y, keys: the second press of a double click
    RButtonDown,   // x, y, keys
    RButtonUp,     // x, y, keys
    MouseWheel,    // x, y, keys, wheelDelta (positive away from the user)
    TextInput,     // text (UTF-8)
    DropFiles,     // x, y, files: files dropped from the desktop at the point
};

struct GuiMessage {
    GuiMessageType type = GuiMessageType::MouseMove;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t keys = 0;
    int32_t key = 0;
    uint32_t modifiers = 0;
    uint32_t timerId = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool active = false;
    bool minimized = false;
    int32_t wheelDelta = 0;
    std::string text;
    std::vector<std::string> files;
    const CRegion* updateRegion = nullptr;
};
