// Draws the images of the default skin (button states, markers, keys) as PNG
// files into the folder given on the command line, normally data/skin. The
// look: dark grey-blue surfaces, light grey symbols, one amber accent.
//
//   make_skin_images <folder>

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgb {
    double r, g, b;
};

constexpr Rgb kSymbol{0.86, 0.88, 0.91};
constexpr Rgb kSymbolDim{0.50, 0.53, 0.58};
constexpr Rgb kAccent{0.94, 0.63, 0.19};
constexpr Rgb kRecord{0.86, 0.27, 0.24};

// Button faces per state: normal, hot, pressed, disabled.
constexpr Rgb kFaceTop[4] = {
    {0.29, 0.33, 0.39}, {0.35, 0.40, 0.48}, {0.17, 0.20, 0.24}, {0.24, 0.26, 0.29}};
constexpr Rgb kFaceBottom[4] = {
    {0.22, 0.25, 0.30}, {0.27, 0.31, 0.38}, {0.21, 0.24, 0.29}, {0.22, 0.24, 0.27}};

using Symbol = std::function<void(cairo_t*, double w, double h, Rgb ink)>;

void SetRgb(cairo_t* cr, Rgb c, double alpha = 1) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void Face(cairo_t* cr, double w, double h, int state) {
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(fill, 0, kFaceTop[state].r, kFaceTop[state].g,
                                     kFaceTop[state].b);
    cairo_pattern_add_color_stop_rgb(fill, 1, kFaceBottom[state].r, kFaceBottom[state].g,
                                     kFaceBottom[state].b);
    RoundedRect(cr, 0.5, 0.5, w - 1, h - 1, std::min(4.0, h / 4));
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    SetRgb(cr, state == 1 ? kAccent : Rgb{0.12, 0.14, 0.17}, state == 1 ? 0.9 : 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void Text(cairo_t* cr, double w, double h, Rgb ink, const char* text, double size) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text, &e);
    cairo_move_to(cr, w / 2 - e.width / 2 - e.x_bearing, h / 2 - e.height / 2 - e.y_bearing);
    SetRgb(cr, ink);
    cairo_show_text(cr, text);
}

Symbol Label(const char* text, double size) {
    return
        [text, size](cairo_t* cr, double w, double h, Rgb ink) { Text(cr, w, h, ink, text, size); };
}

void Triangle(cairo_t* cr, double x, double y, double size, bool right) {
    const double d = right ? size : -size;
    cairo_move_to(cr, x, y - size / 2);
    cairo_line_to(cr, x + d * 0.85, y);
    cairo_line_to(cr, x, y + size / 2);
    cairo_close_path(cr);
}

Symbol Play() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        Triangle(cr, w / 2 - h * 0.15, h / 2, h * 0.4, true);
        SetRgb(cr, ink);
        cairo_fill(cr);
    };
}

Symbol Stop() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        const double s = h * 0.34;
        cairo_rectangle(cr, w / 2 - s / 2, h / 2 - s / 2, s, s);
        SetRgb(cr, ink);
        cairo_fill(cr);
    };
}

Symbol Dot(Rgb color, double scale) {
    return [color, scale](cairo_t* cr, double w, double h, Rgb ink) {
        cairo_arc(cr, w / 2, h / 2, h * scale, 0, 2 * M_PI);
        const bool dim = ink.r == kSymbolDim.r;
        SetRgb(cr, dim ? kSymbolDim : color);
        cairo_fill(cr);
    };
}

// Two triangles, optionally with a bar at the far end.
Symbol Wind(bool forward, bool bar) {
    return [forward, bar](cairo_t* cr, double w, double h, Rgb ink) {
        const double s = h * 0.32;
        const double x = w / 2 + (forward ? -s * 0.85 : s * 0.85);
        Triangle(cr, x, h / 2, s, forward);
        Triangle(cr, w / 2, h / 2, s, forward);
        SetRgb(cr, ink);
        cairo_fill(cr);
        if (bar) {
            const double bx = forward ? w / 2 + s * 0.85 : w / 2 - s * 0.85 - 2;
            cairo_rectangle(cr, bx, h / 2 - s / 2, 2, s);
            cairo_fill(cr);
        }
    };
}

