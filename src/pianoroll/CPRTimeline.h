#pragma once

#include "gui/GuiTexturePanel.h"
#include "support/Observable.h"
#include "timeline/CRulerTicks.h"

#include <cstdint>
#include <vector>

class PRNoteGestures;

// The piano roll's ruler: measure numbers and bar, beat and snap ticks along
// the edited sound's time, in the note area's content columns (it is as wide
// as the note area and scrolls with it). Only the ticks of the visible part
// are kept; they are worked out again when the zoom, the snap level, the
// sound's timing or the visible part change.
//
// The pointer over it tells the sound time under it (kNotifyShowTime); a
// click puts the caret and the play position there (kNotifyLocate).
class CPRTimeline : public GuiTexturePanel, public Observable {
public:
    static constexpr int32_t kHeight = 36;
    // Labels reach this far right of their tick.
    static constexpr int32_t kLabelReach = 100;

    explicit CPRTimeline(const PRNoteGestures& gestures);

    // The ticks of what the ruler's parent shows now.
    const std::vector<RulerTick>& Ticks();

    void OnDraw(const GuiRect& r) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;

private:
    // Everything the ticks depend on.
    struct Basis {
        int32_t msPerPixel = 0;
        int32_t left = 0;
        int32_t right = 0;
        int snapLevel = -1;
        double tempo = 0.0;
        int beatsPerMeasure = 0;
        int beatUnit = 0;
        bool operator==(const Basis&) const = default;
    };
    Basis CurrentBasis() const;

    const PRNoteGestures& m_gestures;
    std::vector<RulerTick> m_ticks;
    Basis m_built;
};
