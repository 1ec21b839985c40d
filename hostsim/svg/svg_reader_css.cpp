// CSS values the SVG grammars do not cover: colours with alpha (#rgba, #rrggbbaa, rgba(),
// hsl(), hsla(), transparent, the space-separated forms) and CSS transforms (units,
// commas).
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool Space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && Space(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && Space(s.back()))
    s.remove_suffix(1);
  return s;
}

// One argument of a CSS function: a number and the unit written after it ("%", "deg", …).
struct Arg {
  double value;
  std::string unit;  // lower case
};

// The arguments of a function's body, with the separators between them: ',' '/' or ' '.
// False when the body holds anything else.
bool Args(std::string_view body, std::vector<Arg>* args, std::string* separators) {
  std::size_t i = 0;
  auto skipSpace = [&] {
    while (i < body.size() && Space(body[i]))
      ++i;
  };
  skipSpace();
  while (i < body.size()) {
    if (!args->empty()) {
      char sep = ' ';
      if (body[i] == ',' || body[i] == '/') {
        sep = body[i++];
        skipSpace();
      }
      separators->push_back(sep);
    }
    std::size_t start = i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    // A number starts with a digit or a point (no "inf" or "nan").
    if (i >= body.size() || !(std::isdigit(static_cast<unsigned char>(body[i])) || body[i] == '.'))
      return false;
    double v = 0;
    const char* from = body.data() + (body[start] == '+' ? start + 1 : start);
    const auto r = std::from_chars(from, body.data() + body.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    i = static_cast<std::size_t>(r.ptr - body.data());
    start = i;
    while (i < body.size() && (std::isalpha(static_cast<unsigned char>(body[i])) || body[i] == '%'))
      ++i;
    args->push_back({v, Lower(body.substr(start, i - start))});
    const std::size_t before = i;
    skipSpace();
    if (i < body.size() && i == before && body[i] != ',' && body[i] != '/') return false;
  }
  return !args->empty() && separators->size() + 1 == args->size();
}

// `name(body)` with `name` in lower case; false when the text is not one function.
bool Function(std::string_view text, std::string* name, std::string_view* body) {
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos || open == 0 || text.back() != ')') return false;
  *name = Lower(text.substr(0, open));
  if (!std::all_of(name->begin(), name->end(), [](char c) { return std::isalpha(c) != 0; }))
    return false;
  *body = text.substr(open + 1, text.size() - open - 2);
  return body->find_first_of("()") == std::string_view::npos;
}

std::uint8_t Channel(double v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

bool Hex(std::string_view digits, std::uint8_t rgb[3], double* alpha) {
  if (digits.size() != 4 && digits.size() != 8) return false;
  const std::size_t width = digits.size() / 4;
  unsigned v[4];
  for (std::size_t k = 0; k < 4; ++k) {
    const char* from = digits.data() + k * width;
    const auto r = std::from_chars(from, from + width, v[k], 16);
    if (r.ec != std::errc() || r.ptr != from + width) return false;
    if (width == 1) v[k] *= 17;
  }
  for (int k = 0; k < 3; ++k)
    rgb[k] = static_cast<std::uint8_t>(v[k]);
  *alpha = v[3] / 255.0;
  return true;
}

double Hue(double h) {
  h = std::fmod(h, 360);
  return h < 0 ? h + 360 : h;
}

void HslToRgb(double h, double s, double l, std::uint8_t rgb[3]) {
  // CSS Color 4: f(n) = l − a·max(−1, min(k − 3, 9 − k, 1)), k = (n + h/30) mod 12.
  const double a = s * std::min(l, 1 - l);
  const double n[3] = {0, 8, 4};
  for (int i = 0; i < 3; ++i) {
    const double k = std::fmod(n[i] + h / 30, 12);
    rgb[i] = Channel(255 * (l - a * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}))));
  }
}

// The functional forms: commas between three or four values, or spaces between three and
// an optional "/ alpha".
bool ColorFunction(const std::string& name, std::string_view body, std::uint8_t rgb[3],
                   double* alpha) {
  const bool hsl = name == "hsl" || name == "hsla";
  if (!hsl && name != "rgb" && name != "rgba") return false;
  std::vector<Arg> args;
  std::string seps;
  if (!Args(body, &args, &seps) || args.size() < 3 || args.size() > 4) return false;
  const bool commas = seps[0] == ',';
  for (std::size_t k = 0; k < seps.size(); ++k) {
    const char want = commas ? ',' : k == 2 ? '/' : ' ';
    if (seps[k] != want) return false;
  }
  double a = 1;
  if (args.size() == 4) {
    const Arg& v = args[3];
    if (!v.unit.empty() && v.unit != "%") return false;
    a = std::clamp(v.unit == "%" ? v.value / 100 : v.value, 0.0, 1.0);
  }
  if (hsl) {
    const Arg& h = args[0];
    double degrees = h.value;
    if (h.unit == "rad")
      degrees = h.value * 180 / kPi;
    else if (h.unit == "grad")
      degrees = h.value * 0.9;
    else if (h.unit == "turn")
      degrees = h.value * 360;
    else if (!h.unit.empty() && h.unit != "deg")
      return false;
    double sl[2];
    for (int k = 0; k < 2; ++k) {
      const Arg& v = args[1 + k];
      if (v.unit != "%" && !(v.unit.empty() && !commas)) return false;
      sl[k] = std::clamp(v.value / 100, 0.0, 1.0);
    }
    HslToRgb(Hue(degrees), sl[0], sl[1], rgb);
  } else {
    for (int k = 0; k < 3; ++k) {
      const Arg& v = args[k];
      if (!v.unit.empty() && v.unit != "%") return false;
      // The comma form takes numbers or percentages, not both (the space form mixes them).
      if (commas && v.unit != args[0].unit) return false;
      rgb[k] = Channel(v.unit == "%" ? v.value * 255 / 100 : v.value);
    }
  }
  *alpha = a;
  return true;
}

