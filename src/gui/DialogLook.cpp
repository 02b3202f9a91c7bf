#include "gui/DialogLook.h"

#include "gui/CImage.h"
#include "gui/CSkin.h"

#include <glib.h>
#include <pango/pangocairo.h>

#include <cstring>

namespace {

struct FallbackColor {
    const char* item;
    uint32_t color; // 0x00BBGGRR
};

constexpr FallbackColor kFallbackColors[] = {
    {kDialogBackgroundItem, 0x00E8E4E0},     {kDialogTextItem, 0x00201C18},
    {kDialogTitleItem, 0x00704830},          {kDialogButtonItem, 0x00D0CCC8},
    {kDialogListBackgroundItem, 0x00FFFFFF}, {kDialogListSelectionItem, 0x00D09060},
};

uint32_t FallbackFor(const char* item) {
    for (const FallbackColor& fallback : kFallbackColors)
        if (std::strcmp(fallback.item, item) == 0)
            return fallback.color;
    return 0x00C0C0C0;
}

PangoLayout* MakeLayout(cairo_t* cr, const std::string& text, const char* font) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    // Pango keeps a font alive for good when it lays out an empty text, which
    // later trips the shutdown of the font caches: an empty text is laid out
    // as one blank, which shows nothing and keeps the line height.
    std::string valid = DialogTextCut(text, text.size());
    if (valid.empty())
        valid = " ";
    pango_layout_set_text(layout, valid.c_str(), static_cast<int>(valid.size()));
    return layout;
}

} // namespace

uint32_t DialogColor(const char* item) {
    const CSkin* skin = CSkin::Current();
    if (skin && skin->GetReader().HasSection(item))
        return skin->GetColor(item);
    return FallbackFor(item);
}

std::string DialogTextCut(const std::string& text, size_t maxBytes) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result(valid);
    g_free(valid);
    if (result.size() <= maxBytes)
        return result;
    size_t end = maxBytes;
    // Back up to the first byte of a character.
    while (end > 0 && (static_cast<unsigned char>(result[end]) & 0xC0) == 0x80)
        --end;
    result.resize(end);
    return result;
}

int32_t MeasureWrappedText(const std::string& text, int32_t width, const char* font) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = MakeLayout(cr, text, font);
    pango_layout_set_width(layout, width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    int textWidth = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &height);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return height;
}

void DrawDialogText(cairo_t* cr, const std::string& text, const GuiRect& box, const char* font,
                    uint32_t color, bool wrap, TextAlign align) {
    if (box.IsEmpty() || text.empty())
        return;
    cairo_save(cr);
    cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
    cairo_clip(cr);
    PangoLayout* layout = MakeLayout(cr, text, font);
    pango_layout_set_width(layout, box.Width() * PANGO_SCALE);
    if (wrap) {
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    } else {
        pango_layout_set_height(layout, 0); // one line at most
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    pango_layout_set_alignment(layout, align == TextAlign::kCenter  ? PANGO_ALIGN_CENTER
                                       : align == TextAlign::kRight ? PANGO_ALIGN_RIGHT
                                                                    : PANGO_ALIGN_LEFT);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    const double top = wrap ? box.top : box.top + (box.Height() - height) / 2.0;
    CImage::SetSourceColor(cr, color);
    cairo_move_to(cr, box.left, top);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    cairo_restore(cr);
}

void FillDialogRect(cairo_t* cr, const GuiRect& r, uint32_t color) {
    CImage::SetSourceColor(cr, color);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
}

void FrameDialogRect(cairo_t* cr, const GuiRect& r, uint32_t color) {
    CImage::SetSourceColor(cr, color);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, r.Width() - 1.0, r.Height() - 1.0);
    cairo_stroke(cr);
}

uint32_t ShadeColor(uint32_t color, double amount) {
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double channel = (color >> shift) & 0xFF;
        const double target = amount < 0 ? 0.0 : 255.0;
        const double weight = amount < 0 ? -amount : amount;
        const auto shaded = static_cast<uint32_t>(channel + (target - channel) * weight + 0.5);
        result |= (shaded > 255 ? 255 : shaded) << shift;
    }
    return result;
}
