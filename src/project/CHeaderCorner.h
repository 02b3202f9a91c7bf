#pragma once

#include <cstdint>
#include <memory>

class CProject;
class CUndoMgr;
class GuiButton;
class Observer;

// The corner above the track headers: the time-line mode button, which
// offers the other mode, and the add-track button with its menu.
class CHeaderCorner {
public:
    CHeaderCorner(CProject& project, CUndoMgr& undo);
    ~CHeaderCorner();
    CHeaderCorner(const CHeaderCorner&) = delete;
    CHeaderCorner& operator=(const CHeaderCorner&) = delete;

    // Puts the buttons into the project's header corner; their clicks go to
    // the observer as toolbar-button notifications.
    void CreateButtons(Observer& observer);
    // timeLineMode: 1 beats are shown, 0 time.
    void UpdateModeButton(uint32_t timeLineMode);
    // A click on one of the buttons (kToolbarButton...); others are ignored.
    void HandleButton(int button);

private:
    void AddTrackFromMenu();

    CProject& m_project;
    CUndoMgr& m_undo;
    std::unique_ptr<GuiButton> m_modeButton;
    std::unique_ptr<GuiButton> m_addTrackButton;
};
