#include "project/CProjectMixdown.h"

#include "engine/CLoudnessNormalizer.h"
#include "engine/CPCMMixer.h"
#include "engine/CRenderWorker.h"
#include "engine/CSoundGroup.h"
#include "engine/TempoMap.h"
#include "project/CProjectMarkers.h"
#include "project/ProjectFilesInUse.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <sys/stat.h>

namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(100);

_renderWorkerTrackStruct WholeProject(const ProjectAuthoring& authoring, const std::string& path) {
    _renderWorkerTrackStruct entry;
    entry.title =
        authoring.title.empty() ? RemoveExtensionFromFile(ExtractFileName(path)) : authoring.title;
    entry.artist = authoring.author;
    entry.album = authoring.album;
    entry.genre = authoring.genre;
    entry.comment = authoring.comments;
    entry.copyright = authoring.copyright;
    if (authoring.year != 0)
        entry.year = std::to_string(authoring.year);
    if (authoring.genreNumber != ProjectAuthoring::kNoGenre)
        entry.genreNumber = authoring.genreNumber;
    return entry;
}

// The end of the last sound of the group, read on the thread that changes it.
double LastSoundEnd(CPCMMixer& mixer) {
    mixer.Lock();
    const double end = mixer.GetSoundGroup()->HeardEndTime();
    mixer.Unlock();
    return end;
}

} // namespace

CProjectMixdown::CProjectMixdown(CPCMMixer& mixer, const ProjectAuthoring& authoring,
                                 std::string formatKeyPath)
    : m_mixer(mixer), m_authoring(authoring), m_formatKeyPath(std::move(formatKeyPath)) {}

double CProjectMixdown::RingingTailMs() const {
    return m_mixer.GetRingingEndTime(*m_mixer.GetSoundGroup()) - LastSoundEnd(m_mixer);
}

CTrackRenderList CProjectMixdown::RenderListFor(const std::string& path) const {
    CTrackRenderList list;
    const _renderWorkerTrackStruct whole = WholeProject(m_authoring, path);
    if (m_span) {
        _renderWorkerTrackStruct span = whole;
        span.startMs = m_span->startMs;
        span.endMs = m_span->endMs;
        if (span.endMs > span.startMs)
            list.AddTrackInfo(span);
        return list;
    }
    if (m_cdTrackStarts.size() < 2) {
        list.AddTrackInfo(whole);
        return list;
    }
    const double endMs = m_mixer.GetRingingEndTime(*m_mixer.GetSoundGroup());
    double startMs = 0.0;
    for (size_t index = 0; index < m_cdTrackStarts.size() && startMs < endMs; ++index) {
        _renderWorkerTrackStruct entry = whole;
        entry.startMs = startMs;
        const bool last =
            index + 1 == m_cdTrackStarts.size() || m_cdTrackStarts[index + 1].startMs >= endMs;
        entry.endMs = last ? _renderWorkerTrackStruct::kToEnd
                           : std::max(startMs, m_cdTrackStarts[index + 1].startMs);
        entry.trackNumber = static_cast<int>(index) + 1;
        if (m_markerTitles && !m_cdTrackStarts[index].name.empty())
            entry.title = m_cdTrackStarts[index].name;
        if (!list.AddTrackInfo(entry))
            break;
        startMs = last ? endMs : entry.endMs;
    }
    if (list.Count() == 0)
        list.AddTrackInfo(whole);
    return list;
}

std::vector<CProjectMixdown::CdTrackStart>
CProjectMixdown::CdTrackStartsOf(const CProjectMarkers& markers, const TempoMap& tempoMap) {
    std::vector<CdTrackStart> starts;
    for (const MarkerRecord& marker : markers.All()) {
        if (marker.cdTrack)
            starts.push_back({tempoMap.GetTempoAdjustedTime(marker.time), marker.name});
    }
    return starts;
}

std::vector<CProjectMixdown::Output> CProjectMixdown::OutputsOf(const std::string& path,
                                                                int files) {
    std::vector<Output> outputs;
    for (int number = 1; number <= files; ++number) {
        Output out;
        out.path = files > 1 ? CRenderWorker::NumberedPath(path, number) : path;
        struct stat before {};
        if (stat(out.path.c_str(), &before) == 0)
            out.inodeBefore = before.st_ino;
        outputs.push_back(std::move(out));
    }
    return outputs;
}

void CProjectMixdown::RemoveFilesOfThisRender() const {
    // The worker puts each finished file in place by renaming a new one over
    // the target: a file whose inode is not the one from before is ours.
    for (const Output& out : m_outputs) {
        struct stat now {};
        if (stat(out.path.c_str(), &now) != 0 || now.st_ino == out.inodeBefore)
            continue;
        if (std::remove(out.path.c_str()) != 0)
            LogFmt("CProjectMixdown::Render could not remove '%s'", out.path.c_str());
    }
}

std::string CProjectMixdown::ProgressTextAt(double fraction) const {
    const double renderedMs = m_startMs + fraction * (m_endMs - m_startMs);
    if (m_endMs > m_lastSoundMs && renderedMs > m_lastSoundMs)
        return MyLoadFormattedString("PD_RingingOut", (m_endMs - m_lastSoundMs) / 1000.0);
    // The file being written: the last one whose range has begun.
    size_t file = 0;
    while (file + 1 < m_outputs.size() && m_fileStartsMs[file + 1] <= renderedMs)
        ++file;
    return MyLoadFormattedString("PD_MixingDownTo", ExtractFileName(m_outputs[file].path));
}

