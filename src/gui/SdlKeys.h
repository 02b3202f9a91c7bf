#pragma once

#include <cstdint>

// The virtual key for an SDL key code; 0 for keys the program does not name.
int32_t VirtualKeyFromSdl(int32_t sdlKey);
// Modifier flags (kModShift, kModControl, kModAlt) from an SDL modifier state.
uint32_t ModifiersFromSdl(uint32_t sdlModifiers);
