#include "engine/CRtAudioDevice.h"

#include "engine/CPCMMixer.h"
#include "engine/CRtAudioInput.h"
#include "engine/RtAudioDrivers.h"
#include "engine/WaveFormat.h"
#include "support/Log.h"

#include <algorithm>

namespace {

std::vector<std::string> NamesWith(int driverType, bool outputs) {
    std::vector<std::string> names;
    if (auto audio = QuietDriver(driverType)) {
        for (const RtDeviceEntry& device : DevicesOf(*audio))
            if ((outputs ? device.info.outputChannels : device.info.inputChannels) > 0)
                names.push_back(device.info.name);
    }
    return names;
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

std::vector<int> CRtAudioDevice::InputChannelCounts(int driverType) {
    std::vector<int> counts;
    if (auto audio = QuietDriver(driverType)) {
        for (const RtDeviceEntry& device : DevicesOf(*audio))
            if (device.info.inputChannels > 0)
                counts.push_back(static_cast<int>(device.info.inputChannels));
    }
    return counts;
}

int CRtAudioDevice::DefaultOutput(int driverType) {
    auto audio = QuietDriver(driverType);
    if (!audio)
        return -1;
    int position = 0;
    int first = -1;
    for (const RtDeviceEntry& device : DevicesOf(*audio)) {
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
        ReadLatencies();
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
    const std::vector<RtDeviceEntry> devices = DevicesOf(*m_audio);
    const RtDeviceEntry* output = PickDevice(devices, choice.outputName, true);
    if (!output)
        return false;
    RtAudio::StreamParameters outParams;
    outParams.deviceId = output->id;
    outParams.nChannels = kMixerChannels;
    RtAudio::StreamParameters inParams;
    const RtDeviceEntry* input =
        choice.inputChannels > 0 ? PickDevice(devices, choice.inputName, false) : nullptr;
    m_inputChannels = 0;
    m_inputName.clear();
    m_driverType = choice.driverType;
    m_clientName = choice.clientName;
    if (input) {
        m_inputName = input->info.name;
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

// RtAudio adds the input and output latencies of a duplex stream together;
// its drivers (a JACK server is driven by CJackDevice) use equal buffers both ways.
void CRtAudioDevice::ReadLatencies() {
    const int total = static_cast<int>(std::max(m_audio->getStreamLatency(), 0L));
    if (m_inputChannels == 0) {
        m_outputLatency = total;
        m_inputLatency = 0;
        return;
    }
    m_outputLatency = total - total / 2;
    m_inputLatency = total / 2;
}

std::unique_ptr<CRtAudioInput> CRtAudioDevice::OpenOtherInput(const std::string& name,
                                                              std::string& reason) {
    if (!m_audio) {
        reason = "no audio device runs";
        return nullptr;
    }
    auto input = std::make_unique<CRtAudioInput>(m_mixer);
    const std::string client = m_clientName + "-in" + std::to_string(++m_otherInputs);
    if (!input->Start(m_driverType, name, client, m_blockFrames, reason))
        return nullptr;
    return input;
}

void CRtAudioDevice::Stop() {
    if (!m_audio)
        return;
    m_stoppedOnPurpose = true;
    CloseStream(*m_audio, "Audio device stop");
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
    CCallbackStopwatch watch(m_times, static_cast<int>(frames));
    if (in)
        m_mixer.CaptureInput(in, static_cast<int>(frames), m_inputChannels);
    if (out)
        m_mixer.MixWithInput(out, in, in ? m_inputChannels : 0, static_cast<int>(frames));
    return 0;
}
