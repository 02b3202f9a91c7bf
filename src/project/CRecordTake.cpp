#include "project/CRecordTake.h"

#include "engine/CPCMMixer.h"
#include "engine/TempoMap.h"
#include "project/CAudioClip.h"
#include "project/CPCMAudTrack.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <cstdio>

namespace {

// The track's input device by the name the input menu showed, and its
// channel selection: 0 the left input, 1 the right, 2 both.
CRecordWriter::Target TargetFor(const CPCMAudTrack& track, const std::string& path) {
    CRecordWriter::Target target;
    target.path = path;
    target.channels = track.GetArmedChannel() == 2 ? 2 : 1;
    target.firstChannel = track.GetArmedChannel() == 1 ? 1 : 0;
    target.device = track.GetArmedDeviceName();
    return target;
}

} // namespace

CRecordTake::CRecordTake(CProject& project, CPCMMixer& mixer, CUndoMgr& undo)
    : m_project(project), m_undo(undo), m_writer(mixer) {}

CRecordTake::~CRecordTake() {
    m_writer.Stop();
}

std::string CRecordTake::FileNameFor(const std::string& folder, int audioIndex,
                                     const std::string& trackName) {
    char number[16];
    std::snprintf(number, sizeof(number), "%02d", audioIndex + 1);
    if (trackName.empty())
        return folder + number + ".wav";
    return folder + number + " " + ValidateFileName(trackName, ' ') + ".wav";
}

std::vector<CPCMAudTrack*> CRecordTake::ArmedAudioTracks() {
    std::vector<CPCMAudTrack*> armed;
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        CTrack* track = m_project.GetTrack(index);
        if (track->GetKind() == CTrack::kAudio && track->IsArmed())
            armed.push_back(static_cast<CPCMAudTrack*>(track));
    }
    return armed;
}

bool CRecordTake::FolderUsable(const std::string& folder) {
    return !folder.empty() && CreateMultiLevelDir(folder);
}

bool CRecordTake::Start(std::string& reason) {
    if (!Prepare(reason))
        return false;
    Begin();
    return true;
}

bool CRecordTake::Prepare(std::string& reason) {
    const std::string folder = m_project.GetRecordingFolder();
    if (!FolderUsable(folder)) {
        reason = "the recording folder '" + folder + "' cannot be made";
        return false;
    }
    LogFmt("Recording directory = %s", folder.c_str());
    m_tracks = ArmedAudioTracks();
    const int selected = m_project.GetLastSelectedTrack();
    if (m_tracks.empty() && selected >= 0 && selected < m_project.GetNumTracks()) {
        m_project.GetTrack(selected)->ToggleArm();
        m_tracks = ArmedAudioTracks();
    }
    if (m_tracks.empty()) {
        Log("Error: Nothing to record! Failing & exiting.");
        reason = kNothingArmed;
        return false;
    }
    std::vector<CRecordWriter::Target> targets;
    m_files.clear();
    int audioIndex = 0;
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        CTrack* track = m_project.GetTrack(index);
        if (track->GetKind() != CTrack::kAudio)
            continue;
        const int position = audioIndex++;
        if (!track->IsArmed())
            continue;
        const std::string name = FileNameFor(folder, position, track->GetName());
        const std::string path = UniqueFileName(name, 1, '-');
        if (path.empty()) {
            LogFmt("Recording: Unable to create unique name %s", name.c_str());
            m_tracks.erase(std::find(m_tracks.begin(), m_tracks.end(), track));
            continue;
        }
        LogFmt("Recording new file: %s", path.c_str());
        targets.push_back(TargetFor(*static_cast<CPCMAudTrack*>(track), path));
        m_files.push_back(path);
    }
    if (targets.empty() || !m_writer.Open(targets, reason)) {
        m_tracks.clear();
        m_files.clear();
        if (reason.empty())
            reason = "no file could be named in the recording folder";
        return false;
    }
    return true;
}

int CRecordTake::Stop() {
    if (!m_writer.IsRecording()) {
        m_writer.Stop();
        return 0;
    }
    Log("Stopping recording...");
    m_writer.Stop();
    if (m_writer.FramesWritten() == 0)
        return 0;
    CUndoStep step(m_undo);
    int placed = 0;
    for (size_t index = 0; index < m_tracks.size(); ++index) {
        // Each input stamps its own first frame.
        if (m_writer.FramesWritten(index) == 0) {
            LogFmt("Error - nothing arrived from the input of %s", m_files[index].c_str());
            continue;
        }
        // A clip cannot start before the project; a take that would is put
        // at 0 (the file keeps all of it). The take is heard where it was
        // played along; clips start in reference time.
        const double startMs =
            m_project.GetTempoMap().GetRealTime(std::max(m_writer.RecordStartMs(index), 0.0));
        placed += PlaceClip(*m_tracks[index], m_files[index], startMs) ? 1 : 0;
    }
    if (placed > 0)
        m_undo.SetDirty(true);
    return placed;
}

bool CRecordTake::PlaceClip(CPCMAudTrack& track, const std::string& path, double startMs) {
    auto* clip = new CAudioClip(m_project.Clips());
    const bool placed = clip->LoadFromFile(path, false) && track.AddClip(clip, startMs, true);
    if (!placed)
        LogFmt("Error - failed to create new clip of recorded sound %s", path.c_str());
    // A placed clip lives on in its track.
    clip->DeleteRefObject();
    return placed;
}

double CRecordTake::RecordedMs() const {
    return static_cast<double>(m_writer.FramesWritten()) * 1000.0 / kMixerSampleRate;
}
