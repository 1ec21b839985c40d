// The check of velm:keys (svg_check_p.h): an FNV-1a digest over what the keys stand for.
// Each element's tree is digested once (its attributes, its text and element children in
// order, and the trees of what it refers to), so that checking every element of a
// document stays linear in its size.
#include "hostsim/svg/svg_check_p.h"

#include <libxml/parser.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "hostsim/svg/svg.h"

namespace hostsim::svg_check {
namespace {

// Past this many trees being digested one inside the other (deep nesting, long chains of
// references), what lies further is digested as a mark: the stack stays bounded.
constexpr std::size_t kMaxOpen = 1024;

struct Fnv {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  void Add(const std::string& s) {
    for (unsigned char c : s) {
      hash ^= c;
      hash *= 0x100000001b3ull;
    }
  }
};

std::string Hex(std::uint64_t v) {
  static const char kHex[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4)
    out[static_cast<std::size_t>(i)] = kHex[v & 15];
  return out;
}

bool Velm(xmlAttrPtr a) {
  return a->ns && xmlStrEqual(a->ns->href, BAD_CAST kVelmSvgNamespace);
}

std::string Name(xmlNodePtr n) {
  std::string name = reinterpret_cast<const char*>(n->name);
  if (n->ns && n->ns->prefix) name = reinterpret_cast<const char*>(n->ns->prefix) + (":" + name);
  return name;
}

std::string AttrName(xmlAttrPtr a) {
  std::string name = reinterpret_cast<const char*>(a->name);
  if (a->ns && a->ns->prefix) name = reinterpret_cast<const char*>(a->ns->prefix) + (":" + name);
  return name;
}

std::string Value(xmlAttrPtr a) {
  xmlChar* v = xmlNodeListGetString(a->doc, a->children, 1);
  std::string s = v ? reinterpret_cast<const char*>(v) : "";
  if (v) xmlFree(v);
  return s;
}

std::string OwnText(xmlNodePtr n) {
  std::string text;
  for (xmlNodePtr c = n->children; c; c = c->next)
    if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
      text += reinterpret_cast<const char*>(c->content);
  return text;
}

// The ids an attribute refers to: every url(#id) in its value, and an href's "#id".
void References(xmlAttrPtr a, const std::string& value, std::vector<std::string>* out) {
  if (xmlStrEqual(a->name, BAD_CAST "href")) {
    std::size_t b = value.find_first_not_of(" \t\r\n");
    if (b != std::string::npos && value[b] == '#') {
      const std::size_t e = value.find_last_not_of(" \t\r\n");
      out->push_back(value.substr(b + 1, e - b));
    }
  }
  for (std::size_t at = value.find("url("); at != std::string::npos;
       at = value.find("url(", at + 4)) {
    std::size_t i = at + 4;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\'' || value[i] == '"'))
      ++i;
    if (i >= value.size() || value[i] != '#') continue;
    const std::size_t end = value.find_first_of(")'\" \t\r\n", i + 1);
    out->push_back(value.substr(i + 1, end == std::string::npos ? end : end - i - 1));
  }
}

}  // namespace

