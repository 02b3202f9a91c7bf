#include "gui/GuiFonts.h"

#include <pango/pangocairo.h>

void ReleaseFontCaches() {
    pango_cairo_font_map_set_default(nullptr);
}
