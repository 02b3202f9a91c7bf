#pragma once

#include "gui/VRGuiObject.h"
#include "pianoroll/PRControllerEdits.h"
#include "pianoroll/PRControllerLane.h"
#include "pianoroll/PRControllerStroke.h"
#include "pianoroll/PRNotifications.h"
#include "support/Observable.h"
#include "support/Observer.h"

#include <cstdint>

class CMidiSound;
class PRNoteEdits;
class PRNoteGestures;
class PRValueColumns;

// The body of the controller lane under the note area: a 4-pixel strip on
// top, then the lane's values drawn as vertical lines over the bar and beat
// lines, at the note area's columns (content x; a scrolling parent shows
// part of it). The pencil and arrow draw a stroke and the eraser wipes one;
// the release commits it as one undo step. Tool and horizontal scale are
// the note area's. Dragging the strip on top resizes the lane: observers
// hear kNotifyLaneSplit with how far the pointer went up since the press.
class CPRControllerBody : public VRGuiObject, public Observable, public Observer {
public:
    static constexpr int32_t kDefaultHeight = 104;

    CPRControllerBody(PRNoteEdits& edits, const PRNoteGestures& gestures);
    ~CPRControllerBody() override;

    const PRControllerLane& Lane() const { return m_lane; }
    const CMidiSound* Sound() const;
    void SetLane(const PRControllerLane& lane);
    // The stroke being drawn (empty between strokes).
    const PRControllerStroke& Stroke() const { return m_stroke; }

    void OnDraw(const GuiRect& r) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    bool GetToolTip(GuiPoint p, std::string& text) override;
    void OnNotification(int message, void* parameter) override;

private:
    double MsPerPixel() const;
    int DrawingHeight() const { return PRControllerLane::DrawingHeight(GetHeight()); }
    bool Erasing() const;
    void DrawGridLines(const GuiRect& r);
    void DrawValues(const GuiRect& r);
    // The column of one value, from the lane's base to the value.
    void AddValue(PRValueColumns& columns, int x, int value) const;
    void RepaintColumns(int least, int greatest);
    void Commit();
    void DragSplit(int32_t event, GuiPoint p);
    void SendSplit(const PRLaneSplit& split);

    PRNoteEdits& m_edits;
    const PRNoteGestures& m_gestures;
    PRControllerEdits m_controllerEdits;
    PRControllerLane m_lane;
    PRControllerStroke m_stroke;
    bool m_drawing = false;
    bool m_resizing = false;
    // Window y of the press that started a resize (the lane moves under it).
    int32_t m_resizePressY = 0;
};