KeysCheck::KeysCheck(xmlDocPtr doc) {
  std::vector<xmlNodePtr> stack;
  if (xmlNodePtr root = xmlDocGetRootElement(doc)) stack.push_back(root);
  while (!stack.empty()) {
    xmlNodePtr n = stack.back();
    stack.pop_back();
    xmlChar* id = xmlGetNoNsProp(n, BAD_CAST "id");
    if (id) {
      ids_.emplace(reinterpret_cast<const char*>(id), n);  // the first of an id wins
      xmlFree(id);
    }
    // Style sheets can restyle any element.
    if (xmlStrEqual(n->name, BAD_CAST "style")) styleSheets_ += OwnText(n) + "\x01";
    std::vector<xmlNodePtr> kids;
    for (xmlNodePtr c = n->children; c; c = c->next)
      if (c->type == XML_ELEMENT_NODE) kids.push_back(c);
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
}

std::string KeysCheck::Own(xmlNodePtr n) const {
  std::vector<std::pair<std::string, std::string>> attributes;
  for (xmlAttrPtr a = n->properties; a; a = a->next)
    if (!Velm(a)) attributes.emplace_back(AttrName(a), Value(a));
  return SvgAttributeDigest(attributes, OwnText(n));
}

std::uint64_t KeysCheck::Tree(xmlNodePtr n) {
  auto known = trees_.find(n);
  if (known != trees_.end()) return known->second;
  if (open_.count(n)) return 1;  // a reference back into itself
  if (open_.size() >= kMaxOpen) return 2;
  open_.insert(n);
  Fnv h;
  h.Add("<" + Name(n));
  std::vector<std::string> references;
  for (xmlAttrPtr a = n->properties; a; a = a->next) {
    if (Velm(a)) continue;
    const std::string value = Value(a);
    h.Add(" " + AttrName(a) + "=" + value + ";");
    References(a, value, &references);
  }
  for (xmlNodePtr c = n->children; c; c = c->next) {
    if (c->type == XML_ELEMENT_NODE)
      h.Add("{" + Hex(Tree(c)) + "}");
    else if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
      h.Add("#" + std::string(reinterpret_cast<const char*>(c->content)) + ";");
  }
  for (const std::string& id : references) {
    auto it = ids_.find(id);
    // A reference that leads nowhere counts too: a definition added later changes it.
    h.Add(it == ids_.end() ? "@?" + id + ";" : "@" + Hex(Tree(it->second)));
  }
  open_.erase(n);
  trees_[n] = h.hash;
  return h.hash;
}

std::uint64_t KeysCheck::Ancestors(xmlNodePtr n) {
  // The parents up to the first one known, then digested from the top down: each one's
  // attributes that take no namespace (style, transforms), its id left out.
  std::vector<xmlNodePtr> chain;
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (xmlNodePtr p = n->parent; p && p->type == XML_ELEMENT_NODE; p = p->parent) {
    auto it = ancestors_.find(p);
    if (it != ancestors_.end()) {
      hash = it->second;
      break;
    }
    chain.push_back(p);
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    Fnv h;
    h.hash = hash;
    h.Add("<" + Name(*it));
    for (xmlAttrPtr a = (*it)->properties; a; a = a->next)
      if (!a->ns && !xmlStrEqual(a->name, BAD_CAST "id"))
        h.Add(" " + AttrName(a) + "=" + Value(a) + ";");
    hash = ancestors_[*it] = h.hash;
  }
  return hash;
}

std::string KeysCheck::Definition(xmlNodePtr n) {
  Fnv h;
  h.Add("definition;" + Hex(Tree(n)) + ";sheets=" + styleSheets_);
  return kVersion + Hex(h.hash);
}

std::string KeysCheck::Art(xmlNodePtr n, const svg_in::Matrix& m) {
  Fnv h;
  h.Add("art;" + Hex(Tree(n)) + ";ancestors=" + Hex(Ancestors(n)) + ";sheets=" + styleSheets_ +
        ";matrix=");
  // To a millionth of a point: the same matrix computed along another way reads the same.
  for (double v : {m.a, m.b, m.c, m.d, m.e, m.f}) {
    double r = std::isfinite(v) ? std::round(v * 1e6) / 1e6 : 0;
    if (r == 0) r = 0;  // no "-0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f ", r);
    h.Add(buffer);
  }
  return kVersion + Hex(h.hash);
}

PageOrigin ReadPageOrigin(xmlNodePtr root) {
  PageOrigin origin;
  xmlChar* text =
      root ? xmlGetNsProp(root, BAD_CAST "origin", BAD_CAST kVelmSvgNamespace) : nullptr;
  if (!text) return origin;
  std::vector<double> v;
  if (svg_in::ParseNumberList(reinterpret_cast<const char*>(text), &v) && v.size() == 2 &&
      std::isfinite(v[0]) && std::isfinite(v[1]) && std::abs(v[0]) < 1e7 && std::abs(v[1]) < 1e7)
    origin = {v[0], v[1]};
  xmlFree(text);
  return origin;
}

svg_in::Matrix KeysCheck::WrittenToArtwork(xmlNodePtr n) {
  xmlNodePtr root = xmlDocGetRootElement(n->doc);
  double height = 0;
  if (xmlChar* box = xmlGetNoNsProp(root, BAD_CAST "viewBox")) {
    std::vector<double> v;
    if (svg_in::ParseNumberList(reinterpret_cast<const char*>(box), &v) && v.size() == 4)
      height = v[3];
    xmlFree(box);
  }
  std::vector<xmlNodePtr> chain;
  for (xmlNodePtr p = n->parent; p && p != root && p->type == XML_ELEMENT_NODE; p = p->parent)
    chain.push_back(p);
  svg_in::Matrix m;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    xmlChar* t = xmlGetNoNsProp(*it, BAD_CAST "transform");
    svg_in::Matrix own;
    if (t && svg_in::ParseTransformList(reinterpret_cast<const char*>(t), &own))
      m = svg_in::Multiply(m, own);
    if (t) xmlFree(t);
  }
  const PageOrigin origin = ReadPageOrigin(root);
  return {m.a, -m.b, m.c, -m.d, m.e + origin.x, height - m.f + origin.y};
}

}  // namespace hostsim::svg_check

namespace hostsim {

std::string SignSvgKeys(const std::string& text) {
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return text;
  // The writer's own text: large embedded images are no attack here.
  xmlDocPtr doc =
      xmlReadMemory(text.data(), static_cast<int>(text.size()), "out.svg", nullptr,
                    XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return text;
  std::vector<std::string> checks;
  {
    svg_check::KeysCheck check(doc);
    xmlNodePtr root = xmlDocGetRootElement(doc);
    // Document order: the order the elements' tags have in the text.
    std::vector<xmlNodePtr> stack;
    if (root) stack.push_back(root);
    while (!stack.empty()) {
      xmlNodePtr n = stack.back();
      stack.pop_back();
      if (xmlHasNsProp(n, BAD_CAST "keys", BAD_CAST kVelmSvgNamespace)) {
        const std::string name = reinterpret_cast<const char*>(n->name);
        if (n == root)
          checks.push_back(check.Own(n));
        else if (name == "linearGradient" || name == "radialGradient")
          checks.push_back(check.Definition(n));
        else
          checks.push_back(check.Art(n, svg_check::KeysCheck::WrittenToArtwork(n)));
      }
      std::vector<xmlNodePtr> kids;
      for (xmlNodePtr c = n->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) kids.push_back(c);
      stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
  }
  xmlFreeDoc(doc);
  // Attribute values and text are escaped ('"' as &quot;): this only begins a velm:check.
  static const std::string kOpen = " velm:check=\"";
  std::string out;
  std::size_t from = 0, k = 0;
  for (std::size_t at = text.find(kOpen); at != std::string::npos; at = text.find(kOpen, from)) {
    const std::size_t value = at + kOpen.size(), end = text.find('"', value);
    if (end == std::string::npos || k >= checks.size()) return text;
    out.append(text, from, value - from);
    out += checks[k++];
    from = end;
  }
  if (k != checks.size()) return text;
  out.append(text, from, std::string::npos);
  return out;
}

}  // namespace hostsim
