#include "app/CrashTestCommand.h"

#include "app/CCrashHandler.h"
#include "app/CSystemDeviceCatalog.h"
#include "app/LoomtoneApp.h"
#include "app/LoomtoneMainWindow.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"

#include <cstdio>

int RunCrashTestCommand(const std::string& kind, const std::string& file, int buildNumber) {
    if (kind != "fault" && kind != "throw") {
        std::fprintf(stderr, "loomtone: --crash-test needs fault or throw\n");
        return 2;
    }
    SetMessageBoxHook([](const MessageBoxRequest& box, bool&) {
        return CDeluxeMessageBox::CloseAnswerFor(box.flags);
    });
    CSystemDeviceCatalog devices;
    COffscreenGuiHost host;
    LoomtoneApp app(devices);
    StartupOptions options;
    options.handleCrashes = true;
    options.buildNumber = buildNumber;
    if (!app.Startup(host, options)) {
        std::fprintf(stderr, "loomtone: %s\n", app.Error().c_str());
        return 1;
    }
    LoomtoneMainWindow& window = *app.MainWindow();
    window.OpenFileOrNewProject(file);
    app.Prefs().bFirstRun = false;
    window.Invalidate(nullptr);
    host.Advance(VRGuiWindow::kRefreshPeriodMs);
    host.DeliverPaint();
    if (kind == "fault")
        CCrashHandler::RaiseTestFault();
    CCrashHandler::ThrowTestException();
}