bool CProjectMixdown::Render(const std::string& path, const Progress& progress) {
    m_error.clear();
    m_cancelled = false;
    const CTrackRenderList list = RenderListFor(path);
    if (list.Count() == 0) {
        m_error = "the time selection is empty";
        return false;
    }
    m_outputs = OutputsOf(path, list.Count());
    m_refusedInUse = std::any_of(m_outputs.begin(), m_outputs.end(), [this](const Output& out) {
        return IsFileInUse(out.path, m_filesInUse);
    });
    if (m_refusedInUse) {
        m_error = "the project uses this file, so it cannot be overwritten";
        LogFmt("CProjectMixdown::Render %s: %s", path.c_str(), m_error.c_str());
        return false;
    }
    ConversionType type;
    if (!ConversionTypeForExtension(ExtractExtension(path), &type)) {
        m_error = "the file name must end in .wav, .mp3, .ogg or .wma";
        return false;
    }
    CRenderWorker worker;
    worker.ReadFormatPrefs(m_formatKeyPath);
    m_fileStartsMs.clear();
    for (int index = 0; index < list.Count(); ++index)
        m_fileStartsMs.push_back(list.At(index)->startMs);
    m_lastSoundMs = LastSoundEnd(m_mixer);
    m_startMs = m_span ? m_span->startMs : 0.0;
    m_endMs = m_span ? m_span->endMs : m_mixer.GetRingingEndTime(*m_mixer.GetSoundGroup());
    if (m_normalize)
        RenderNormalized(worker, list, path, worker.FormatDetails(type), progress);
    else
        RenderWith(worker, list, path, type, worker.FormatDetails(type), m_writeTags, progress);
    if (m_cancelled) {
        RemoveFilesOfThisRender();
        m_error = "the render was cancelled";
    }
    LogFmt("CProjectMixdown::Render %s: %s", path.c_str(),
           m_error.empty() ? "done" : m_error.c_str());
    return m_error.empty();
}

bool CProjectMixdown::RenderWith(CRenderWorker& worker, const CTrackRenderList& list,
                                 const std::string& path, ConversionType type,
                                 const FormatDetails& format, bool withTags,
                                 const Progress& progress) {
    if (!worker.Start(list.Count() > 1, m_mixer.GetSoundGroup(), list, path, &m_mixer, type, format,
                      withTags, CRenderWorker::kAllTracks)) {
        m_error = "the render could not start";
        worker.CleanUp();
        return false;
    }
    for (bool stopped = false; !stopped;) {
        stopped = worker.WaitUntilStopped(kPollPeriod);
        const double fraction = worker.Progress();
        if (progress && !progress(fraction, ProgressTextAt(fraction))) {
            worker.Abort(1);
            m_cancelled = true;
        }
    }
    const bool failed = worker.HasError();
    // A cancel that came after the last block leaves a whole file: that is done.
    if (m_cancelled && !failed && worker.Progress() >= 1.0)
        m_cancelled = false;
    char text[CRenderWorker::kProgressTextSize];
    worker.ProgressText(text, sizeof(text));
    worker.CleanUp();
    if (failed)
        m_error = text;
    return !failed && !m_cancelled;
}

void CProjectMixdown::RenderNormalized(CRenderWorker& worker, const CTrackRenderList& list,
                                       const std::string& path, const FormatDetails& format,
                                       const Progress& progress) {
    // The mix goes to hidden float files first: nothing is lost to clipping
    // or to a second lossy encoding, whatever the gain turns out to be.
    const std::string floatPath =
        ExtractDirectory(path) + "." + ExtractFileName(path) + ".normalising.wav";
    std::vector<std::string> floatFiles;
    for (int number = 1; number <= list.Count(); ++number)
        floatFiles.push_back(list.Count() > 1 ? CRenderWorker::NumberedPath(floatPath, number)
                                              : floatPath);
    if (RenderWith(worker, list, floatPath, ConversionType::Wav,
                   FormatDetails::FrozenTrack(format.sampleRate, format.channels), false, progress))
        WriteNormalized(floatFiles, list, format, progress);
    for (const std::string& file : floatFiles)
        std::remove(file.c_str());
}

void CProjectMixdown::WriteNormalized(const std::vector<std::string>& floatFiles,
                                      const CTrackRenderList& list, const FormatDetails& format,
                                      const Progress& progress) {
    CLoudnessNormalizer normalizer(m_targetLufs, m_ceilingDb);
    const std::string text = MyLoadString("PD_Normalizing");
    const auto step = [&](double fraction) {
        m_cancelled = progress && !progress(fraction, text);
        return !m_cancelled;
    };
    if (!normalizer.Measure(floatFiles, step)) {
        if (!m_cancelled)
            m_error = normalizer.Error();
        return;
    }
    for (size_t index = 0; index < floatFiles.size(); ++index) {
        FormatDetails details = format;
        details.tags = list.At(static_cast<int>(index))->Tags();
        details.writeTags = m_writeTags && !details.tags.Empty();
        if (!normalizer.Write(floatFiles[index], m_outputs[index].path, details, step)) {
            if (!m_cancelled)
                m_error = normalizer.Error();
            return;
        }
    }
}
