#include "project/CPlaceholderClip.h"

#include "engine/CAudioAtom.h"
#include "gui/VRGuiWindow.h"
#include "project/CClipUndo.h"
#include "project/ClipDocument.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

// Holds a placeholder's place and length on the timeline and plays nothing.
class PlaceholderAtom : public CAudioAtom {
public:
    explicit PlaceholderAtom(double lengthMs) : m_lengthMs(lengthMs) {}
    double Length() const override { return m_lengthMs; }

private:
    const double m_lengthMs;
};

double ShownTime(double ms, double fallback) {
    return ms > 0.0 ? std::min(ms, CPlaceholderClip::kLongestShownMs) : fallback;
}

// The mark's hatching: red, so that it reads as a warning on any skin.
constexpr double kMarkRed = 0.85;
constexpr double kMarkGreen = 0.1;
constexpr double kMarkBlue = 0.1;
constexpr double kMarkAlpha = 0.8;
constexpr int32_t kHatchSpacing = 12;

} // namespace

using CPlaceholderClipUndo = CClipUndo<CPlaceholderClip, CPlaceholderClip::State>;

CPlaceholderClip::CPlaceholderClip(ClipDocument& document, std::vector<RawChunk> chunks)
    : CClip(ClipChunkFacts::Of(chunks).midi ? ClipKind::kMidi : ClipKind::kAudio),
      m_document(document), m_chunks(std::move(chunks)), m_facts(ClipChunkFacts::Of(m_chunks)),
      m_reason(m_facts.recordIntact ? Reason::kSoundUnavailable : Reason::kRecordDamaged),
      m_atom(new PlaceholderAtom(ShownTime(m_facts.lengthMs, kUnknownLengthMs))) {
    m_atom->SetAbsoluteOffset(ShownTime(m_facts.positionMs, 0.0));
    // A position that cannot be written back must not change.
    SetLockedField(!IsMovable());
    SetNameField(m_facts.name);
    UpdateLabel();
    LogFmt("Clip '%s' kept as a placeholder: %s", m_facts.name.c_str(),
           m_reason == Reason::kSoundUnavailable ? "its sound cannot be loaded"
                                                 : "its record is damaged");
}

CPlaceholderClip::~CPlaceholderClip() {
    CAudioAtom::DeleteAtom(m_atom);
}

CAudioAtom* CPlaceholderClip::GetEngineAtom() const {
    return m_atom;
}

std::vector<RawChunk> CPlaceholderClip::CurrentChunks() const {
    const double shown = ShownTime(m_facts.positionMs, 0.0);
    if (!m_facts.position || GetStartMs() == shown)
        return m_chunks;
    return ClipChunkFacts::WithPosition(m_chunks, *m_facts.position, GetStartMs());
}

bool CPlaceholderClip::Save(CRIFF& riff) {
    if (!SaveLoad::Save(riff))
        return false;
    const std::vector<RawChunk> chunks = CurrentChunks();
    return std::all_of(chunks.begin(), chunks.end(),
                       [&riff](const RawChunk& chunk) { return chunk.Write(riff); });
}

void CPlaceholderClip::UpdateLabel() {
    // The name and what is wrong; a placeholder is never muted, and its
    // lock only keeps a position that cannot be written back.
    const std::string mark = MyLoadString(
        m_reason == Reason::kSoundUnavailable ? "Clip_SoundMissing" : "Clip_RecordDamaged");
    SetLabelText(GetName().empty() ? mark : GetName() + " " + mark);
}

bool CPlaceholderClip::GetToolTip(GuiPoint p, std::string& text) {
    if (p.x < 0 || p.y < 0)
        return false;
    if (m_reason == Reason::kSoundUnavailable)
        text = MyLoadString("Clip_TT_SoundMissing") + "\n" + m_facts.soundPath;
    else
        text = MyLoadString("Clip_TT_RecordDamaged");
    return true;
}

void CPlaceholderClip::OnDraw(const GuiRect& r) {
    CClip::OnDraw(r);
    VRGuiWindow* window = GetWindow();
    if (!window || r.IsEmpty())
        return;
    // Red hatching over the body below the title strip, in window
    // coordinates as the texture is drawn.
    const GuiRect body = LocalToAbsRect(GuiRect{0, kTitleStripHeight, GetWidth(), GetHeight()});
    const GuiRect clip = LocalToAbsRect(r);
    cairo_t* cr = window->GetDrawContext();
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.Width(), clip.Height());
    cairo_clip(cr);
    cairo_rectangle(cr, body.left, body.top, body.Width(), body.Height());
    cairo_clip(cr);
    cairo_set_source_rgba(cr, kMarkRed, kMarkGreen, kMarkBlue, kMarkAlpha);
    cairo_set_line_width(cr, 2.0);
    const int32_t height = body.Height();
    // Only the lines that cross the redrawn part.
    const int32_t lead = clip.left - height - body.left;
    const int32_t steps =
        lead >= 0 ? lead / kHatchSpacing : -((-lead + kHatchSpacing - 1) / kHatchSpacing);
    const int32_t first = body.left + steps * kHatchSpacing;
    for (int32_t x = first; x < clip.right; x += kHatchSpacing) {
        cairo_move_to(cr, x, body.bottom);
        cairo_line_to(cr, x + height, body.top);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

bool CPlaceholderClip::OffersMenuItem(int index) const {
    // Only what takes the clip away: there is no material to edit.
    return index == 3 || index == 5;
}

CPlaceholderClip::State CPlaceholderClip::GetState() const {
    return State{GetStartMs(), GetTrackIndex(), IsSelected()};
}

void CPlaceholderClip::BeginChange() {
    m_before = GetState();
}

void CPlaceholderClip::EndChange() {
    const State after = GetState();
    if (!(after == m_before))
        RecordChange(CPlaceholderClipUndo(m_document, CPlaceholderClipUndo::kChanged, m_before,
                                          after, this, 0));
}

bool CPlaceholderClip::RestoreToUndoState(const State& state, int32_t) {
    if (state.trackIndex >= 0 && m_document.PlaceClip(*this, state.trackIndex, state.position))
        m_atom->SetTrackNumber(m_document.EngineTrackNumber(state.trackIndex));
    FitToTiming();
    SetSelected(state.selected);
    SendSelection(state.selected);
    return true;
}
