#include "gui/GuiFonts.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

void ReleaseFontCaches() {
    pango_cairo_font_map_set_default(nullptr);
    FcFini();
}
