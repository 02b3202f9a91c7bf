#include "support/Log.h"

#include "support/LogCapture.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <sys/statvfs.h>
#include <vector>

namespace {

struct LogState {
    std::mutex mutex;
    FILE* file = nullptr;
    std::string folder;
    std::vector<LogCapture*> captures;
};

LogState& State() {
    static LogState state;
    return state;
}

std::string TimeStamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return buffer;
}

// Reads "Name:   1234 kB" from a /proc file; -1 when absent.
long long ProcValueKB(const char* file, const std::string& name) {
    std::ifstream in(file);
    std::string key;
    long long value = 0;
    while (in >> key >> value) {
        if (key == name + ":")
            return value;
        in.ignore(4096, '\n');
    }
    return -1;
}

} // namespace

bool LogInit(const std::string& path) {
    LogState& state = State();
    std::lock_guard guard(state.mutex);
    if (state.file)
        std::fclose(state.file);
    state.file = std::fopen(path.c_str(), "a");
    const auto slash = path.find_last_of('/');
    state.folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    return state.file != nullptr;
}

void LogClose() {
    LogState& state = State();
    std::lock_guard guard(state.mutex);
    if (state.file)
        std::fclose(state.file);
    state.file = nullptr;
}

void Log(const char* text) {
    const std::string line = text ? text : "";
    LogState& state = State();
    std::lock_guard guard(state.mutex);
    for (LogCapture* capture : state.captures)
        capture->Append(line);
    if (!state.file)
        return;
    const std::string stamped = TimeStamp() + line + "\n";
    std::fwrite(stamped.data(), 1, stamped.size(), state.file);
    std::fflush(state.file);
}

void LogFmt(const char* format, ...) {
    if (!format)
        return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    Log(text.c_str());
}

void LogCurrentMemory() {
    const long long resident = ProcValueKB("/proc/self/status", "VmRSS");
    const long long available = ProcValueKB("/proc/meminfo", "MemAvailable");
    const long long total = ProcValueKB("/proc/meminfo", "MemTotal");
    LogFmt("Memory: process %lld KB resident, %lld KB of %lld KB available", resident, available,
           total);
}

void LogCurrentHardDriveSpace() {
    std::string folder;
    {
        std::lock_guard guard(State().mutex);
        folder = State().folder.empty() ? "." : State().folder;
    }
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) {
        LogFmt("Disk space: unknown for %s", folder.c_str());
        return;
    }
    const unsigned long long freeKB =
        static_cast<unsigned long long>(info.f_bavail) * info.f_frsize / 1024;
    const unsigned long long totalKB =
        static_cast<unsigned long long>(info.f_blocks) * info.f_frsize / 1024;
    LogFmt("Disk space: %llu KB free of %llu KB at %s", freeKB, totalKB, folder.c_str());
}

void LogAttachCapture(LogCapture* capture) {
    std::lock_guard guard(State().mutex);
    State().captures.push_back(capture);
}

void LogDetachCapture(LogCapture* capture) {
    std::lock_guard guard(State().mutex);
    auto& captures = State().captures;
    captures.erase(std::remove(captures.begin(), captures.end(), capture), captures.end());
}
