#include "app/CCrashHandler.h"

#include "app/CCrashReport.h"
#include "gui/MessageBoxes.h"
#include "support/LocalizedFormat.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/SystemInfo.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <typeinfo>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

struct HandlerState {
    CrashSetup setup;
    std::thread::id mainThread;
    bool installed = false;
    void* altStack = nullptr;
    std::terminate_handler previousTerminate = nullptr;
};

HandlerState& State() {
    static HandlerState state;
    return state;
}

// Set by the first crash; a second one (another thread, or a fault outside
// the guarded steps) does not start the crash path again.
std::atomic<bool> g_crashing{false};
std::atomic<pthread_t> g_crashingThread{};
// Armed while one step of the crash path runs: a fault inside it ends that
// step only.
thread_local sigjmp_buf* t_stepGuard = nullptr;

[[noreturn]] void EndWithSignal(int signal) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    _exit(128 + signal);
}

template <typename Step> bool GuardedStep(const char* name, Step&& step) {
    sigjmp_buf guard;
    if (sigsetjmp(guard, 1) != 0) {
        t_stepGuard = nullptr;
        LogFmt("Crash handler: %s failed with a second fault", name);
        return false;
    }
    t_stepGuard = &guard;
    bool done = false;
    try {
        done = step();
    } catch (...) {
        LogFmt("Crash handler: %s threw an exception", name);
    }
    t_stepGuard = nullptr;
    return done;
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::error_code error;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                      error);
}

// The step that keeps the project: its own save, else the last automatic
// copy already at the recovery file's place. Answers the text that says which.
std::string KeepProject(const CrashSetup& setup) {
    const std::string recovery = setup.userDataFolder + CCrashHandler::kRecoveryName;
    const std::string copy = setup.userDataFolder + CCrashHandler::kRecoveryCopyName;
    if (!setup.saveProject)
        return MyLoadString("CRASH_UnableToSaveProj");
    if (GuardedStep("the project save", [&] { return setup.saveProject(recovery); })) {
        CopyFile(recovery, copy);
        return MyLoadString("CRASH_SavedProject");
    }
    std::error_code error;
    if (std::filesystem::exists(recovery, error)) {
        Log("Crash handler: the project could not be saved; its last automatic copy is kept");
        CopyFile(recovery, copy);
        return MyLoadString("CRASH_AutosavedProject");
    }
    return MyLoadString("CRASH_UnableToSaveProj");
}

void TellUser(const CrashSetup& setup, const std::string& projectText, int signal,
              const void* instruction) {
    const std::string website =
        CCrashHandler::WebsiteAddress(setup.buildNumber, signal, instruction);
    MessageBoxRequest request;
    request.owner = GetMainWindow();
    request.title = MyLoadString("CRASH_Title");
    request.text = FormatLocalized(
        MyLoadString(website.empty() ? "CRASH_TextNoWebsite" : "CRASH_Text"), projectText,
        FormatLocalized(MyLoadString("CRASH_LogFileInfo"), setup.userDataFolder));
    request.flags = (website.empty() ? MB_OK : MB_YESNO) | MB_ICONEXCLAMATION;
    if (RunMessageBox(request, nullptr) != IDYES)
        return;
    LogFmt("Launching Browser URL: %s", website.c_str());
    if (setup.openAddress)
        setup.openAddress(website);
    else
        OpenWithDefaultApplication(website);
}

// Everything after the report, each step on its own.
void RunCrashSteps(int signal, const void* instruction) {
    const CrashSetup& setup = State().setup;
    if (setup.closeMixer && !GuardedStep("closing the mixer", [&] {
            setup.closeMixer();
            return true;
        }))
        Log("Exception attempting to close mixer.");
    const std::string folder = setup.userDataFolder;
    GuardedStep("copying the log", [&] {
        return CopyFile(folder + CCrashHandler::kLogFileName,
                        folder + CCrashHandler::kCrashLogName);
    });
    if (setup.saveScreenshot)
        GuardedStep("the screenshot",
                    [&] { return setup.saveScreenshot(folder + CCrashHandler::kScreenshotName); });
    const std::string projectText = KeepProject(setup);
    // Only the thread that runs the window can show it a message.
    if (std::this_thread::get_id() == State().mainThread)
        GuardedStep("the message", [&] {
            TellUser(setup, projectText, signal, instruction);
            return true;
        });
    LogClose();
}

