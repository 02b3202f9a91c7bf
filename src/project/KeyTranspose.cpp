#include "project/KeyTranspose.h"

#include "engine/TempoMap.h"
#include "project/CProject.h"
#include "project/CTimeGridUndo.h"
#include "project/ProjectNotifications.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"
#include "timeline/CTimeGrid.h"

int TransposedKey(int key, int semitones) {
    if (!TempoMap::IsValidKey(key))
        return key;
    const int mode = key / 12 * 12;
    return mode + ((key - mode + semitones) % 12 + 12) % 12;
}

int TransposeProjectKeys(CProject& project, CUndoMgr& undo, int semitones) {
    LogFmt("TransposeProjectKeys() semitones=%d", semitones);
    CProjectMarkers& markers = project.Markers();
    int changed = 0;
    for (int index = 0; index < markers.Count(); ++index) {
        const MarkerRecord before = markers.At(index);
        if (!before.tempoEvent.keyChange)
            continue;
        MarkerRecord after = before;
        after.tempoEvent.key = TransposedKey(before.tempoEvent.key, semitones);
        if (after.tempoEvent.key == before.tempoEvent.key || !markers.Replace(index, after))
            continue;
        undo.AddUndoNode(CTimeGridUndo(project, CTimeGridUndo::kChanged, before, after));
        ++changed;
    }
    if (changed > 0) {
        undo.SetDirty(true);
        project.TimeGrid().SyncMarkers();
        project.SendNotification(kNotifyTempoChange, nullptr);
    }
    return changed;
}
