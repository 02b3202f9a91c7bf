#include "app/PlayCommand.h"

#include "app/BypassReport.h"
#include "engine/CAudioDevice.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr int kNullBlockFrames = 256;
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr auto kReportEvery = std::chrono::seconds(1);

bool DriverNamed(const char* name, int& driverType) {
    static constexpr struct {
        const char* name;
        int type;
    } kDrivers[] = {{"pulse", AudioDeviceChoice::kPulse},
                    {"jack", AudioDeviceChoice::kJack},
                    {"alsa", AudioDeviceChoice::kAlsa},
                    {"null", PlayRequest::kNullDriver}};
    for (const auto& driver : kDrivers) {
        if (std::strcmp(name, driver.name) == 0) {
            driverType = driver.type;
            return true;
        }
    }
    return false;
}

// A finite number of seconds, at least 0.
bool SecondsOf(const char* text, double& seconds) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value) || value < 0.0)
        return false;
    seconds = value;
    return true;
}

bool StartDevice(CPCMMixer& mixer, const AudioDeviceChoice& device, const PlayRequest& request,
                 std::string& reason) {
    if (request.driverType == PlayRequest::kNullDriver) {
        if (mixer.GetNullDevice().Start(kNullBlockFrames))
            return true;
        reason = "the null device did not start";
        return false;
    }
    return mixer.OpenDevice(device, reason);
}

void ReportCallbackTimes(const CAudioDevice& device) {
    const CDeviceCallbackTimes& times = device.CallbackTimes();
    std::fprintf(stderr,
                 "loomtone: %lld callbacks of %d frames, average %.1f us, worst %.1f us "
                 "(its own work %.1f us); %lld over half the period (%lld in their own work)\n",
                 static_cast<long long>(times.Count()), device.BlockFrames(),
                 times.AverageMicroseconds(), times.WorstMicroseconds(),
                 times.WorstWorkMicroseconds(), static_cast<long long>(times.OverHalfPeriod()),
                 static_cast<long long>(times.WorkOverHalfPeriod()));
}

} // namespace

bool ParsePlayArguments(int count, char** words, PlayRequest& request, std::string& reason) {
    for (int index = 0; index < count; ++index) {
        const char* word = words[index];
        const bool hasValue = index + 1 < count;
        if (std::strcmp(word, "--driver") == 0 && hasValue) {
            if (!DriverNamed(words[++index], request.driverType)) {
                reason = std::string("unknown driver '") + words[index] +
                         "': use pulse, jack, alsa or null";
                return false;
            }
        } else if (std::strcmp(word, "--from") == 0 && hasValue) {
            if (!SecondsOf(words[++index], request.fromSeconds)) {
                reason = std::string("--from needs seconds, not '") + words[index] + "'";
                return false;
            }
        } else if (std::strcmp(word, "--seconds") == 0 && hasValue) {
            if (!SecondsOf(words[++index], request.seconds)) {
                reason = std::string("--seconds needs seconds, not '") + words[index] + "'";
                return false;
            }
        } else if (word[0] != '-' && request.file.empty()) {
            request.file = word;
        } else {
            reason = std::string("--play does not take '") + word + "'";
            return false;
        }
    }
    if (request.file.empty())
        reason = "--play needs a project file";
    return !request.file.empty();
}

bool PlayLoadedProject(CPCMMixer& mixer, const AudioDeviceChoice& device,
                       const PlayRequest& request, std::string& reason) {
    if (!StartDevice(mixer, device, request, reason)) {
        reason = "the audio device could not open: " + reason;
        return false;
    }
    CAudioDevice& running = mixer.GetDevice();
    std::fprintf(stderr, "loomtone: playing on %s\n", running.Description().c_str());
    mixer.Play(mixer.GetSoundGroup(), request.fromSeconds * 1000.0, 0);
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextReport = start;
    const auto limit = std::chrono::duration<double>(request.seconds);
    bool failed = false;
    while (mixer.Playing()) {
        const auto now = Clock::now();
        if (request.seconds >= 0.0 && now - start >= limit)
            break;
        if (running.Failed()) {
            failed = true;
            break;
        }
        if (now >= nextReport) {
            std::fprintf(stderr, "loomtone: %.1f s\n", mixer.GetPositionMs() / 1000.0);
            PrintBypassedEffects();
            nextReport += kReportEvery;
        }
        std::this_thread::sleep_for(kPoll);
    }
    mixer.Stop(0);
    PrintBypassedEffects();
    ReportCallbackTimes(running);
    if (failed)
        reason = "the audio device stopped while playing: " + running.Description();
    running.Stop();
    mixer.CloseDevice();
    return !failed;
}
