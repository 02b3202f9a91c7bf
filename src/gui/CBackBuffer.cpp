#include "gui/CBackBuffer.h"

#include <cairo.h>

#include <cstring>

namespace {

// An opaque black ARGB32 surface with its context, or nulls on failure.
bool MakeSurface(int32_t width, int32_t height, cairo_surface_t*& surface, cairo_t*& context) {
    surface = nullptr;
    context = nullptr;
    if (width <= 0 || height <= 0)
        return false;
    cairo_surface_t* made = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(made) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(made);
        return false;
    }
    cairo_t* cr = cairo_create(made);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        cairo_surface_destroy(made);
        return false;
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    surface = made;
    context = cr;
    return true;
}

} // namespace

CBackBuffer::~CBackBuffer() {
    Release();
}

bool CBackBuffer::Create(int32_t width, int32_t height) {
    cairo_surface_t* surface;
    cairo_t* context;
    if (!MakeSurface(width, height, surface, context))
        return false;
    Release();
    m_surface = surface;
    m_context = context;
    m_width = width;
    m_height = height;
    return true;
}

bool CBackBuffer::Grow(int32_t width, int32_t height, int32_t keepWidth, int32_t keepHeight) {
    cairo_surface_t* surface;
    cairo_t* context;
    if (!MakeSurface(width, height, surface, context))
        return false;
    if (m_surface)
        CopyRect(m_surface, surface, {0, 0, keepWidth, keepHeight});
    Release();
    m_surface = surface;
    m_context = context;
    m_width = width;
    m_height = height;
    return true;
}

uint32_t CBackBuffer::PixelAt(int32_t x, int32_t y) const {
    return SurfacePixel(m_surface, x, y);
}

bool CBackBuffer::SavePng(const std::string& path) const {
    if (!m_surface)
        return false;
    cairo_surface_flush(m_surface);
    return cairo_surface_write_to_png(m_surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool CBackBuffer::MoveRect(const GuiRect& to, int32_t dx, int32_t dy) {
    const GuiRect image{0, 0, m_width, m_height};
    const GuiRect from = to.Offset(dx, dy);
    if (!m_surface || to.IsEmpty() || !image.ContainsRect(to) || !image.ContainsRect(from))
        return false;
    cairo_surface_flush(m_surface);
    unsigned char* data = cairo_image_surface_get_data(m_surface);
    const size_t stride = size_t(cairo_image_surface_get_stride(m_surface));
    const size_t rowBytes = size_t(to.Width()) * 4;
    // Rows are taken in the order that reads each source row before a
    // destination row can overwrite it; memmove handles a row's own overlap.
    const bool downwards = dy > 0;
    for (int32_t i = 0; i < to.Height(); ++i) {
        const int32_t row = downwards ? to.top + i : to.bottom - 1 - i;
        unsigned char* target = data + size_t(row) * stride + size_t(to.left) * 4;
        const unsigned char* source = data + size_t(row + dy) * stride + size_t(from.left) * 4;
        std::memmove(target, source, rowBytes);
    }
    cairo_surface_mark_dirty_rectangle(m_surface, to.left, to.top, to.Width(), to.Height());
    return true;
}

void CBackBuffer::CopyRect(cairo_surface_t* from, cairo_surface_t* to, const GuiRect& rect) {
    if (!from || !to || rect.IsEmpty())
        return;
    cairo_t* cr = cairo_create(to);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, from, 0, 0);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr);
    cairo_destroy(cr);
}

uint32_t CBackBuffer::SurfacePixel(cairo_surface_t* surface, int32_t x, int32_t y) {
    if (!surface || x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface))
        return 0;
    cairo_surface_flush(surface);
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + size_t(y) * cairo_image_surface_get_stride(surface);
    uint32_t pixel;
    std::memcpy(&pixel, row + size_t(x) * 4, sizeof pixel);
    return pixel;
}

void CBackBuffer::Release() {
    if (m_context)
        cairo_destroy(m_context);
    if (m_surface)
        cairo_surface_destroy(m_surface);
    m_context = nullptr;
    m_surface = nullptr;
    m_width = 0;
    m_height = 0;
}
