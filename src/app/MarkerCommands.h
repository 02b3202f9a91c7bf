#pragma once

#include <cstdint>

class CProject;
class CUndoMgr;
class VRGuiWindow;

// The marker commands of the Mix and Sound menus: the marker dialog for a
// new marker at the caret or for a marker of the list, the automatic marker
// wizard, and deleting every marker but the start marker as one undo step.
// False when the command is none of them.
bool RunMarkerCommand(int32_t command, VRGuiWindow* owner, CProject& project, CUndoMgr& undo);
