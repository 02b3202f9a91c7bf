#include "engine/CJackDevice.h"

#include "engine/CJackClients.h"
#include "engine/CPCMMixer.h"
#include "engine/CRtAudioInput.h"
#include "engine/WaveFormat.h"
#include "support/Log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

// The largest block the callback mixes; a server asking for more hears silence.
constexpr int kMostFrames = 8192;
// How long closing waits for a callback the server cut short.
constexpr auto kCallbackEndWait = std::chrono::seconds(1);
// How long closing a client whose server failed a request waits for JACK to
// report the server gone.
constexpr auto kServerGoneWait = std::chrono::seconds(2);

// A device of the server as RtAudio names it too: the part of its port names
// before the colon. Its playback ports take sound in, its capture ports give it.
struct JackDeviceEntry {
    std::string name;
    std::vector<std::string> playbackPorts;
    std::vector<std::string> capturePorts;
};

std::vector<JackDeviceEntry> DevicesOf(jack_client_t* client) {
    std::vector<JackDeviceEntry> devices;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, 0);
    if (!ports)
        return devices;
    for (size_t index = 0; ports[index]; ++index) {
        const std::string port = ports[index];
        const size_t colon = port.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = port.substr(0, colon);
        auto device =
            std::find_if(devices.begin(), devices.end(),
                         [&name](const JackDeviceEntry& entry) { return entry.name == name; });
        if (device == devices.end())
            device = devices.insert(devices.end(), JackDeviceEntry{name, {}, {}});
        const int flags = jack_port_flags(jack_port_by_name(client, ports[index]));
        if (flags & JackPortIsInput)
            device->playbackPorts.push_back(port);
        else if (flags & JackPortIsOutput)
            device->capturePorts.push_back(port);
    }
    jack_free(ports);
    return devices;
}

// The device of that name with ports of the direction; with no name the
// first device (RtAudio's default), or the first with such ports.
const JackDeviceEntry* Pick(const std::vector<JackDeviceEntry>& devices, const std::string& name,
                            bool output) {
    const auto hasPorts = [output](const JackDeviceEntry& device) {
        return !(output ? device.playbackPorts : device.capturePorts).empty();
    };
    for (const JackDeviceEntry& device : devices)
        if (hasPorts(device) && (name.empty() || device.name == name))
            return &device;
    return nullptr;
}

int PortLatency(jack_client_t* client, const std::string& port, jack_latency_callback_mode_t mode) {
    jack_port_t* handle = port.empty() ? nullptr : jack_port_by_name(client, port.c_str());
    if (!handle)
        return 0;
    jack_latency_range_t range{0, 0};
    jack_port_get_latency_range(handle, mode, &range);
    return static_cast<int>(range.min);
}

int OnProcess(jack_nframes_t frames, void* device) {
    return static_cast<CJackDevice*>(device)->Process(frames);
}

void OnShutdown(void* device) {
    static_cast<CJackDevice*>(device)->ShutDown();
}

int OnXrun(void* device) {
    static_cast<CJackDevice*>(device)->CountXrun();
    return 0;
}

int OnBufferSize(jack_nframes_t frames, void* device) {
    static_cast<CJackDevice*>(device)->SetBlockFrames(static_cast<int>(frames));
    return 0;
}

} // namespace

CJackDevice::CJackDevice(CPCMMixer& mixer)
    : m_mixer(mixer), m_clientsId(CJackClients::Add([this] { CloseIfServerGone(); })) {}

CJackDevice::~CJackDevice() {
    CJackClients::Remove(m_clientsId);
    Stop();
}

void CJackDevice::ShutDown() noexcept {
    m_shutDown = true;
    CJackClients::ServerWentAway();
}

void CJackDevice::CloseIfServerGone() {
    if (m_shutDown.load())
        Close();
}

