#pragma once

#include "burn/BurnTrack.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CPCMMixer;
class CRenderWorker;

// Renders the tracks of a CD layout through the engine's render worker, each
// to a temporary CD-audio WAV file (44.1 kHz, 16 bits, stereo) named
// "tmp<number>.wav" in the temporary folder. The tracks are split at whole
// CD sectors (1/75 s) from the start of the burn range, so that each file
// holds exactly the sectors of its track and the files joined are the
// render of the whole range. The files are removed by RemoveFiles or when
// the object goes.
class CBurnRender {
public:
    // Free space (kilobytes) the temporary folder keeps beyond the files.
    static constexpr int64_t kReserveKb = 307200;
    // The least another folder must have free.
    static constexpr int64_t kMinOtherFolderKb = 61440;

    // Called about ten times a second with the finished fraction; false cancels.
    using Progress = std::function<bool(double fraction)>;
    // Asked for another folder when the temporary one lacks space; neededKb is
    // what it must have free. "" when the user gives none.
    using AskFolder = std::function<std::string(int64_t neededKb)>;

    CBurnRender(CPCMMixer& mixer, std::string tempFolder);
    ~CBurnRender();
    CBurnRender(const CBurnRender&) = delete;
    CBurnRender& operator=(const CBurnRender&) = delete;

    void SetAskFolder(AskFolder ask) { m_askFolder = std::move(ask); }
    // The kilobytes the files of that many ms of CD audio take.
    static int64_t NeededKb(int32_t lengthMs);
    // Finds a folder with room for lengthMs of CD audio: the temporary folder,
    // or one the user gives. False, logged "Not enough space!...", when none.
    bool CheckFreeSpace(int32_t lengthMs);
    // Renders every track (times relative to rangeStartMs, heard) and sets
    // each one's wavPath. False when the render failed (Error) or was cancelled.
    bool RenderTracks(int32_t rangeStartMs, std::vector<BurnTrack>& tracks,
                      const Progress& progress);
    // The same in steps, for a caller that polls: Start, then IsRunning and
    // Fraction until it stops, then Finish (which sets the wavPaths).
    bool Start(int32_t rangeStartMs, const std::vector<BurnTrack>& tracks);
    bool IsRunning() const;
    double Fraction() const;
    void Cancel();
    bool Finish(std::vector<BurnTrack>& tracks);
    void RemoveFiles();

    const std::string& Folder() const { return m_folder; }
    const std::string& Error() const { return m_error; }
    bool WasCancelled() const { return m_cancelled; }
    // Where each track's file begins, in sectors from the start of the range.
    const std::vector<int64_t>& StartSectors() const { return m_startSectors; }

private:
    bool HasRoom(const std::string& folder, int64_t neededKb) const;
    std::string TrackPath(int number) const;
    bool PutFilesInPlace(std::vector<BurnTrack>& tracks);

    CPCMMixer& m_mixer;
    std::unique_ptr<CRenderWorker> m_worker;
    std::string m_folder;
    AskFolder m_askFolder;
    std::vector<std::string> m_files;
    std::vector<int64_t> m_startSectors;
    std::string m_error;
    bool m_cancelled = false;
};
