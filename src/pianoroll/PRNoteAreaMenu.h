#pragma once

#include "gui/GuiMenu.h"
#include "gui/GuiRect.h"

class PianoRollBody;
class VRGuiWindow;

// The note area's context menu: edit the selected notes, undo, redo, cut,
// copy, paste, delete and select all, each enabled only when it would act.
// The clicked note, when not selected, becomes the only selection first.
class PRNoteAreaMenu {
public:
    // Item numbers, as the labels "PRBMenu<n>" count them; 2, 5 and 10 are
    // separators.
    enum Item : int32_t {
        kEditNotes = 1,
        kUndo = 3,
        kRedo = 4,
        kCut = 6,
        kCopy = 7,
        kPaste = 8,
        kDelete = 9,
        kSelectAll = 11,
    };
    static constexpr int kItemCount = 11;

    explicit PRNoteAreaMenu(PianoRollBody& body) : m_body(body) {}

    // The menu as the note area stands now.
    GuiMenu Build() const;
    // Selects the note under the pointer, opens the menu at a window point
    // and carries out the choice. False when nothing was chosen.
    bool Run(VRGuiWindow* window, GuiPoint windowPoint);
    // Carries out an item; disabled items do nothing.
    void Perform(int32_t item);

private:
    bool IsEnabled(int32_t item) const;

    PianoRollBody& m_body;
};
