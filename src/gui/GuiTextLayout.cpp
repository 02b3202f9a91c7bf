#include "gui/GuiTextLayout.h"

#include "gui/CImage.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>

namespace {

constexpr const char* kFamily = "DejaVu Sans";

} // namespace

GuiTextLayout::GuiTextLayout(const GuiFont& font, const std::string& text)
    : m_text(MakeValid(text)) {
    // Measuring needs a context; a tiny scratch surface serves for both
    // measuring and, after pango_cairo_update_layout, drawing elsewhere.
    m_scratchSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    m_scratch = cairo_create(m_scratchSurface);
    m_layout = pango_cairo_create_layout(m_scratch);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, kFamily);
    pango_font_description_set_absolute_size(description,
                                             std::max(1, font.pixelSize) * double(PANGO_SCALE));
    pango_font_description_set_weight(description,
                                      font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(m_layout, description);
    pango_font_description_free(description);
    // Pango keeps a font alive for good when it measures an empty layout, which
    // later trips the shutdown of the font caches; an empty text is therefore
    // laid out as one blank, which gives the same line height, and measured
    // and drawn as nothing.
    const std::string laidOut = m_text.empty() ? std::string(" ") : m_text;
    pango_layout_set_text(m_layout, laidOut.c_str(), static_cast<int>(laidOut.size()));
}

GuiTextLayout::~GuiTextLayout() {
    g_object_unref(m_layout);
    cairo_destroy(m_scratch);
    cairo_surface_destroy(m_scratchSurface);
}

std::string GuiTextLayout::MakeValid(const std::string& text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return text;
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result(valid);
    g_free(valid);
    return result;
}

void GuiTextLayout::SetWrapWidth(int32_t width) {
    pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD);
    pango_layout_set_width(m_layout, width < 0 ? -1 : width * PANGO_SCALE);
}

int32_t GuiTextLayout::Width() const {
    if (m_text.empty())
        return 0;
    int width = 0;
    pango_layout_get_pixel_size(m_layout, &width, nullptr);
    return width;
}

int32_t GuiTextLayout::Height() const {
    int height = 0;
    pango_layout_get_pixel_size(m_layout, nullptr, &height);
    return height;
}

int32_t GuiTextLayout::XOfIndex(size_t byteIndex) const {
    if (m_text.empty())
        return 0;
    const size_t index = std::min(byteIndex, m_text.size());
    PangoRectangle position;
    pango_layout_index_to_pos(m_layout, static_cast<int>(index), &position);
    return PANGO_PIXELS(position.x);
}

size_t GuiTextLayout::IndexAtX(int32_t x) const {
    if (m_text.empty())
        return 0;
    PangoLayoutLine* line = pango_layout_get_line_readonly(m_layout, 0);
    if (!line)
        return 0;
    int index = 0;
    int trailing = 0;
    pango_layout_line_x_to_index(line, x * PANGO_SCALE, &index, &trailing);
    // `trailing` counts characters past the one hit: step over whole characters.
    const char* p = m_text.c_str() + std::min<size_t>(static_cast<size_t>(index), m_text.size());
    for (; trailing > 0 && *p; --trailing)
        p = g_utf8_next_char(p);
    return static_cast<size_t>(p - m_text.c_str());
}

void GuiTextLayout::Draw(cairo_t* cr, double x, double y, uint32_t color) const {
    if (m_text.empty() || !InkMeetsClip(cr, x, y))
        return;
    cairo_save(cr);
    CImage::SetSourceColor(cr, color);
    cairo_move_to(cr, x, y);
    // Pango lays the text out again after every update of its context, even
    // to the settings it had: a context that draws as the scratch context
    // measures (the usual case) draws the layout as it is.
    const bool sameSettings = DrawsAsMeasured(cr);
    if (!sameSettings)
        pango_cairo_update_layout(cr, m_layout);
    pango_cairo_show_layout(cr, m_layout);
    cairo_restore(cr);
    // Back to the scratch context's settings, so that later measurements agree.
    if (!sameSettings)
        pango_cairo_update_layout(m_scratch, m_layout);
}

bool GuiTextLayout::InkMeetsClip(cairo_t* cr, double x, double y) const {
    // Repainting a narrow column crosses many labels whose glyphs lie all
    // beside it; Pango would go through every glyph to draw nothing.
    PangoRectangle ink;
    pango_layout_get_pixel_extents(m_layout, &ink, nullptr);
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    cairo_clip_extents(cr, &left, &top, &right, &bottom);
    // A pixel of margin for antialiasing at the ink's edges.
    constexpr double kMargin = 1.0;
    return x + ink.x - kMargin < right && x + ink.x + ink.width + kMargin > left &&
           y + ink.y - kMargin < bottom && y + ink.y + ink.height + kMargin > top;
}

bool GuiTextLayout::DrawsAsMeasured(cairo_t* cr) const {
    // Pango ignores where the context is translated to, but not its scale,
    // rotation or font options.
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    if (matrix.xx != 1.0 || matrix.yy != 1.0 || matrix.xy != 0.0 || matrix.yx != 0.0)
        return false;
    cairo_font_options_t* drawn = FontOptionsOf(cr);
    cairo_font_options_t* measured = FontOptionsOf(m_scratch);
    const bool same = cairo_font_options_equal(drawn, measured);
    cairo_font_options_destroy(drawn);
    cairo_font_options_destroy(measured);
    return same;
}

cairo_font_options_t* GuiTextLayout::FontOptionsOf(cairo_t* cr) {
    // The surface's options, overridden by those set on the context, as Pango merges them.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_surface_get_font_options(cairo_get_target(cr), options);
    cairo_font_options_t* set = cairo_font_options_create();
    cairo_get_font_options(cr, set);
    cairo_font_options_merge(options, set);
    cairo_font_options_destroy(set);
    return options;
}

void GuiTextLayout::DrawIn(cairo_t* cr, int32_t x, int32_t y, int32_t width, int32_t height,
                           uint32_t flags, uint32_t color) {
    if (m_text.empty())
        return;
    if (flags & kTextWordBreak && !(flags & kTextSingleLine))
        SetWrapWidth(width);
    PangoAlignment alignment = PANGO_ALIGN_LEFT;
    if (flags & kTextCenter)
        alignment = PANGO_ALIGN_CENTER;
    else if (flags & kTextRight)
        alignment = PANGO_ALIGN_RIGHT;
    pango_layout_set_alignment(m_layout, alignment);
    const int32_t textWidth = Width();
    int32_t left = x;
    // Alignment inside the layout only works with a wrap width; lines laid out
    // whole are placed here.
    if (pango_layout_get_width(m_layout) < 0) {
        if (flags & kTextCenter)
            left = x + (width - textWidth) / 2;
        else if (flags & kTextRight)
            left = x + width - textWidth;
    }
    int32_t top = y;
    if (flags & kTextVCenter)
        top = y + (height - Height()) / 2;
    else if (flags & kTextBottom)
        top = y + height - Height();
    Draw(cr, left, top, color);
}
