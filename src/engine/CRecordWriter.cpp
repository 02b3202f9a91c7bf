#include "engine/CRecordWriter.h"

#include "engine/CAudioDevice.h"
#include "engine/CInputRing.h"
#include "engine/CPCMMixer.h"
#include "support/Log.h"

#include <sndfile.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int64_t kBlockFrames = 4096;
// The ring holds seconds; emptying it this often keeps it far from full.
constexpr auto kWriteEvery = std::chrono::milliseconds(10);

} // namespace

CRecordWriter::~CRecordWriter() {
    Stop();
}

bool CRecordWriter::Start(const std::vector<Target>& targets, std::string& reason) {
    Stop();
    m_targets = targets;
    for (const Target& target : m_targets) {
        SF_INFO info{};
        info.samplerate = kMixerSampleRate;
        info.channels = target.channels == 1 ? 1 : 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(target.path.c_str(), SFM_WRITE, &info);
        if (!file) {
            reason = target.path + ": " + sf_strerror(nullptr);
            const size_t made = m_files.size();
            CloseFiles();
            for (size_t index = 0; index < made; ++index)
                std::remove(m_targets[index].path.c_str());
            m_targets.clear();
            return false;
        }
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        m_files.push_back(file);
    }
    m_block.assign(static_cast<size_t>(kBlockFrames * CInputRing::kChannels), 0.0f);
    m_channelBlock.assign(static_cast<size_t>(kBlockFrames), 0.0f);
    const CAudioDevice& device = m_mixer.GetDevice();
    m_latencyFrames = device.OutputLatencyFrames() + device.InputLatencyFrames();
    m_framesWritten = 0;
    m_stopping = false;
    m_mixer.StartCapture();
    m_thread = std::thread(&CRecordWriter::Run, this);
    return true;
}

void CRecordWriter::Stop() {
    if (!IsRecording())
        return;
    m_mixer.StopCapture();
    m_stopping = true;
    m_thread.join();
    // What arrived between the last pass and the stop.
    Drain();
    CloseFiles();
}

void CRecordWriter::Run() {
    while (!m_stopping.load()) {
        Drain();
        std::this_thread::sleep_for(kWriteEvery);
    }
}

void CRecordWriter::Drain() {
    CInputRing* ring = m_mixer.GetInputRing();
    if (!ring)
        return;
    for (;;) {
        const int64_t frames = ring->Read(m_block.data(), kBlockFrames);
        if (frames <= 0)
            return;
        for (size_t index = 0; index < m_files.size(); ++index) {
            auto* file = static_cast<SNDFILE*>(m_files[index]);
            const Target& target = m_targets[index];
            if (target.channels != 1) {
                sf_writef_float(file, m_block.data(), frames);
                continue;
            }
            const int channel = target.firstChannel == 1 ? 1 : 0;
            for (int64_t frame = 0; frame < frames; ++frame)
                m_channelBlock[static_cast<size_t>(frame)] =
                    m_block[static_cast<size_t>(frame * CInputRing::kChannels + channel)];
            sf_writef_float(file, m_channelBlock.data(), frames);
        }
        m_framesWritten += frames;
    }
}

void CRecordWriter::CloseFiles() {
    for (void* file : m_files)
        if (sf_close(static_cast<SNDFILE*>(file)) != 0)
            Log("CRecordWriter: closing a recorded file failed");
    m_files.clear();
}

double CRecordWriter::RecordStartMs() const {
    const int64_t first = m_mixer.GetCaptureStartFrame();
    if (first < 0)
        return -1.0;
    return static_cast<double>(first - m_latencyFrames) * 1000.0 / kMixerSampleRate;
}

int64_t CRecordWriter::DroppedFrames() const {
    const CInputRing* ring = m_mixer.GetInputRing();
    return ring ? ring->DroppedFrames() : 0;
}
