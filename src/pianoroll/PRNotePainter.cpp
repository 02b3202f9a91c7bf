#include "pianoroll/PRNotePainter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

void SetColor(cairo_t* cr, uint32_t bgr) {
    cairo_set_source_rgb(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0,
                         ((bgr >> 16) & 0xFF) / 255.0);
}

} // namespace

void PRNotePainter::Paint(const PRNoteRect& rect, uint32_t fill, uint32_t edge) {
    const int width = std::max(1, rect.Width());
    if (width >= kRoundedMinWidth) {
        Flush();
        PaintRounded(rect, fill, edge);
        return;
    }
    // The same pixels a 1-pixel stroke around the box and its inside cover.
    const int height = PRNoteGeometry::kRowHeight;
    m_edges[edge].push_back({rect.left, rect.top, width, height});
    if (width > 2)
        m_insides[fill].push_back({rect.left + 1, rect.top + 1, width - 2, height - 2});
}

void PRNotePainter::Flush() {
    FillBoxes(m_edges);
    FillBoxes(m_insides);
}

void PRNotePainter::FillBoxes(std::map<uint32_t, std::vector<Box>>& boxes) {
    for (auto& [color, list] : boxes) {
        if (list.empty())
            continue;
        SetColor(m_cr, color);
        for (const Box& box : list)
            cairo_rectangle(m_cr, box.x, box.y, box.width, box.height);
        cairo_fill(m_cr);
        list.clear();
    }
}

void PRNotePainter::PaintRounded(const PRNoteRect& rect, uint32_t fill, uint32_t edge) {
    const double x = rect.left + 0.5;
    const double y = rect.top + 0.5;
    const double w = rect.Width() - 1.0;
    const double h = PRNoteGeometry::kRowHeight - 1.0;
    const double r = kCornerRadius;
    cairo_new_sub_path(m_cr);
    cairo_arc(m_cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(m_cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(m_cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(m_cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(m_cr);
    SetColor(m_cr, fill);
    cairo_fill_preserve(m_cr);
    SetColor(m_cr, edge);
    cairo_set_line_width(m_cr, 1.0);
    cairo_stroke(m_cr);
}
