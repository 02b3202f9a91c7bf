#pragma once

#include "gui/GuiTexturePanel.h"

#include <string>

class PRNoteGestures;

// The piano roll's read-out beside the ruler: the measure, beat and
// thousandths of a beat of the last sound time shown ("02:03.500"), counted
// as the ruler counts them.
class CPRMeasureDisplay : public GuiTexturePanel {
public:
    explicit CPRMeasureDisplay(const PRNoteGestures& gestures);

    void ShowTime(double soundMs);
    const std::string& Text() const { return m_text; }

    void OnDraw(const GuiRect& r) override;

private:
    const PRNoteGestures& m_gestures;
    std::string m_text;
};
