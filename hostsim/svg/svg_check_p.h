// The check that guards an element's velm:keys: what the keys stand for, digested from the
// parsed document, so that the writer (signing what it wrote) and the reader (testing what
// it reads) compute it with the same code. Private to hostsim's SVG files.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "hostsim/svg/svg_grammar_p.h"

namespace hostsim::svg_check {

// Checks of keys that stand for art or a definition begin with this; a check without it
// (as files written before carry) guards nothing but the root's document keys.
inline constexpr const char* kVersion = "2.";

// The artwork point at the page's bottom-left corner that the writer notes on the root as
// velm:origin="X Y" when it is not (0, 0); (0, 0) without it or when it is not two finite
// numbers.
struct PageOrigin {
  double x = 0, y = 0;
};
PageOrigin ReadPageOrigin(xmlNodePtr root);

class KeysCheck {
 public:
  explicit KeysCheck(xmlDocPtr doc);

  // The root's document keys: its own attributes and text (SvgAttributeDigest), since they
  // hold settings of the document rather than its art.
  std::string Own(xmlNodePtr n) const;
  // A definition (a gradient): the element, everything inside it, every definition it
  // refers to (url(#…), href) and, through them, theirs; the document's style sheets.
  std::string Definition(xmlNodePtr n);
  // Art: what Definition covers, the ancestors' attributes (inherited style, transforms)
  // and `toArtwork`, the matrix from the user space of the element's parent to artwork
  // points, which the ancestors' transforms, the root's viewBox or a use make up.
  std::string Art(xmlNodePtr n, const svg_in::Matrix& toArtwork);

  // The matrix Art expects for an element of a file the writer made: the transforms of
  // its ancestors below the root under the page's flip (the root's viewBox is its size in
  // points).
  static svg_in::Matrix WrittenToArtwork(xmlNodePtr n);

 private:
  std::uint64_t Tree(xmlNodePtr n);
  std::uint64_t Ancestors(xmlNodePtr n);

  std::map<std::string, xmlNodePtr> ids_;  // the first element of an id
  std::string styleSheets_;
  std::map<xmlNodePtr, std::uint64_t> trees_, ancestors_;
  std::set<xmlNodePtr> open_;  // trees being digested (a reference back to one is a cycle)
};

}  // namespace hostsim::svg_check
