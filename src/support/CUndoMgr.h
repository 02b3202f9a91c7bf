#pragma once

#include "support/CLock.h"
#include "support/CUndoAtom.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// Keeps the program's undo history: sets of undo records, one set per
// user-visible step, in an undo stack and a redo stack.
//
// Records are added to the open set; a CUndoStep (or NextUndoSet()) closes it,
// and the next record opens a new one, so no empty set is ever kept. Undo() restores the newest
// set's records newest first and moves the set to the redo stack; Redo() restores the newest undone
// set oldest first and moves it back. A new record clears the redo stack. When a new set would
// exceed the limit, the oldest set is dropped.
//
// While a set is being restored, the records' Restore may run editing code that
// records again. Such records describe the restore itself, not a user edit, so
// they are ignored (AddUndoNode returns false), as are NextUndoSet, Undo and Redo
// calls made from inside a Restore. ClearUndoHistory from inside a Restore also
// drops the set being restored once it is done.
class CUndoMgr {
public:
    // maxSets: how many undo sets are kept (at least 1).
    explicit CUndoMgr(int maxSets);
    ~CUndoMgr();
    CUndoMgr(const CUndoMgr&) = delete;
    CUndoMgr& operator=(const CUndoMgr&) = delete;

    // Files a clone of the record in the open set (opening one if needed) and marks
    // the project changed. False when the record was ignored or could not be cloned.
    bool AddUndoNode(const CUndoAtom& atom);
    // Closes the open set: the records added next form a new step.
    void NextUndoSet();

    // False when there is nothing to undo or redo, or a restore is running.
    bool Undo();
    bool Redo();
    bool CanUndo() const;
    bool CanRedo() const;

    // Drops every set in both directions, deleting their records.
    void ClearUndoHistory();

    // Whether the project has changes that are not saved.
    void SetDirty(bool dirty);
    bool IsDirty() const;
    // Grows with every change the project is marked with (a record, an undo
    // or redo, SetDirty(true)), so that a copy made at one count is known to
    // be out of date at another.
    uint64_t ChangeCount() const;

    int NumUndoSets() const;
    int NumRedoSets() const;
    int MaxUndoSets() const { return m_maxSets; }

private:
    friend class CUndoStep;
    // Steps nest: only the outermost one closes the open set, when it opens
    // and when it closes.
    void OpenStep();
    void CloseStep();

    using UndoSet = std::vector<std::unique_ptr<CUndoAtom>>;

    void OpenNewSet(std::vector<UndoSet>& dropped);
    void RestoreSet(UndoSet& set, bool redo);
    bool Replay(bool redo);

    mutable CLock m_lock;
    const int m_maxSets;
    int m_openSteps = 0;
    std::deque<UndoSet> m_undoSets;  // oldest first
    std::vector<UndoSet> m_redoSets; // most recently undone last
    bool m_setOpen = false;
    bool m_restoring = false;
    bool m_clearedWhileRestoring = false;
    bool m_dirty = false;
    uint64_t m_changeCount = 0;
    int32_t m_currentSetId = -1;
};
