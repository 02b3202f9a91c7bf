#pragma once

#include "details/CEffectChainOwner.h"
#include "details/CEffectUndo.h"
#include "engine/CAudioEffect.h"

#include <optional>
#include <string>
#include <vector>

class CEffectChain;
class CUndoMgr;

// The edits a user makes to one effect chain. Each is one undo step with a
// CEffectUndo record (CSynthUndo on an instrument chain) and ends by announcing the change to the
// chain's owner; an edit that changes nothing records nothing. A parameter moved by a slider is one
// step from the press to the release.
class CEffectChainEdits {
public:
    CEffectChainEdits(CUndoMgr& undo, CEffectChainOwner owner);

    const CEffectChainOwner& Owner() const { return m_owner; }
    // Null when the chain is gone.
    CEffectChain* Chain() const { return m_owner.Chain(); }
    // Null for a bad slot.
    CAudioEffect* Effect(int slot) const;

    // A new effect of that kind into the slot (one past the end appends).
    bool Insert(int slot, const EffectID& id);
    // The effect in the slot gives way to a new one of that kind.
    bool Replace(int slot, const EffectID& id);
    bool Remove(int slot);
    // Exchanges the slot with the one above (step -1) or below (step 1).
    bool Move(int slot, int step);
    bool SetActive(int slot, bool active);
    bool ChoosePreset(int slot, const std::string& name);
    // One parameter set as its own step (a switch).
    bool SetParameter(int slot, int parameter, float value);
    // Every parameter, in parameter order, as one step (a user preset).
    bool SetParameters(int slot, const std::vector<float>& values);

    // A parameter gesture: Begin remembers the settings, Move changes the
    // value (heard at once), End records the whole gesture as one step.
    void BeginParameterGesture(int slot);
    bool MoveParameter(int slot, int parameter, float value);
    void EndParameterGesture(int slot);

private:
    // Adds the record of the change to the open undo step.
    void File(const CEffectUndo& change);
    bool RecordChange(int slot, const CEffectUndo::Snapshot& before);

    CUndoMgr& m_undo;
    CEffectChainOwner m_owner;
    int m_gestureSlot = -1;
    std::optional<CEffectUndo::Snapshot> m_gestureBefore;
};
