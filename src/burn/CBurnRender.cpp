#include "burn/CBurnRender.h"

#include "burn/CdAddress.h"
#include "engine/CPCMMixer.h"
#include "engine/CRenderWorker.h"
#include "engine/FormatDetails.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(100);

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

FormatDetails CdAudioFormat() {
    FormatDetails format;
    format.kind = FormatKind::Wav16;
    format.sampleRate = 44100;
    format.channels = 2;
    format.writeTags = false;
    return format;
}

} // namespace

CBurnRender::CBurnRender(CPCMMixer& mixer, std::string tempFolder)
    : m_mixer(mixer), m_folder(WithSlash(std::move(tempFolder))) {}

CBurnRender::~CBurnRender() {
    if (m_worker) {
        m_worker->Abort(1);
        m_worker->CleanUp();
    }
    RemoveFiles();
}

int64_t CBurnRender::NeededKb(int32_t lengthMs) {
    const int64_t bytes = int64_t{std::max(lengthMs, 0)} * CdAddress::kBytesPerSecond / 1000;
    return (bytes + 1023) / 1024;
}

bool CBurnRender::HasRoom(const std::string& folder, int64_t neededKb) const {
    const int64_t freeKb = GetKBFree(folder);
    return freeKb >= 0 && freeKb >= neededKb;
}

bool CBurnRender::CheckFreeSpace(int32_t lengthMs) {
    const int64_t needed = NeededKb(lengthMs);
    if (HasRoom(m_folder, needed + kReserveKb))
        return true;
    const int64_t otherNeeded = std::max(needed, kMinOtherFolderKb);
    while (m_askFolder) {
        const std::string other = m_askFolder(otherNeeded);
        if (other.empty())
            break;
        if (HasRoom(other, otherNeeded)) {
            m_folder = WithSlash(other);
            return true;
        }
    }
    Log("Not enough space!...");
    m_error = "there is not enough free space for the CD's tracks";
    return false;
}

std::string CBurnRender::TrackPath(int number) const {
    return m_folder + "tmp" + std::to_string(number) + ".wav";
}

bool CBurnRender::RenderTracks(int32_t rangeStartMs, std::vector<BurnTrack>& tracks,
                               const Progress& progress) {
    if (!Start(rangeStartMs, tracks))
        return false;
    while (IsRunning()) {
        std::this_thread::sleep_for(kPollPeriod);
        if (progress && !m_cancelled && !progress(Fraction()))
            Cancel();
    }
    return Finish(tracks);
}

bool CBurnRender::Start(int32_t rangeStartMs, const std::vector<BurnTrack>& tracks) {
    m_error.clear();
    m_cancelled = false;
    m_startSectors.clear();
    if (tracks.empty() || m_worker) {
        m_error = m_worker ? "a render is running" : "there is no track to render";
        return false;
    }
    RemoveFiles();
    CTrackRenderList list;
    for (size_t index = 0; index < tracks.size(); ++index)
        m_startSectors.push_back(index == 0 ? 0 : CdAddress::SectorOfMs(tracks[index].start));
    for (size_t index = 0; index < tracks.size(); ++index) {
        _renderWorkerTrackStruct entry;
        entry.startMs = rangeStartMs + CdAddress::MsOfSector(m_startSectors[index]);
        entry.endMs = index + 1 < tracks.size()
                          ? rangeStartMs + CdAddress::MsOfSector(m_startSectors[index + 1])
                          : static_cast<double>(rangeStartMs) + tracks[index].end;
        entry.trackNumber = static_cast<int>(index) + 1;
        list.AddTrackInfo(entry);
    }
    if (list.Count() != static_cast<int>(tracks.size())) {
        m_error = "the tracks do not fit one render";
        return false;
    }
    const bool several = tracks.size() > 1;
    const std::string target = several ? m_folder + "tmp.wav" : TrackPath(1);
    m_worker = std::make_unique<CRenderWorker>();
    if (!m_worker->Start(several, m_mixer.GetSoundGroup(), list, target, &m_mixer,
                         ConversionType::Wav, CdAudioFormat(), false, CRenderWorker::kAllTracks)) {
        m_worker.reset();
        m_error = "the render could not start";
        return false;
    }
    // Every file the worker may leave is ours to remove.
    for (int number = 1; number <= list.Count(); ++number)
        m_files.push_back(several ? CRenderWorker::NumberedPath(target, number) : target);
    return true;
}

bool CBurnRender::IsRunning() const {
    return m_worker && m_worker->IsRunning();
}

double CBurnRender::Fraction() const {
    return m_worker ? m_worker->Progress() : 0.0;
}

void CBurnRender::Cancel() {
    if (m_worker && m_worker->IsRunning()) {
        m_worker->Abort(1);
        m_cancelled = true;
    }
}

bool CBurnRender::Finish(std::vector<BurnTrack>& tracks) {
    if (!m_worker)
        return false;
    const bool failed = m_worker->HasError();
    char text[CRenderWorker::kProgressTextSize];
    m_worker->ProgressText(text, sizeof(text));
    m_worker->CleanUp();
    m_worker.reset();
    if (failed) {
        m_error = text;
        LogFmt("CMixBurner::StartTrackN - the render failed: %s", text);
        return false;
    }
    return !m_cancelled && PutFilesInPlace(tracks);
}

bool CBurnRender::PutFilesInPlace(std::vector<BurnTrack>& tracks) {
    for (size_t index = 0; index < tracks.size(); ++index) {
        const std::string path = TrackPath(static_cast<int>(index) + 1);
        if (m_files[index] != path) {
            if (std::rename(m_files[index].c_str(), path.c_str()) != 0) {
                m_error = "could not name the track file " + path;
                return false;
            }
            m_files[index] = path;
        }
        tracks[index].wavPath = path;
    }
    return true;
}

void CBurnRender::RemoveFiles() {
    for (const std::string& file : m_files)
        std::remove(file.c_str());
    m_files.clear();
}
