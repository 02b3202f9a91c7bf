#pragma once

#include <functional>
#include <string>

// What the crash path works with; every part may be missing.
struct CrashSetup {
    std::string userDataFolder; // ends in '/'; the log and the crash files are here
    int buildNumber = 0;
    // Stops the sound device, so that no half-mixed buffer keeps playing.
    std::function<void()> closeMixer;
    // Writes a picture of the main window; false when it could not.
    std::function<bool(const std::string& path)> saveScreenshot;
    // Saves the open project to the file; none: there is no project.
    std::function<bool(const std::string& path)> saveProject;
    // Opens a web address; OpenWithDefaultApplication when not given.
    std::function<bool(const std::string& address)> openAddress;
};

// The last thing the program does when it crashes: a processor fault
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL), an abort (SIGABRT) or a C++ exception
// nobody caught. The handlers run on a stack of their own, so that a stack
// overflow is reported too. The report (what, where, the registers and a
// symbolised stack trace) goes to the log; then, each step on its own so that
// one failing leaves the others done: the sound device is closed, the log
// is copied to "Loomtone-Crash.txt", the window's picture is written to
// "Loomtone-Crash.jpg", the project is saved to "Loomtone-CrashRecovery.lt4"
// (which the next start offers to open) and copied to "Loomtone-Crash.lt4",
// and the user is told, and asked about the crash web page when the string
// file names one. Then the process ends with the signal it was given.
//
// Saving from inside a crashed process may fail or crash again; the save
// writes a new file beside the recovery file and takes its place only when
// whole, so that the last automatic copy (CAutosave) is offered instead.
class CCrashHandler {
public:
    static constexpr const char* kLogFileName = "Loomtone-Log.txt";
    static constexpr const char* kCrashLogName = "Loomtone-Crash.txt";
    static constexpr const char* kScreenshotName = "Loomtone-Crash.jpg";
    static constexpr const char* kRecoveryName = "Loomtone-CrashRecovery.lt4";
    static constexpr const char* kRecoveryCopyName = "Loomtone-Crash.lt4";
    static constexpr int kJpegQuality = 90;
    static constexpr size_t kAltStackSize = 8 * 1024 * 1024;

    // Installs the handlers; the thread calling it is the one that may show
    // the message. Calling it again replaces the setup.
    static void Install(CrashSetup setup);
    static void Uninstall();
    static bool IsInstalled();

    // The crash web page with the error details, or "" when the string file
    // names none.
    static std::string WebsiteAddress(int buildNumber, int signal, const void* instruction);

    // For the tests: a real fault in a function of its own, and an exception
    // that nobody catches.
    [[noreturn]] static void RaiseTestFault();
    [[noreturn]] static void ThrowTestException();
};
