// The SVG value grammars, from svgpp (Boost.Spirit): the only file that compiles them. Its
// numbers are SVG's own: a sign or a second point starts the next number, as in ".5.5" or
// "2-3", which optimisers write.
#include <cctype>
#include <cmath>

#include <svgpp/parser/grammar/color.hpp>
#include <svgpp/parser/grammar/length.hpp>
#include <svgpp/parser/grammar/path_data.hpp>
#include <svgpp/parser/grammar/preserveAspectRatio.hpp>

#include "hostsim/svg/svg_grammar_p.h"

namespace hostsim::svg_in {
namespace {

namespace qi = boost::spirit::qi;
using Iterator = const char*;
constexpr double kPi = 3.14159265358979323846;

struct PathSink {
  std::vector<PathCommand>* out;

  void Add(char op, bool absolute, std::initializer_list<double> v) {
    PathCommand c{op, absolute, {0, 0, 0, 0, 0, 0, 0}};
    std::size_t i = 0;
    for (double x : v)
      c.v[i++] = x;
    out->push_back(c);
  }
  static bool Abs(svgpp::tag::coordinate::absolute) { return true; }
  static bool Abs(svgpp::tag::coordinate::relative) { return false; }

  template <class T>
  void path_move_to(double x, double y, T t) {
    Add('M', Abs(t), {x, y});
  }
  template <class T>
  void path_line_to(double x, double y, T t) {
    Add('L', Abs(t), {x, y});
  }
  template <class T>
  void path_line_to_ortho(double v, bool horizontal, T t) {
    Add(horizontal ? 'H' : 'V', Abs(t), {v});
  }
  template <class T>
  void path_cubic_bezier_to(double x1, double y1, double x2, double y2, double x, double y, T t) {
    Add('C', Abs(t), {x1, y1, x2, y2, x, y});
  }
  template <class T>
  void path_cubic_bezier_to(double x2, double y2, double x, double y, T t) {
    Add('S', Abs(t), {x2, y2, x, y});
  }
  template <class T>
  void path_quadratic_bezier_to(double x1, double y1, double x, double y, T t) {
    Add('Q', Abs(t), {x1, y1, x, y});
  }
  template <class T>
  void path_quadratic_bezier_to(double x, double y, T t) {
    Add('T', Abs(t), {x, y});
  }
  template <class T>
  void path_elliptical_arc_to(double rx, double ry, double rotation, bool large, bool sweep,
                              double x, double y, T t) {
    Add('A', Abs(t), {rx, ry, rotation, large ? 1.0 : 0.0, sweep ? 1.0 : 0.0, x, y});
  }
  void path_close_subpath() { Add('Z', true, {}); }
  void path_exit() {}
};

// A transform list as it is read, one transform after another.
struct TransformList {
  Matrix m;
  void Then(const Matrix& inner) { m = Multiply(m, inner); }
  void Translate(double x, double y) { Then({1, 0, 0, 1, x, y}); }
  void Scale(double x, double y) { Then({x, 0, 0, y, 0, 0}); }
  void Rotate(double angle) {
    const double r = angle * kPi / 180;
    Then({std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0});
  }
  void Rotate(double angle, double cx, double cy) {
    Translate(cx, cy);
    Rotate(angle);
    Translate(-cx, -cy);
  }
  void SkewX(double angle) { Then({1, 0, std::tan(angle * kPi / 180), 1, 0, 0}); }
  void SkewY(double angle) { Then({1, std::tan(angle * kPi / 180), 0, 1, 0, 0}); }
};

struct Rgb {
  std::uint8_t v[3];
};
struct ColorFactory {
  using color_type = Rgb;
  using percentage_type = double;
  static Rgb create(unsigned char r, unsigned char g, unsigned char b) { return {{r, g, b}}; }
  static std::uint8_t Percent(double p) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(p, 0.0, 100.0) * 255 / 100));
  }
  static Rgb create_from_percent(double r, double g, double b) {
    return {{Percent(r), Percent(g), Percent(b)}};
  }
};

