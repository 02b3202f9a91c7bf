#pragma once

#include <cstdint>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

// Writes pictures held in cairo image surfaces (ARGB32 or RGB24) as JPEG
// files, such as the window's back buffer for a crash report.
class CJpegWriter {
public:
    // Writes the top-left width x height of the surface (no more than it
    // holds) at the quality (1..100). False, and no file, when it fails.
    static bool Save(cairo_surface_t* surface, const std::string& path, int32_t width,
                     int32_t height, int quality);
};
