#include "app/MarkerCommands.h"

#include "app/MainCommands.h"
#include "engine/TempoMap.h"
#include "project/CAutoMarkerPlacer.h"
#include "project/CMarkerDialog.h"
#include "project/CProject.h"
#include "project/KeyTranspose.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"

bool RunMarkerCommand(int32_t command, VRGuiWindow* owner, CProject& project, CUndoMgr& undo) {
    switch (command) {
    case kCmdAddTempoKeyChange:
    case kCmdAddMarker:
        // The caret stands at a heard time; markers are placed by reference time.
        CMarkerDialog::RunAdd(project, undo, owner,
                              project.GetTempoMap().GetRealTime(project.GetCaretTime()));
        return true;
    case kCmdAutoMarkerWizard:
    case kCmdSoundAutoMarkerWizard:
        project.OpenMarkerWizard();
        return true;
    case kCmdDeleteAllMarkers: {
        CUndoStep step(undo);
        CAutoMarkerPlacer::RemoveFromProject(project, undo);
        return true;
    }
    case kCmdTransposeUp:
    case kCmdTransposeDown: {
        CUndoStep step(undo);
        TransposeProjectKeys(project, undo, command == kCmdTransposeUp ? 1 : -1);
        return true;
    }
    default:
        break;
    }
    if (command >= kCmdEditMarkerFirst && command < kCmdEditMarkerFirst + kCmdMarkerRange) {
        CMarkerDialog::RunEdit(project, undo, owner, command - kCmdEditMarkerFirst);
        return true;
    }
    return false;
}
