#include "engine/CRtAudioInput.h"

#include "engine/CPCMMixer.h"
#include "engine/RtAudioDrivers.h"
#include "engine/WaveFormat.h"
#include "support/Log.h"

#include <algorithm>
#include <thread>

namespace {

int RtCallback(void*, void* in, unsigned int frames, double, RtAudioStreamStatus, void* user) {
    return static_cast<CRtAudioInput*>(user)->Callback(static_cast<const float*>(in), frames);
}

} // namespace

CRtAudioInput::CRtAudioInput(CPCMMixer& mixer) : m_mixer(mixer) {}

CRtAudioInput::~CRtAudioInput() {
    Stop();
}

bool CRtAudioInput::Start(int driverType, const std::string& deviceName,
                          const std::string& clientName, int blockFrames, std::string& reason) {
    Stop();
    m_audio = QuietDriver(driverType);
    if (!m_audio) {
        reason = "the audio driver " + std::to_string(driverType) + " is not available";
        return false;
    }
    const std::vector<RtDeviceEntry> devices = DevicesOf(*m_audio);
    const RtDeviceEntry* input = PickDevice(devices, deviceName, false);
    if (!input) {
        reason = "no input device named '" + deviceName + "'";
        m_audio.reset();
        return false;
    }
    m_channels = static_cast<int>(std::min(input->info.inputChannels, 2u));
    m_deviceName = input->info.name;
    RtAudio::StreamParameters params;
    params.deviceId = input->id;
    params.nChannels = static_cast<unsigned int>(m_channels);
    RtAudio::StreamOptions options;
    options.streamName = clientName;
    unsigned int frames = static_cast<unsigned int>(std::clamp(blockFrames, 16, 8192));
    m_ring.Clear();
    m_monitorRing.Clear();
    m_captureStartFrame = -1;
    try {
        m_audio->openStream(nullptr, &params, RTAUDIO_FLOAT32, kMixerSampleRate, &frames,
                            &RtCallback, this, &options);
        // An input-only stream's latency is its input's alone.
        m_latency = static_cast<int>(std::max(m_audio->getStreamLatency(), 0L));
        m_audio->startStream();
    } catch (const RtAudioError& error) {
        reason = error.getMessage();
        m_audio.reset();
        return false;
    }
    LogFmt("Audio input open beside the output: %s, %d channels, latency %d", m_deviceName.c_str(),
           m_channels, m_latency);
    return true;
}

void CRtAudioInput::Stop() {
    StopCapture();
    if (!m_audio)
        return;
    CloseStream(*m_audio, "Audio input stop");
    m_audio.reset();
}

bool CRtAudioInput::IsRunning() const {
    return m_audio && m_audio->isStreamRunning();
}

void CRtAudioInput::StartCapture() {
    StopCapture();
    m_ring.Clear();
    m_captureStartFrame = -1;
    m_capturing = true;
}

void CRtAudioInput::StopCapture() {
    m_capturing = false;
    // A callback that saw capturing on is finishing its write; it takes microseconds.
    while (m_inCapture.load())
        std::this_thread::yield();
}

int CRtAudioInput::Callback(const float* in, unsigned int frames) LOOMTONE_REALTIME {
    if (!in)
        return 0;
    m_inCapture = true;
    // Held back while the transport is paused, as the mixer's own input is.
    if (m_capturing.load() && !m_mixer.IsPaused()) {
        if (m_captureStartFrame.load() < 0)
            m_captureStartFrame = m_mixer.GetPositionFrames();
        m_ring.Write(in, static_cast<int>(frames), m_channels);
    }
    m_inCapture = false;
    m_monitorRing.Write(in, static_cast<int>(frames), m_channels);
    return 0;
}
