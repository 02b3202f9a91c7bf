#include "project/CProjectMixdown.h"

#include "engine/CPCMMixer.h"
#include "engine/CRenderWorker.h"
#include "engine/CTrackRenderList.h"
#include "project/ProjectFilesInUse.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <chrono>
#include <thread>

namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(100);

_renderWorkerTrackStruct WholeProject(const ProjectAuthoring& authoring) {
    _renderWorkerTrackStruct entry;
    entry.title = authoring.title;
    entry.artist = authoring.author;
    entry.album = authoring.album;
    entry.genre = authoring.genre;
    entry.comment = authoring.comments;
    entry.copyright = authoring.copyright;
    if (authoring.year != 0)
        entry.year = std::to_string(authoring.year);
    return entry;
}

} // namespace

CProjectMixdown::CProjectMixdown(CPCMMixer& mixer, const ProjectAuthoring& authoring,
                                 std::string formatKeyPath)
    : m_mixer(mixer), m_authoring(authoring), m_formatKeyPath(std::move(formatKeyPath)) {}

bool CProjectMixdown::Render(const std::string& path, const Progress& progress) {
    m_error.clear();
    m_refusedInUse = IsFileInUse(path, m_filesInUse);
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
    CTrackRenderList list;
    list.AddTrackInfo(WholeProject(m_authoring));
    if (!worker.Start(false, m_mixer.GetSoundGroup(), list, path, &m_mixer, type,
                      worker.FormatDetails(type), true, CRenderWorker::kAllTracks)) {
        m_error = "the render could not start";
        worker.CleanUp();
        return false;
    }
    char text[CRenderWorker::kProgressTextSize];
    bool aborted = false;
    while (worker.IsRunning()) {
        std::this_thread::sleep_for(kPollPeriod);
        worker.ProgressText(text, sizeof(text));
        if (progress && !progress(worker.Progress(), text)) {
            worker.Abort(1);
            aborted = true;
        }
    }
    const bool failed = worker.HasError();
    worker.ProgressText(text, sizeof(text));
    worker.CleanUp();
    if (aborted)
        m_error = "the render was cancelled";
    else if (failed)
        m_error = text;
    LogFmt("CProjectMixdown::Render %s: %s", path.c_str(),
           m_error.empty() ? "done" : m_error.c_str());
    return m_error.empty();
}