// The value of a length in a transform, in user units (px); false for relative units.
bool TransformLength(const Arg& v, double* out) {
  static const std::pair<const char*, double> kUnits[] = {
      {"", 1},           {"px", 1},         {"pt", 96.0 / 72}, {"pc", 16},
      {"mm", 96 / 25.4}, {"cm", 96 / 2.54}, {"in", 96}};
  for (const auto& [unit, scale] : kUnits)
    if (v.unit == unit) {
      *out = v.value * scale;
      return true;
    }
  return false;
}

bool TransformAngle(const Arg& v, double* radians) {
  if (v.unit.empty() || v.unit == "deg")
    *radians = v.value * kPi / 180;
  else if (v.unit == "rad")
    *radians = v.value;
  else if (v.unit == "grad")
    *radians = v.value * kPi / 200;
  else if (v.unit == "turn")
    *radians = v.value * 2 * kPi;
  else
    return false;
  return true;
}

bool TransformNumber(const Arg& v, double* out) {
  if (!v.unit.empty() && v.unit != "%") return false;
  *out = v.unit == "%" ? v.value / 100 : v.value;
  return true;
}

// One transform function as a matrix.
bool TransformFunction(const std::string& name, const std::vector<Arg>& args, Matrix* m) {
  const std::size_t n = args.size();
  double v[6] = {0, 0, 0, 0, 0, 0};
  if (name == "matrix") {
    if (n != 6) return false;
    for (std::size_t k = 0; k < 6; ++k) {
      if (k < 4 && !args[k].unit.empty()) return false;
      if (!TransformLength(args[k], &v[k])) return false;
    }
    *m = {v[0], v[1], v[2], v[3], v[4], v[5]};
  } else if (name == "translate" || name == "translatex" || name == "translatey") {
    if (n < 1 || n > (name == "translate" ? 2u : 1u)) return false;
    for (std::size_t k = 0; k < n; ++k)
      if (!TransformLength(args[k], &v[k])) return false;
    if (name == "translatey") std::swap(v[0], v[1]);
    *m = {1, 0, 0, 1, v[0], v[1]};
  } else if (name == "scale" || name == "scalex" || name == "scaley") {
    if (n < 1 || n > (name == "scale" ? 2u : 1u)) return false;
    for (std::size_t k = 0; k < n; ++k)
      if (!TransformNumber(args[k], &v[k])) return false;
    if (name == "scale" && n == 1) v[1] = v[0];
    if (name == "scalex") v[1] = 1;
    if (name == "scaley") {
      v[1] = v[0];
      v[0] = 1;
    }
    *m = {v[0], 0, 0, v[1], 0, 0};
  } else if (name == "rotate") {
    // The SVG form rotate(angle cx cy) is taken too.
    if (n != 1 && n != 3) return false;
    double r = 0;
    if (!TransformAngle(args[0], &r)) return false;
    for (std::size_t k = 1; k < n; ++k)
      if (!TransformLength(args[k], &v[k])) return false;
    const double c = std::cos(r), s = std::sin(r), cx = v[1], cy = v[2];
    *m = {c, s, -s, c, cx - c * cx + s * cy, cy - s * cx - c * cy};
  } else if (name == "skew" || name == "skewx" || name == "skewy") {
    if (n < 1 || n > (name == "skew" ? 2u : 1u)) return false;
    for (std::size_t k = 0; k < n; ++k)
      if (!TransformAngle(args[k], &v[k])) return false;
    if (name == "skewy") std::swap(v[0], v[1]);
    *m = {1, std::tan(v[1]), std::tan(v[0]), 1, 0, 0};
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ParseColor(std::string_view text, std::uint8_t rgb[3], double* alpha) {
  text = TrimView(text);
  if (ParseColorValue(text, rgb)) {
    *alpha = 1;
    return true;
  }
  if (Lower(text) == "transparent") {
    rgb[0] = rgb[1] = rgb[2] = 0;
    *alpha = 0;
    return true;
  }
  if (!text.empty() && text[0] == '#') return Hex(text.substr(1), rgb, alpha);
  std::string name;
  std::string_view body;
  return Function(text, &name, &body) && ColorFunction(name, body, rgb, alpha);
}

bool ParseCssTransform(std::string_view text, Matrix* out) {
  text = TrimView(text);
  if (Lower(text) == "none") {
    *out = Matrix{};
    return true;
  }
  Matrix m;
  std::size_t i = 0;
  bool any = false;
  while (i < text.size()) {
    while (i < text.size() && (Space(text[i]) || (any && text[i] == ',')))
      ++i;
    if (i == text.size()) break;
    const std::size_t close = text.find(')', i);
    if (close == std::string_view::npos) return false;
    std::string name;
    std::string_view body;
    std::vector<Arg> args;
    std::string seps;
    Matrix f;
    if (!Function(text.substr(i, close + 1 - i), &name, &body) || !Args(body, &args, &seps) ||
        seps.find('/') != std::string::npos || !TransformFunction(name, args, &f))
      return false;
    m = Multiply(m, f);
    any = true;
    i = close + 1;
  }
  if (!any) return false;
  *out = m;
  return true;
}

}  // namespace hostsim::svg_in
