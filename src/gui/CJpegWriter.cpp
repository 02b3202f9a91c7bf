#include "gui/CJpegWriter.h"

#include <cairo.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>

namespace {

// libjpeg's fatal errors must not return into it.
struct JpegWriteErrors {
    jpeg_error_mgr base;
    jmp_buf jump;
};

void JpegWriteErrorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegWriteErrors*>(info->err)->jump, 1);
}

// Kept free of C++ objects with destructors, as longjmp skips them.
bool Encode(FILE* out, const unsigned char* pixels, int stride, int32_t width, int32_t height,
            int quality) {
    jpeg_compress_struct info;
    JpegWriteErrors errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegWriteErrorExit;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX; // cairo's byte order on little-endian machines
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<unsigned char*>(pixels) + size_t(info.next_scanline) * size_t(stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

bool CJpegWriter::Save(cairo_surface_t* surface, const std::string& path, int32_t width,
                       int32_t height, int quality) {
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return false;
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return false;
    width = std::min(width, cairo_image_surface_get_width(surface));
    height = std::min(height, cairo_image_surface_get_height(surface));
    if (width <= 0 || height <= 0)
        return false;
    cairo_surface_flush(surface);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool encoded = Encode(out, cairo_image_surface_get_data(surface),
                                cairo_image_surface_get_stride(surface), width, height, quality);
    const bool closed = std::fclose(out) == 0;
    if (!encoded || !closed)
        std::remove(path.c_str());
    return encoded && closed;
}
