#pragma once

#include "engine/CEnvelope.h"
#include "gui/GuiCursor.h"
#include "gui/VRGuiContainer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CClip;
class CImage;
typedef struct _cairo cairo_t;

// The editor of the envelope a clip shows: a transparent layer over the
// clip's body that draws the curve of the document's chosen envelope type
// and turns the mouse into point edits.
//
// Point times are heard milliseconds after the clip's heard start, the base
// the mix reads envelopes in, so x = time / ms-per-pixel at every tempo.
// The first and the last point pin the curve to the clip's edges: they move
// only up and down and cannot be removed.
//
// Every edit changes the engine's envelope under the mixer's lock, so it is
// heard at once, and is one undo step of its own.
class CGuiEnvelope : public VRGuiContainer {
public:
    // Size of a point without the skin's image.
    static constexpr int32_t kDefaultPointSize = 9;

    explicit CGuiEnvelope(CClip& clip);
    ~CGuiEnvelope() override;

    int32_t EnvelopeType() const;
    // The engine envelope shown; null when the clip has none of that type.
    CEnvelope* Envelope() const;
    int32_t PointWidth() const { return m_pointWidth; }
    int32_t PointHeight() const { return m_pointHeight; }
    int32_t SelectedPoint() const { return m_selected; }
    bool IsSwallowed(int index) const;

    // Where point i is drawn (top-left corner and size), as the engine
    // holds it or, while it is dragged, where the pointer has it.
    GuiRect PointRect(int index) const;
    // The point under p, topmost first; -1 for none.
    int32_t PointAt(GuiPoint p) const;
    // Whether p lies on the drawn curve, within half a point's height.
    bool IsOnLine(GuiPoint p) const;
    // The value of a point whose top edge is at y.
    double ValueAtTop(int32_t top) const;
    // The value the curve shows at x, from its drawn height.
    double ValueAtX(int32_t x) const;

    // The edits, each one undo step. AddPoint answers the new point's index
    // (-1 on failure); an envelope without points gets its first and last
    // point with the first one added.
    int32_t AddPoint(double timeMs, double value);
    bool RemovePointByIndex(int32_t index);
    bool EditPointByIndex(int32_t index, double timeMs, double value);
    // Asks for a point's value (the point menu's first entry).
    void AskPointValue(int32_t index);

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    bool GetToolTip(GuiPoint p, std::string& text) override;
    void OnDraw(const GuiRect& r) override;

private:
    enum class Gesture { kNone, kPoint, kSegment };

    struct Centre {
        double x;
        double y;
    };

    double MsPerPixel() const;
    int32_t UsableHeight() const { return GetHeight() - m_pointHeight; }
    int32_t TopOfValue(double value) const;
    int32_t LeftOfTime(int index, int count, double timeMs) const;
    double TimeAtLeft(int index, int count, int32_t left) const;
    // Centres of the points drawn (swallowed ones left out), in time order;
    // a flat line at the default value for an envelope without points.
    std::vector<Centre> Curve() const;
    bool IsEditable() const;
    bool IsEnd(int32_t index) const;

    // The engine edits without undo records, under the mixer's lock.
    int32_t InsertPoint(double timeMs, double value);
    bool ErasePoint(int32_t index);
    bool MovePoint(int32_t index, double timeMs, double value);
    // Runs an edit as one undo step with its record; answers the edit's
    // success.
    bool RecordEdit(const std::function<bool()>& edit);

    void PressPoint(int32_t index, GuiPoint p);
    void DragPoint(GuiPoint p);
    void ReleasePoint(uint32_t keys);
    void PressSegment(GuiPoint p);
    void ReleaseSegment();
    void UpdateSwallowed();
    void ShowPointMenu(int32_t index, GuiPoint p);
    void SetCursor(GuiCursor cursor);
    void Capture(bool on);
    void DrawPoint(cairo_t* cr, int index) const;

    CClip& m_clip;
    std::shared_ptr<const CImage> m_normalImage;
    std::shared_ptr<const CImage> m_selectedImage;
    int32_t m_pointWidth = kDefaultPointSize;
    int32_t m_pointHeight = kDefaultPointSize;
    int32_t m_selected = -1;
    Gesture m_gesture = Gesture::kNone;
    GuiPoint m_press{};
    GuiPoint m_pointer{};
    // The point dragged and where it was at the press; the segment dragged
    // (its left point) and the tops of both its points at the press.
    int32_t m_dragIndex = -1;
    GuiRect m_rectAtPress{};
    int32_t m_segmentTops[2] = {0, 0};
    std::vector<bool> m_swallowed;
};