Symbol Loop(bool on) {
    return [on](cairo_t* cr, double w, double h, Rgb ink) {
        cairo_arc(cr, w / 2, h / 2, h * 0.24, 0.3, 2 * M_PI - 0.3);
        SetRgb(cr, on && ink.r != kSymbolDim.r ? kAccent : ink);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        Triangle(cr, w / 2 + h * 0.24, h / 2 - 1, h * 0.16, false);
        cairo_fill(cr);
    };
}

Symbol Metronome(bool on) {
    return [on](cairo_t* cr, double w, double h, Rgb ink) {
        cairo_move_to(cr, w / 2 - h * 0.2, h * 0.78);
        cairo_line_to(cr, w / 2 - h * 0.08, h * 0.22);
        cairo_line_to(cr, w / 2 + h * 0.08, h * 0.22);
        cairo_line_to(cr, w / 2 + h * 0.2, h * 0.78);
        cairo_close_path(cr);
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        cairo_move_to(cr, w / 2, h * 0.7);
        cairo_line_to(cr, w / 2 + h * 0.18, h * 0.3);
        SetRgb(cr, on && ink.r != kSymbolDim.r ? kAccent : ink);
        cairo_stroke(cr);
    };
}

Symbol Page(bool folded) {
    return [folded](cairo_t* cr, double w, double h, Rgb ink) {
        const double pw = h * 0.42;
        const double ph = h * 0.54;
        const double x = w / 2 - pw / 2;
        const double y = h / 2 - ph / 2;
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + pw * 0.65, y);
        cairo_line_to(cr, x + pw, y + pw * 0.35);
        cairo_line_to(cr, x + pw, y + ph);
        cairo_line_to(cr, x, y + ph);
        cairo_close_path(cr);
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 1.5);
        if (folded)
            cairo_fill(cr);
        else
            cairo_stroke(cr);
    };
}

Symbol Folder() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        const double fw = h * 0.6;
        const double fh = h * 0.42;
        const double x = w / 2 - fw / 2;
        const double y = h / 2 - fh / 2;
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + fw * 0.4, y);
        cairo_line_to(cr, x + fw * 0.5, y + fh * 0.18);
        cairo_line_to(cr, x + fw, y + fh * 0.18);
        cairo_line_to(cr, x + fw, y + fh);
        cairo_line_to(cr, x, y + fh);
        cairo_close_path(cr);
        SetRgb(cr, ink);
        cairo_fill(cr);
    };
}

Symbol Arrow(double angle, bool curved) {
    return [angle, curved](cairo_t* cr, double w, double h, Rgb ink) {
        cairo_save(cr);
        cairo_translate(cr, w / 2, h / 2);
        cairo_rotate(cr, angle);
        const double s = h * 0.28;
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 2);
        if (curved) {
            cairo_arc(cr, 0, s * 0.4, s * 0.8, M_PI, 2 * M_PI);
            cairo_stroke(cr);
            cairo_move_to(cr, s * 0.8 - s * 0.4, s * 0.3);
            cairo_line_to(cr, s * 0.8 + s * 0.4, s * 0.3);
            cairo_line_to(cr, s * 0.8, s * 0.9);
            cairo_close_path(cr);
            cairo_fill(cr);
        } else {
            cairo_move_to(cr, 0, -s);
            cairo_line_to(cr, 0, s * 0.4);
            cairo_stroke(cr);
            cairo_move_to(cr, -s * 0.6, s * 0.2);
            cairo_line_to(cr, s * 0.6, s * 0.2);
            cairo_line_to(cr, 0, s);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
        cairo_restore(cr);
    };
}

