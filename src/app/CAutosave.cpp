#include "app/CAutosave.h"

#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "project/CRecoverySave.h"
#include "support/CSafeFileSave.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"

#include <cstdio>

CAutosave::CAutosave(CProject& project, CPCMMixer& mixer, CUndoMgr& undo, std::string recoveryPath)
    : m_project(project), m_mixer(mixer), m_undo(undo), m_recoveryPath(std::move(recoveryPath)) {}

CAutosave::~CAutosave() {
    WaitForWrite();
    if (m_window)
        m_window->KillTimer(this, kTimerId);
}

void CAutosave::Start(VRGuiWindow& window) {
    m_window = &window;
    window.StartTimer(this, kTimerId, kPeriodMs);
}

void CAutosave::Finish() {
    WaitForWrite();
    if (m_window)
        m_window->KillTimer(this, kTimerId);
    m_window = nullptr;
    if (!m_wroteFile)
        return;
    std::remove(m_recoveryPath.c_str());
    std::remove(CSafeFileSave::BackupPathFor(m_recoveryPath).c_str());
    m_wroteFile = false;
}

void CAutosave::OnTimer(uint32_t id) {
    if (id == kTimerId)
        SaveIfChanged();
}

bool CAutosave::IsDue() const {
    if (IsWriting() || m_project.InFileActivity() || !m_undo.IsDirty())
        return false;
    return !m_haveCopy || m_undo.ChangeCount() != m_savedChangeCount;
}

bool CAutosave::SaveIfChanged() {
    if (!IsDue())
        return false;
    WaitForWrite();
    const uint64_t changeCount = m_undo.ChangeCount();
    StartWrite(std::make_unique<ProjectFileContents>(
        CRecoverySave::Snapshot(m_project, m_mixer, m_recoveryPath)));
    m_savedChangeCount = changeCount;
    m_haveCopy = true;
    return true;
}

void CAutosave::StartWrite(std::unique_ptr<ProjectFileContents> contents) {
    m_written = false;
    m_wroteFile = true;
    m_writer = std::thread([this, contents = std::move(contents)] {
        m_writeSucceeded = CRecoverySave::Write(*contents, m_recoveryPath);
        m_written = true;
    });
}

bool CAutosave::WaitForWrite() {
    if (!m_writer.joinable())
        return true;
    m_writer.join();
    if (!m_writeSucceeded) {
        // Tried again at the next tick.
        m_haveCopy = false;
        LogFmt("CAutosave: the copy '%s' was not written", m_recoveryPath.c_str());
    }
    return m_writeSucceeded;
}
