#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Base of every undo record. A record holds enough state to put one object back
// into its form before or after an edit. Records are usually built on the
// caller's stack; the undo manager keeps a heap copy made by Clone().
class CUndoAtom {
public:
    CUndoAtom() = default;
    virtual ~CUndoAtom() = default;

    // A new heap copy of the whole record (derived records copy their own fields).
    virtual std::unique_ptr<CUndoAtom> Clone() const;
    // redo false: put the object back into its state before the edit;
    // redo true: into its state after the edit. The base has nothing to restore.
    virtual void Restore(bool redo);
    // A short text naming the edit. The base leaves it empty.
    virtual void GetDescription(std::string& out) const;

    // The undo set the manager filed this record under; -1 until it is filed.
    int32_t GetUndoSetId() const { return m_undoSetId; }
    void SetUndoSetId(int32_t id) { m_undoSetId = id; }

protected:
    // Copying is for Clone() of the derived records.
    CUndoAtom(const CUndoAtom&) = default;
    CUndoAtom& operator=(const CUndoAtom&) = default;

private:
    int32_t m_undoSetId = -1;
};
