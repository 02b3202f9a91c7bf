#include "gui/CImage.h"

#include <cairo.h>
#include <jerror.h>
#include <jpeglib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

double Red(uint32_t color) {
    return (color & 0xFF) / 255.0;
}
double Green(uint32_t color) {
    return ((color >> 8) & 0xFF) / 255.0;
}
double Blue(uint32_t color) {
    return ((color >> 16) & 0xFF) / 255.0;
}

uint32_t ReadBigEndian32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The whole of a regular file of at most CImage::kMaxFileSize bytes. The
// file is opened without blocking and checked before anything is read: a
// FIFO, device or folder named as an image would hang or never end.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& data) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
              static_cast<uint64_t>(info.st_size) <= CImage::kMaxFileSize;
    if (ok) {
        data.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (ok && done < data.size()) {
            const ssize_t got = read(fd, data.data() + done, data.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            ok = got > 0;
            done += ok ? static_cast<size_t>(got) : 0;
        }
    }
    close(fd);
    return ok;
}

// Hands cairo the bytes of a PNG file held in memory.
struct PngBytes {
    const std::vector<unsigned char>& data;
    size_t at = 0;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* out, unsigned int length) {
    auto& bytes = *static_cast<PngBytes*>(closure);
    if (length > bytes.data.size() - bytes.at)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, bytes.data.data() + bytes.at, length);
    bytes.at += length;
    return CAIRO_STATUS_SUCCESS;
}

// libjpeg reports fatal errors through error_exit, which must not return.
struct JpegErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
    bool truncated;
};

void JpegErrorExit(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

// Warnings are not worth a line on stderr; a fatal error refuses the file, and
// so does a file cut short, which libjpeg would pad out with grey.
void JpegWarning(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegErrorManager*>(info->err)->truncated = true;
}

// Decodes the JPEG in memory into a new RGB24 surface; null when it fails.
// Kept free of C++ objects with destructors, as longjmp skips them.
cairo_surface_t* DecodeJpeg(const unsigned char* data, size_t size) {
    jpeg_decompress_struct info;
    JpegErrorManager error;
    cairo_surface_t* volatile surface = nullptr;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = JpegErrorExit;
    error.base.emit_message = JpegWarning;
    error.truncated = false;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        if (surface)
            cairo_surface_destroy(surface);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
        !CImage::IsAcceptableSize(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    info.out_color_space = JCS_EXT_BGRX; // cairo's RGB24 byte order on little-endian
    jpeg_start_decompress(&info);
    surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(info.output_width),
                                         int(info.output_height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || info.output_components != 4)
        longjmp(error.jump, 1);
    unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + size_t(info.output_scanline) * size_t(stride);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    if (error.truncated)
        longjmp(error.jump, 1);
    jpeg_destroy_decompress(&info);
    cairo_surface_mark_dirty(surface);
    return surface;
}

// A new ARGB32 surface holding a copy of the given one; null when cairo fails.
cairo_surface_t* CopySurface(cairo_surface_t* source, int32_t width, int32_t height) {
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(copy);
        return nullptr;
    }
    cairo_t* cr = cairo_create(copy);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(copy);
    return copy;
}

} // namespace

CImage::CImage(const CImage& other) {
    *this = other;
}

CImage& CImage::operator=(const CImage& other) {
    if (this == &other)
        return *this;
    Release();
    if (other.m_surface) {
        m_surface = CopySurface(other.m_surface, other.m_width, other.m_height);
        if (m_surface) {
            m_width = other.m_width;
            m_height = other.m_height;
            m_bitsPerPixel = other.m_bitsPerPixel;
        }
    }
    return *this;
}

CImage::CImage(CImage&& other) noexcept {
    *this = std::move(other);
}

CImage& CImage::operator=(CImage&& other) noexcept {
    if (this == &other)
        return *this;
    Release();
    std::swap(m_surface, other.m_surface);
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
    std::swap(m_bitsPerPixel, other.m_bitsPerPixel);
    return *this;
}

