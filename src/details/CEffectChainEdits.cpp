#include "details/CEffectChainEdits.h"

#include "details/CSynthUndo.h"
#include "engine/CEffectChain.h"
#include "engine/EffectsFactory.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"

#include <utility>

CEffectChainEdits::CEffectChainEdits(CUndoMgr& undo, CEffectChainOwner owner)
    : m_undo(undo), m_owner(std::move(owner)) {}

CAudioEffect* CEffectChainEdits::Effect(int slot) const {
    const CEffectChain* chain = Chain();
    return chain ? chain->GetEffect(slot) : nullptr;
}

bool CEffectChainEdits::Insert(int slot, const EffectID& id) {
    CEffectChain* chain = Chain();
    if (!chain || slot < 0 || slot > chain->NumEffects())
        return false;
    std::unique_ptr<CAudioEffect> effect = EffectsFactory::GetInstance()->LoadEffect(id);
    if (!effect) {
        LogFmt("CEffectChainEdits::Insert - no effect '%s'", EffectIDToText(id).c_str());
        return false;
    }
    const CAudioEffect& inserted = *effect;
    CUndoStep step(m_undo);
    if (!chain->Insert(std::move(effect), slot))
        return false;
    File(CEffectUndo::Inserted(m_owner, slot, inserted));
    LogFmt("CEffectChainEdits::Insert - %s into slot %d", inserted.GetName().c_str(), slot);
    m_owner.AnnounceChange();
    return true;
}

bool CEffectChainEdits::Replace(int slot, const EffectID& id) {
    CEffectChain* chain = Chain();
    if (!chain || !chain->GetEffect(slot) || !EffectsFactory::GetInstance()->IsKnown(id))
        return false;
    CUndoStep step(m_undo);
    return Remove(slot) && Insert(slot, id);
}

bool CEffectChainEdits::Remove(int slot) {
    CEffectChain* chain = Chain();
    const CAudioEffect* effect = chain ? chain->GetEffect(slot) : nullptr;
    if (!effect)
        return false;
    CUndoStep step(m_undo);
    File(CEffectUndo::Removed(m_owner, slot, *effect));
    LogFmt("CEffectChainEdits::Remove - %s from slot %d", effect->GetName().c_str(), slot);
    chain->Remove(slot);
    m_owner.AnnounceChange();
    return true;
}

bool CEffectChainEdits::Move(int slot, int step) {
    CEffectChain* chain = Chain();
    const int other = slot + step;
    if (!chain || (step != -1 && step != 1) || !chain->Swap(slot, other))
        return false;
    CUndoStep undoStep(m_undo);
    File(CEffectUndo::Swapped(m_owner, slot, other));
    m_owner.AnnounceChange();
    return true;
}

bool CEffectChainEdits::SetActive(int slot, bool active) {
    CAudioEffect* effect = Effect(slot);
    if (!effect || effect->isActive() == active)
        return false;
    const CEffectUndo::Snapshot before = CEffectUndo::Snapshot::Of(*effect);
    effect->setActive(active);
    return RecordChange(slot, before);
}

bool CEffectChainEdits::ChoosePreset(int slot, const std::string& name) {
    CAudioEffect* effect = Effect(slot);
    if (!effect)
        return false;
    const CEffectUndo::Snapshot before = CEffectUndo::Snapshot::Of(*effect);
    if (!effect->LoadPreset(name)) {
        Log("Preset not found.");
        return false;
    }
    return RecordChange(slot, before);
}

bool CEffectChainEdits::SetParameter(int slot, int parameter, float value) {
    CAudioEffect* effect = Effect(slot);
    if (!effect)
        return false;
    const CEffectUndo::Snapshot before = CEffectUndo::Snapshot::Of(*effect);
    if (!effect->SetParameter(parameter, value))
        return false;
    return RecordChange(slot, before);
}

bool CEffectChainEdits::SetParameters(int slot, const std::vector<float>& values) {
    CAudioEffect* effect = Effect(slot);
    if (!effect)
        return false;
    const CEffectUndo::Snapshot before = CEffectUndo::Snapshot::Of(*effect);
    for (int parameter = 0; parameter < static_cast<int>(values.size()); ++parameter)
        effect->SetParameter(parameter, values[static_cast<size_t>(parameter)]);
    return RecordChange(slot, before);
}

void CEffectChainEdits::BeginParameterGesture(int slot) {
    const CAudioEffect* effect = Effect(slot);
    m_gestureSlot = slot;
    m_gestureBefore.reset();
    if (effect)
        m_gestureBefore = CEffectUndo::Snapshot::Of(*effect);
}

bool CEffectChainEdits::MoveParameter(int slot, int parameter, float value) {
    CAudioEffect* effect = Effect(slot);
    return effect && effect->SetParameter(parameter, value);
}

void CEffectChainEdits::EndParameterGesture(int slot) {
    if (slot == m_gestureSlot && m_gestureBefore)
        RecordChange(slot, *m_gestureBefore);
    m_gestureSlot = -1;
    m_gestureBefore.reset();
}

bool CEffectChainEdits::RecordChange(int slot, const CEffectUndo::Snapshot& before) {
    const CAudioEffect* effect = Effect(slot);
    if (!effect || effect->GetIdentifier() != before.id)
        return false;
    const CEffectUndo::Snapshot after = CEffectUndo::Snapshot::Of(*effect);
    if (after.active == before.active && after.state == before.state)
        return false;
    CUndoStep step(m_undo);
    File(CEffectUndo::Changed(m_owner, slot, before, *effect));
    m_owner.AnnounceChange();
    return true;
}

void CEffectChainEdits::File(const CEffectUndo& change) {
    if (m_owner.IsInstrumentChain())
        m_undo.AddUndoNode(CSynthUndo(change));
    else
        m_undo.AddUndoNode(change);
}
