#include "project/CSelectedClipCommands.h"

#include "project/CAudioClip.h"
#include "project/CClipSelection.h"
#include "project/CClipSplitJoin.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/RefPtr.h"

#include <vector>

bool CSelectedClipCommands::Handles(int menuIndex) {
    EnvelopeFunction function;
    int32_t option;
    return CClip::EnvelopeMenuItem(menuIndex, function, option) || menuIndex == CClip::kMenuMute ||
           menuIndex == CClip::kMenuLock || menuIndex == CClip::kMenuLoopToTrim ||
           menuIndex == CClip::kMenuTrimSilence || menuIndex == CClip::kMenuNormalize;
}

void CSelectedClipCommands::DoOn(CClip& clip, int menuIndex, bool state) {
    if (menuIndex == CClip::kMenuLock) {
        if (!clip.IsRecording())
            clip.SetLocked(state, true);
        return;
    }
    if (!CClipSplitJoin::IsEditable(clip))
        return;
    auto* audio = dynamic_cast<CAudioClip*>(&clip);
    EnvelopeFunction function;
    int32_t option;
    if (CClip::EnvelopeMenuItem(menuIndex, function, option))
        clip.ProcessEnvelope(function, option);
    else if (menuIndex == CClip::kMenuMute)
        clip.SetMuted(state, true);
    else if (menuIndex == CClip::kMenuLoopToTrim)
        clip.SetLoopToTrim();
    else if (menuIndex == CClip::kMenuTrimSilence && audio)
        audio->TrimSilence();
    else if (menuIndex == CClip::kMenuNormalize && audio)
        audio->Normalize();
}

void CSelectedClipCommands::Do(CClip& leader, int menuIndex) {
    if (!Handles(menuIndex))
        return;
    CClipSelection& selection = m_project.Selection();
    // Held for the command: an edit may take a clip off the selection.
    std::vector<RefPtr<CClip>> clips;
    if (selection.Contains(&leader))
        for (CClip* clip : selection.Clips())
            clips.push_back(RefPtr<CClip>::Share(clip));
    else
        clips.push_back(RefPtr<CClip>::Share(&leader));
    const bool state = menuIndex == CClip::kMenuMute ? !leader.IsMuted() : !leader.IsLocked();
    CUndoStep step(m_undo);
    for (const RefPtr<CClip>& clip : clips)
        DoOn(*clip, menuIndex, state);
    m_project.InvalidateTrackBodies();
}
