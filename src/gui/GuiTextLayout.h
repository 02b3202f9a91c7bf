#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_options cairo_font_options_t;
typedef struct _PangoLayout PangoLayout;

// The typeface of the program's own widgets ("DejaVu Sans") at a pixel size.
struct GuiFont {
    static constexpr int32_t kDefaultPixelSize = 12;
    int32_t pixelSize = kDefaultPixelSize;
    bool bold = false;
    bool operator==(const GuiFont&) const = default;
};

// Placement flags for a text in a rectangle (the values the program's formats
// have always used, so stored formats keep their meaning).
constexpr uint32_t kTextLeft = 0x00;
constexpr uint32_t kTextCenter = 0x01;
constexpr uint32_t kTextRight = 0x02;
constexpr uint32_t kTextVCenter = 0x04;
constexpr uint32_t kTextBottom = 0x08;
constexpr uint32_t kTextWordBreak = 0x10;
constexpr uint32_t kTextSingleLine = 0x20;

// One text laid out in a font, for measuring and drawing. Text that is not
// valid UTF-8 is laid out with the bad bytes replaced, so a hostile string
// can neither upset Pango nor be drawn half. Byte indexes name positions in
// the text as given (valid text) and always fall on character boundaries.
class GuiTextLayout {
public:
    GuiTextLayout(const GuiFont& font, const std::string& text);
    GuiTextLayout(const GuiTextLayout&) = delete;
    GuiTextLayout& operator=(const GuiTextLayout&) = delete;
    ~GuiTextLayout();

    // Wraps lines at word boundaries to the width; -1 lays every line out whole.
    void SetWrapWidth(int32_t width);
    int32_t Width() const;
    int32_t Height() const;
    // The left edge of the character starting at the byte index (the end: the right edge).
    int32_t XOfIndex(size_t byteIndex) const;
    // The character boundary nearest to x on the first line.
    size_t IndexAtX(int32_t x) const;
    // Draws with the top-left corner at (x, y) in a 0x00BBGGRR colour.
    void Draw(cairo_t* cr, double x, double y, uint32_t color) const;
    // Draws into the rectangle (x, y, width, height) placed by kText* flags.
    void DrawIn(cairo_t* cr, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t flags,
                uint32_t color);

    // UTF-8 text with every invalid byte sequence replaced.
    static std::string MakeValid(const std::string& text);

private:
    // Whether the text's ink, drawn at (x, y), reaches into the context's clip.
    bool InkMeetsClip(cairo_t* cr, double x, double y) const;
    // Whether the context draws text as the scratch context measures it, so
    // that the layout can be drawn without being laid out again.
    bool DrawsAsMeasured(cairo_t* cr) const;
    // The font options text drawn in the context gets; the caller destroys them.
    static cairo_font_options_t* FontOptionsOf(cairo_t* cr);

    cairo_surface_t* m_scratchSurface = nullptr;
    cairo_t* m_scratch = nullptr;
    PangoLayout* m_layout = nullptr;
    std::string m_text;
};
