#include "engine/CRtAudioDevice.h"

#include "engine/CPCMMixer.h"
#include "engine/JackLatencies.h"
#include "engine/WaveFormat.h"
#include "support/Log.h"

#include <rtaudio/RtAudio.h>

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

struct DeviceEntry {
    unsigned int id = 0;
    RtAudio::DeviceInfo info;
};

// The driver's devices, each probed once. Drivers report through exceptions
// and stderr; a driver that cannot be asked has no devices.
std::vector<DeviceEntry> DevicesOf(RtAudio& audio) {
    std::vector<DeviceEntry> devices;
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

std::unique_ptr<RtAudio> QuietDriver(int driverType) {
    const RtAudio::Api api = ApiOf(driverType);
    if (api == RtAudio::RTAUDIO_DUMMY || !Compiled(api))
        return nullptr;
    try {
        auto audio = std::make_unique<RtAudio>(api);
        audio->showWarnings(false);
        return audio;
    } catch (const RtAudioError& error) {
        LogFmt("Audio driver %d: %s", driverType, error.getMessage().c_str());
        return nullptr;
    }
}

std::vector<std::string> NamesWith(int driverType, bool outputs) {
    std::vector<std::string> names;
    if (auto audio = QuietDriver(driverType)) {
        for (const DeviceEntry& device : DevicesOf(*audio))
            if ((outputs ? device.info.outputChannels : device.info.inputChannels) > 0)
                names.push_back(device.info.name);
    }
    return names;
}

// The device of that name with the needed channels; with no name, the
// default one (the first such device when none is marked default).
const DeviceEntry* Pick(const std::vector<DeviceEntry>& devices, const std::string& name,
                        bool output) {
    const auto channels = [output](const DeviceEntry& device) {
        return output ? device.info.outputChannels : device.info.inputChannels;
    };
    const DeviceEntry* first = nullptr;
    for (const DeviceEntry& device : devices) {
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

int RtCallback(void* out, void* in, unsigned int frames, double, RtAudioStreamStatus, void* user) {
    return static_cast<CRtAudioDevice*>(user)->Callback(static_cast<float*>(out),
                                                        static_cast<const float*>(in), frames);
}

} // namespace

CRtAudioDevice::CRtAudioDevice(CPCMMixer& mixer) : m_mixer(mixer) {}

CRtAudioDevice::~CRtAudioDevice() {
    Stop();
}

std::vector<std::string> CRtAudioDevice::OutputNames(int driverType) {
    return NamesWith(driverType, true);
}

std::vector<std::string> CRtAudioDevice::InputNames(int driverType) {
    return NamesWith(driverType, false);
}

int CRtAudioDevice::DefaultOutput(int driverType) {
    auto audio = QuietDriver(driverType);
    if (!audio)
        return -1;
    int position = 0;
    int first = -1;
    for (const DeviceEntry& device : DevicesOf(*audio)) {
        if (device.info.outputChannels == 0)
            continue;
        if (device.info.isDefaultOutput)
            return position;
        first = first < 0 ? position : first;
        ++position;
    }
    return first;
}

bool CRtAudioDevice::Start(const AudioDeviceChoice& choice, std::string& reason) {
    Stop();
    m_audio = QuietDriver(choice.driverType);
    if (!m_audio) {
        reason = "the audio driver " + std::to_string(choice.driverType) + " is not available";
        return false;
    }
    try {
        if (!OpenStream(choice)) {
            reason = choice.outputName.empty()
                         ? "no output device"
                         : "no output device named '" + choice.outputName + "'";
            m_audio.reset();
            return false;
        }
        ReadLatencies(choice);
        m_times.Reset();
        m_stoppedOnPurpose = false;
        m_audio->startStream();
    } catch (const RtAudioError& error) {
        reason = error.getMessage();
        m_audio.reset();
        return false;
    }
    m_started = true;
    LogFmt("Audio device open: %s, %d frames, latency out %d in %d", m_description.c_str(),
           m_blockFrames, m_outputLatency, m_inputLatency);
    return true;
}

bool CRtAudioDevice::OpenStream(const AudioDeviceChoice& choice) {
    const std::vector<DeviceEntry> devices = DevicesOf(*m_audio);
    const DeviceEntry* output = Pick(devices, choice.outputName, true);
    if (!output)
        return false;
    RtAudio::StreamParameters outParams;
    outParams.deviceId = output->id;
    outParams.nChannels = kMixerChannels;
    RtAudio::StreamParameters inParams;
    const DeviceEntry* input =
        choice.inputChannels > 0 ? Pick(devices, choice.inputName, false) : nullptr;
    m_inputChannels = 0;
    if (input) {
        m_inputChannels = static_cast<int>(std::min<unsigned int>(
            input->info.inputChannels,
            static_cast<unsigned int>(std::clamp(choice.inputChannels, 1, 2))));
        inParams.deviceId = input->id;
        inParams.nChannels = static_cast<unsigned int>(m_inputChannels);
    }
    RtAudio::StreamOptions options;
    options.streamName = choice.clientName;
    unsigned int frames = static_cast<unsigned int>(std::clamp(choice.blockFrames, 16, 8192));
    m_audio->openStream(&outParams, input ? &inParams : nullptr, RTAUDIO_FLOAT32, kMixerSampleRate,
                        &frames, &RtCallback, this, &options);
    m_blockFrames = static_cast<int>(frames);
    m_description = output->info.name + (input ? " / " + input->info.name : std::string());
    return true;
}

// RtAudio adds the input and output latencies of a duplex stream together; the
// JACK server tells them apart, other drivers use equal buffers both ways.
void CRtAudioDevice::ReadLatencies(const AudioDeviceChoice& choice) {
    const int total = static_cast<int>(std::max(m_audio->getStreamLatency(), 0L));
    if (m_inputChannels == 0) {
        m_outputLatency = total;
        m_inputLatency = 0;
        return;
    }
    if (choice.driverType == AudioDeviceChoice::kJack) {
        const JackLatencies jack = ReadJackSystemLatencies();
        if (jack.known) {
            m_outputLatency = jack.playbackFrames;
            m_inputLatency = jack.captureFrames;
            return;
        }
    }
    m_outputLatency = total - total / 2;
    m_inputLatency = total / 2;
}

void CRtAudioDevice::Stop() {
    if (!m_audio)
        return;
    m_stoppedOnPurpose = true;
    try {
        if (m_audio->isStreamRunning())
            m_audio->stopStream();
        if (m_audio->isStreamOpen())
            m_audio->closeStream();
    } catch (const RtAudioError& error) {
        LogFmt("Audio device stop: %s", error.getMessage().c_str());
    }
    m_audio.reset();
    m_started = false;
}

bool CRtAudioDevice::IsRunning() const {
    return m_audio && m_audio->isStreamRunning();
}

bool CRtAudioDevice::Failed() const {
    return m_started && !m_stoppedOnPurpose.load() && !IsRunning();
}

int CRtAudioDevice::Callback(float* out, const float* in, unsigned int frames) LOOMTONE_REALTIME {
    CCallbackStopwatch watch(m_times);
    if (in)
        m_mixer.CaptureInput(in, static_cast<int>(frames), m_inputChannels);
    if (out)
        m_mixer.MixWithInput(out, in, in ? m_inputChannels : 0, static_cast<int>(frames));
    return 0;
}
