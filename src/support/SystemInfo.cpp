#include "support/SystemInfo.h"

#include "support/Log.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <sstream>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Reads at most maxBytes of a small system file; "" when it cannot be read.
std::string ReadSmallFile(const char* path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text(maxBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(maxBytes));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Calls visit(key, value) for each "key: value" or "key=value" line.
template <class Visit> void ForEachKeyValue(std::string_view text, char separator, Visit visit) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto sep = line.find(separator);
        if (sep != std::string_view::npos)
            visit(Trim(line.substr(0, sep)), Trim(line.substr(sep + 1)));
    }
}

// An os-release value: either bare, or in single or double quotes where a
// backslash escapes the next character.
std::string UnquoteShellValue(std::string_view value) {
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') ||
        value.back() != value.front())
        return std::string(value);
    const bool escapes = value.front() == '"';
    value = value.substr(1, value.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (escapes && value[i] == '\\' && i + 1 < value.size())
            ++i;
        out.push_back(value[i]);
    }
    return out;
}

std::mutex g_commandLineMutex;
std::vector<std::string> g_commandLine;

} // namespace

int ParseCPUSpeed(std::string_view cpuinfo) {
    double best = 0;
    ForEachKeyValue(cpuinfo, ':', [&best](std::string_view key, std::string_view value) {
        if (key != "cpu MHz")
            return;
        double mhz = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), mhz);
        // Anything beyond a million MHz is a garbled line, not a processor.
        if (error == std::errc() && std::isfinite(mhz) && mhz > 0 && mhz < 1e6)
            best = std::max(best, mhz);
    });
    return static_cast<int>(std::lround(best));
}

int CPUSpeed() {
    return ParseCPUSpeed(ReadSmallFile("/proc/cpuinfo", 4u * 1024 * 1024));
}

std::string ParseOsReleasePrettyName(std::string_view osRelease) {
    std::string name;
    ForEachKeyValue(osRelease, '=', [&name](std::string_view key, std::string_view value) {
        if (key == "PRETTY_NAME")
            name = UnquoteShellValue(value);
    });
    return name;
}

std::string GetSystemVersion() {
    std::string distribution = ParseOsReleasePrettyName(ReadSmallFile("/etc/os-release", 65536));
    if (distribution.empty())
        distribution = ParseOsReleasePrettyName(ReadSmallFile("/usr/lib/os-release", 65536));
    std::string kernel;
    utsname names{};
    if (uname(&names) == 0)
        kernel = std::string(names.sysname) + " " + names.release + " " + names.machine;
    if (distribution.empty())
        return kernel;
    if (kernel.empty())
        return distribution;
    return distribution + "; " + kernel;
}

void SetCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 0; argv && i < argc; ++i)
        args.emplace_back(argv[i] ? argv[i] : "");
    std::lock_guard guard(g_commandLineMutex);
    g_commandLine = std::move(args);
}

std::string GetCommandLineParameter(int index) {
    std::lock_guard guard(g_commandLineMutex);
    if (index < 0 || index >= static_cast<int>(g_commandLine.size()))
        return {};
    return g_commandLine[index];
}

bool LaunchBrowser(const std::string& url) {
    return OpenWithDefaultApplication(url);
}

bool OpenWithDefaultApplication(const std::string& target) {
    // A target starting with '-' would be taken by xdg-open as an option.
    if (target.empty() || target.front() == '-') {
        LogFmt("OpenWithDefaultApplication refused \"%s\" - returning false!", target.c_str());
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::string program = "xdg-open";
    std::string argument = target;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        LogFmt("OpenWithDefaultApplication failed on starting xdg-open (error %d) - returning "
               "false!",
               error);
        return false;
    }
    // The browser may run for as long as the user likes; a detached waiter reaps
    // the launcher when it ends so it never lingers as a zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}
