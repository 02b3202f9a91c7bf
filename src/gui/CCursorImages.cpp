#include "gui/CCursorImages.h"

#include "gui/CImage.h"

#include <cairo.h>

#include <cmath>

namespace {

// Strokes the current path twice: a wide white halo, then the dark line.
void HaloStroke(cairo_t* cr, double width) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, width + 2.5);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, 0.08, 0.08, 0.1);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

GuiPoint DrawScissors(cairo_t* cr) {
    // Two blades crossing at the centre, finger rings below.
    cairo_move_to(cr, 16, 2);
    cairo_line_to(cr, 16, 30);
    cairo_set_source_rgb(cr, 0.2, 0.5, 0.9);
    cairo_set_line_width(cr, 1);
    const double dashes[] = {2, 2};
    cairo_set_dash(cr, dashes, 2, 0);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_move_to(cr, 12, 4);
    cairo_line_to(cr, 19, 18);
    cairo_move_to(cr, 20, 4);
    cairo_line_to(cr, 13, 18);
    HaloStroke(cr, 1.6);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 11, 22, 3.5, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 21, 22, 3.5, 0, 2 * M_PI);
    HaloStroke(cr, 1.6);
    return {16, 2};
}

GuiPoint DrawPencil(cairo_t* cr) {
    cairo_move_to(cr, 2, 29);
    cairo_line_to(cr, 5, 21);
    cairo_line_to(cr, 23, 3);
    cairo_line_to(cr, 28, 8);
    cairo_line_to(cr, 10, 26);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.95, 0.8, 0.35);
    cairo_fill_preserve(cr);
    HaloStroke(cr, 1.2);
    cairo_move_to(cr, 5, 21);
    cairo_line_to(cr, 10, 26);
    HaloStroke(cr, 1);
    return {2, 29};
}

GuiPoint DrawEraser(cairo_t* cr) {
    cairo_move_to(cr, 4, 22);
    cairo_line_to(cr, 18, 8);
    cairo_line_to(cr, 27, 17);
    cairo_line_to(cr, 13, 31);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.92, 0.55, 0.6);
    cairo_fill_preserve(cr);
    HaloStroke(cr, 1.2);
    cairo_move_to(cr, 9, 17);
    cairo_line_to(cr, 18, 26);
    HaloStroke(cr, 1);
    return {6, 24};
}

GuiPoint DrawZoom(cairo_t* cr) {
    cairo_arc(cr, 12, 12, 8, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0.85, 0.92, 1, 0.6);
    cairo_fill_preserve(cr);
    HaloStroke(cr, 2);
    cairo_move_to(cr, 18, 18);
    cairo_line_to(cr, 28, 28);
    HaloStroke(cr, 3);
    cairo_move_to(cr, 8, 12);
    cairo_line_to(cr, 16, 12);
    cairo_move_to(cr, 12, 8);
    cairo_line_to(cr, 12, 16);
    HaloStroke(cr, 1.5);
    return {12, 12};
}

GuiPoint DrawEnvelopePoint(cairo_t* cr) {
    // An arrow with a small square point beside it.
    cairo_move_to(cr, 2, 2);
    cairo_line_to(cr, 2, 19);
    cairo_line_to(cr, 6, 15);
    cairo_line_to(cr, 9, 22);
    cairo_line_to(cr, 12, 21);
    cairo_line_to(cr, 9, 14);
    cairo_line_to(cr, 15, 14);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    HaloStroke(cr, 1);
    cairo_rectangle(cr, 18, 18, 8, 8);
    cairo_set_source_rgb(cr, 0.95, 0.6, 0.2);
    cairo_fill_preserve(cr);
    HaloStroke(cr, 1);
    return {2, 2};
}

} // namespace

bool CCursorImages::IsDrawnByProgram(GuiCursor cursor) {
    return int32_t(cursor) >= int32_t(GuiCursor::kScissors) && int32_t(cursor) < kGuiCursorCount;
}

bool CCursorImages::Draw(GuiCursor cursor, CImage& image, GuiPoint& hotSpot) {
    if (!IsDrawnByProgram(cursor))
        return false;
    CImage drawn;
    if (!drawn.SetSize(kSize, kSize, 32))
        return false;
    cairo_t* cr = cairo_create(drawn.Surface());
    switch (cursor) {
    case GuiCursor::kScissors:
        hotSpot = DrawScissors(cr);
        break;
    case GuiCursor::kPencil:
        hotSpot = DrawPencil(cr);
        break;
    case GuiCursor::kEraser:
        hotSpot = DrawEraser(cr);
        break;
    case GuiCursor::kZoom:
        hotSpot = DrawZoom(cr);
        break;
    default:
        hotSpot = DrawEnvelopePoint(cr);
        break;
    }
    cairo_destroy(cr);
    cairo_surface_flush(drawn.Surface());
    image = std::move(drawn);
    return true;
}