// A turn back (undo, the head at the left) or forward (redo, at the right).
Symbol Turn(bool back) {
    return [back](cairo_t* cr, double w, double h, Rgb ink) {
        cairo_save(cr);
        if (back) {
            cairo_translate(cr, w, 0);
            cairo_scale(cr, -1, 1);
        }
        Arrow(0, true)(cr, w, h, ink);
        cairo_restore(cr);
    };
}

// A floppy disk: the body, its label and its shutter.
Symbol Disk() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        const double s = h * 0.5;
        const double x = w / 2 - s / 2, y = h / 2 - s / 2;
        SetRgb(cr, ink);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + s * 0.8, y);
        cairo_line_to(cr, x + s, y + s * 0.2);
        cairo_line_to(cr, x + s, y + s);
        cairo_line_to(cr, x, y + s);
        cairo_close_path(cr);
        cairo_fill(cr);
        // The label and the shutter are cut out of the body.
        SetRgb(cr, {0.16, 0.18, 0.22});
        cairo_rectangle(cr, x + s * 0.2, y + s * 0.55, s * 0.6, s * 0.35);
        cairo_rectangle(cr, x + s * 0.28, y, s * 0.4, s * 0.28);
        cairo_fill(cr);
    };
}

// Mixing down: three strands of sound meet in one arrow.
Symbol MixDown() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        const double top = h * 0.24, meet = h * 0.56, bottom = h * 0.78;
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 2);
        for (double dx : {-0.2, 0.0, 0.2}) {
            cairo_move_to(cr, w / 2 + dx * h, top);
            cairo_line_to(cr, w / 2, meet);
        }
        cairo_stroke(cr);
        cairo_move_to(cr, w / 2 - h * 0.14, meet - h * 0.02);
        cairo_line_to(cr, w / 2 + h * 0.14, meet - h * 0.02);
        cairo_line_to(cr, w / 2, bottom);
        cairo_close_path(cr);
        cairo_fill(cr);
    };
}

Symbol Magnifier(bool plus) {
    return [plus](cairo_t* cr, double w, double h, Rgb ink) {
        const double r = h * 0.2;
        const double cx = w / 2 - r * 0.3;
        const double cy = h / 2 - r * 0.3;
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 2);
        cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_move_to(cr, cx + r * 0.7, cy + r * 0.7);
        cairo_line_to(cr, cx + r * 1.7, cy + r * 1.7);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 1.5);
        cairo_move_to(cr, cx - r * 0.5, cy);
        cairo_line_to(cr, cx + r * 0.5, cy);
        if (plus) {
            cairo_move_to(cr, cx, cy - r * 0.5);
            cairo_line_to(cr, cx, cy + r * 0.5);
        }
        cairo_stroke(cr);
    };
}

Symbol Disc() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 2);
        cairo_arc(cr, w / 2, h / 2, h * 0.26, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_arc(cr, w / 2, h / 2, h * 0.07, 0, 2 * M_PI);
        cairo_fill(cr);
    };
}

Symbol Note(const char* label) {
    return [label](cairo_t* cr, double w, double h, Rgb ink) {
        SetRgb(cr, ink);
        cairo_save(cr);
        cairo_translate(cr, w * 0.36, h * 0.66);
        cairo_scale(cr, 1.3, 1);
        cairo_arc(cr, 0, 0, h * 0.1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_fill(cr);
        cairo_rectangle(cr, w * 0.36 + h * 0.1, h * 0.2, 1.5, h * 0.46);
        cairo_fill(cr);
        if (label && *label) {
            cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                   CAIRO_FONT_WEIGHT_BOLD);
            cairo_set_font_size(cr, h * 0.32);
            cairo_move_to(cr, w * 0.56, h * 0.5);
            cairo_show_text(cr, label);
        }
    };
}

Symbol Pointer() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        const double s = h / 24;
        cairo_save(cr);
        cairo_translate(cr, w / 2 - 5 * s, h / 2 - 8 * s);
        cairo_scale(cr, s, s);
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, 0, 15);
        cairo_line_to(cr, 4, 11);
        cairo_line_to(cr, 7, 17);
        cairo_line_to(cr, 9.5, 16);
        cairo_line_to(cr, 6.5, 10);
        cairo_line_to(cr, 11, 10);
        cairo_close_path(cr);
        cairo_restore(cr);
        SetRgb(cr, ink);
        cairo_fill(cr);
    };
}

