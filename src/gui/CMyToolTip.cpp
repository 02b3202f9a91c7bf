#include "gui/CMyToolTip.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>

namespace {

constexpr const char* kFont = "DejaVu Sans 9";
constexpr int32_t kPadding = 4;
// Below the pointer, clear of the cursor image.
constexpr int32_t kOffsetY = 20;

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

// A one-paragraph layout of the text in the tooltip font, for the context.
LayoutPtr MakeLayout(cairo_t* cr, const std::string& text) {
    LayoutPtr layout(pango_cairo_create_layout(cr));
    PangoFontDescription* font = pango_font_description_from_string(kFont);
    pango_layout_set_font_description(layout.get(), font);
    pango_font_description_free(font);
    pango_layout_set_text(layout.get(), text.c_str(), int(text.size()));
    return layout;
}

// The text's size in pixels, measured on a scratch surface.
GuiPoint MeasureText(const std::string& text) {
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    int width = 0;
    int height = 0;
    {
        LayoutPtr layout = MakeLayout(cr, text);
        pango_layout_get_pixel_size(layout.get(), &width, &height);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    return {width, height};
}

} // namespace

void CMyToolTip::Initialize(uint32_t initialDelayMs, uint32_t displayMs, TextSource source) {
    m_delayMs = initialDelayMs;
    m_displayMs = displayMs;
    m_source = std::move(source);
}

void CMyToolTip::ShowNow() {
    m_showNow = true;
    m_waitForMove = false;
}

void CMyToolTip::ForwardMouseMessage(GuiMessageType type, GuiPoint p, uint64_t nowMs) {
    if (type == GuiMessageType::MouseMove) {
        if (p == m_pointer)
            return;
        m_pointer = p;
        m_restingSince = nowMs;
        m_waitForMove = false;
        return;
    }
    m_pointer = p;
    m_restingSince = nowMs;
    m_waitForMove = true;
    m_showNow = false;
}

GuiRect CMyToolTip::Update(uint64_t nowMs, int32_t clientWidth, int32_t clientHeight) {
    std::string text;
    const bool hasText = m_source && !m_waitForMove && m_source(m_pointer, text) && !text.empty();
    if (m_shown) {
        if (!hasText)
            return Hide();
        if (nowMs - m_shownAt >= m_displayMs) {
            m_waitForMove = true;
            return Hide();
        }
        if (text == m_text)
            return {};
        const GuiRect old = m_rect;
        m_text = text;
        m_rect = Place(text, clientWidth, clientHeight);
        return {std::min(old.left, m_rect.left), std::min(old.top, m_rect.top),
                std::max(old.right, m_rect.right), std::max(old.bottom, m_rect.bottom)};
    }
    if (!hasText || (!m_showNow && nowMs - m_restingSince < m_delayMs))
        return {};
    m_showNow = false;
    m_shown = true;
    m_shownAt = nowMs;
    m_text = text;
    m_rect = Place(text, clientWidth, clientHeight);
    return m_rect;
}

GuiRect CMyToolTip::Hide() {
    if (!m_shown)
        return {};
    m_shown = false;
    m_text.clear();
    const GuiRect old = m_rect;
    m_rect = {};
    return old;
}

GuiRect CMyToolTip::Place(const std::string& text, int32_t clientWidth,
                          int32_t clientHeight) const {
    const GuiPoint size = MeasureText(text);
    const int32_t width = size.x + 2 * kPadding;
    const int32_t height = size.y + 2 * kPadding;
    int32_t left = std::min(m_pointer.x, clientWidth - width);
    int32_t top = m_pointer.y + kOffsetY;
    if (top + height > clientHeight)
        top = m_pointer.y - height - 2;
    left = std::max(left, 0);
    top = std::max(top, 0);
    return {left, top, left + width, top + height};
}

void CMyToolTip::Draw(cairo_t* cr) const {
    if (!m_shown)
        return;
    cairo_save(cr);
    cairo_rectangle(cr, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height());
    cairo_set_source_rgb(cr, 1.0, 1.0, 225.0 / 255.0);
    cairo_fill(cr);
    cairo_rectangle(cr, m_rect.left + 0.5, m_rect.top + 0.5, m_rect.Width() - 1,
                    m_rect.Height() - 1);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    LayoutPtr layout = MakeLayout(cr, m_text);
    cairo_move_to(cr, m_rect.left + kPadding, m_rect.top + kPadding);
    pango_cairo_show_layout(cr, layout.get());
    cairo_restore(cr);
}
