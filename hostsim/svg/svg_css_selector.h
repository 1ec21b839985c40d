// CSS selectors of SVG style sheets: compound selectors (type, universal, #id, .class,
// [attr], [attr=value], [attr~=value], [attr^=value], [attr$=value], [attr*=value],
// :first-child) joined by the descendant, child (>), next-sibling (+) and
// subsequent-sibling (~) combinators, matched against the elements of a document.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>
#include <vector>

namespace hostsim::svg_in {

struct CssSelector {
  struct Attribute {
    std::string name;
    char op = 0;  // 0: present; '=', '~', '^', '$', '*' as in the selector
    std::string value;
  };
  struct Compound {
    std::string type;  // empty: any element
    std::vector<std::string> ids, classes;
    std::vector<Attribute> attributes;
    bool firstChild = false;
  };
  // Rightmost last; combinators[i] joins compounds[i] and compounds[i + 1].
  std::vector<Compound> compounds;
  std::vector<char> combinators;  // ' ', '>', '+', '~'
  int specificity = 0;            // ids × 100 + classes, attributes, pseudo-classes × 10 + types
};

// Parses one selector (no commas); false for what this reader does not match (other
// pseudo-classes, pseudo-elements, namespaces, malformed text).
bool ParseCssSelector(std::string_view text, CssSelector* out);
// Whether `element` matches `selector`.
bool MatchesCssSelector(const CssSelector& selector, xmlNodePtr element);

}  // namespace hostsim::svg_in
