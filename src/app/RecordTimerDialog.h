#pragma once

#include <cstdint>
#include <optional>
#include <string>

class VRGuiWindow;

// The record timer: how long a take may run before it stops by itself.

// The limit in milliseconds of a text of minutes: a number above 0 that
// gives at least one millisecond and fits the stored limit; none otherwise.
std::optional<int32_t> RecordTimerLimitFrom(const std::string& minutesText);

// Asks for the minutes, the field showing limitMs as "%0.2f" minutes. OK with
// a limit (see RecordTimerLimitFrom) stores it in limitMs and answers true,
// the timer on; anything else, Cancel too, leaves limitMs and answers false.
bool AskRecordTimer(VRGuiWindow* owner, int32_t& limitMs);
