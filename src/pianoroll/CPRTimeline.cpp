#include "pianoroll/CPRTimeline.h"

#include "gui/CImage.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/GuiTextLayout.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNoteGestures.h"
#include "pianoroll/PRNotifications.h"
#include "pianoroll/PRSoundMeter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

// Labels sit in this band above the ruler's bottom edge.
constexpr int32_t kLabelTopAboveBottom = 22;
constexpr int32_t kLabelBottomAboveBottom = 7;

} // namespace

CPRTimeline::CPRTimeline(const PRNoteGestures& gestures)
    : GuiTexturePanel("timeline background", 1, kHeight), m_gestures(gestures) {}

CPRTimeline::Basis CPRTimeline::CurrentBasis() const {
    Basis basis;
    basis.msPerPixel = static_cast<int32_t>(m_gestures.Geometry().MsPerPixel());
    const VRGuiContainer* parent = GetParent();
    basis.left = parent ? parent->GetScrollX() - GetX() : 0;
    basis.right = basis.left + (parent ? parent->GetWidth() : GetWidth());
    // Ticks just left of the view still draw the start of their label in it.
    basis.left -= std::min(std::max(basis.left, 0), kLabelReach);
    basis.snapLevel = m_gestures.Settings().snapLevel;
    const PRNoteTiming timing = m_gestures.Timing();
    basis.tempo = timing.Tempo();
    basis.beatsPerMeasure = timing.BeatsPerMeasure();
    basis.beatUnit = timing.BeatUnit();
    return basis;
}

const std::vector<RulerTick>& CPRTimeline::Ticks() {
    const Basis basis = CurrentBasis();
    if (basis == m_built)
        return m_ticks;
    m_ticks = PRSoundMeter(m_gestures.Timing())
                  .Ticks(basis.msPerPixel, basis.left, basis.right, basis.snapLevel);
    m_built = basis;
    return m_ticks;
}

void CPRTimeline::OnDraw(const GuiRect& r) {
    DrawTexture(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t major = CSkin::ColorOf("maj-tick");
    const uint32_t minor = CSkin::ColorOf("min-tick");
    const uint32_t text = CSkin::ColorOf("time-text-color");
    const int32_t bottom = GetHeight();
    for (const RulerTick& tick : Ticks()) {
        if (tick.x < r.left - kLabelReach || tick.x > r.right + kLabelReach)
            continue;
        CImage::SetSourceColor(cr, tick.height >= CRulerTicks::kLabelled ? major : minor);
        cairo_rectangle(cr, tick.x, bottom - tick.height, 1, tick.height);
        cairo_fill(cr);
        if (tick.label.empty())
            continue;
        GuiTextLayout layout(GuiFont{}, tick.label);
        layout.DrawIn(cr, tick.x, bottom - kLabelTopAboveBottom, kLabelReach,
                      kLabelTopAboveBottom - kLabelBottomAboveBottom, kTextSingleLine, text);
    }
}

bool CPRTimeline::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    // The loop flags on the ruler come first.
    if (GuiTexturePanel::OnMouse(event, p, keys))
        return true;
    const double ms = std::max(0, p.x) * m_gestures.Geometry().MsPerPixel();
    const auto soundMs = static_cast<int32_t>(std::min(ms, 2147483647.0));
    switch (event) {
    case kMouseMove:
        Notify<kNotifyShowTime>(*this, soundMs);
        return true;
    case kMouseLeftUp:
        Notify<kNotifyLocate>(*this, soundMs);
        return true;
    default:
        return false;
    }
}