CImage::~CImage() {
    Release();
}

void CImage::Release() {
    if (m_surface)
        cairo_surface_destroy(m_surface);
    m_surface = nullptr;
    m_width = 0;
    m_height = 0;
    m_bitsPerPixel = 24;
}

bool CImage::IsAcceptableSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= kMaxPixels;
}

bool CImage::Adopt(cairo_surface_t* surface, int bitsPerPixel) {
    if (!surface)
        return false;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        cairo_surface_destroy(surface);
        return false;
    }
    const int32_t width = cairo_image_surface_get_width(surface);
    const int32_t height = cairo_image_surface_get_height(surface);
    cairo_surface_t* argb = surface;
    if (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        argb = CopySurface(surface, width, height);
        cairo_surface_destroy(surface);
        if (!argb)
            return false;
    }
    Release();
    m_surface = argb;
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    return true;
}

bool CImage::Open(const std::string& path) {
    std::vector<unsigned char> data;
    if (!ReadWholeFile(path, data))
        return false;
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return Adopt(DecodeJpeg(data.data(), data.size()), 24);
    return OpenPng(data);
}

bool CImage::OpenPng(const std::vector<unsigned char>& data) {
    // The size is checked before cairo allocates the picture: the header may lie.
    if (data.size() < 33 || std::memcmp(data.data(), kPngSignature, 8) != 0 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0)
        return false;
    if (!IsAcceptableSize(ReadBigEndian32(data.data() + 16), ReadBigEndian32(data.data() + 20)))
        return false;
    PngBytes bytes{data};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPngBytes, &bytes);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    const int bits = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32 ? 32 : 24;
    return Adopt(surface, bits);
}