Symbol Pencil() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 3);
        cairo_move_to(cr, w / 2 - h * 0.22, h / 2 + h * 0.22);
        cairo_line_to(cr, w / 2 + h * 0.22, h / 2 - h * 0.22);
        cairo_stroke(cr);
    };
}

Symbol Eraser() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        cairo_save(cr);
        cairo_translate(cr, w / 2, h / 2);
        cairo_rotate(cr, -M_PI / 4);
        cairo_rectangle(cr, -h * 0.25, -h * 0.12, h * 0.5, h * 0.24);
        cairo_restore(cr);
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    };
}

Symbol Envelope() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        // A small envelope curve at the left; the caption fills the rest.
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 1.5);
        cairo_move_to(cr, w - 14, h * 0.4);
        cairo_line_to(cr, w - 10, h * 0.62);
        cairo_line_to(cr, w - 6, h * 0.4);
        cairo_stroke(cr);
    };
}

Symbol Magnet(bool on) {
    return [on](cairo_t* cr, double w, double h, Rgb ink) {
        const double cx = w > 2 * h ? w - 10 : w / 2;
        SetRgb(cr, on && ink.r != kSymbolDim.r ? kAccent : ink);
        cairo_set_line_width(cr, 2.5);
        cairo_arc_negative(cr, cx, h * 0.45, h * 0.16, 0, M_PI);
        cairo_stroke(cr);
    };
}

Symbol Grid() {
    return [](cairo_t* cr, double w, double h, Rgb ink) {
        SetRgb(cr, ink);
        cairo_set_line_width(cr, 1);
        for (int i = 0; i < 4; ++i) {
            const double x = w / 2 - h * 0.24 + i * h * 0.16;
            cairo_move_to(cr, std::floor(x) + 0.5, h * 0.26);
            cairo_line_to(cr, std::floor(x) + 0.5, h * 0.74);
        }
        cairo_stroke(cr);
    };
}

struct ButtonSpec {
    const char* base;
    int width;
    int height;
    Symbol symbol;
};

bool Save(cairo_surface_t* surface, const std::string& folder, const std::string& name) {
    const std::string path = folder + "/" + name + ".png";
    if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "make_skin_images: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Draws one picture of the size and saves it under the name.
bool Picture(const std::string& folder, const std::string& name, int width, int height,
             const std::function<void(cairo_t*)>& draw) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    draw(cr);
    cairo_destroy(cr);
    const bool saved = Save(surface, folder, name);
    cairo_surface_destroy(surface);
    return saved;
}

bool Button(const std::string& folder, const ButtonSpec& design) {
    bool ok = true;
    for (int state = 0; state < 4; ++state) {
        const std::string name = std::string(design.base) + "-" + std::to_string(state);
        ok &= Picture(folder, name, design.width, design.height, [&](cairo_t* cr) {
            Face(cr, design.width, design.height, state);
            cairo_save(cr);
            if (state == 2)
                cairo_translate(cr, 0, 1); // pressed symbols sink a little
            design.symbol(cr, design.width, design.height, state == 3 ? kSymbolDim : kSymbol);
            cairo_restore(cr);
        });
    }
    return ok;
}

