#include "project/CClipGestures.h"

#include "gui/GuiInput.h"
#include "project/CProject.h"
#include "project/ClipEditorNotification.h"
#include "project/ClipNotifications.h"
#include "support/Log.h"

#include <cstdint>

void CClipGestures::OnNotification(int message, void* parameter) {
    switch (message) {
    case kNotifyClipSelect:
        if (const ClipSelection* selection = NotificationArgument<kNotifyClipSelect>(parameter)) {
            LogFmt("MN_SELECT_CLIP %x: Project",
                   static_cast<unsigned>(reinterpret_cast<uintptr_t>(selection->clip)));
            m_project.SelectClip(selection->clip, (selection->keys & (MK_SHIFT | MK_CONTROL)) != 0);
        }
        break;
    case kNotifyClipDeselect:
        if (const ClipSelection* selection = NotificationArgument<kNotifyClipDeselect>(parameter))
            m_project.DeselectClip(selection->clip);
        break;
    case kNotifyClipCaret:
        if (const ClipCaret* caret = NotificationArgument<kNotifyClipCaret>(parameter);
            caret && caret->moveCaret)
            m_project.MoveCaretAndPlayback(static_cast<double>(caret->x) * m_project.MsPerPixel());
        break;
    case kNotifyClipMoveDrag:
        if (const ClipMoveDrag* move = NotificationArgument<kNotifyClipMoveDrag>(parameter))
            m_project.HandleDraggingClips(move->dx, move->dy, move->phase);
        break;
    case kNotifyClipSelectionDrag:
        if (const ClipSelectionDrag* drag =
                NotificationArgument<kNotifyClipSelectionDrag>(parameter))
            m_project.TimeSelection().Drag(*drag);
        break;
    case kNotifyClipReleased:
        m_project.AllowEdgeScrolling(false, false);
        break;
    case kNotifyClipDeleteKey:
        m_project.DeleteSelection();
        break;
    case kNotifyOpenClipEditor:
        // The main window docks the editor.
        Notify<kNotifyOpenClipEditor>(m_project,
                                      NotificationArgument<kNotifyOpenClipEditor>(parameter));
        break;
    default:
        break;
    }
}
