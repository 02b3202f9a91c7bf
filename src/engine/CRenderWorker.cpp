#include "engine/CRenderWorker.h"

#include "engine/CConv2FileFormat.h"
#include "engine/CEffectChain.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/CSoundReader.h"
#include "engine/WaveFormat.h"
#include "support/Log.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

int64_t FrameOf(double ms) {
    return std::llround(ms * kMixerSampleRate / 1000.0);
}

void ResetEffectsOf(CEffectChain* chain) {
    for (int index = 0; index < chain->NumEffects(); ++index)
        chain->GetEffect(index)->Reset();
}

} // namespace

CRenderWorker::CRenderWorker() = default;

CRenderWorker::~CRenderWorker() {
    Abort(1);
    CleanUp();
}

int CRenderWorker::Start(bool multipleFiles, CSoundGroup* soundGroup,
                         const CTrackRenderList& renderList, const std::string& path,
                         CPCMMixer* mixer, ConversionType fileType, const ::FormatDetails& format,
                         bool withTags, int engineTrackNumber) {
    LogFmt("CRenderWorker::Start - Enter %s, %d file(s), track %d", path.c_str(),
           renderList.Count(), engineTrackNumber);
    if (m_running.load() || m_thread.joinable()) {
        Log("CRenderWorker::Start - a render is still running or not cleaned up - returning 0");
        return 0;
    }
    m_error = false;
    m_abort = false;
    m_doneFrames = 0;
    m_onlyTrack = engineTrackNumber < 0 ? kAllTracks : engineTrackNumber;
    if (!CheckArguments(soundGroup, renderList, path, mixer, fileType, format) ||
        (renderList.Count() > 1 && !multipleFiles)) {
        Fail("Start refused its arguments");
        return 0;
    }
    m_mixer = mixer;
    m_group = RefPtr<CSoundGroup>::Share(soundGroup);
    m_format = format;
    m_reader = std::make_unique<CSoundReader>(CSoundReader::kOfflineStreamFrames);
    m_routine = std::make_unique<CMixRoutine>(*m_reader);
    PlanEntries(multipleFiles, renderList, path, withTags);
    ResetPlaybackState();
    m_block.assign(static_cast<size_t>(kBlockFrames) * kMixerChannels, 0.0f);
    SetText("Rendering");
    m_running = true;
    m_thread = std::thread(&CRenderWorker::Run, this);
    return 1;
}

bool CRenderWorker::CheckArguments(CSoundGroup* soundGroup, const CTrackRenderList& renderList,
                                   const std::string& path, CPCMMixer* mixer,
                                   ConversionType fileType, const ::FormatDetails& format) const {
    std::string reason;
    if (!soundGroup || !mixer || path.empty() || renderList.Count() == 0)
        return false;
    if (!format.Validate(&reason)) {
        LogFmt("CRenderWorker::Start - format refused: %s", reason.c_str());
        return false;
    }
    // The routine mixes at the mixer's rate in stereo; the encoders do not convert.
    return format.Conversion() == fileType && format.sampleRate == kMixerSampleRate &&
           format.channels == kMixerChannels && m_onlyTrack < mixer->GetNumTracks();
}

void CRenderWorker::PlanEntries(bool multipleFiles, const CTrackRenderList& renderList,
                                const std::string& path, bool withTags) {
    // The group's end is read here, on the thread that changes it.
    const double toEndMs = m_mixer->GetRingingEndTime(*m_group, m_onlyTrack);
    m_entries.clear();
    m_totalFrames = 0;
    for (int index = 0; index < renderList.Count(); ++index) {
        const _renderWorkerTrackStruct& info = *renderList.At(index);
        Entry entry;
        entry.path = multipleFiles ? NumberedPath(path, index + 1) : path;
        entry.startFrame = FrameOf(info.startMs);
        const double endMs = info.endMs <= _renderWorkerTrackStruct::kToEnd ? toEndMs : info.endMs;
        entry.endFrame = std::max(entry.startFrame, FrameOf(endMs));
        if (withTags)
            entry.tags = info.Tags();
        m_totalFrames += entry.endFrame - entry.startFrame;
        m_entries.push_back(std::move(entry));
    }
}

void CRenderWorker::ResetPlaybackState() {
    // Under the mixer's lock nothing mixes: effects and clip filters start the
    // render from silence instead of from what playback left in them.
    m_mixer->Lock();
    m_routine->Prepare(m_mixer->GetNumTracks());
    for (int number = 0; number < m_mixer->GetNumTracks(); ++number) {
        CPCMTrack* track = m_mixer->GetTrack(number);
        ResetEffectsOf(track->GetInstrumentChain());
        ResetEffectsOf(track->GetInstrumentEffectsChain());
        ResetEffectsOf(track->GetEffectChain());
    }
    ResetEffectsOf(m_mixer->GetMasterEffectChain());
    for (int index = 0; index < m_group->Count(); ++index) {
        if (auto* sound = dynamic_cast<CPCMSound*>(m_group->At(index)))
            sound->GetClipAudioBuffer().ResetFilters();
    }
    m_mixer->Unlock();
}

