#pragma once

#include <cstdint>

// Whether a command's subsystem exists in this build. Every command is in the
// menus; those whose subsystem does not exist yet stay visible but disabled.
// This is the one place to turn a command on once its subsystem is there.
bool IsCommandBuilt(int32_t command);
