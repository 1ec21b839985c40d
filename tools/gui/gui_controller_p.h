// What the controller's files share (gui_controller.cpp, gui_input.cpp): the desktop's
// measures, hit tests on the document's art and small drawing helpers.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <cairo.h>

#include "hostsim/core/document.h"
#include "hostsim/drawing/bitmap.h"
#include "hostsim/drawing/text_layout.h"
#include "hostsim/host.h"

namespace velmgui {

inline constexpr int kTitleBarHeight = 15;  // the dialog manager's title bars
inline constexpr int kArrowWidth = 16;      // the flyout arrow at the title bar's right end
inline constexpr int kPopupArrowWidth = 14;
inline constexpr int kBandThreshold = 3;
inline constexpr int kGripSize = 10;  // the sizing corner of a palette
inline constexpr char kPaletteTimer[] = "VE-LM_timer";
inline constexpr char kSelectionChanged[] = "AI Art Selection Changed Notifier";

inline bool Inside(const host::Rect& r, host::Point p) {
  return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

inline void Outline(hostsim::Bitmap& screen, const host::Rect& r, std::uint32_t rgb) {
  screen.Fill({r.left, r.top, r.right, r.top + 1}, rgb);
  screen.Fill({r.left, r.bottom - 1, r.right, r.bottom}, rgb);
  screen.Fill({r.left, r.top, r.left + 1, r.bottom}, rgb);
  screen.Fill({r.right - 1, r.top, r.right, r.bottom}, rgb);
}

inline void Label(hostsim::Bitmap& screen, int x, int y, const std::string& sjis,
                  std::uint32_t rgb) {
  hostsim::PrepareFonts();  // the font caches are emptied at exit
  screen.BeginCairo();
  cairo_t* cr = cairo_create(screen.surface());
  cairo_select_font_face(cr, "IPAGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 12);
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
  cairo_move_to(cr, x, y + 12);
  cairo_show_text(cr, hostsim::ToUtf8(sjis).c_str());
  cairo_destroy(cr);
  screen.EndCairo();
}

inline bool Meets(const host::RealRect& b, double l, double t, double r, double bottom) {
  const double bl = std::min(b.left, b.right), br = std::max(b.left, b.right);
  const double bb = std::min(b.top, b.bottom), bt = std::max(b.top, b.bottom);
  return bl <= r && br >= l && bb <= t && bt >= bottom;
}

template <typename Test>
inline std::vector<hostsim::Art*> LayerArt(hostsim::Document& doc, Test test) {
  std::vector<hostsim::Art*> found;
  for (hostsim::Layer* layer : doc.layers()) {
    if (!layer->visible || !layer->editable) continue;
    for (hostsim::Art* art : layer->group->children) {
      host::RealRect b{};
      if (art->alive && hostsim::ArtBounds(doc, art, &b) && test(b)) found.push_back(art);
    }
  }
  return found;
}

inline bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace velmgui