struct LengthFactory {
  using length_type = Length;
  using number_type = double;
  Length create_length(double v, svgpp::tag::length_units::em) const { return {v, Unit::kEm}; }
  Length create_length(double v, svgpp::tag::length_units::ex) const { return {v, Unit::kEx}; }
  Length create_length(double v, svgpp::tag::length_units::px) const { return {v, Unit::kPx}; }
  Length create_length(double v, svgpp::tag::length_units::in) const { return {v, Unit::kIn}; }
  Length create_length(double v, svgpp::tag::length_units::cm) const { return {v, Unit::kCm}; }
  Length create_length(double v, svgpp::tag::length_units::mm) const { return {v, Unit::kMm}; }
  Length create_length(double v, svgpp::tag::length_units::pt) const { return {v, Unit::kPt}; }
  Length create_length(double v, svgpp::tag::length_units::pc) const { return {v, Unit::kPc}; }
  Length create_length(double v, svgpp::tag::length_units::none) const { return {v, Unit::kNone}; }
  template <class Direction>
  Length create_length(double v, svgpp::tag::length_units::percent, Direction) const {
    return {v, Unit::kPercent};
  }
};

const auto& Space() {
  return svgpp::detail::character_encoding_namespace::space;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
void SkipSpace(Iterator* it, Iterator end) {
  while (*it != end && IsSpace(**it))
    ++*it;
}

// One number as SVG writes them (no "inf", no "nan", no point without a digit after it);
// it ends where a sign, a second point or anything but a digit or exponent comes.
bool ParseNumber(Iterator* it, Iterator end, double* v) {
  static const qi::real_parser<double, svgpp::detail::svg_real_policies<double>> number;
  return qi::parse(*it, end, number, *v);
}

}  // namespace

bool ParsePathData(std::string_view text, std::vector<PathCommand>* out, std::size_t* errorAt) {
  static const svgpp::path_data_grammar<Iterator, PathSink, double,
                                        svgpp::policy::path_events::forward_to_method<PathSink>>
      grammar;
  PathSink sink{out};
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  const bool ok = qi::phrase_parse(it, end, grammar(boost::phoenix::ref(sink)), Space());
  if (ok && it == end) return true;
  if (errorAt) *errorAt = static_cast<std::size_t>(it - text.data());
  return false;
}

bool ParseTransformList(std::string_view text, Matrix* out) {
  // Written by hand rather than with svgpp's grammar, which wants a separator between the
  // numbers of a transform: optimisers write "translate(2-3)" and "matrix(.5.5 0 0 1 0)".
  struct Kind {
    std::string_view name;
    int counts[2];  // the numbers it takes, in either of two forms
  };
  static constexpr Kind kKinds[] = {{"matrix", {6, 6}}, {"translate", {1, 2}}, {"scale", {1, 2}},
                                    {"rotate", {1, 3}}, {"skewX", {1, 1}},     {"skewY", {1, 1}}};
  *out = Matrix{};
  TransformList sink;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  SkipSpace(&it, end);
  bool first = true;
  while (it != end) {
    // Between transforms: white space and commas, any number of them.
    if (!first) {
      while (it != end && (IsSpace(*it) || *it == ','))
        ++it;
      if (it == end) return false;  // a list does not end in a comma
    }
    first = false;
    const Iterator name = it;
    while (it != end && std::isalpha(static_cast<unsigned char>(*it)))
      ++it;
    const std::string_view word(name, static_cast<std::size_t>(it - name));
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
      if (k.name == word) kind = &k;
    SkipSpace(&it, end);
    if (!kind || it == end || *it != '(') return false;
    ++it;
    double v[6];
    int n = 0;
    for (;;) {
      SkipSpace(&it, end);
      if (n == 6 || !ParseNumber(&it, end, &v[n])) return false;
      ++n;
      SkipSpace(&it, end);
      if (it != end && *it == ')') break;
      if (it != end && *it == ',') ++it;  // else a sign or a point starts the next number
    }
    ++it;
    SkipSpace(&it, end);
    if (n != kind->counts[0] && n != kind->counts[1]) return false;
    if (word == "matrix")
      sink.Then({v[0], v[1], v[2], v[3], v[4], v[5]});
    else if (word == "translate")
      sink.Translate(v[0], n == 2 ? v[1] : 0);
    else if (word == "scale")
      sink.Scale(v[0], n == 2 ? v[1] : v[0]);
    else if (word == "rotate" && n == 3)
      sink.Rotate(v[0], v[1], v[2]);
    else if (word == "rotate")
      sink.Rotate(v[0]);
    else if (word == "skewX")
      sink.SkewX(v[0]);
    else
      sink.SkewY(v[0]);
  }
  *out = sink.m;
  return true;
}

