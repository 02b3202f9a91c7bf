#include "engine/CRecordWriter.h"

#include "engine/CAudioDevice.h"
#include "engine/CInputRing.h"
#include "engine/CMonitoredInputs.h"
#include "engine/CPCMMixer.h"
#include "engine/CRtAudioInput.h"
#include "support/Log.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr int64_t kBlockFrames = 4096;
// The rings hold seconds; emptying them this often keeps them far from full.
constexpr auto kWriteEvery = std::chrono::milliseconds(10);
// The mixer's own input is the first source.
constexpr size_t kMixerInput = 0;

} // namespace

CRecordWriter::CRecordWriter(CPCMMixer& mixer) : m_mixer(mixer) {}

CRecordWriter::~CRecordWriter() {
    Stop();
}

bool CRecordWriter::Start(const std::vector<Target>& targets, std::string& reason) {
    if (!Open(targets, reason))
        return false;
    Begin();
    return true;
}

bool CRecordWriter::Open(const std::vector<Target>& targets, std::string& reason) {
    Stop();
    m_targetSources.clear();
    m_sources.clear();
    m_targets = targets;
    if (!OpenFiles(reason))
        return false;
    if (!OpenSources(reason)) {
        m_targetSources.clear();
        m_sources.clear();
        CloseFiles();
        RemoveFiles(m_targets.size());
        return false;
    }
    m_block.assign(static_cast<size_t>(kBlockFrames * CInputRing::kChannels), 0.0f);
    m_channelBlock.assign(static_cast<size_t>(kBlockFrames), 0.0f);
    m_opened = true;
    return true;
}

void CRecordWriter::Begin() {
    if (!m_opened)
        return;
    m_opened = false;
    m_stopping = false;
    m_mixer.StartCapture();
    for (auto& source : m_sources)
        if (source->input)
            source->input->StartCapture();
    m_sources[kMixerInput]->ring = m_mixer.GetInputRing();
    m_thread = std::thread(&CRecordWriter::Run, this);
}

bool CRecordWriter::OpenFiles(std::string& reason) {
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
            RemoveFiles(made);
            return false;
        }
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        m_files.push_back(file);
    }
    return true;
}

bool CRecordWriter::OpenSources(std::string& reason) {
    m_sources.push_back(std::make_unique<Source>());
    const CAudioDevice& device = m_mixer.GetDevice();
    const int outputLatency = device.OutputLatencyFrames();
    m_sources[kMixerInput]->latencyFrames = outputLatency + device.InputLatencyFrames();
    for (const Target& target : m_targets) {
        const size_t source = SourceFor(target.device, reason);
        if (source >= m_sources.size())
            return false;
        m_targetSources.push_back(source);
    }
    for (auto& source : m_sources)
        if (source->input)
            source->latencyFrames = outputLatency + source->input->LatencyFrames();
    return true;
}

// The source that reads the device, opened when no source reads it yet; an
// index past the sources when it cannot open.
size_t CRecordWriter::SourceFor(const std::string& device, std::string& reason) {
    if (!m_mixer.IsOpen() || device.empty() || device == m_mixer.GetDevice().InputName())
        return kMixerInput;
    for (size_t index = 0; index < m_sources.size(); ++index) {
        const CRtAudioInput* input = m_sources[index]->input.get();
        if (input && input->DeviceName() == device)
            return index;
    }
    auto source = std::make_unique<Source>();
    // A monitored device is already open; a second client of it may not be allowed.
    source->input = m_mixer.GetMonitoredInputs().Find(device);
    if (!source->input) {
        std::string why;
        source->input = m_mixer.GetDevice().OpenOtherInput(device, why);
        if (!source->input) {
            reason = "the input device '" + device + "' cannot open: " + why;
            return m_sources.size() + 1;
        }
        source->ownInput = true;
    }
    source->ring = &source->input->Ring();
    m_sources.push_back(std::move(source));
    return m_sources.size() - 1;
}

void CRecordWriter::Stop() {
    if (m_opened) {
        m_opened = false;
        ReleaseInputs();
        CloseFiles();
        RemoveFiles(m_targets.size());
        return;
    }
    if (!IsRecording())
        return;
    m_mixer.StopCapture();
    for (auto& source : m_sources)
        if (source->input)
            source->input->StopCapture();
    m_stopping = true;
    m_thread.join();
    // What arrived between the last pass and the stop.
    DrainAll();
    CloseFiles();
    ReleaseInputs();
}

// Inputs opened for the take close; monitored ones go on for their tracks.
void CRecordWriter::ReleaseInputs() {
    for (auto& source : m_sources) {
        if (!source->input)
            continue;
        source->firstFrame = source->input->CaptureStartFrame();
        source->droppedFrames = source->ring->DroppedFrames();
        if (source->ownInput)
            source->input->Stop();
        source->input.reset();
        source->ring = nullptr;
    }
}

void CRecordWriter::Run() {
    while (!m_stopping.load()) {
        DrainAll();
        std::this_thread::sleep_for(kWriteEvery);
    }
}

void CRecordWriter::DrainAll() {
    for (size_t source = 0; source < m_sources.size(); ++source)
        Drain(source);
}

void CRecordWriter::Drain(size_t sourceIndex) {
    Source& source = *m_sources[sourceIndex];
    if (!source.ring)
        return;
    for (;;) {
        const int64_t frames = source.ring->Read(m_block.data(), kBlockFrames);
        if (frames <= 0)
            return;
        for (size_t index = 0; index < m_files.size(); ++index) {
            if (m_targetSources[index] != sourceIndex)
                continue;
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
        source.framesWritten += frames;
    }
}

void CRecordWriter::CloseFiles() {
    for (void* file : m_files)
        if (sf_close(static_cast<SNDFILE*>(file)) != 0)
            Log("CRecordWriter: closing a recorded file failed");
    m_files.clear();
}

// Removes the files of the first `made` targets, which this writer created;
// a path it could not create may be someone else's.
void CRecordWriter::RemoveFiles(size_t made) {
    for (size_t index = 0; index < made && index < m_targets.size(); ++index)
        std::remove(m_targets[index].path.c_str());
    m_targets.clear();
}

int64_t CRecordWriter::FramesWritten() const {
    int64_t most = 0;
    for (size_t target = 0; target < m_targetSources.size(); ++target)
        most = std::max(most, FramesWritten(target));
    return most;
}

int64_t CRecordWriter::FramesWritten(size_t target) const {
    if (target >= m_targetSources.size())
        return 0;
    return m_sources[m_targetSources[target]]->framesWritten.load();
}

int64_t CRecordWriter::CaptureStartFrame(const Source& source) const {
    if (source.input)
        return source.input->CaptureStartFrame();
    return &source == m_sources[kMixerInput].get() ? m_mixer.GetCaptureStartFrame()
                                                   : source.firstFrame;
}

double CRecordWriter::RecordStartMs(size_t target) const {
    if (target >= m_targetSources.size())
        return -1.0;
    const Source& source = *m_sources[m_targetSources[target]];
    const int64_t first = CaptureStartFrame(source);
    if (first < 0)
        return -1.0;
    return static_cast<double>(first - source.latencyFrames) * 1000.0 / kMixerSampleRate;
}

int64_t CRecordWriter::DroppedFrames() const {
    int64_t dropped = 0;
    for (const auto& source : m_sources)
        dropped += source->ring ? source->ring->DroppedFrames() : source->droppedFrames;
    return dropped;
}
