#pragma once

#include "support/Observer.h"

class CProject;

// Hears the gestures of every clip on the project's tracks (clicks,
// selection, caret, drags, the delete key) and carries them out on the
// project. The clips' codes overlap those of the tracks, so they come here
// rather than to the project's own handler.
class CClipGestures : public Observer {
public:
    explicit CClipGestures(CProject& project) : m_project(project) {}
    void OnNotification(int message, void* parameter) override;

private:
    CProject& m_project;
};
