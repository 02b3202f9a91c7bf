#pragma once

#include "engine/CTrackRenderList.h"
#include "engine/FormatDetails.h"
#include "project/ClipDocument.h"
#include "project/ProjectAuthoring.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CPCMMixer;
class CRenderWorker;
class CProjectMarkers;
class TempoMap;

// Mixes a whole project down to one sound file through the engine's render
// worker. The target's extension chooses the format (.wav, .mp3, .ogg or
// .wma, with the render formats remembered in the settings); the project's
// authoring information goes into the file's tags where the format has them.
// Used by the mix-down commands and by `loomtone --render`.
class CProjectMixdown {
public:
    // Called about ten times a second while rendering with the finished
    // fraction (0..1) and what the worker does; answering false aborts.
    using Progress = std::function<bool(double fraction, const std::string& text)>;

    // formatKeyPath: where the settings store keeps the render formats.
    CProjectMixdown(CPCMMixer& mixer, const ProjectAuthoring& authoring, std::string formatKeyPath);

    // The files the render must not write over (ProjectFilesInUse).
    void SetFilesInUse(std::vector<std::string> files) { m_filesInUse = std::move(files); }
    // Whether the authoring information goes into the file's tags (on by default).
    void SetWriteTags(bool on) { m_writeTags = on; }
    // Brings the mix-down to an integrated loudness (LUFS, EBU R128) with its
    // true peak under the ceiling (dBTP), one gain for all its files.
    void SetNormalize(bool on, double targetLufs, double ceilingDb) {
        m_normalize = on;
        m_targetLufs = targetLufs;
        m_ceilingDb = ceilingDb;
    }

    // Where a CD track starts, in heard ms, and the name of its marker.
    struct CdTrackStart {
        double startMs = 0.0;
        std::string name;
    };
    // With two or more starts the render writes one numbered file per CD
    // track ("song-1.wav", "song-2.wav", ...): the first from 0, each up to
    // the next start, the last to the end; a start at or past the end of the
    // render makes no file. With namesAsTitles each file's title is its
    // marker's name. Starts must be in time order.
    void SetCdTrackStarts(std::vector<CdTrackStart> starts, bool namesAsTitles) {
        m_cdTrackStarts = std::move(starts);
        m_markerTitles = namesAsTitles;
    }
    // Renders only this span of the timeline (heard ms, a time selection)
    // to one file, whatever the CD markers say; none renders the project.
    void SetTimeSpan(std::optional<TimeRange> span) { m_span = span; }
    // The markers that start CD tracks, in marker order, at their heard times.
    static std::vector<CdTrackStart> CdTrackStartsOf(const CProjectMarkers& markers,
                                                     const TempoMap& tempoMap);
    // The render entries for a target: the time span, one per CD track, or
    // the whole project.
    CTrackRenderList RenderListFor(const std::string& path) const;

    // How long the mix-down runs on past the project's last sound, in ms,
    // while the effects and instruments of tracks that play ring out; 0 when
    // nothing rings.
    double RingingTailMs() const;

    // False, with Error() saying why, when the extension names no format, the
    // target is a file in use, the render cannot start, fails or is aborted;
    // the target is then untouched. The progress text names the target, and
    // says so once the render is past the last sound and only the tail rings.
    bool Render(const std::string& path, const Progress& progress);
    const std::string& Error() const { return m_error; }
    // Whether the last Render was refused because its target is in use.
    bool RefusedFileInUse() const { return m_refusedInUse; }
    // Whether the last Render stopped because the progress callback said so.
    bool WasCancelled() const { return m_cancelled; }

private:
    // A file the render writes, and the inode of what was there before (0: nothing).
    struct Output {
        std::string path;
        uint64_t inodeBefore = 0;
    };
    static std::vector<Output> OutputsOf(const std::string& path, int files);
    // Runs the worker over the list to path; false when it failed (Error
    // set) or was cancelled (m_cancelled set).
    bool RenderWith(CRenderWorker& worker, const CTrackRenderList& list, const std::string& path,
                    ConversionType type, const FormatDetails& format, bool withTags,
                    const Progress& progress);
    // Renders to float files, then writes the outputs normalised.
    void RenderNormalized(CRenderWorker& worker, const CTrackRenderList& list,
                          const std::string& path, const FormatDetails& format,
                          const Progress& progress);
    void WriteNormalized(const std::vector<std::string>& floatFiles, const CTrackRenderList& list,
                         const FormatDetails& format, const Progress& progress);
    // After a cancel: the files this render finished go, what was there before stays.
    void RemoveFilesOfThisRender() const;
    // What the user reads at that finished fraction of the render.
    std::string ProgressTextAt(double fraction) const;

    CPCMMixer& m_mixer;
    ProjectAuthoring m_authoring;
    std::string m_formatKeyPath;
    std::vector<std::string> m_filesInUse;
    bool m_writeTags = true;
    bool m_normalize = false;
    double m_targetLufs = -14.0;
    double m_ceilingDb = -1.0;
    std::vector<CdTrackStart> m_cdTrackStarts;
    bool m_markerTitles = false;
    std::optional<TimeRange> m_span;
    std::string m_error;
    bool m_refusedInUse = false;
    bool m_cancelled = false;
    // The render in progress: its files, where each begins, where the last
    // sound ends and where the render starts and ends (timeline ms, heard).
    std::vector<Output> m_outputs;
    std::vector<double> m_fileStartsMs;
    double m_lastSoundMs = 0.0;
    double m_startMs = 0.0;
    double m_endMs = 0.0;
};