bool CJackDevice::Start(const AudioDeviceChoice& choice, std::string& reason) {
    Stop();
    m_shutDown = false;
    m_times.Reset();
    m_xruns = 0;
    if (!Open(choice, reason)) {
        Close();
        return false;
    }
    m_started = true;
    LogFmt("Audio device open: JACK %s, %d frames, latency out %d in %d", m_description.c_str(),
           BlockFrames(), m_outputLatency, m_inputLatency);
    return true;
}

bool CJackDevice::Open(const AudioDeviceChoice& choice, std::string& reason) {
    m_clientName = choice.clientName;
    CJackClients::BeforeOpening();
    jack_status_t status{};
    m_client = jack_client_open(choice.clientName.c_str(), JackNoStartServer, &status);
    if (!m_client) {
        reason = "the JACK server is not running";
        return false;
    }
    // At once: the server may go away during the rest of the start, and
    // closing the client then waits for this notice (see Close).
    jack_on_shutdown(m_client, &OnShutdown, this);
    const jack_nframes_t rate = jack_get_sample_rate(m_client);
    if (rate != static_cast<jack_nframes_t>(kMixerSampleRate)) {
        reason = "the JACK server runs at " + std::to_string(rate) + " Hz, the mixer at " +
                 std::to_string(kMixerSampleRate) + " Hz";
        return false;
    }
    const std::vector<JackDeviceEntry> devices = DevicesOf(m_client);
    const JackDeviceEntry* output = Pick(devices, choice.outputName, true);
    if (!output) {
        reason = choice.outputName.empty() ? "no output device"
                                           : "no output device named '" + choice.outputName + "'";
        return false;
    }
    const JackDeviceEntry* input =
        choice.inputChannels > 0 ? Pick(devices, choice.inputName, false) : nullptr;
    const int inputs = input ? std::min(static_cast<int>(input->capturePorts.size()),
                                        std::clamp(choice.inputChannels, 1, 2))
                             : 0;
    if (!RegisterPorts(inputs)) {
        reason = "the JACK server refused Loomtone's ports";
        m_requestFailed = true;
        return false;
    }
    jack_set_process_callback(m_client, &OnProcess, this);
    jack_set_buffer_size_callback(m_client, &OnBufferSize, this);
    jack_set_xrun_callback(m_client, &OnXrun, this);
    m_blockFrames = static_cast<int>(jack_get_buffer_size(m_client));
    if (jack_activate(m_client) != 0) {
        reason = "the JACK server did not start Loomtone's client";
        m_requestFailed = true;
        return false;
    }
    if (!Connect(output->playbackPorts, m_outPorts, true) ||
        (input && !Connect(input->capturePorts, m_inPorts, false))) {
        reason = "the JACK server did not connect Loomtone's ports";
        m_requestFailed = true;
        return false;
    }
    m_outputLatency = PortLatency(m_client, output->playbackPorts.front(), JackPlaybackLatency);
    m_inputLatency =
        input ? PortLatency(m_client, input->capturePorts.front(), JackCaptureLatency) : 0;
    m_inputName = input ? input->name : std::string();
    m_description = output->name + (input ? " / " + input->name : std::string());
    return true;
}

