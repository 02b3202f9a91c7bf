#pragma once

#include <cstdint>
#include <string>

// loomtone --screenshot OUT.png [--size WxH] [--piano-roll] [--open-effect T:N]
// [FILE]: the main window with the file (or a new project), painted once
// without a display and written as PNG; with --piano-roll, the piano roll of
// the project's first MIDI clip over the whole window instead; with
// --open-effect, the details area showing track T's effects and the dialog of
// its Nth effect on top (both counted from 1).
struct ScreenshotRequest {
    std::string outPath;
    std::string file;
    int32_t width = 1024;
    int32_t height = 720;
    bool pianoRoll = false;
    int effectTrack = 0; // 0: no effect dialog
    int effectSlot = 0;
};

constexpr int32_t kMaxScreenshotSide = 8192;

// Reads the arguments after "--screenshot"; false, with the reason, when they are not usable.
bool ParseScreenshotArguments(int count, char** arguments, ScreenshotRequest& request,
                              std::string& reason);
// 0 when the picture was written; otherwise the reason went to standard error.
int RunScreenshotCommand(const ScreenshotRequest& request);
