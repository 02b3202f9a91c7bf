#pragma once

#include <cstdint>

// The main window's keyboard shortcuts: a key with exactly these modifiers
// (kModShift, kModControl, kModAlt) runs the command.
struct Shortcut {
    int32_t key;
    uint32_t modifiers;
    int32_t command;
};

// The command of a key press; 0 when the key is no shortcut.
int32_t CommandForShortcut(int32_t key, uint32_t modifiers);