// RtAudio's port names, which scripts and other programs connect to.
bool CJackDevice::RegisterPorts(int inputs) {
    for (int channel = 0; channel < kMixerChannels; ++channel) {
        const std::string name = "outport " + std::to_string(channel);
        jack_port_t* port = jack_port_register(m_client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsOutput, 0);
        if (!port)
            return false;
        m_outPorts.push_back(port);
    }
    for (int channel = 0; channel < inputs; ++channel) {
        const std::string name = "inport " + std::to_string(channel);
        jack_port_t* port =
            jack_port_register(m_client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        if (!port)
            return false;
        m_inPorts.push_back(port);
    }
    m_out.assign(static_cast<size_t>(kMostFrames * kMixerChannels), 0.0f);
    m_in.assign(static_cast<size_t>(kMostFrames * std::max(inputs, 1)), 0.0f);
    return true;
}

// Our port n to the device's port n, as far as both go.
bool CJackDevice::Connect(const std::vector<std::string>& devicePorts,
                          const std::vector<jack_port_t*>& ours, bool output) {
    for (size_t index = 0; index < ours.size() && index < devicePorts.size(); ++index) {
        const char* own = jack_port_name(ours[index]);
        const char* theirs = devicePorts[index].c_str();
        const int result =
            output ? jack_connect(m_client, own, theirs) : jack_connect(m_client, theirs, own);
        if (result != 0 && result != EEXIST)
            return false;
    }
    return true;
}

void CJackDevice::Stop() {
    Close();
    m_started = false;
}

void CJackDevice::Close() {
    if (!m_client)
        return;
    // Closing cancels JACK's threads at any instruction. The thread that
    // finds the server gone first reports it with the C library's help,
    // taking its locks (the locale lock among them); cancelled there, it
    // leaves a lock taken for good and the program hangs at exit. Its
    // shutdown notice is the last thing it does: once that came, it holds
    // none. A request that failed while starting most likely means that the
    // server is going, so the notice is waited for; a server that refused
    // and lives on sends none, hence the bound.
    const auto gone = std::chrono::steady_clock::now() + kServerGoneWait;
    while (m_requestFailed && !m_shutDown.load() && std::chrono::steady_clock::now() < gone)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_requestFailed = false;
    if (!m_shutDown.load())
        jack_deactivate(m_client);
    // Closing cancels JACK's threads at any instruction; none may be inside
    // the callback then, whose functions may not throw.
    const auto until = std::chrono::steady_clock::now() + kCallbackEndWait;
    while (m_inProcess.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    jack_client_close(m_client);
    m_client = nullptr;
    m_outPorts.clear();
    m_inPorts.clear();
}

bool CJackDevice::IsRunning() const {
    return m_started && m_client && !m_shutDown.load();
}

bool CJackDevice::Failed() const {
    return m_started && m_shutDown.load();
}

std::unique_ptr<CRtAudioInput> CJackDevice::OpenOtherInput(const std::string& name,
                                                           std::string& reason) {
    if (!IsRunning()) {
        reason = "no audio device runs";
        return nullptr;
    }
    auto input = std::make_unique<CRtAudioInput>(m_mixer);
    const std::string client = m_clientName + "-in" + std::to_string(++m_otherInputs);
    if (!input->Start(AudioDeviceChoice::kJack, name, client, BlockFrames(), reason))
        return nullptr;
    return input;
}

int CJackDevice::Process(jack_nframes_t frames) LOOMTONE_REALTIME {
    m_inProcess = true;
    {
        CCallbackStopwatch watch(m_times, static_cast<int>(frames));
        const size_t count = frames;
        const size_t inputs = m_inPorts.size();
        if (count > static_cast<size_t>(kMostFrames)) {
            for (jack_port_t* port : m_outPorts)
                std::fill_n(static_cast<float*>(jack_port_get_buffer(port, frames)), count, 0.0f);
        } else {
            for (size_t channel = 0; channel < inputs; ++channel) {
                const auto* from =
                    static_cast<const float*>(jack_port_get_buffer(m_inPorts[channel], frames));
                for (size_t frame = 0; frame < count; ++frame)
                    m_in[frame * inputs + channel] = from[frame];
            }
            const float* in = inputs > 0 ? m_in.data() : nullptr;
            if (in)
                m_mixer.CaptureInput(in, static_cast<int>(count), static_cast<int>(inputs));
            m_mixer.MixWithInput(m_out.data(), in, static_cast<int>(inputs),
                                 static_cast<int>(count));
            for (size_t channel = 0; channel < m_outPorts.size(); ++channel) {
                auto* to = static_cast<float*>(jack_port_get_buffer(m_outPorts[channel], frames));
                for (size_t frame = 0; frame < count; ++frame)
                    to[frame] = m_out[frame * kMixerChannels + channel];
            }
        }
    }
    m_inProcess = false;
    return 0;
}
