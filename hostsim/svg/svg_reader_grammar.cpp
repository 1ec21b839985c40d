// The SVG value grammars, from svgpp (Boost.Spirit): the only file that compiles them.
#include <cmath>

#include <svgpp/parser/grammar/color.hpp>
#include <svgpp/parser/grammar/length.hpp>
#include <svgpp/parser/grammar/path_data.hpp>
#include <svgpp/parser/grammar/preserveAspectRatio.hpp>
#include <svgpp/parser/grammar/transform.hpp>

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

struct TransformSink {
  Matrix m;
  void Then(const Matrix& inner) { m = Multiply(m, inner); }
  void transform_matrix(const boost::array<double, 6>& v) {
    Then({v[0], v[1], v[2], v[3], v[4], v[5]});
  }
  void transform_translate(double x, double y) { Then({1, 0, 0, 1, x, y}); }
  void transform_translate(double x) { Then({1, 0, 0, 1, x, 0}); }
  void transform_scale(double x, double y) { Then({x, 0, 0, y, 0, 0}); }
  void transform_scale(double s) { Then({s, 0, 0, s, 0, 0}); }
  void transform_rotate(double angle) {
    const double r = angle * kPi / 180;
    Then({std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0});
  }
  void transform_rotate(double angle, double cx, double cy) {
    transform_translate(cx, cy);
    transform_rotate(angle);
    transform_translate(-cx, -cy);
  }
  void transform_skew_x(double angle) { Then({1, 0, std::tan(angle * kPi / 180), 1, 0, 0}); }
  void transform_skew_y(double angle) { Then({1, std::tan(angle * kPi / 180), 0, 1, 0, 0}); }
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
  static const svgpp::transform_grammar<
      Iterator, TransformSink, double,
      svgpp::policy::transform_events::forward_to_method<TransformSink>>
      grammar;
  TransformSink sink;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  const bool ok = qi::phrase_parse(it, end, grammar(boost::phoenix::ref(sink)), Space());
  if (!ok || it != end) {
    *out = Matrix{};
    return false;
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

bool ParseLengthValue(std::string_view text, bool css, Length* out) {
  static const svgpp::length_grammar<svgpp::tag::source::attribute, Iterator, LengthFactory>
      attribute;
  static const svgpp::percentage_or_length_css_grammar<Iterator, LengthFactory> style;
  static const LengthFactory factory;
  Iterator it = text.data();
  const Iterator end = text.data() + text.size();
  qi::parse(it, end, *Space());
  Length l;
  const bool ok = css ? qi::parse(it, end, style(boost::phoenix::cref(factory)), l)
                      : qi::parse(it, end, attribute(boost::phoenix::cref(factory)), l);
  if (!ok) return false;
  qi::parse(it, end, *Space());
  if (it != end) return false;
  *out = l;
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
