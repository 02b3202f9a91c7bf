#pragma once

#include "gui/VRGuiContainer.h"
#include "pianoroll/CPRControllerBody.h"

// The controller lane as the piano roll places it under the note area: a
// view that shows the lane body scrolled along with the notes.
class PRControllerLaneView : public VRGuiContainer {
public:
    PRControllerLaneView(PRNoteEdits& edits, const PRNoteGestures& gestures);
    ~PRControllerLaneView() override;

    CPRControllerBody& Body() { return m_body; }
    // Follows the note area: its content width and horizontal scroll.
    void Follow(int32_t contentWidth, int32_t scrollX);
    void SetSize(int32_t width, int32_t height) override;

private:
    CPRControllerBody m_body;
};
