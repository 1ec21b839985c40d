#include "hostsim/svg/svg_css_selector.h"

#include <cctype>
#include <map>
#include <utility>

namespace hostsim::svg_in {
namespace {

bool NameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string Attr(xmlNodePtr n, const std::string& name, bool* present) {
  xmlChar* v = xmlGetNoNsProp(n, reinterpret_cast<const xmlChar*>(name.c_str()));
  *present = v != nullptr;
  std::string text = v ? reinterpret_cast<const char*>(v) : "";
  if (v) xmlFree(v);
  return text;
}

// Whether the whitespace-separated list `list` holds `word`.
bool HasWord(std::string_view list, std::string_view word) {
  std::size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && std::isspace(static_cast<unsigned char>(list[i])))
      ++i;
    std::size_t j = i;
    while (j < list.size() && !std::isspace(static_cast<unsigned char>(list[j])))
      ++j;
    if (j > i && list.substr(i, j - i) == word) return true;
    i = j;
  }
  return false;
}

xmlNodePtr PreviousElement(xmlNodePtr n) {
  for (n = n->prev; n; n = n->prev)
    if (n->type == XML_ELEMENT_NODE) return n;
  return nullptr;
}

xmlNodePtr ParentElement(xmlNodePtr n) {
  return n->parent && n->parent->type == XML_ELEMENT_NODE ? n->parent : nullptr;
}

bool MatchesCompound(const CssSelector::Compound& c, xmlNodePtr n) {
  if (!c.type.empty() && c.type != reinterpret_cast<const char*>(n->name)) return false;
  bool present = false;
  for (const std::string& id : c.ids)
    if (Attr(n, "id", &present) != id) return false;
  if (!c.classes.empty()) {
    const std::string classes = Attr(n, "class", &present);
    for (const std::string& cls : c.classes)
      if (!HasWord(classes, cls)) return false;
  }
  for (const CssSelector::Attribute& a : c.attributes) {
    const std::string v = Attr(n, a.name, &present);
    if (!present) return false;
    const std::string& w = a.value;
    switch (a.op) {
      case '=':
        if (v != w) return false;
        break;
      case '~':
        if (!HasWord(v, w)) return false;
        break;
      case '^':
        if (w.empty() || v.compare(0, w.size(), w) != 0) return false;
        break;
      case '$':
        if (w.empty() || v.size() < w.size() || v.compare(v.size() - w.size(), w.size(), w) != 0)
          return false;
        break;
      case '*':
        if (w.empty() || v.find(w) == std::string::npos) return false;
        break;
      default:
        break;
    }
  }
  return !c.firstChild || !PreviousElement(n);
}

using Memo = std::map<std::pair<std::size_t, xmlNodePtr>, bool>;

bool MatchesStep(const CssSelector& s, std::size_t k, xmlNodePtr n, Memo* memo);

// Whether compounds[0..k] match with `n` matching compounds[k]; each (k, element) is
// worked out once, so that a selector of many descendant steps over a deep document stays
// linear in what it looks at.
bool MatchesFrom(const CssSelector& s, std::size_t k, xmlNodePtr n, Memo* memo) {
  const auto key = std::make_pair(k, n);
  if (auto found = memo->find(key); found != memo->end()) return found->second;
  const bool match = MatchesStep(s, k, n, memo);
  (*memo)[key] = match;
  return match;
}

bool MatchesStep(const CssSelector& s, std::size_t k, xmlNodePtr n, Memo* memo) {
  if (!MatchesCompound(s.compounds[k], n)) return false;
  if (k == 0) return true;
  switch (s.combinators[k - 1]) {
    case '>':
      return ParentElement(n) && MatchesFrom(s, k - 1, ParentElement(n), memo);
    case '+':
      return PreviousElement(n) && MatchesFrom(s, k - 1, PreviousElement(n), memo);
    case '~':
      for (xmlNodePtr p = PreviousElement(n); p; p = PreviousElement(p))
        if (MatchesFrom(s, k - 1, p, memo)) return true;
      return false;
    default:
      for (xmlNodePtr p = ParentElement(n); p; p = ParentElement(p))
        if (MatchesFrom(s, k - 1, p, memo)) return true;
      return false;
  }
}

}  // namespace

bool ParseCssSelector(std::string_view text, CssSelector* out) {
  *out = {};
  std::size_t i = 0;
  auto space = [&] {
    bool any = false;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
      ++i, any = true;
    return any;
  };
  auto name = [&] {
    const std::size_t from = i;
    while (i < text.size() && NameChar(text[i]))
      ++i;
    return std::string(text.substr(from, i - from));
  };
  int ids = 0, classes = 0, types = 0;
  space();
  while (i < text.size()) {
    CssSelector::Compound c;
    bool any = false;
    if (text[i] == '*') {
      ++i;
      any = true;
    } else if (NameChar(text[i])) {
      c.type = name();
      ++types;
      any = true;
    }
    while (i < text.size()) {
      const char k = text[i];
      if (k == '#' || k == '.') {
        ++i;
        std::string n = name();
        if (n.empty()) return false;
        (k == '#' ? c.ids : c.classes).push_back(std::move(n));
        (k == '#' ? ids : classes) += 1;
      } else if (k == '[') {
        ++i;
        space();
        CssSelector::Attribute a;
        a.name = name();
        space();
        if (a.name.empty() || i >= text.size()) return false;
        if (text[i] != ']') {
          if (text[i] == '=') {
            a.op = '=';
            ++i;
          } else if (std::string_view("~^$*").find(text[i]) != std::string_view::npos &&
                     i + 1 < text.size() && text[i + 1] == '=') {
            a.op = text[i];
            i += 2;
          } else {
            return false;
          }
          space();
          if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            const char quote = text[i++];
            const std::size_t end = text.find(quote, i);
            if (end == std::string_view::npos) return false;
            a.value = std::string(text.substr(i, end - i));
            i = end + 1;
          } else {
            a.value = name();
            if (a.value.empty()) return false;
          }
          space();
          if (i >= text.size() || text[i] != ']') return false;
        }
        ++i;
        c.attributes.push_back(std::move(a));
        ++classes;
      } else if (k == ':') {
        ++i;
        if (name() != "first-child") return false;
        c.firstChild = true;
        ++classes;
      } else {
        break;
      }
      any = true;
    }
    if (!any) return false;
    out->compounds.push_back(std::move(c));
    const bool spaced = space();
    if (i >= text.size()) break;
    char combinator = ' ';
    if (text[i] == '>' || text[i] == '+' || text[i] == '~') {
      combinator = text[i++];
      space();
    } else if (!spaced) {
      return false;
    }
    if (i >= text.size()) return false;
    out->combinators.push_back(combinator);
  }
  out->specificity = ids * 100 + classes * 10 + types;
  return !out->compounds.empty();
}

bool MatchesCssSelector(const CssSelector& selector, xmlNodePtr element) {
  if (selector.compounds.empty()) return false;
  Memo memo;
  return MatchesFrom(selector, selector.compounds.size() - 1, element, &memo);
}

}  // namespace hostsim::svg_in
