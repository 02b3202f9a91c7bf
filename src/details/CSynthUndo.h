#pragma once

#include "details/CEffectUndo.h"

#include <memory>
#include <string>

// One change of an instrument chain: an instrument put in, taken out, moved,
// switched, or given other settings (a General MIDI program chosen). It
// restores as an effect chain change does; the undo history names it as an
// instrument's.
class CSynthUndo : public CEffectUndo {
public:
    explicit CSynthUndo(const CEffectUndo& change) : CEffectUndo(change) {}

    std::unique_ptr<CUndoAtom> Clone() const override;
    void GetDescription(std::string& out) const override;
};
