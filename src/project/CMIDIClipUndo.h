#pragma once

#include "project/CClipUndo.h"
#include "project/CMIDIClip.h"
#include "project/MidiClipUndoStruct.h"

// A MIDI clip added to, removed from or changed on a track.
using CMIDIClipUndo = CClipUndo<CMIDIClip, MidiClipUndoStruct>;
