#include "project/CProjectFile.h"

#include "engine/CEffectChain.h"
#include "project/CLegacySessionReader.h"
#include "support/CFileObj.h"
#include "support/CRIFF.h"
#include "support/CSafeFileSave.h"
#include "support/Log.h"

#include <memory>

namespace {

constexpr int kProgressAfterProject = 5;
constexpr int kProgressAfterMasterChain = 10;

struct RefReleaser {
    void operator()(CRefObj* object) const { object->DeleteRefObject(); }
};
using FileHolder = std::unique_ptr<CFileObj, RefReleaser>;
using RiffHolder = std::unique_ptr<CRIFF, RefReleaser>;

} // namespace

bool CProjectFile::Save(CRIFF& riff) {
    if (!SaveLoad::Save(riff))
        return false;
    ProjectRecord project = m_contents.project;
    project.audioTrackCount = 0;
    project.midiTrackCount = 0;
    for (const TrackFileContents& track : m_contents.tracks)
        ++(track.IsMidi() ? project.midiTrackCount : project.audioTrackCount);
    if (!project.Write(riff))
        return false;
    SetProgress(kProgressAfterProject);
    if (m_contents.masterChain == nullptr || !m_contents.masterChain->Save(&riff, kMasterChainCode))
        return false;
    SetProgress(kProgressAfterMasterChain);
    // The markers are a step of their own, with its own cancellation check.
    if (!SaveLoad::Save(riff) || !m_contents.markers.Write(riff))
        return false;
    return WriteTracks(riff);
}

bool CProjectFile::WriteTracks(CRIFF& riff) {
    const size_t count = m_contents.tracks.size();
    for (size_t i = 0; i < count; ++i) {
        // Tracks fill the last 90 percent; the division is a whole-number one.
        SetProgress(static_cast<int>(static_cast<double>(i * 100 / count) * 0.9 + 10));
        if (!SaveLoad::Save(riff) || !m_contents.tracks[i].Write(riff))
            return false;
    }
    return true;
}

bool CProjectFile::Load(CRIFF& riff) {
    if (!SaveLoad::Load(riff))
        return Fail(ProjectReadError::Cancelled);
    ProjectFileContents read;
    if (!riff.SeekToChunk(ProjectRecord::kChunkCode)) {
        Log("CProject::Load failed to find FOURCC_PROJECT -  returning false!");
        return Fail(ProjectReadError::ChunkMissing);
    }
    if (const ProjectReadError error = read.project.Read(riff); error != ProjectReadError::None)
        return Fail(error);
    if (!riff.SeekToChunk(kMasterChainCode) || !read.masterChain->Load(&riff, kMasterChainCode)) {
        Log("CProject::Load failed loading global effects -  returning false!");
        return Fail(ProjectReadError::EffectChainRefused);
    }
    const ProjectReadError markerError = riff.SeekToChunk(MarkerChunk::kChunkCode)
                                             ? read.markers.Read(riff)
                                             : ProjectReadError::ChunkMissing;
    if (markerError != ProjectReadError::None) {
        Log("CProject::Load failed TimeGrid()->Load(riff) -  returning false!");
        return Fail(markerError);
    }
    if (!read.markers.HasStartMarker())
        Log("Warning!  This project has no markers to load and is probably corrupt.");
    if (const ProjectReadError error = ReadTracks(riff, read); error != ProjectReadError::None)
        return Fail(error);
    read.cutShort = riff.WasCutShort();
    m_contents = std::move(read);
    m_lastError = ProjectReadError::None;
    return true;
}

ProjectReadError CProjectFile::ReadTracks(CRIFF& riff, ProjectFileContents& read) {
    const uint64_t announced = read.project.TrackCount();
    for (uint64_t i = 0; i < announced; ++i) {
        if (!SaveLoad::Load(riff))
            return ProjectReadError::Cancelled;
        if (!SeekNextTrackChunk(riff)) {
            // Counts come from the file; only chunks really present are read.
            LogFmt("Project announces %llu tracks but holds %llu",
                   static_cast<unsigned long long>(announced), static_cast<unsigned long long>(i));
            read.skippedTracks += announced - i;
            break;
        }
        RIFFChunkInfo trackChunk;
        riff.GetCurrentChunkInfo(nullptr, &trackChunk);
        std::optional<TrackFileContents> track;
        const ProjectReadError error = TrackFileContents::Read(riff, &track);
        if (error == ProjectReadError::None) {
            read.tracks.push_back(std::move(*track));
            continue;
        }
        if (IsCancelled())
            return ProjectReadError::Cancelled;
        LogFmt("Track %llu could not be read (%s); skipping it", static_cast<unsigned long long>(i),
               ProjectReadErrorText(error));
        ++read.skippedTracks;
        // Make sure the next search starts past the track that failed.
        RIFFChunkInfo current;
        if (riff.GetCurrentChunkInfo(nullptr, &current) &&
            current.dataOffset == trackChunk.dataOffset)
            riff.SeekToNextChunk();
    }
    return ProjectReadError::None;
}

// Moves to the next "TrkA" or "TrkM" chunk from the current one on.
bool CProjectFile::SeekNextTrackChunk(CRIFF& riff) {
    RIFFChunkInfo chunk;
    while (riff.GetCurrentChunkInfo(nullptr, &chunk)) {
        if (IsTrackChunkCode(chunk.chunkID))
            return true;
        if (!riff.SeekToNextChunk())
            return false;
    }
    return false;
}

bool CProjectFile::LegacyLoad(CRIFF& riff) {
    if (!SaveLoad::LegacyLoad(riff))
        return Fail(ProjectReadError::Cancelled);
    ProjectFileContents read;
    const ProjectReadError error = CLegacySessionReader(m_legacyStartEvent).Read(riff, &read);
    if (error != ProjectReadError::None)
        return Fail(error);
    m_contents = std::move(read);
    m_lastError = ProjectReadError::None;
    return true;
}

bool CProjectFile::SaveToFile(const std::string& path) {
    CSafeFileSave save(path);
    CFileObj* file = save.Begin();
    if (file == nullptr)
        return false;
    RiffHolder riff(new CRIFF);
    const bool written = riff->Create(file, kFormType) && Save(*riff);
    const bool closed = riff->Close();
    return written && closed && save.Commit();
}

bool CProjectFile::LoadFromFile(const std::string& path) {
    FileHolder file(new CFileObj);
    if (!file->Open(path)) {
        LogFmt("CProject::LoadProject() - File %s not there.", path.c_str());
        return Fail(ProjectReadError::NotAProjectFile);
    }
    return LoadOpenedFile(file.get());
}

bool CProjectFile::LoadFromMemory(const void* data, size_t size) {
    FileHolder file(new CFileObj);
    if (!file->OpenMemory(data, size))
        return Fail(ProjectReadError::NotAProjectFile);
    return LoadOpenedFile(file.get());
}

bool CProjectFile::LoadOpenedFile(CFileObj* file) {
    RiffHolder riff(new CRIFF);
    RIFFChunkInfo form;
    bool loaded = false;
    if (!riff->Open(file, &form, CRIFF::CutShortForm::kReadWhatIsThere))
        loaded = Fail(ProjectReadError::NotAProjectFile);
    else if (form.chunkType == kFormType)
        loaded = Load(*riff);
    else if (form.chunkType == kLegacyFormType)
        loaded = LegacyLoad(*riff);
    else
        loaded = Fail(ProjectReadError::NotAProjectFile);
    riff->Close();
    return loaded;
}

bool CProjectFile::Fail(ProjectReadError error) {
    m_lastError = error;
    return false;
}
