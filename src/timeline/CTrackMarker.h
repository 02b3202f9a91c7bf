#pragma once

#include "engine/TempoEvent.h"
#include "gui/CImage.h"
#include "gui/GuiTextPanel.h"
#include "gui/VRGuiContainer.h"
#include "support/Observable.h"

#include <cstdint>
#include <memory>
#include <string>

// How the document wants a marker shown.
struct TrackMarkerLook {
    std::string name;
    uint32_t colour = 0xFFFFFF; // 0x00BBGGRR
    bool cdTrack = false;
};

// One marker on the ruler, standing for one tempo event: a flag tinted in
// the marker's colour, a CD symbol beside it when the marker starts a CD
// track, and its name (with the tempo, signature and key it sets) to the
// right. Its z-order is its time, which keeps the ruler's children in time
// order. It lets every mouse event through to the ruler.
class CTrackMarker : public VRGuiContainer, public Observable {
public:
    static constexpr uint32_t kStartMarkerColour = 0x80FFFF;

    CTrackMarker(const TrackMarkerLook& look, const TempoEvent& event);
    ~CTrackMarker() override;

    // Reference time of the marker's tempo event.
    double GetTime() const { return m_event.time; }
    const TempoEvent& GetTempoEvent() const { return m_event; }
    const TrackMarkerLook& GetLook() const { return m_look; }
    const std::string& GetText() const { return m_textPanel.GetText(); }
    // Width of the flag image, the part the marker is dragged by; 0 without one.
    int32_t FlagWidth() const { return m_flag.IsValid() ? m_flag.Width() : 0; }
    // Narrows the text so that it ends before the next marker's flag.
    void LimitWidth(int32_t maxWidth);

    void OnDraw(const GuiRect& r) override;

    // The name, followed on a second line by what the event changes.
    static std::string MakeText(const std::string& name, const TempoEvent& event);

private:
    void LoadImages();
    void Layout();
    int32_t ImagesWidth() const;

    TrackMarkerLook m_look;
    TempoEvent m_event;
    CImage m_flag;
    std::shared_ptr<const CImage> m_cdImage;
    GuiTextPanel m_textPanel;
    int32_t m_textWidth = 0;
    int32_t m_textHeight = 0;
};