bool ParseColorValue(std::string_view text, std::uint8_t rgb[3]) {
  static const svgpp::color_grammar<svgpp::tag::source::css, Iterator, ColorFactory> grammar;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  Rgb c{};
  if (!qi::parse(it, end, grammar, c) || it != end) return false;
  for (int i = 0; i < 3; ++i)
    rgb[i] = c.v[i];
  return true;
}

namespace {

const svgpp::length_grammar<svgpp::tag::source::attribute, Iterator, LengthFactory>&
AttributeLength() {
  static const svgpp::length_grammar<svgpp::tag::source::attribute, Iterator, LengthFactory> g;
  return g;
}
const svgpp::percentage_or_length_css_grammar<Iterator, LengthFactory>& StyleLength() {
  static const svgpp::percentage_or_length_css_grammar<Iterator, LengthFactory> g;
  return g;
}

}  // namespace

bool ParseLengthValue(std::string_view text, bool css, Length* out) {
  static const LengthFactory factory;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  qi::parse(it, end, *Space());
  Length l;
  const bool ok = css ? qi::parse(it, end, StyleLength()(boost::phoenix::cref(factory)), l)
                      : qi::parse(it, end, AttributeLength()(boost::phoenix::cref(factory)), l);
  if (!ok) return false;
  qi::parse(it, end, *Space());
  if (it != end) return false;
  *out = l;
  return true;
}

bool ParseLengthList(std::string_view text, std::vector<Length>* out) {
  static const LengthFactory factory;
  std::vector<Length> list;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  SkipSpace(&it, end);
  while (it != end) {
    if (!list.empty() && *it == ',') {
      ++it;
      SkipSpace(&it, end);
      if (it == end) return false;
    }
    // The longer of the two readings: "5PX" is a style sheet's length, "1e2" an attribute's.
    Iterator a = it, b = it;
    Length attribute, style;
    const bool isAttribute =
        qi::parse(a, end, AttributeLength()(boost::phoenix::cref(factory)), attribute);
    const bool isStyle = qi::parse(b, end, StyleLength()(boost::phoenix::cref(factory)), style);
    if (!isAttribute && !isStyle) return false;
    const bool first = isAttribute && (!isStyle || a >= b);
    list.push_back(first ? attribute : style);
    it = first ? a : b;
    SkipSpace(&it, end);
  }
  *out = std::move(list);
  return true;
}

bool ParseNumberList(std::string_view text, std::vector<double>* out) {
  std::vector<double> v;
  if (ParseNumberListPrefix(text, &v) != text.size()) return false;
  *out = std::move(v);
  return true;
}

std::size_t ParseNumberListPrefix(std::string_view text, std::vector<double>* out) {
  static const qi::real_parser<
      double, svgpp::detail::number_policies<double, svgpp::tag::source::attribute>>
      number;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  out->clear();
  // One pass: the list stops before the first number (or separator) that is not one.
  qi::phrase_parse(it, end, -(number % -qi::lit(',')), Space(), *out);
  return static_cast<std::size_t>(it - text.data());
}

bool ParseAspectRatio(std::string_view text, AspectRatio* out) {
  static const svgpp::preserveAspectRatio_grammar<Iterator> grammar;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  qi::parse(it, end, *Space());
  svgpp::preserveAspectRatio_value v{};
  if (!qi::parse(it, end, grammar, v)) return false;
  qi::parse(it, end, *Space());
  if (it != end) return false;
  out->align = static_cast<int>(v.align);
  out->slice = v.slice;
  return true;
}

}  // namespace hostsim::svg_in
