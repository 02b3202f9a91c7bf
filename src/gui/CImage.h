#pragma once

#include "gui/GradientLayer.h"
#include "gui/GuiRect.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

// A picture in memory: a cairo ARGB32 image surface (premultiplied alpha) and
// whether the picture uses its alpha channel (32 bits per pixel) or is opaque
// (24). Skin items, button states and track pictures are all held this way.
//
// Colours taken by the operations are 0x00BBGGRR, the order the skin file
// stores them in; pixels read back are 0xAARRGGBB, cairo's order.
//
// Every operation that can fail leaves the image as it was and answers false.
// Files are untrusted: a damaged, truncated or absurdly large image is refused,
// never read past its end.
class CImage {
public:
    // Larger pictures are refused: no skin part or track picture comes near.
    static constexpr int32_t kMaxSide = 16384;
    static constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;
    static constexpr size_t kMaxFileSize = 64 * 1024 * 1024;

    CImage() = default;
    CImage(const CImage& other);
    CImage& operator=(const CImage& other);
    CImage(CImage&& other) noexcept;
    CImage& operator=(CImage&& other) noexcept;
    ~CImage();

    // Reads a PNG or JPEG file, told apart by their signatures, not by the name.
    // Only a regular file is read (a FIFO or device is refused without
    // waiting on it), whole and at most kMaxFileSize bytes.
    bool Open(const std::string& path);
    // Writes the picture as a PNG file.
    bool SaveAs(const std::string& path) const;

    // A new picture of the size: opaque black for 24 bits, transparent for 32.
    bool SetSize(int32_t width, int32_t height, int bitsPerPixel = 24);
    void Release();
    void ClearToColor(uint32_t color);
    // Fills the picture with the layers, one over the other (see GradientLayer).
    bool MakeMultiLayerColorGradient(const std::vector<GradientLayer>& layers);
    // Resizes the picture, smoothing as it goes.
    bool Scale(int32_t width, int32_t height);
    // Keeps only the part of the picture inside the rectangle.
    bool Crop(const GuiRect& rect);
    // Copies a rectangle of another picture here at (x, y), replacing what was
    // there (alpha included); parts outside either picture are left out.
    void CopySection(const CImage& source, const GuiRect& sourceRect, int32_t x, int32_t y);
    // Moves every pixel's colour the given percentage of the way to the colour
    // (0 leaves it, 100 replaces it); transparency is kept.
    void MoveTowardColor(uint32_t color, int32_t percent);

    // Draws the picture with its transparency at (x, y) of the context.
    void Draw(cairo_t* cr, double x, double y) const;
    // Draws the picture stretched into the rectangle.
    void DrawScaled(cairo_t* cr, const GuiRect& rect) const;

    bool IsValid() const { return m_surface != nullptr; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    cairo_surface_t* Surface() const { return m_surface; }
    // The pixel as 0xAARRGGBB; 0 outside the picture.
    uint32_t PixelAt(int32_t x, int32_t y) const;

    // Sets the context's source to a 0x00BBGGRR colour.
    static void SetSourceColor(cairo_t* cr, uint32_t color, double alpha = 1.0);
    static bool IsAcceptableSize(int64_t width, int64_t height);

private:
    bool OpenPng(const std::vector<unsigned char>& data);
    // Takes the surface (ARGB32 or RGB24) as the picture; false when cairo failed.
    bool Adopt(cairo_surface_t* surface, int bitsPerPixel);

    cairo_surface_t* m_surface = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int m_bitsPerPixel = 24;
};
