#include "timeline/CColumnLine.h"

#include <algorithm>
#include <cmath>

int32_t CColumnLine::ColumnOf(double heardMs, int32_t msPerPixel) {
    const double ms = std::isfinite(heardMs) && heardMs > 0.0 ? heardMs : 0.0;
    return static_cast<int32_t>(std::min(ms / std::max(1, msPerPixel), 1e9));
}

void CColumnLine::Draw(cairo_t* cr, uint32_t colour, int32_t lineOffset, const GuiRect& r) {
    cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                         ((colour >> 16) & 0xFF) / 255.0);
    cairo_rectangle(cr, lineOffset, r.top, 1, r.bottom - r.top);
    cairo_fill(cr);
}
