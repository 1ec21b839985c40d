// The SVG value grammars the reader uses (path data, transforms, colours, lengths, number
// lists, preserveAspectRatio), parsed with svgpp's grammars in one translation unit so the
// slow templates compile once. Numbers follow SVG's grammar everywhere: a sign or a second
// point starts the next number without a separator ("2-3", ".5.5"). Private to hostsim's
// SVG reader.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace hostsim::svg_in {

// x' = a x + c y + e, y' = b x + d y + f (SVG's matrix(a b c d e f)).
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};
// Whether every member is a number of a size a document can use.
inline bool FiniteMatrix(const Matrix& m) {
  for (double v : {m.a, m.b, m.c, m.d, m.e, m.f})
    if (!std::isfinite(v) || std::fabs(v) > 1e15) return false;
  return true;
}
// `outer` after `inner`.
inline Matrix Multiply(const Matrix& outer, const Matrix& inner) {
  return {outer.a * inner.a + outer.c * inner.b,
          outer.b * inner.a + outer.d * inner.b,
          outer.a * inner.c + outer.c * inner.d,
          outer.b * inner.c + outer.d * inner.d,
          outer.a * inner.e + outer.c * inner.f + outer.e,
          outer.b * inner.e + outer.d * inner.f + outer.f};
}
// The inverse of `m`; false when it has none.
inline bool Invert(const Matrix& m, Matrix* out) {
  const double det = m.a * m.d - m.b * m.c;
  if (det == 0 || !std::isfinite(1 / det)) return false;
  *out = {m.d / det,
          -m.b / det,
          -m.c / det,
          m.a / det,
          (m.c * m.f - m.d * m.e) / det,
          (m.b * m.e - m.a * m.f) / det};
  return true;
}
// The most and the least `m` lengthens a length, whatever its direction.
inline void Stretch(const Matrix& m, double* most, double* least) {
  const double t = m.a * m.a + m.b * m.b + m.c * m.c + m.d * m.d;
  const double det = m.a * m.d - m.b * m.c;
  const double root = std::sqrt(std::max(0.0, t * t - 4 * det * det));
  *most = std::sqrt((t + root) / 2);
  *least = std::sqrt(std::max(0.0, (t - root) / 2));
}

// One command of path data as written: `op` in upper case, `absolute` false for the lower
// case form; `v` its numbers in the order written (arcs: rx ry rotation large sweep x y).
struct PathCommand {
  char op;
  bool absolute;
  double v[7];
};
// Parses path data; commands read before an error are kept. False when the data is not
// read to its end (`errorAt` the offset where reading stopped).
bool ParsePathData(std::string_view text, std::vector<PathCommand>* out, std::size_t* errorAt);

// A transform list as one matrix; false when it is not valid (the identity then).
bool ParseTransformList(std::string_view text, Matrix* out);

// A colour as #rgb, #rrggbb, rgb() (whole numbers or percentages) or one of the named
// colours; false when it is none of these.
bool ParseColorValue(std::string_view text, std::uint8_t rgb[3]);

enum class Unit { kNone, kPx, kPt, kPc, kMm, kCm, kIn, kEm, kEx, kPercent };
struct Length {
  double value = 0;
  Unit unit = Unit::kNone;
};
// A length (a number with an optional unit or %); `css` for values from style sheets
// (units in any case, no exponent). False when the whole text is not one length.
bool ParseLengthValue(std::string_view text, bool css, Length* out);

// Lengths separated by commas and/or white space (or by nothing where a sign or a point
// starts the next), each as an attribute or a style sheet writes one; false on anything
// else (an empty text is an empty list).
bool ParseLengthList(std::string_view text, std::vector<Length>* out);

// Numbers separated by commas and/or white space; false on anything else.
bool ParseNumberList(std::string_view text, std::vector<double>* out);
// The numbers of the longest leading part of `text` that is such a list, read in one
// pass; returns where that part ends (text.size() when all of it is one).
std::size_t ParseNumberListPrefix(std::string_view text, std::vector<double>* out);

struct AspectRatio {
  // 0 none; else 1 + 3 * y + x with x, y 0 min, 1 mid, 2 max.
  int align = 5;  // xMidYMid
  bool slice = false;
};
bool ParseAspectRatio(std::string_view text, AspectRatio* out);

}  // namespace hostsim::svg_in
