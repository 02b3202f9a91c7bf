#pragma once

#include "project/MarkerRecord.h"
#include "support/CUndoAtom.h"

#include <cstdint>

class CProject;

// A marker added to, changed on or removed from the time grid. A marker is
// found again by the time of its tempo event, which no two markers share.
class CTimeGridUndo : public CUndoAtom {
public:
    enum Kind : int32_t { kAdded = 0, kChanged = 1, kRemoved = 2 };

    // before: empty for an added marker; after: empty for a removed one.
    CTimeGridUndo(CProject& project, Kind kind, const MarkerRecord& before,
                  const MarkerRecord& after);

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;

private:
    void Put(const MarkerRecord& marker);
    void Take(const MarkerRecord& marker);
    void Rewrite(const MarkerRecord& from, const MarkerRecord& to);

    CProject& m_project;
    Kind m_kind;
    MarkerRecord m_before;
    MarkerRecord m_after;
};
