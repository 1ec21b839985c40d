// Where the characters of a text art go on the page: the stand-in host's own simple
// text layout, shared by the bounds of text art and the renderer.
//
// Point text starts at the origin of its first text path's matrix and runs along the
// matrix's x axis, a new line (CR or LF) one leading lower. Area text fills the bounds
// of its text paths' shapes from their top-left corners, breaking lines at the right
// edge, path by path. Path text runs along its first text path's shape from its first
// anchor; characters past its end are not shown. All text is set left-aligned.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "hostsim/core/document.h"

typedef struct _cairo cairo_t;

namespace hostsim {

struct PlacedChar {
  // The character as UTF-8 (for drawing) and where its bytes lie in the text.
  std::string utf8;
  std::size_t byte = 0;
  std::size_t byteCount = 0;
  // Glyph space (points, x right, y up, origin on the baseline at the glyph's start) to
  // artwork coordinates.
  host::RealMatrix placement{1, 0, 0, 1, 0, 0};
  double size = 0;
  double advance = 0;
  double ascent = 0;
  double descent = 0;
  const TextAttributes* attributes = nullptr;
};

// Sets up what drawing text with Cairo needs (and, at exit, empties the font caches);
// call it before drawing or measuring text outside LayoutText.
void PrepareFonts();

// The fonts the host knows; SetFont refuses any other name. Besides its own few, the host
// knows every face fontconfig lists, named "<family> <style>" ("Noto Sans Bold"); such a
// name is resolved through fontconfig by family, weight and slant whenever it is drawn.
bool KnownFont(const char* name);
// The name of fontconfig's face of `family` nearest to a CSS weight (100..900) and slant,
// as the host names it; empty when fontconfig lists no face of that family.
std::string FontconfigFontName(const std::string& family, int weight, bool italic);
// The host's own font that stands in for a font name it has no face of (a family kept as
// a document asked for it, its record marked substituted): "Courier" for monospace and
// Courier families, "Times-Roman" for serif, Times and Georgia ones, "Helvetica" for sans,
// Arial, Helvetica and Verdana ones, else "Times-Roman"; "IPAGothic" ("IPAMincho" for
// Mincho families) in the Japanese script.
const char* SubstituteFont(const std::string& name, bool japanese);
// The family the renderer draws a font name with.
const char* RenderFace(const host::TextFont& font);
// Makes `cr` draw in the font's face (its font size or matrix left as they are).
void SelectFace(cairo_t* cr, const host::TextFont& font);

std::vector<PlacedChar> LayoutText(const Art& text);
// The union of the placed characters' boxes (advance × ascent + descent).
bool TextBounds(const Art& text, host::RealRect* bounds);

}  // namespace hostsim