void CRenderWorker::Run() {
    bool finished = true;
    m_mixer->BeginOfflineRender();
    for (size_t index = 0; index < m_entries.size() && finished; ++index)
        finished = RenderEntry(m_entries[index], static_cast<int>(index));
    m_mixer->EndOfflineRender();
    if (finished) {
        SetText("Render finished");
        Log("CRenderWorker::Run - render finished");
    } else if (m_abort.load()) {
        SetText("Render cancelled");
        Log("CRenderWorker::Run - render aborted");
    }
    {
        std::lock_guard lock(m_stopMutex);
        m_running = false;
    }
    m_stopped.notify_all();
}

bool CRenderWorker::WaitUntilStopped(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_stopMutex);
    return m_stopped.wait_for(lock, timeout, [this] { return !m_running.load(); });
}

bool CRenderWorker::RenderEntry(const Entry& entry, int index) {
    SetText("Rendering file " + std::to_string(index + 1) + " of " +
            std::to_string(m_entries.size()) + ": " + entry.path);
    ::FormatDetails details = m_format;
    details.tags = entry.tags;
    details.writeTags = details.writeTags && !entry.tags.Empty();
    CConv2FileFormat encoder;
    if (!encoder.Open(entry.path, details)) {
        Fail("could not start the file " + entry.path + ": " + encoder.LastError());
        return false;
    }
    for (int64_t frame = entry.startFrame; frame < entry.endFrame; frame += kBlockFrames) {
        const int count = static_cast<int>(std::min<int64_t>(kBlockFrames, entry.endFrame - frame));
        if (!MixBlock(frame, count)) {
            encoder.Abort();
            return false;
        }
        if (!encoder.Write(m_block.data(), count)) {
            const std::string reason = encoder.LastError();
            encoder.Abort();
            Fail("could not write the file " + entry.path + ": " + reason);
            return false;
        }
        m_doneFrames += count;
    }
    if (!encoder.Close()) {
        Fail("could not finish the file " + entry.path + ": " + encoder.LastError());
        return false;
    }
    return true;
}

bool CRenderWorker::MixBlock(int64_t startFrame, int frames) {
    while (!m_abort.load()) {
        if (m_routine->RenderOffline(*m_mixer, m_group.Get(), startFrame, m_block.data(), frames,
                                     m_onlyTrack))
            return true;
        // The GUI thread is changing the project; wait for it rather than
        // writing a gap.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

double CRenderWorker::Progress() const {
    if (m_totalFrames <= 0)
        return m_running.load() ? 0.0 : 1.0;
    return std::clamp(static_cast<double>(m_doneFrames.load()) / static_cast<double>(m_totalFrames),
                      0.0, 1.0);
}

void CRenderWorker::ProgressText(char* buffer, size_t size) const {
    if (!buffer || size == 0)
        return;
    std::lock_guard<std::mutex> guard(m_textMutex);
    const size_t length = std::min(m_text.size(), size - 1);
    std::memcpy(buffer, m_text.data(), length);
    buffer[length] = '\0';
}

void CRenderWorker::Abort(int wait) {
    m_abort = true;
    if (wait != 0 && m_thread.joinable())
        m_thread.join();
}

void CRenderWorker::CleanUp() {
    if (m_thread.joinable())
        m_thread.join();
    m_routine.reset();
    m_reader.reset();
    m_group.Reset();
    m_mixer = nullptr;
    m_entries.clear();
    m_block.clear();
    m_block.shrink_to_fit();
}

bool CRenderWorker::ReadFormatPrefs(const std::string& keyPath) {
    return m_prefs.ReadFormatPrefs(keyPath);
}

bool CRenderWorker::SaveFormatPrefs(const std::string& keyPath) const {
    return m_prefs.SaveFormatPrefs(keyPath);
}

::FormatDetails CRenderWorker::FormatDetails(ConversionType type) const {
    return m_prefs.DetailsFor(type, kMixerSampleRate, kMixerChannels);
}

std::string CRenderWorker::NumberedPath(const std::string& path, int number) {
    const size_t slash = path.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = path.size();
    return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

void CRenderWorker::SetText(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_textMutex);
    m_text = text;
}

void CRenderWorker::Fail(const std::string& what) {
    LogFmt("CRenderWorker failed: %s - returning false!", what.c_str());
    SetText("Render failed: " + what);
    m_error = true;
}
