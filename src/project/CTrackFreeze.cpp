#include "project/CTrackFreeze.h"

#include "engine/CAudioAtom.h"
#include "engine/CPCMMixer.h"
#include "engine/CRenderWorker.h"
#include "engine/CTrackRenderList.h"
#include "engine/FormatDetails.h"
#include "engine/WaveFormat.h"
#include "gui/MessageBoxes.h"
#include "project/CClip.h"
#include "project/CPCMAudTrack.h"
#include "project/CProject.h"
#include "project/CRenderProgress.h"
#include "project/FrozenFilePath.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <limits>

namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(250);

// Where the track's clips are heard (ms) and where the first one starts in
// reference time; none without a clip that plays.
struct ClipSpan {
    bool any = false;
    double referenceStartMs = std::numeric_limits<double>::max();
    double heardStartMs = std::numeric_limits<double>::max();
    double heardEndMs = 0.0;
};

ClipSpan SpanOf(const CTrack& track) {
    ClipSpan span;
    for (const CClip* clip : track.Clips()) {
        const CAudioAtom* atom = clip->GetEngineAtom();
        if (!atom || clip->IsRecording())
            continue;
        span.any = true;
        span.referenceStartMs = std::min(span.referenceStartMs, atom->AbsoluteOffset());
        span.heardStartMs = std::min(span.heardStartMs, atom->HeardOffset());
        span.heardEndMs = std::max(span.heardEndMs, atom->HeardEndTime());
    }
    return span;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace

bool CTrackFreeze::CanFreezeOrThaw(const CTrack* track) {
    if (!dynamic_cast<const CPCMAudTrack*>(track))
        return false;
    const std::vector<CClip*>& clips = track->Clips();
    if (std::any_of(clips.begin(), clips.end(),
                    [](const CClip* clip) { return clip->IsRecording(); }))
        return false;
    return track->IsFrozen() || SpanOf(*track).any;
}

bool CTrackFreeze::FreezeOrThawSelectedTrack() {
    const int index = m_project.GetLastSelectedTrack();
    LogFmt("CProject::FreezeOrThawSelectedTrack() lastSelectedTrack:%d", index);
    auto* track = dynamic_cast<CPCMAudTrack*>(m_project.GetTrack(index));
    if (!track || m_project.Ruler().IsRecording() || !CanFreezeOrThaw(track))
        return false;
    CUndoStep step(m_undo);
    if (m_mixer.Playing())
        m_mixer.Stop(0);
    bool done = true;
    track->BeginSettingsChange();
    if (track->IsFrozen()) {
        Thaw(*track);
    } else {
        m_project.SelectAllClips(-1, false);
        done = Freeze(*track);
    }
    track->EndSettingsChange();
    m_project.Invalidate(nullptr);
    Log("CProject::FreezeOrThawSelectedTrack() EXIT");
    return done;
}

bool CTrackFreeze::SetFrozen(CPCMAudTrack& track, bool frozen) {
    if (frozen == track.IsFrozen() && (!frozen || track.GetFrozenSound()))
        return true;
    if (!frozen) {
        Thaw(track);
        return true;
    }
    // Frozen as a file said but without its sound: take the sound.
    if (track.IsFrozen())
        track.DropFrozenSound();
    return Freeze(track);
}

bool CTrackFreeze::Freeze(CPCMAudTrack& track) {
    Log("CPCMAudTrack::Chill entered.");
    const ClipSpan span = SpanOf(track);
    if (track.GetFrozenSound() || !span.any)
        return false;
    const bool reuse = HasReusableFile(track);
    const std::string path = reuse ? track.GetFrozenFilePath() : NewFilePath(track.GetIndex() + 1);
    if (!reuse) {
        track.ForgetFrozenFile();
        LogFmt("Frozen file path: %s", path.c_str());
        const double endMs = span.heardEndMs + m_mixer.GetProjectTailTime() + 1.0;
        if (!EnoughSpaceFor(path, (endMs - span.heardStartMs) / 1000.0))
            return false;
        if (!Render(track, path, span.heardStartMs, endMs)) {
            // The name was free: whatever a cancel left there is this freeze's.
            std::remove(path.c_str());
            return false;
        }
        Log("Finished freeze.");
    }
    const bool frozen = track.TakeFrozenSound(path, span.referenceStartMs);
    if (!frozen) {
        // A file this freeze made and cannot play is of no use to anyone.
        if (!reuse)
            std::remove(path.c_str());
        track.ForgetFrozenFile();
    } else if (track.IsArmed()) {
        track.Disarm();
    }
    LogFmt("AudioTrack::Chill exiting, returning %i.", frozen ? 1 : 0);
    return frozen;
}

void CTrackFreeze::Thaw(CPCMAudTrack& track) {
    Log("CPCMAudTrack::ThatOut entered.");
    if (!track.IsFrozen())
        return;
    track.DropFrozenSound();
    const std::string path = track.GetFrozenFilePath();
    if (IsOwnFrozenFilePath(path, RecordingFolder())) {
        if (std::remove(path.c_str()) != 0)
            LogFmt("Failed to delete frozen file '%s'!!", path.c_str());
    } else if (!path.empty()) {
        LogFmt("CPCMAudTrack::ThawOut leaves '%s' alone: it is no frozen file of this project",
               path.c_str());
    }
    track.ForgetFrozenFile();
    Log("CPCMAudTrack::ThawOut exiting.");
}

std::string CTrackFreeze::RecordingFolder() const {
    std::string folder = m_project.GetRecordingFolder();
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

bool CTrackFreeze::HasReusableFile(CPCMAudTrack& track) const {
    const std::string& path = track.GetFrozenFilePath();
    if (path.empty())
        return false;
    if (!IsOwnFrozenFilePath(path, RecordingFolder())) {
        LogFmt("CPCMAudTrack::Chill does not use '%s': it is no frozen file of this project",
               path.c_str());
        track.ForgetFrozenFile();
        return false;
    }
    if (!IsValidDirectory(ExtractDirectory(path))) {
        track.ForgetFrozenFile();
        return false;
    }
    return FileExists(path);
}

std::string CTrackFreeze::NewFilePath(int trackNumber) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string folder = RecordingFolder();
    for (;;) {
        const int id = m_prefs.lastFreezeID;
        if (m_prefs.lastFreezeID < std::numeric_limits<int32_t>::max())
            ++m_prefs.lastFreezeID;
        const std::string path = MakeFrozenFilePath(folder, trackNumber, local.tm_mday,
                                                    local.tm_mon + 1, local.tm_year + 1900, id);
        if (!FileExists(path) || id == std::numeric_limits<int32_t>::max())
            return path;
    }
}

bool CTrackFreeze::EnoughSpaceFor(const std::string& path, double seconds) const {
    const WaveFormat format{};
    const double neededMb = seconds * format.bytesPerSecond / 1048576.0;
    const double availableMb = static_cast<double>(GetKBFree(ExtractDirectory(path))) / 1024.0;
    if (neededMb <= availableMb)
        return true;
    LogFmt("CAudioTrack::Chill out of space! %f needed and %f available", neededMb, availableMb);
    ShowFormattedMessage("Err_OutOfSpaceFreeze_Title", "Err_OutOfSpaceFreeze_Body",
                         MB_OK | MB_ICONEXCLAMATION, path, neededMb, availableMb);
    return false;
}

bool CTrackFreeze::Render(CPCMAudTrack& track, const std::string& path, double startMs,
                          double endMs) {
    CTrackRenderList list;
    _renderWorkerTrackStruct entry;
    entry.startMs = startMs;
    entry.endMs = endMs;
    list.AddTrackInfo(entry);
    const bool ownActivity = !m_project.InFileActivity();
    if (ownActivity)
        m_project.SetFileActivity(true);
    Log("Starting track freeze.");
    CRenderWorker worker;
    bool done =
        worker.Start(false, m_mixer.GetSoundGroup(), list, path, &m_mixer, ConversionType::Wav,
                     FormatDetails::FrozenTrack(kMixerSampleRate, kMixerChannels), false,
                     track.GetTrackNumber()) != 0;
    if (done) {
        CRenderProgress progress(m_project.DialogOwner(), "PD_Freezing");
        const std::string text =
            MyLoadFormattedString("PD_FreezingTrack", track.GetIndex() + 1, ExtractFileName(path));
        for (bool stopped = false; !stopped;) {
            stopped = worker.WaitUntilStopped(kPollPeriod);
            if (done && !progress.Report(worker.Progress(), text)) {
                LogFmt("Track freeze '%s' cancelled!", path.c_str());
                worker.Abort(1);
                done = false;
            }
        }
        done = done && !worker.HasError();
    }
    worker.CleanUp();
    if (ownActivity)
        m_project.SetFileActivity(false);
    return done;
}