std::vector<ButtonSpec> Buttons() {
    const auto rec = Dot(kRecord, 0.2);
    return {
        // track area toolbar
        {"toolbar-new", 34, 34, Page(false)},
        {"toolbar-open", 34, 34, Folder()},
        {"toolbar-save", 34, 34, Disk()},
        {"toolbar-addsound", 34, 34, Note("+")},
        {"toolbar-library", 34, 34, Grid()},
        {"toolbar-undo", 34, 34, Turn(true)},
        {"toolbar-redo", 34, 34, Turn(false)},
        {"toolbar-burn", 34, 34, Disc()},
        {"toolbar-render", 34, 34, MixDown()},
        {"toolbar-zoomout", 34, 34, Magnifier(false)},
        {"toolbar-zoomin", 34, 34, Magnifier(true)},
        {"toolbar-env", 110, 28, Envelope()},
        {"snap", 90, 28, Magnet(true)},
        {"logo", 110, 34, Label("loomtone", 15)},
        // transport
        {"master rewindstart button", 36, 30, Wind(false, true)},
        {"master rewind button", 36, 30, Wind(false, false)},
        {"master stop button", 36, 30, Stop()},
        {"master play button", 36, 30, Play()},
        {"master ff button", 36, 30, Wind(true, false)},
        {"master ffend button", 36, 30, Wind(true, true)},
        {"master rec", 36, 30, Dot(kSymbol, 0.2)},
        {"master rec-on", 36, 30, rec},
        {"master loop-play-off", 36, 30, Loop(false)},
        {"master loop-play-on", 36, 30, Loop(true)},
        {"master metronome-off", 36, 30, Metronome(false)},
        {"master metronome-on", 36, 30, Metronome(true)},
        // piano roll toolbar
        {"prt-arrow", 26, 24, Pointer()},
        {"prt-pencil", 26, 24, Pencil()},
        {"prt-eraser", 26, 24, Eraser()},
        {"prt-note1", 26, 24, Note("1")},
        {"prt-note2", 26, 24, Note("2")},
        {"prt-note4", 26, 24, Note("4")},
        {"prt-note8", 26, 24, Note("8")},
        {"prt-note16", 26, 24, Note("16")},
        {"prt-note32", 26, 24, Note("32")},
        {"prt-note-dotted", 26, 24, Note(".")},
        {"prt-note-dotted-on", 26, 24, Dot(kAccent, 0.12)},
        {"prt-note-triplet", 26, 24, Label("3", 11)},
        {"prt-note-triplet-on", 26, 24,
         [](cairo_t* cr, double w, double h, Rgb ink) {
             Text(cr, w, h, ink.r == kSymbolDim.r ? ink : kAccent, "3", 11);
         }},
        {"midi-snap-off", 90, 24, Magnet(false)},
        {"midi-snap-on", 90, 24, Magnet(true)},
        {"midi-quantize", 26, 24, Grid()},
        {"midi-velocity-up", 18, 12, Arrow(M_PI, false)},
        {"midi-velocity-down", 18, 12, Arrow(0, false)},
        // track header
        {"mute", 22, 18, Label("M", 9)},
        {"mutedac", 22, 18,
         [](cairo_t* cr, double w, double h, Rgb ink) {
             Text(cr, w, h, ink.r == kSymbolDim.r ? ink : kAccent, "M", 9);
         }},
        {"solo", 22, 18, Label("S", 9)},
        {"soloac", 22, 18,
         [](cairo_t* cr, double w, double h, Rgb ink) {
             Text(cr, w, h, ink.r == kSymbolDim.r ? ink : kAccent, "S", 9);
         }},
        {"recarm", 22, 18, Dot(kSymbol, 0.2)},
        {"recac", 22, 18, Dot(kSymbol, 0.2)},
        {"recarmed", 22, 18, rec},
        {"recacarmed-tri", 22, 18, rec},
        {"fx", 22, 18, Label("FX", 8)},
        // clips and track pictures
        {"clipPlay", 16, 16, Play()},
        {"image-sel", 16, 14, Label("\xE2\x80\xA6", 9)},
    };
}