// Only the first crash is handled; a second thread that crashes meanwhile
// waits for the first to end the process.
bool BeginCrash() {
    if (!g_crashing.exchange(true)) {
        g_crashingThread = pthread_self();
        return true;
    }
    if (pthread_equal(g_crashingThread.load(), pthread_self()))
        return false;
    for (;;)
        pause();
}

void OnSignal(int signal, siginfo_t* info, void* context) {
    if (sigjmp_buf* guard = t_stepGuard) {
        t_stepGuard = nullptr;
        siglongjmp(*guard, 1);
    }
    if (!BeginCrash())
        EndWithSignal(signal);
    CCrashReport report;
    report.AddSignal(signal, info, context);
    report.AddStackTrace(context, info ? info->si_addr : nullptr);
    std::fputs(report.Text(), stderr);
    Log(report.Text());
    RunCrashSteps(signal, CCrashReport::InstructionOf(context));
    EndWithSignal(signal);
}

std::string DescribeCurrentException() {
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return "std::terminate called without an exception";
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& exception) {
        return std::string(typeid(exception).name()) + ": " + exception.what();
    } catch (...) {
        return "an exception of an unknown type";
    }
}

void OnTerminate() {
    if (!BeginCrash())
        EndWithSignal(SIGABRT);
    CCrashReport report;
    report.AddException(DescribeCurrentException());
    report.AddStackTrace(nullptr, nullptr);
    std::fputs(report.Text(), stderr);
    Log(report.Text());
    RunCrashSteps(SIGABRT, nullptr);
    EndWithSignal(SIGABRT);
}

bool MakeAltStack(HandlerState& state) {
    if (!state.altStack) {
        void* memory = mmap(nullptr, CCrashHandler::kAltStackSize, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (memory == MAP_FAILED)
            return false;
        state.altStack = memory;
    }
    stack_t stack{};
    stack.ss_sp = state.altStack;
    stack.ss_size = CCrashHandler::kAltStackSize;
    return sigaltstack(&stack, nullptr) == 0;
}

} // namespace

void CCrashHandler::Install(CrashSetup setup) {
    HandlerState& state = State();
    state.setup = std::move(setup);
    state.mainThread = std::this_thread::get_id();
    if (state.installed)
        return;
    if (!MakeAltStack(state))
        Log("CCrashHandler: no stack of its own for the crash handler");
    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    // SA_NODEFER: a fault inside a step of the crash path reaches the handler,
    // which ends that step.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
    state.previousTerminate = std::set_terminate(OnTerminate);
    state.installed = true;
}

void CCrashHandler::Uninstall() {
    HandlerState& state = State();
    if (!state.installed)
        return;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int signal : kSignals)
        sigaction(signal, &fallback, nullptr);
    std::set_terminate(state.previousTerminate);
    state.setup = CrashSetup{};
    state.installed = false;
}

bool CCrashHandler::IsInstalled() {
    return State().installed;
}

std::string CCrashHandler::WebsiteAddress(int buildNumber, int signal, const void* instruction) {
    const std::string base = MyLoadString("CRASH_Website");
    // A missing key reads as its own name.
    if (base.find("://") == std::string::npos)
        return {};
    char details[512];
    std::snprintf(details, sizeof details, "?build=%i&errcode=0x%08X", buildNumber,
                  static_cast<unsigned>(signal));
    std::string address = base + details;
    Dl_info module{};
    if (instruction && dladdr(instruction, &module) && module.dli_fname) {
        const auto moduleBase = reinterpret_cast<uintptr_t>(module.dli_fbase);
        const uintptr_t offset = reinterpret_cast<uintptr_t>(instruction) - moduleBase;
        const std::string name = std::filesystem::path(module.dli_fname).filename().string();
        std::snprintf(details, sizeof details,
                      "&erraddress=0x%08lX&errmodule=%s&errmoduleaddress=0x%08lX"
                      "&errlinenumber=0x%08lX",
                      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(instruction)),
                      name.c_str(), static_cast<unsigned long>(moduleBase),
                      static_cast<unsigned long>(offset - 0x1000));
        address += details;
    }
    return address;
}

void CCrashHandler::RaiseTestFault() {
    // An address no process maps, through a volatile value so that the
    // compiler keeps the write.
    volatile uintptr_t nowhere = 16;
    *reinterpret_cast<int*>(nowhere) = 1;
    std::abort();
}

void CCrashHandler::ThrowTestException() {
    throw std::runtime_error("the crash test's exception");
}
