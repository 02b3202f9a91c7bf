#include "timeline/CTrackMarker.h"

#include "engine/TempoMap.h"
#include "gui/CImageManager.h"
#include "gui/CSkin.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr int32_t kTextGap = 2;

// Scales each channel by the colour's channel / 255; premultiplied pixels
// stay valid because no channel grows.
void Tint(CImage& image, uint32_t colour) {
    cairo_surface_t* surface = image.Surface();
    if (!surface)
        return;
    const uint32_t red = colour & 0xFF;
    const uint32_t green = (colour >> 8) & 0xFF;
    const uint32_t blue = (colour >> 16) & 0xFF;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int32_t row = 0; row < image.Height(); ++row) {
        auto* pixel = reinterpret_cast<uint32_t*>(data + size_t(row) * size_t(stride));
        for (int32_t column = 0; column < image.Width(); ++column) {
            const uint32_t value = pixel[column];
            const uint32_t r = ((value >> 16) & 0xFF) * red / 255;
            const uint32_t g = ((value >> 8) & 0xFF) * green / 255;
            const uint32_t b = (value & 0xFF) * blue / 255;
            pixel[column] = (value & 0xFF000000u) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
}

int32_t ZOrderOfTime(double time) {
    const double limit = std::numeric_limits<int32_t>::max();
    return int32_t(std::clamp(std::trunc(time), 0.0, limit));
}

} // namespace

CTrackMarker::CTrackMarker(const TrackMarkerLook& look, const TempoEvent& event)
    : m_look(look), m_event(event), m_textPanel(1, 1, kTextLeft) {
    SetType(kGuiTypeMarkerStrip);
    SetTransparent(true);
    SetZOrder(ZOrderOfTime(event.time));
    LoadImages();
    m_textPanel.SetTextColor(CSkin::ColorOf("time-text-color"));
    m_textPanel.SetText(MakeText(look.name, event));
    GuiTextLayout layout(m_textPanel.GetFont(), m_textPanel.GetText());
    m_textWidth = m_textPanel.GetText().empty() ? 0 : layout.Width();
    m_textHeight = m_textPanel.GetText().empty() ? 0 : layout.Height();
    AddChild(&m_textPanel, ImagesWidth() + kTextGap, 0);
    Layout();
}

CTrackMarker::~CTrackMarker() {
    RemoveChild(&m_textPanel);
}

std::string CTrackMarker::MakeText(const std::string& name, const TempoEvent& event) {
    if (!event.tempoChange && !event.keyChange && !event.timeSigChange)
        return name;
    char tempo[32] = "";
    char signature[32] = "";
    if (event.tempoChange)
        std::snprintf(tempo, sizeof tempo, "%.1f ", event.tempo);
    if (event.timeSigChange)
        std::snprintf(signature, sizeof signature, "%d/%d ", event.numerator, event.denominator);
    const char* key = event.keyChange ? TempoMap::GetKeyStr(event.key) : nullptr;
    return name + "\n" + tempo + signature + (key ? key : "");
}

void CTrackMarker::LoadImages() {
    if (auto flag = CImageManager::Instance().Get("marker")) {
        m_flag = *flag;
        Tint(m_flag, m_look.colour);
    }
    if (m_look.cdTrack)
        m_cdImage = CImageManager::Instance().Get("marker-cd");
}

int32_t CTrackMarker::ImagesWidth() const {
    return m_flag.Width() + (m_cdImage ? m_cdImage->Width() : 0);
}

void CTrackMarker::Layout() {
    // Without images or text the marker is a 1 x 1 point.
    SetSize(GetWidth(), std::max({m_flag.Height(), m_textHeight, 1}));
    LimitWidth(std::numeric_limits<int32_t>::max());
}

void CTrackMarker::LimitWidth(int32_t maxWidth) {
    const int64_t room = int64_t(maxWidth) - ImagesWidth() - kTextGap;
    const auto textWidth = int32_t(std::clamp<int64_t>(room, 0, m_textWidth));
    m_textPanel.SetSize(std::max(textWidth, 1), std::max(m_textHeight, 1));
    if (textWidth == 0)
        m_textPanel.Hide();
    else if (IsVisible())
        m_textPanel.Show();
    SetSize(std::max(ImagesWidth() + (textWidth > 0 ? textWidth + kTextGap : 0), 1), GetHeight());
}

void CTrackMarker::OnDraw(const GuiRect&) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    if (m_flag.IsValid())
        m_flag.Draw(cr, 0, 0);
    if (m_cdImage)
        m_cdImage->Draw(cr, m_flag.Width(), 0);
}
