#include "support/CUndoMgr.h"

#include "support/Log.h"

#include <algorithm>
#include <mutex>

CUndoMgr::CUndoMgr(int maxSets) : m_maxSets(std::max(1, maxSets)) {}

CUndoMgr::~CUndoMgr() = default;

bool CUndoMgr::AddUndoNode(const CUndoAtom& atom) {
    // Sets pushed out die after the lock is released (see ClearUndoHistory).
    std::vector<UndoSet> dropped;
    std::lock_guard guard(m_lock);
    if (m_restoring) {
        Log("CUndoMgr::AddUndoNode() - record made while restoring ignored");
        return false;
    }
    std::unique_ptr<CUndoAtom> copy = atom.Clone();
    if (!copy) {
        Log("CUndoMgr::AddUndoNode failed on Clone() - returning false!");
        return false;
    }
    dropped.swap(m_redoSets);
    if (!m_setOpen)
        OpenNewSet(dropped);
    copy->SetUndoSetId(m_currentSetId);
    m_undoSets.back().push_back(std::move(copy));
    m_dirty = true;
    ++m_changeCount;
    return true;
}

void CUndoMgr::OpenNewSet(std::vector<UndoSet>& dropped) {
    if (static_cast<int>(m_undoSets.size()) >= m_maxSets) {
        dropped.push_back(std::move(m_undoSets.front()));
        m_undoSets.pop_front();
    }
    m_undoSets.emplace_back();
    m_setOpen = true;
    m_currentSetId = m_currentSetId == INT32_MAX ? 0 : m_currentSetId + 1;
}

void CUndoMgr::NextUndoSet() {
    std::lock_guard guard(m_lock);
    if (!m_restoring)
        m_setOpen = false;
}

void CUndoMgr::OpenStep() {
    std::lock_guard guard(m_lock);
    if (m_openSteps++ == 0 && !m_restoring)
        m_setOpen = false;
}

void CUndoMgr::CloseStep() {
    std::lock_guard guard(m_lock);
    if (--m_openSteps == 0 && !m_restoring)
        m_setOpen = false;
}

bool CUndoMgr::Undo() {
    return Replay(false);
}

bool CUndoMgr::Redo() {
    return Replay(true);
}

// Takes the set off its stack while its records restore, so that whatever the
// records' Restore calls back into cannot touch it; then files it in the other
// direction unless the history was cleared meanwhile.
bool CUndoMgr::Replay(bool redo) {
    UndoSet set; // outlives the lock when the history is cleared meanwhile
    std::unique_lock guard(m_lock);
    if (m_restoring)
        return false;
    if (redo) {
        if (m_redoSets.empty())
            return false;
        set = std::move(m_redoSets.back());
        m_redoSets.pop_back();
    } else {
        if (m_undoSets.empty())
            return false;
        set = std::move(m_undoSets.back());
        m_undoSets.pop_back();
    }
    m_setOpen = false;
    m_restoring = true;
    m_clearedWhileRestoring = false;
    guard.unlock();

    RestoreSet(set, redo);

    guard.lock();
    m_restoring = false;
    m_dirty = true;
    ++m_changeCount;
    if (m_clearedWhileRestoring)
        return true;
    if (redo)
        m_undoSets.push_back(std::move(set));
    else
        m_redoSets.push_back(std::move(set));
    return true;
}

// Undo walks a set backwards so that later changes are taken back first;
// redo replays it in the order the changes were made.
void CUndoMgr::RestoreSet(UndoSet& set, bool redo) {
    if (redo) {
        for (auto& record : set)
            record->Restore(true);
    } else {
        for (auto it = set.rbegin(); it != set.rend(); ++it)
            (*it)->Restore(false);
    }
}

bool CUndoMgr::CanUndo() const {
    std::lock_guard guard(m_lock);
    return !m_restoring && !m_undoSets.empty();
}

bool CUndoMgr::CanRedo() const {
    std::lock_guard guard(m_lock);
    return !m_restoring && !m_redoSets.empty();
}

void CUndoMgr::ClearUndoHistory() {
    std::deque<UndoSet> undoSets;
    std::vector<UndoSet> redoSets;
    {
        std::lock_guard guard(m_lock);
        undoSets.swap(m_undoSets);
        redoSets.swap(m_redoSets);
        m_setOpen = false;
        if (m_restoring)
            m_clearedWhileRestoring = true;
    }
    // The records die outside the lock: their destructors may release clips and
    // tracks, whose teardown must not find the manager locked.
}

void CUndoMgr::SetDirty(bool dirty) {
    std::lock_guard guard(m_lock);
    m_dirty = dirty;
    if (dirty)
        ++m_changeCount;
}

uint64_t CUndoMgr::ChangeCount() const {
    std::lock_guard guard(m_lock);
    return m_changeCount;
}

bool CUndoMgr::IsDirty() const {
    std::lock_guard guard(m_lock);
    return m_dirty;
}

int CUndoMgr::NumUndoSets() const {
    std::lock_guard guard(m_lock);
    return static_cast<int>(m_undoSets.size());
}

int CUndoMgr::NumRedoSets() const {
    std::lock_guard guard(m_lock);
    return static_cast<int>(m_redoSets.size());
}
