#pragma once

#include "project/AudioClipUndoStruct.h"
#include "project/CAudioClip.h"
#include "project/CClipUndo.h"

// An audio clip added to, removed from or changed on a track.
using CAudioClipUndo = CClipUndo<CAudioClip, AudioClipUndoStruct>;
