#pragma once

#include <string>
#include <string_view>

// Facts about the machine and the running process, and starting the user's browser.

// Processor speed in MHz: the highest "cpu MHz" over all cores in /proc/cpuinfo,
// 0 when it cannot be measured.
int CPUSpeed();
// The speed found in cpuinfo-formatted text, 0 when it holds no usable "cpu MHz" line.
int ParseCPUSpeed(std::string_view cpuinfo);

// A one-line description of the operating system, e.g.
// "Debian GNU/Linux 12 (bookworm); Linux 6.1.0-18-amd64 x86_64".
std::string GetSystemVersion();
// The PRETTY_NAME value of os-release text, unquoted; "" when there is none.
std::string ParseOsReleasePrettyName(std::string_view osRelease);

// Remembers the program's command line once at start-up.
void SetCommandLine(int argc, char** argv);
// Argument by index (0 is the program itself); "" when out of range or never set.
std::string GetCommandLineParameter(int index);

// Opens a file or web address with the desktop's default application through
// xdg-open without waiting for it. The target is passed as one argument, never
// through a shell; one starting with '-' is refused. False when the launcher
// could not be started.
bool OpenWithDefaultApplication(const std::string& target);
// Opens a web address in the user's browser (OpenWithDefaultApplication).
bool LaunchBrowser(const std::string& url);
