#include "details/CSynthUndo.h"

std::unique_ptr<CUndoAtom> CSynthUndo::Clone() const {
    return std::make_unique<CSynthUndo>(*this);
}

void CSynthUndo::GetDescription(std::string& out) const {
    static const char* const kNames[] = {"insert instrument", "remove instrument",
                                         "move instrument", "switch instrument",
                                         "change instrument"};
    out = kNames[GetOperation()];
}
