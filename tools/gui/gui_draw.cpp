#include "gui_draw.h"

#include <cairo.h>

#include "hostsim/drawing/text_layout.h"

namespace velmgui {

void Frame(hostsim::Bitmap& screen, const host::Rect& r, std::uint32_t rgb) {
  screen.Fill({r.left, r.top, r.right, r.top + 1}, rgb);
  screen.Fill({r.left, r.bottom - 1, r.right, r.bottom}, rgb);
  screen.Fill({r.left, r.top, r.left + 1, r.bottom}, rgb);
  screen.Fill({r.right - 1, r.top, r.right, r.bottom}, rgb);
}

void Text(hostsim::Bitmap& screen, int x, int y, const std::string& utf8, std::uint32_t rgb,
          const host::Rect& clip) {
  hostsim::PrepareFonts();  // the font caches are emptied at exit
  screen.BeginCairo();
  cairo_t* cr = cairo_create(screen.surface());
  cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
  cairo_clip(cr);
  cairo_select_font_face(cr, "IPAGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 12);
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
  cairo_move_to(cr, x, y + 12);
  cairo_show_text(cr, utf8.c_str());
  cairo_destroy(cr);
  screen.EndCairo();
}

}  // namespace velmgui