bool SingleImages(const std::string& folder) {
    bool ok = true;
    const auto triangle = [](bool down, Rgb color) {
        return [down, color](cairo_t* cr) {
            const double top = down ? 0 : 8;
            const double tip = down ? 8 : 0;
            cairo_move_to(cr, 0, top);
            cairo_line_to(cr, 11, top);
            cairo_line_to(cr, 5.5, tip);
            cairo_close_path(cr);
            SetRgb(cr, color);
            cairo_fill(cr);
        };
    };
    ok &= Picture(folder, "caret top", 11, 8, triangle(true, kAccent));
    ok &= Picture(folder, "caret bottom", 11, 8, triangle(false, kAccent));
    ok &= Picture(folder, "play indicator top", 11, 8, triangle(true, {0.45, 0.82, 0.55}));
    ok &= Picture(folder, "snap-top", 11, 8, triangle(true, {0.55, 0.75, 0.95}));
    ok &= Picture(folder, "snap-line", 1, 4, [](cairo_t* cr) {
        cairo_rectangle(cr, 0, 0, 1, 2);
        SetRgb(cr, {0.55, 0.75, 0.95});
        cairo_fill(cr);
    });
    const auto point = [](Rgb fill) {
        return [fill](cairo_t* cr) {
            cairo_rectangle(cr, 0.5, 0.5, 8, 8);
            SetRgb(cr, fill);
            cairo_fill_preserve(cr);
            SetRgb(cr, {0.1, 0.1, 0.12});
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        };
    };
    ok &= Picture(folder, "env-pt-normal", 9, 9, point(kSymbol));
    ok &= Picture(folder, "env-pt-sel", 9, 9, point(kAccent));
    // White, so that scaling its colours by the marker's colour tints it.
    ok &= Picture(folder, "marker", 12, 16, [](cairo_t* cr) {
        cairo_rectangle(cr, 0, 0, 1.5, 16);
        cairo_move_to(cr, 1.5, 0);
        cairo_line_to(cr, 12, 4);
        cairo_line_to(cr, 1.5, 8);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
    });
    ok &= Picture(folder, "marker-cd", 12, 12, [](cairo_t* cr) {
        cairo_arc(cr, 6, 6, 5.5, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.8, 0.82, 0.86);
        cairo_fill(cr);
        cairo_arc(cr, 6, 6, 1.5, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.2, 0.22, 0.26);
        cairo_fill(cr);
    });
    ok &= Picture(folder, "loop-top", 8, 6, triangle(true, kAccent));
    ok &= Picture(folder, "loop-bottom", 8, 6, triangle(false, kAccent));
    ok &= Picture(folder, "sd-loop-arrow", 9, 9, [](cairo_t* cr) {
        Triangle(cr, 1, 4.5, 8, true);
        SetRgb(cr, kAccent);
        cairo_fill(cr);
    });
    ok &= Picture(folder, "midi-track-note", 24, 24, [](cairo_t* cr) {
        Note("")(cr, 24, 24, {0.62, 0.66, 0.72});
    });
    const auto slider = [](double height) {
        return [height](cairo_t* cr) {
            RoundedRect(cr, 0.5, 0.5, 99, height - 1, height / 2 - 0.5);
            cairo_set_source_rgb(cr, 0.13, 0.15, 0.18);
            cairo_fill(cr);
        };
    };
    ok &= Picture(folder, "main-slidevil", 100, 6, slider(6));
    ok &= Picture(folder, "slidevil", 100, 6, slider(6));
    const auto thumb = [](cairo_t* cr) {
        RoundedRect(cr, 0.5, 0.5, 9, 15, 2);
        SetRgb(cr, kSymbol);
        cairo_fill_preserve(cr);
        SetRgb(cr, {0.15, 0.17, 0.2});
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    };
    ok &= Picture(folder, "main-slidevil-thumb", 10, 16, thumb);
    ok &= Picture(folder, "slidevil-thumb", 10, 16, thumb);
    // Fine grain for the wooden backdrop behind the track lists.
    ok &= Picture(folder, "wood background", 64, 64, [](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0.17, 0.19, 0.22);
        cairo_paint(cr);
        for (int y = 0; y < 64; y += 4) {
            cairo_rectangle(cr, 0, y, 64, 1);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.025 * (1 + (y / 4) % 3));
            cairo_fill(cr);
        }
    });
    ok &= Picture(folder, "master control bkgrnd", 64, 68, [](cairo_t* cr) {
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, 68);
        cairo_pattern_add_color_stop_rgb(fill, 0, 0.25, 0.28, 0.33);
        cairo_pattern_add_color_stop_rgb(fill, 1, 0.16, 0.18, 0.21);
        cairo_set_source(cr, fill);
        cairo_paint(cr);
        cairo_pattern_destroy(fill);
        cairo_rectangle(cr, 0, 0, 64, 1);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
        cairo_fill(cr);
    });
    return ok;
}

