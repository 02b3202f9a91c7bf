#include "app/ScreenshotCommand.h"

#include "app/CSystemDeviceCatalog.h"
#include "app/LoomtoneApp.h"
#include "app/LoomtoneMainWindow.h"
#include "engine/CEffectChain.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"
#include "project/CProject.h"
#include "project/CTrack.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

bool ParseSize(const char* text, int32_t& width, int32_t& height) {
    int consumed = 0;
    if (std::sscanf(text, "%dx%d%n", &width, &height, &consumed) != 2 || text[consumed] != '\0')
        return false;
    return width > 0 && height > 0 && width <= kMaxScreenshotSide && height <= kMaxScreenshotSide;
}

bool ParseTrackAndSlot(const char* text, int& track, int& slot) {
    int consumed = 0;
    if (std::sscanf(text, "%d:%d%n", &track, &slot, &consumed) != 2 || text[consumed] != '\0')
        return false;
    return track > 0 && slot > 0;
}

// Shows the track's effects in the details area and the effect's dialog over them.
bool OpenEffect(LoomtoneMainWindow& window, CProject& project, const ScreenshotRequest& request,
                std::string& reason) {
    CTrack* track = project.GetTrack(request.effectTrack - 1);
    const CEffectChain* chain = track ? track->GetEffectChain() : nullptr;
    if (!chain) {
        reason = "the project has no track " + std::to_string(request.effectTrack);
        return false;
    }
    if (request.effectSlot > chain->NumEffects()) {
        reason = "track " + std::to_string(request.effectTrack) + " has no effect " +
                 std::to_string(request.effectSlot);
        return false;
    }
    window.EffectView().OpenTrack(*track);
    window.EffectView().OpenEffectDialog(request.effectSlot - 1);
    return true;
}

CMIDIClip* FirstMidiClip(const CProject& project) {
    for (int index = 0; index < project.GetNumTracks(); ++index)
        for (CClip* clip : project.GetTrack(index)->Clips())
            if (auto* midi = dynamic_cast<CMIDIClip*>(clip))
                return midi;
    return nullptr;
}

// Paints the window once, with the piano roll of the first MIDI clip over
// all of it when asked.
bool PaintWindow(COffscreenGuiHost& host, LoomtoneMainWindow& window, CProject& project,
                 bool pianoRoll, std::string& reason) {
    std::unique_ptr<PianoRollControl> control;
    if (pianoRoll) {
        CMIDIClip* clip = FirstMidiClip(project);
        if (!clip) {
            reason = "the project has no MIDI clip";
            return false;
        }
        control = std::make_unique<PianoRollControl>(*clip);
        control->SetZOrder(1000);
        window.AddChild(control.get(), 0, 0);
        control->SetSize(window.GetWidth(), window.GetHeight());
        control->Fit();
    }
    window.Invalidate(nullptr);
    host.Advance(VRGuiWindow::kRefreshPeriodMs);
    host.DeliverPaint();
    if (control)
        window.RemoveChild(control.get());
    return true;
}

} // namespace

bool ParseScreenshotArguments(int count, char** arguments, ScreenshotRequest& request,
                              std::string& reason) {
    if (count < 1) {
        reason = "--screenshot needs the name of the PNG file to write";
        return false;
    }
    request.outPath = arguments[0];
    for (int index = 1; index < count; ++index) {
        if (std::strcmp(arguments[index], "--size") == 0) {
            if (index + 1 >= count ||
                !ParseSize(arguments[index + 1], request.width, request.height)) {
                reason = "--size needs WIDTHxHEIGHT, each 1 to 8192";
                return false;
            }
            ++index;
        } else if (std::strcmp(arguments[index], "--piano-roll") == 0) {
            request.pianoRoll = true;
        } else if (std::strcmp(arguments[index], "--open-effect") == 0) {
            if (index + 1 >= count ||
                !ParseTrackAndSlot(arguments[index + 1], request.effectTrack, request.effectSlot)) {
                reason = "--open-effect needs TRACK:EFFECT, both counted from 1";
                return false;
            }
            ++index;
        } else if (request.file.empty()) {
            request.file = arguments[index];
        } else {
            reason = std::string("unexpected argument ") + arguments[index];
            return false;
        }
    }
    return true;
}

int RunScreenshotCommand(const ScreenshotRequest& request) {
    // Nobody is there to answer: every question takes the answer of closing it.
    SetMessageBoxHook([](const MessageBoxRequest& box, bool&) {
        return CDeluxeMessageBox::CloseAnswerFor(box.flags);
    });
    CSystemDeviceCatalog devices;
    COffscreenGuiHost host;
    int result = 0;
    {
        LoomtoneApp app(devices);
        StartupOptions options;
        options.width = request.width;
        options.height = request.height;
        if (!app.Startup(host, options)) {
            std::fprintf(stderr, "loomtone: %s\n", app.Error().c_str());
            result = 1;
        } else {
            LoomtoneMainWindow& window = *app.MainWindow();
            window.OpenFileOrNewProject(request.file);
            std::string reason;
            // Showing the effects unfolds the details area; the settings keep it as it was.
            const bool detailsShown = app.Prefs().bDetailsShowingState;
            if (request.effectTrack > 0 && !OpenEffect(window, *app.Project(), request, reason)) {
                std::fprintf(stderr, "loomtone: %s\n", reason.c_str());
                result = 1;
            } else if (!PaintWindow(host, window, *app.Project(), request.pianoRoll, reason)) {
                std::fprintf(stderr, "loomtone: %s\n", reason.c_str());
                result = 1;
            } else if (!host.SaveScreenPng(request.outPath)) {
                std::fprintf(stderr, "loomtone: %s: the picture could not be written\n",
                             request.outPath.c_str());
                result = 1;
            }
            app.Prefs().bDetailsShowingState = detailsShown;
        }
    }
    SetMessageBoxHook(nullptr);
    return result;
}
