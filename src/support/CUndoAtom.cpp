#include "support/CUndoAtom.h"

std::unique_ptr<CUndoAtom> CUndoAtom::Clone() const {
    return std::unique_ptr<CUndoAtom>(new CUndoAtom(*this));
}

void CUndoAtom::Restore(bool) {}

void CUndoAtom::GetDescription(std::string& out) const {
    out.clear();
}
