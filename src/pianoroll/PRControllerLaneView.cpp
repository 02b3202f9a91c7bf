#include "pianoroll/PRControllerLaneView.h"

PRControllerLaneView::PRControllerLaneView(PRNoteEdits& edits, const PRNoteGestures& gestures)
    : m_body(edits, gestures) {
    VRGuiContainer::SetSize(1, CPRControllerBody::kDefaultHeight);
    AddChild(&m_body, 0, 0);
}

PRControllerLaneView::~PRControllerLaneView() {
    RemoveChild(&m_body);
}

void PRControllerLaneView::Follow(int32_t contentWidth, int32_t scrollX) {
    if (m_body.GetWidth() != contentWidth)
        m_body.SetSize(contentWidth, GetHeight());
    SetScrollX(scrollX);
    m_body.Invalidate(nullptr);
}

void PRControllerLaneView::SetSize(int32_t width, int32_t height) {
    VRGuiContainer::SetSize(width, height);
    m_body.SetSize(m_body.GetWidth(), height);
}
