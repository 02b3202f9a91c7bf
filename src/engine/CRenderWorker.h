#pragma once

#include "engine/CFormatPrefs.h"
#include "engine/CMixRoutine.h"
#include "engine/CTrackRenderList.h"
#include "engine/FormatDetails.h"
#include "support/RefPtr.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CPCMMixer;
class CSoundGroup;
class CSoundReader;

// Renders a sound group to sound files on a thread of its own, as fast as the
// machine allows: the whole mix, or one engine track for a freeze. It mixes
// through its own instance of the mixing routine (the same code that plays),
// so the playback position stays where it was; a block it cannot mix because
// the GUI thread holds the mixer's lock is tried again, never written as
// silence. A sound reader of its own reads and converts the sounds on a
// second thread while this one mixes; the mix waits for it where it lags.
//
// One file per entry of the render list. With several files, each gets the
// target's name with its number: "song.wav" becomes "song-1.wav", "song-2.wav"
// and so on. Each file is written next to its target under a temporary name
// and put in place when complete, so an aborted or failed render leaves no
// half-written file.
//
// Use from one (the GUI) thread: Start, poll Progress / IsRunning / HasError,
// Abort if the user cancels, and CleanUp once it stopped, in every case.
class CRenderWorker {
public:
    static constexpr int kAllTracks = CMixRoutine::kAllTracks;
    static constexpr size_t kProgressTextSize = 512;
    // Frames mixed and encoded per step; an abort is seen between steps.
    static constexpr int kBlockFrames = 4096;

    CRenderWorker();
    // Aborts a render still running and waits for it.
    ~CRenderWorker();
    CRenderWorker(const CRenderWorker&) = delete;
    CRenderWorker& operator=(const CRenderWorker&) = delete;

    // Starts rendering the entries of renderList from soundGroup to path in
    // the given format (its kind must belong to fileType). engineTrackNumber
    // >= 0 renders that track alone, through its chains but before its volume
    // and pan (a freeze); kAllTracks the whole mix. Tags are written only when
    // withTags is set. The worker holds a reference on the group until
    // CleanUp. Non-zero when the render began; 0 when it is already running
    // or an argument is refused (the error flag is then set).
    int Start(bool multipleFiles, CSoundGroup* soundGroup, const CTrackRenderList& renderList,
              const std::string& path, CPCMMixer* mixer, ConversionType fileType,
              const ::FormatDetails& format, bool withTags, int engineTrackNumber);

    // The finished fraction of all frames, 0..1.
    double Progress() const;
    bool IsRunning() const { return m_running.load(); }
    // Waits until the render stops or the timeout passes: true once it has
    // stopped. A caller that polls the progress learns of the end at once
    // rather than at its next look.
    bool WaitUntilStopped(std::chrono::milliseconds timeout);
    // Set when the render failed (not when it was aborted).
    bool HasError() const { return m_error.load(); }
    // What the worker is doing, as a NUL-terminated text cut to size bytes.
    void ProgressText(char* buffer, size_t size) const;
    // Asks the render to stop; with wait non-zero, returns once it stopped.
    // The file being written is dropped.
    void Abort(int wait);
    // Waits for the thread and lets go of the sound group. GUI thread.
    void CleanUp();

    // The render formats remembered in the settings store under keyPath
    // (levels joined by '\').
    bool ReadFormatPrefs(const std::string& keyPath);
    bool SaveFormatPrefs(const std::string& keyPath) const;
    CFormatPrefs& GetFormatPrefs() { return m_prefs; }
    // The format a render of that type writes with the remembered settings,
    // at the mixer's rate and channel count.
    ::FormatDetails FormatDetails(ConversionType type) const;

    // The file name entry `number` (from 1) of a multi-file render gets.
    static std::string NumberedPath(const std::string& path, int number);

private:
    struct Entry {
        std::string path;
        int64_t startFrame = 0;
        int64_t endFrame = 0;
        SoundTags tags;
    };

    bool CheckArguments(CSoundGroup* soundGroup, const CTrackRenderList& renderList,
                        const std::string& path, CPCMMixer* mixer, ConversionType fileType,
                        const ::FormatDetails& format) const;
    void PlanEntries(bool multipleFiles, const CTrackRenderList& renderList,
                     const std::string& path, bool withTags);
    void ResetPlaybackState();
    void Run();
    // Writes one file; false when it failed or the render was aborted.
    bool RenderEntry(const Entry& entry, int index);
    // Mixes one block, trying again while the mixer is locked; false on abort.
    bool MixBlock(int64_t startFrame, int frames);
    void SetText(const std::string& text);
    void Fail(const std::string& what);

    CFormatPrefs m_prefs;
    // Made by Start, dropped by CleanUp: the reader's thread only runs while
    // a render needs it.
    std::unique_ptr<CSoundReader> m_reader;
    std::unique_ptr<CMixRoutine> m_routine;
    CPCMMixer* m_mixer = nullptr;
    RefPtr<CSoundGroup> m_group;
    ::FormatDetails m_format;
    int m_onlyTrack = kAllTracks;
    std::vector<Entry> m_entries;
    std::vector<float> m_block;

    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::mutex m_stopMutex; // with m_stopped, tells WaitUntilStopped of the end
    std::condition_variable m_stopped;
    std::atomic<bool> m_error{false};
    std::atomic<bool> m_abort{false};
    std::atomic<int64_t> m_doneFrames{0};
    int64_t m_totalFrames = 0;
    mutable std::mutex m_textMutex;
    std::string m_text;
};
