#pragma once

#include <string>

// The hidden command the crash handler's tests use: "--crash-test fault FILE"
// or "--crash-test throw FILE" starts the program without a screen (every
// question answered as by closing it), opens FILE and then crashes for real: a write to an address
// nobody maps, or an exception nobody catches. The crash handler does the rest. Answers the exit
// status for wrong arguments; otherwise it does not return.
int RunCrashTestCommand(const std::string& kind, const std::string& file, int buildNumber);