// The drop field: left cap, stretchable middle and right cap with the arrow.
bool DropField(const std::string& folder, const std::string& base) {
    bool ok = true;
    for (int state = 0; state < 4; ++state) {
        const std::string suffix = "-" + std::to_string(state);
        const auto face = [state](cairo_t* cr, double width) {
            cairo_rectangle(cr, 0, 0, width, 18);
            cairo_set_source_rgb(cr, kFaceTop[state].r, kFaceTop[state].g, kFaceTop[state].b);
            cairo_fill(cr);
            cairo_rectangle(cr, 0, 0.5, width, 17);
            cairo_set_source_rgb(cr, 0.12, 0.14, 0.17);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        };
        ok &= Picture(folder, base + "-left" + suffix, 4, 18, [&](cairo_t* cr) {
            face(cr, 8);
            cairo_rectangle(cr, 0.5, 0, 1, 18);
            cairo_set_source_rgb(cr, 0.12, 0.14, 0.17);
            cairo_fill(cr);
        });
        ok &= Picture(folder, base + "-middle" + suffix, 4, 18, [&](cairo_t* cr) { face(cr, 4); });
        ok &= Picture(folder, base + "-right" + suffix, 16, 18, [&](cairo_t* cr) {
            face(cr, 16);
            cairo_rectangle(cr, 15, 0, 1, 18);
            cairo_set_source_rgb(cr, 0.12, 0.14, 0.17);
            cairo_fill(cr);
            cairo_move_to(cr, 4, 7);
            cairo_line_to(cr, 11, 7);
            cairo_line_to(cr, 7.5, 11);
            cairo_close_path(cr);
            SetRgb(cr, state == 3 ? kSymbolDim : kSymbol);
            cairo_fill(cr);
        });
    }
    return ok;
}

// Piano keys of the vertical keyboard, by shape (0 white notched below,
// 1 black, 2 white notched on both sides, 3 white notched above, 4 plain
// white) and state (normal, hot, pressed, greyed).
bool Keys(const std::string& folder) {
    bool ok = true;
    for (int shape = 0; shape <= 4; ++shape) {
        for (int state = 0; state < 4; ++state) {
            const bool black = shape == 1;
            const int width = black ? 44 : 71;
            const std::string name = "key" + std::to_string(shape) + "-" + std::to_string(state);
            ok &= Picture(folder, name, width, 12, [&](cairo_t* cr) {
                Rgb fill = black ? Rgb{0.12, 0.13, 0.15} : Rgb{0.92, 0.93, 0.94};
                if (state == 1)
                    fill = black ? Rgb{0.3, 0.32, 0.36} : Rgb{0.98, 0.9, 0.78};
                else if (state == 2)
                    fill = kAccent;
                else if (state == 3)
                    fill = black ? Rgb{0.3, 0.3, 0.3} : Rgb{0.62, 0.63, 0.64};
                cairo_rectangle(cr, 0, 0, width, 12);
                SetRgb(cr, fill);
                cairo_fill(cr);
                cairo_rectangle(cr, 0, 11, width, 1);
                cairo_set_source_rgb(cr, 0.35, 0.37, 0.4);
                cairo_fill(cr);
            });
        }
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skin_images <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    for (const ButtonSpec& design : Buttons())
        ok &= Button(folder, design);
    ok &= SingleImages(folder);
    ok &= DropField(folder, "controller-drop");
    ok &= Keys(folder);
    return ok ? 0 : 1;
}