bool CImage::SaveAs(const std::string& path) const {
    if (!m_surface)
        return false;
    cairo_surface_flush(m_surface);
    return cairo_surface_write_to_png(m_surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool CImage::SetSize(int32_t width, int32_t height, int bitsPerPixel) {
    if (!IsAcceptableSize(width, height))
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (!Adopt(surface, bitsPerPixel == 32 ? 32 : 24))
        return false;
    if (m_bitsPerPixel == 24)
        ClearToColor(0);
    return true;
}

void CImage::ClearToColor(uint32_t color) {
    if (!m_surface)
        return;
    cairo_t* cr = cairo_create(m_surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr, color);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(m_surface);
}

bool CImage::MakeMultiLayerColorGradient(const std::vector<GradientLayer>& layers) {
    if (!m_surface || layers.empty())
        return false;
    cairo_t* cr = cairo_create(m_surface);
    for (const GradientLayer& layer : layers) {
        const bool vertical = layer.style % 2 == 0;
        cairo_pattern_t* pattern = vertical ? cairo_pattern_create_linear(0, 0, 0, m_height)
                                            : cairo_pattern_create_linear(0, 0, m_width, 0);
        std::vector<GradientLayer::ExtraColor> stops = layer.extras;
        stops.push_back({layer.startColor, 0});
        stops.push_back({layer.endColor, 1000});
        // Stable, so that the start colour wins over an extra colour at 0 and
        // the end colour comes after any extra colour at 1000.
        std::stable_sort(stops.begin(), stops.end(), [](const auto& a, const auto& b) {
            return std::clamp(a.location, 0, 1000) < std::clamp(b.location, 0, 1000);
        });
        for (const GradientLayer::ExtraColor& stop : stops)
            cairo_pattern_add_color_stop_rgb(pattern, std::clamp(stop.location, 0, 1000) / 1000.0,
                                             Red(stop.color), Green(stop.color), Blue(stop.color));
        cairo_set_source(cr, pattern);
        cairo_paint_with_alpha(cr, std::clamp(layer.opacity, 0, 100) / 100.0);
        cairo_pattern_destroy(pattern);
    }
    cairo_destroy(cr);
    cairo_surface_flush(m_surface);
    return true;
}

bool CImage::Scale(int32_t width, int32_t height) {
    if (!m_surface || !IsAcceptableSize(width, height))
        return false;
    if (width == m_width && height == m_height)
        return true;
    cairo_surface_t* scaled = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(scaled) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(scaled);
        return false;
    }
    cairo_t* cr = cairo_create(scaled);
    cairo_scale(cr, double(width) / m_width, double(height) / m_height);
    cairo_set_source_surface(cr, m_surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    // Edge pixels repeat outwards instead of fading into transparency.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(scaled);
    return Adopt(scaled, m_bitsPerPixel);
}

bool CImage::Crop(const GuiRect& rect) {
    const GuiRect part = rect.Intersection({0, 0, m_width, m_height});
    if (!m_surface || part.IsEmpty())
        return false;
    CImage cropped;
    if (!cropped.SetSize(part.Width(), part.Height(), 32))
        return false;
    cropped.CopySection(*this, part, 0, 0);
    cropped.m_bitsPerPixel = m_bitsPerPixel;
    *this = std::move(cropped);
    return true;
}

void CImage::CopySection(const CImage& source, const GuiRect& sourceRect, int32_t x, int32_t y) {
    if (!m_surface || !source.m_surface)
        return;
    GuiRect from = sourceRect.Intersection({0, 0, source.m_width, source.m_height});
    // Narrowed again to what lands inside this picture.
    const GuiRect to = from.Offset(x - sourceRect.left, y - sourceRect.top)
                           .Intersection({0, 0, m_width, m_height});
    if (to.IsEmpty())
        return;
    const int32_t dx = x - sourceRect.left;
    const int32_t dy = y - sourceRect.top;
    cairo_t* cr = cairo_create(m_surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source.m_surface, dx, dy);
    cairo_rectangle(cr, to.left, to.top, to.Width(), to.Height());
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(m_surface);
}

void CImage::MoveTowardColor(uint32_t color, int32_t percent) {
    if (!m_surface)
        return;
    percent = std::clamp(percent, 0, 100);
    const uint32_t target[3] = {(color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF}; // B G R
    cairo_surface_flush(m_surface);
    unsigned char* data = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    for (int32_t row = 0; row < m_height; ++row) {
        uint32_t* pixel = reinterpret_cast<uint32_t*>(data + size_t(row) * size_t(stride));
        for (int32_t column = 0; column < m_width; ++column) {
            const uint32_t value = pixel[column];
            const uint32_t alpha = value >> 24;
            uint32_t result = value & 0xFF000000u;
            // Premultiplied: the target colour is scaled by the pixel's alpha.
            for (int channel = 0; channel < 3; ++channel) {
                const int shift = 16 - 8 * channel;
                const int32_t now = int32_t((value >> shift) & 0xFF);
                const int32_t goal = int32_t(target[2 - channel] * alpha / 255);
                result |= uint32_t(now + (goal - now) * percent / 100) << shift;
            }
            pixel[column] = result;
        }
    }
    cairo_surface_mark_dirty(m_surface);
}

void CImage::Draw(cairo_t* cr, double x, double y) const {
    if (!m_surface)
        return;
    cairo_save(cr);
    cairo_set_source_surface(cr, m_surface, x, y);
    cairo_rectangle(cr, x, y, m_width, m_height);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CImage::DrawScaled(cairo_t* cr, const GuiRect& rect) const {
    if (!m_surface || rect.IsEmpty())
        return;
    cairo_save(cr);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr);
    cairo_translate(cr, rect.left, rect.top);
    cairo_scale(cr, double(rect.Width()) / m_width, double(rect.Height()) / m_height);
    cairo_set_source_surface(cr, m_surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

uint32_t CImage::PixelAt(int32_t x, int32_t y) const {
    if (!m_surface || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    cairo_surface_flush(m_surface);
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    return reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride))[x];
}

void CImage::SetSourceColor(cairo_t* cr, uint32_t color, double alpha) {
    cairo_set_source_rgba(cr, Red(color), Green(color), Blue(color), alpha);
}
