#include "pianoroll/PRNoteAreaMenu.h"

#include "gui/GuiPopupMenu.h"
#include "pianoroll/CEditNotesDlg.h"
#include "pianoroll/PianoRollBody.h"
#include "project/CMIDIClip.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"

#include <string>

namespace {

bool IsSeparator(int32_t item) {
    return item == 2 || item == 5 || item == 10;
}

} // namespace

bool PRNoteAreaMenu::IsEnabled(int32_t item) const {
    const bool selection = !m_body.SelectedNotes().empty();
    const CUndoMgr& undo = m_body.Edits().Undo();
    switch (item) {
    case kEditNotes:
    case kCut:
    case kCopy:
    case kDelete:
        return selection;
    case kUndo:
        return undo.CanUndo();
    case kRedo:
        return undo.CanRedo();
    case kPaste:
        return !m_body.Clipboard().IsEmpty();
    case kSelectAll:
        return !m_body.Edits().Notes().empty();
    default:
        return false;
    }
}

GuiMenu PRNoteAreaMenu::Build() const {
    GuiMenu menu;
    for (int32_t item = 1; item <= kItemCount; ++item) {
        if (IsSeparator(item)) {
            menu.AddSeparator();
            continue;
        }
        menu.AddItem(item, MyLoadString("PRBMenu" + std::to_string(item)));
        menu.Enable(item, IsEnabled(item));
    }
    return menu;
}

bool PRNoteAreaMenu::Run(VRGuiWindow* window, GuiPoint windowPoint) {
    if (!window)
        return false;
    PRNoteGestures& gestures = m_body.Gestures();
    const MidiNotePtr hovered = gestures.Hovered();
    if (hovered && hovered->IsValid() && !gestures.IsSelected(hovered.get())) {
        gestures.DeselectAll();
        gestures.Select(hovered);
        m_body.Invalidate(nullptr);
    }
    const GuiMenu menu = Build();
    GuiPopupMenu popup(menu);
    const int32_t chosen = popup.Run(window, windowPoint.x, windowPoint.y);
    if (chosen <= 0)
        return false;
    Perform(chosen);
    return true;
}

void PRNoteAreaMenu::Perform(int32_t item) {
    if (!IsEnabled(item))
        return;
    CUndoMgr& undo = m_body.Edits().Undo();
    switch (item) {
    case kEditNotes:
        CEditNotesDlg::Run(m_body.GetWindow(), m_body.Edits(), m_body.SelectedNotes());
        break;
    case kUndo:
        undo.Undo();
        break;
    case kRedo:
        undo.Redo();
        break;
    case kCut:
        m_body.Clipboard().Cut();
        break;
    case kCopy:
        m_body.Clipboard().Copy();
        break;
    case kPaste:
        m_body.Clipboard().Paste();
        break;
    case kDelete:
        m_body.Clipboard().Delete();
        break;
    case kSelectAll:
        m_body.Gestures().SelectAll();
        break;
    default:
        break;
    }
    m_body.Invalidate(nullptr);
    m_body.Edits().Clip().Invalidate(nullptr);
}
