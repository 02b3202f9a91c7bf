#pragma once

#include "gui/VRGuiObject.h"
#include "project/ProjectFileContents.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class CPCMMixer;
class CProject;
class CUndoMgr;
class VRGuiWindow;

// Keeps a copy of the open project at the recovery file's place, for the
// next start to offer after a crash: every kPeriodMs, when the project
// changed since the last copy and has unsaved changes. The snapshot is taken
// on the main thread (the timer's); the file is written on a thread of its
// own, atomically, so that the editor is not held up by the disk and a
// process killed while writing leaves the previous copy whole. Nothing is
// copied while a load or save of the project runs, or while the previous
// copy is still being written. A clean end removes the copy.
class CAutosave : public VRGuiObject {
public:
    static constexpr uint32_t kTimerId = 701;
    static constexpr uint32_t kPeriodMs = 2 * 60 * 1000;

    CAutosave(CProject& project, CPCMMixer& mixer, CUndoMgr& undo, std::string recoveryPath);
    ~CAutosave() override;
    CAutosave(const CAutosave&) = delete;
    CAutosave& operator=(const CAutosave&) = delete;

    void Start(VRGuiWindow& window);
    // Waits for a copy being written and removes the copy this object made:
    // the user has been asked about saving, nothing is left to recover. A
    // recovery file it did not write (another run's) is left alone.
    void Finish();

    void OnTimer(uint32_t id) override;
    // Starts a copy when one is due; true when it did.
    bool SaveIfChanged();
    // Waits until the copy being written is on the disk; its result.
    bool WaitForWrite();
    bool IsWriting() const { return m_writer.joinable() && !m_written; }
    const std::string& RecoveryPath() const { return m_recoveryPath; }

private:
    bool IsDue() const;
    void StartWrite(std::unique_ptr<ProjectFileContents> contents);

    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    const std::string m_recoveryPath;
    VRGuiWindow* m_window = nullptr;
    uint64_t m_savedChangeCount = 0;
    bool m_haveCopy = false;
    bool m_wroteFile = false;
    std::thread m_writer;
    std::atomic<bool> m_written{false};
    std::atomic<bool> m_writeSucceeded{false};
};
