#pragma once

#include "details/CEffectChainOwner.h"
#include "engine/CAudioEffect.h"
#include "support/CUndoAtom.h"

#include <cstdint>
#include <memory>
#include <vector>

class CEffectChain;

// One change of an effect chain: an effect inserted, removed, two slots
// swapped, an effect switched on or off, or its settings changed (a preset,
// a parameter). It keeps the effect's identity, active flag and state
// before and after, so that a removed effect comes back as it was and an
// inserted one is made again as it was. Restoring announces the change to
// the chain's owner. A record whose slot no longer holds the effect it
// names (the chain was changed some other way) restores nothing.
class CEffectUndo : public CUndoAtom {
public:
    enum Operation : int32_t { kInserted, kRemoved, kSwapped, kActiveChanged, kStateChanged };

    struct Snapshot {
        EffectID id{};
        bool active = true;
        std::vector<uint8_t> state;
        static Snapshot Of(const CAudioEffect& effect);
    };

    static CEffectUndo Inserted(const CEffectChainOwner& owner, int slot,
                                const CAudioEffect& effect);
    static CEffectUndo Removed(const CEffectChainOwner& owner, int slot,
                               const CAudioEffect& effect);
    static CEffectUndo Swapped(const CEffectChainOwner& owner, int first, int second);
    // The effect as it is now is the state after; before is what it was.
    static CEffectUndo Changed(const CEffectChainOwner& owner, int slot, const Snapshot& before,
                               const CAudioEffect& effect);

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;
    void GetDescription(std::string& out) const override;

    Operation GetOperation() const { return m_operation; }
    int GetSlot() const { return m_slot; }

private:
    CEffectUndo(const CEffectChainOwner& owner, Operation operation, int slot, int otherSlot,
                Snapshot before, Snapshot after);

    bool PutIn(CEffectChain& chain, const Snapshot& snapshot) const;
    bool TakeOut(CEffectChain& chain, const Snapshot& expected) const;
    bool Apply(CEffectChain& chain, const Snapshot& snapshot) const;

    CEffectChainOwner m_owner;
    Operation m_operation;
    int m_slot;
    int m_otherSlot;
    Snapshot m_before;
    Snapshot m_after;
};
