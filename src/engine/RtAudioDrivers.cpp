#include "engine/RtAudioDrivers.h"

#include "engine/AudioDeviceChoice.h"
#include "engine/CJackClients.h"
#include "support/Log.h"

#include <algorithm>

namespace {

RtAudio::Api ApiOf(int driverType) {
    switch (driverType) {
    case AudioDeviceChoice::kPulse:
        return RtAudio::LINUX_PULSE;
    case AudioDeviceChoice::kJack:
        return RtAudio::UNIX_JACK;
    case AudioDeviceChoice::kAlsa:
        return RtAudio::LINUX_ALSA;
    default:
        return RtAudio::RTAUDIO_DUMMY;
    }
}

bool Compiled(RtAudio::Api api) {
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

} // namespace

std::unique_ptr<RtAudio> QuietDriver(int driverType) {
    const RtAudio::Api api = ApiOf(driverType);
    if (api == RtAudio::RTAUDIO_DUMMY || !Compiled(api))
        return nullptr;
    if (api == RtAudio::UNIX_JACK)
        CJackClients::BeforeOpening();
    try {
        auto audio = std::make_unique<RtAudio>(api);
        audio->showWarnings(false);
        return audio;
    } catch (const RtAudioError& error) {
        LogFmt("Audio driver %d: %s", driverType, error.getMessage().c_str());
        return nullptr;
    }
}

std::vector<RtDeviceEntry> DevicesOf(RtAudio& audio) {
    std::vector<RtDeviceEntry> devices;
    try {
        const unsigned int count = audio.getDeviceCount();
        for (unsigned int id = 0; id < count; ++id) {
            RtAudio::DeviceInfo info = audio.getDeviceInfo(id);
            if (info.probed)
                devices.push_back({id, info});
        }
    } catch (const RtAudioError& error) {
        LogFmt("Audio devices: %s", error.getMessage().c_str());
    }
    return devices;
}

const RtDeviceEntry* PickDevice(const std::vector<RtDeviceEntry>& devices, const std::string& name,
                                bool output) {
    const auto channels = [output](const RtDeviceEntry& device) {
        return output ? device.info.outputChannels : device.info.inputChannels;
    };
    const RtDeviceEntry* first = nullptr;
    for (const RtDeviceEntry& device : devices) {
        if (channels(device) == 0)
            continue;
        if (!name.empty() && device.info.name == name)
            return &device;
        if (name.empty() && (output ? device.info.isDefaultOutput : device.info.isDefaultInput))
            return &device;
        first = first ? first : &device;
    }
    return name.empty() ? first : nullptr;
}

void CloseStream(RtAudio& audio, const char* what) {
    try {
        if (audio.isStreamRunning())
            audio.stopStream();
        if (audio.isStreamOpen())
            audio.closeStream();
    } catch (const RtAudioError& error) {
        LogFmt("%s: %s", what, error.getMessage().c_str());
    }
}
