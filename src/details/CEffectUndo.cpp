#include "details/CEffectUndo.h"

#include "engine/CEffectChain.h"
#include "engine/CMissingEffect.h"
#include "engine/EffectsFactory.h"
#include "support/Log.h"

#include <utility>

CEffectUndo::Snapshot CEffectUndo::Snapshot::Of(const CAudioEffect& effect) {
    return Snapshot{effect.GetIdentifier(), effect.isActive(), effect.GetState()};
}

CEffectUndo::CEffectUndo(const CEffectChainOwner& owner, Operation operation, int slot,
                         int otherSlot, Snapshot before, Snapshot after)
    : m_owner(owner), m_operation(operation), m_slot(slot), m_otherSlot(otherSlot),
      m_before(std::move(before)), m_after(std::move(after)) {}

CEffectUndo CEffectUndo::Inserted(const CEffectChainOwner& owner, int slot,
                                  const CAudioEffect& effect) {
    return CEffectUndo(owner, kInserted, slot, slot, {}, Snapshot::Of(effect));
}

CEffectUndo CEffectUndo::Removed(const CEffectChainOwner& owner, int slot,
                                 const CAudioEffect& effect) {
    return CEffectUndo(owner, kRemoved, slot, slot, Snapshot::Of(effect), {});
}

CEffectUndo CEffectUndo::Swapped(const CEffectChainOwner& owner, int first, int second) {
    return CEffectUndo(owner, kSwapped, first, second, {}, {});
}

CEffectUndo CEffectUndo::Changed(const CEffectChainOwner& owner, int slot, const Snapshot& before,
                                 const CAudioEffect& effect) {
    const Snapshot after = Snapshot::Of(effect);
    const Operation operation = before.state == after.state ? kActiveChanged : kStateChanged;
    return CEffectUndo(owner, operation, slot, slot, before, after);
}

std::unique_ptr<CUndoAtom> CEffectUndo::Clone() const {
    return std::unique_ptr<CUndoAtom>(new CEffectUndo(*this));
}

void CEffectUndo::GetDescription(std::string& out) const {
    static const char* const kNames[] = {"insert effect", "remove effect", "move effect",
                                         "switch effect", "change effect"};
    out = kNames[m_operation];
}

void CEffectUndo::Restore(bool redo) {
    CEffectChain* chain = m_owner.Chain();
    if (!chain) {
        Log("CEffectUndo::Restore - the effect chain does not exist any more");
        return;
    }
    bool restored = false;
    switch (m_operation) {
    case kInserted:
        restored = redo ? PutIn(*chain, m_after) : TakeOut(*chain, m_after);
        break;
    case kRemoved:
        restored = redo ? TakeOut(*chain, m_before) : PutIn(*chain, m_before);
        break;
    case kSwapped:
        restored = chain->Swap(m_slot, m_otherSlot);
        break;
    case kActiveChanged:
    case kStateChanged:
        restored = Apply(*chain, redo ? m_after : m_before);
        break;
    }
    if (!restored)
        LogFmt("CEffectUndo::Restore - slot %d does not hold the recorded effect", m_slot);
    m_owner.AnnounceChange();
}

bool CEffectUndo::PutIn(CEffectChain& chain, const Snapshot& snapshot) const {
    std::unique_ptr<CAudioEffect> effect = EffectsFactory::GetInstance()->LoadEffect(snapshot.id);
    // An effect this machine cannot make comes back as it was kept: dry, with its bytes.
    if (!effect)
        effect = std::make_unique<CMissingEffect>(snapshot.id, snapshot.state.data(),
                                                  snapshot.state.size());
    if (!effect->SetState(snapshot.state.data(), snapshot.state.size()))
        return false;
    effect->setActive(snapshot.active);
    if (m_slot > chain.NumEffects())
        return false;
    return chain.Insert(std::move(effect), m_slot);
}

bool CEffectUndo::TakeOut(CEffectChain& chain, const Snapshot& expected) const {
    const CAudioEffect* effect = chain.GetEffect(m_slot);
    if (!effect || effect->GetIdentifier() != expected.id)
        return false;
    chain.Remove(m_slot);
    return true;
}

bool CEffectUndo::Apply(CEffectChain& chain, const Snapshot& snapshot) const {
    CAudioEffect* effect = chain.GetEffect(m_slot);
    if (!effect || effect->GetIdentifier() != snapshot.id)
        return false;
    if (!effect->SetState(snapshot.state.data(), snapshot.state.size()))
        return false;
    effect->setActive(snapshot.active);
    return true;
}
