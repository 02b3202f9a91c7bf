#include "engine/CNullDevice.h"

#include "engine/CPCMMixer.h"
#include "engine/CRtAudioInput.h"
#include "support/Log.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>

CNullDevice::~CNullDevice() {
    Stop();
}

std::unique_ptr<CRtAudioInput> CNullDevice::OpenOtherInput(const std::string& name,
                                                           std::string& reason) {
    reason = "the null device cannot open the input '" + name + "'";
    return nullptr;
}

bool CNullDevice::Start(int blockFrames, const std::string& capturePath) {
    // Two devices would run the one mixing routine at once.
    if (IsRunning() || m_mixer.IsOpen() || blockFrames < 1 || blockFrames > 8192)
        return false;
    if (!capturePath.empty()) {
        SF_INFO info{};
        info.samplerate = kMixerSampleRate;
        info.channels = kMixerChannels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(capturePath.c_str(), SFM_WRITE, &info);
        if (!file) {
            LogFmt("CNullDevice::Start could not create '%s': %s", capturePath.c_str(),
                   sf_strerror(nullptr));
            return false;
        }
        m_capture = file;
    }
    m_blockFrames = blockFrames;
    m_block.assign(static_cast<size_t>(blockFrames) * kMixerChannels, 0.0f);
    m_blocks = 0;
    m_times.Reset();
    m_stopping = false;
    m_thread = std::thread(&CNullDevice::Run, this);
    return true;
}

void CNullDevice::Stop() {
    if (!IsRunning())
        return;
    m_stopping = true;
    m_thread.join();
    if (m_capture) {
        sf_close(static_cast<SNDFILE*>(m_capture));
        m_capture = nullptr;
    }
}

void CNullDevice::Run() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(m_blockFrames) / kMixerSampleRate));
    auto deadline = Clock::now();
    while (!m_stopping.load()) {
        {
            CCallbackStopwatch watch(m_times, m_blockFrames);
            m_mixer.Mix(m_block.data(), m_blockFrames);
        }
        // Capturing is for tests; a real device hands the block to the card here.
        if (m_capture)
            sf_writef_float(static_cast<SNDFILE*>(m_capture), m_block.data(), m_blockFrames);
        ++m_blocks;
        deadline += period;
        std::this_thread::sleep_until(deadline);
    }
}

void CNullDevice::RenderOffline(float* out, int64_t frames, int blockFrames) {
    if (!out || frames <= 0)
        return;
    const int block = std::clamp(blockFrames, 1, 8192);
    for (int64_t done = 0; done < frames; done += block) {
        const int count = static_cast<int>(std::min<int64_t>(block, frames - done));
        m_mixer.MixWaitingForReader(out + done * kMixerChannels, count);
    }
}
