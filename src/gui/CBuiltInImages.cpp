#include "gui/CBuiltInImages.h"

#include "gui/CImage.h"

#include <cairo.h>

#include <cmath>

namespace {

constexpr int32_t kIconSize = 32;

// A filled shape with a darker outline, the common form of the icons.
void FillAndOutline(cairo_t* cr, uint32_t fill, uint32_t outline) {
    CImage::SetSourceColor(cr, fill);
    cairo_fill_preserve(cr);
    CImage::SetSourceColor(cr, outline);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

// A glyph centred in the icon in bold DejaVu Sans.
void CentredGlyph(cairo_t* cr, const char* glyph, uint32_t color) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 20);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, glyph, &extents);
    cairo_move_to(cr, kIconSize / 2.0 - extents.width / 2 - extents.x_bearing,
                  kIconSize / 2.0 - extents.height / 2 - extents.y_bearing + 1);
    CImage::SetSourceColor(cr, color);
    cairo_show_text(cr, glyph);
}

void DrawCircleIcon(cairo_t* cr, uint32_t fill, uint32_t outline, const char* glyph) {
    cairo_arc(cr, kIconSize / 2.0, kIconSize / 2.0, kIconSize / 2.0 - 2, 0, 2 * M_PI);
    FillAndOutline(cr, fill, outline);
    CentredGlyph(cr, glyph, 0xFFFFFF);
}

void DrawExclamation(cairo_t* cr) {
    cairo_move_to(cr, kIconSize / 2.0, 2);
    cairo_line_to(cr, kIconSize - 2, kIconSize - 3);
    cairo_line_to(cr, 2, kIconSize - 3);
    cairo_close_path(cr);
    FillAndOutline(cr, 0x2EB8F0, 0x1A6E90); // amber
    CentredGlyph(cr, "!", 0x202020);
}

void DrawCheckMark(cairo_t* cr) {
    cairo_move_to(cr, 6, 17);
    cairo_line_to(cr, 13, 24);
    cairo_line_to(cr, 26, 8);
    cairo_set_line_width(cr, 4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    CImage::SetSourceColor(cr, 0x5AB45A);
    cairo_stroke(cr);
}

} // namespace

bool CBuiltInImages::Load(int32_t id, CImage& image) {
    if (id < kExclamation || id > kCheckMark)
        return false;
    CImage drawn;
    if (!drawn.SetSize(kIconSize, kIconSize, 32))
        return false;
    cairo_t* cr = cairo_create(drawn.Surface());
    switch (id) {
    case kExclamation:
        DrawExclamation(cr);
        break;
    case kInformation:
        DrawCircleIcon(cr, 0xC8873C, 0x7A5020, "i"); // blue
        break;
    case kQuestion:
        DrawCircleIcon(cr, 0xC8873C, 0x7A5020, "?");
        break;
    case kError:
        DrawCircleIcon(cr, 0x3C3CC8, 0x202080, "\xC3\x97"); // red, a multiplication sign
        break;
    case kCheckMark:
        DrawCheckMark(cr);
        break;
    }
    cairo_destroy(cr);
    cairo_surface_flush(drawn.Surface());
    image = std::move(drawn);
    return true;
}
