#pragma once

#include "gui/GuiRect.h"

#include <cstdint>
#include <string>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

// An off-screen ARGB32 image (opaque, 0xAARRGGBB pixels) with a drawing context.
// It can only grow: growing keeps what was drawn in the part given.
class CBackBuffer {
public:
    CBackBuffer() = default;
    CBackBuffer(const CBackBuffer&) = delete;
    CBackBuffer& operator=(const CBackBuffer&) = delete;
    ~CBackBuffer();

    // A new opaque black image; false when the size is not positive or cairo fails.
    bool Create(int32_t width, int32_t height);
    // Replaces the image by a larger one of width x height, copying the old
    // image's area (0, 0, keepWidth, keepHeight) into it. False (buffer
    // unchanged) when the new one cannot be made.
    bool Grow(int32_t width, int32_t height, int32_t keepWidth, int32_t keepHeight);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    cairo_surface_t* Surface() const { return m_surface; }
    cairo_t* Context() const { return m_context; }
    // The pixel as 0xAARRGGBB; 0 outside the image.
    uint32_t PixelAt(int32_t x, int32_t y) const;
    bool SavePng(const std::string& path) const;
    // Moves the pixels of `to` offset by (dx, dy) into `to`, the two areas
    // overlapping or not. False (nothing moved) when either leaves the image.
    bool MoveRect(const GuiRect& to, int32_t dx, int32_t dy);

    // Copies a rectangle of one ARGB32 surface into another at the same place.
    static void CopyRect(cairo_surface_t* from, cairo_surface_t* to, const GuiRect& rect);
    // The pixel of any ARGB32 image surface; 0 outside it.
    static uint32_t SurfacePixel(cairo_surface_t* surface, int32_t x, int32_t y);

private:
    void Release();

    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_context = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
};
