// Writing documents as structural SVG: paths with their paint, gradients, groups with
// their transparency, clipping groups, text as text and rasters as embedded PNG, so that
// any SVG editor can edit what the host holds. Whatever SVG cannot hold exactly travels
// beside it as `velm:` private data (see hostsim/svg/svg.h), so that reading the file back
// gives the same document. hostsim/README.md ("Writing SVG") describes the mapping.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/document.h"
#include "hostsim/svg/svg.h"

namespace hostsim {

// The document as SVG 1.1 text: the root is `width`/`height` in points with a viewBox of
// the same numbers (0 0 W H), and the layers lie under the flip matrix(1 0 0 -1 0 H), so
// that every coordinate is written as the artwork's own number.
std::string WriteSvg(Document& document);
// The same on a page of the given size in points (its bottom-left corner at the artwork's
// origin), as a comparison with another drawing of a known page needs.
std::string WriteSvg(Document& document, double width, double height);

// The page a document is written on.
struct SvgPage {
  // The artwork point at its bottom-left corner, noted on the root as velm:origin when it
  // is not (0, 0), so that a reader gives the art back at the numbers written.
  double left = 0, bottom = 0;
  double width = 100, height = 100;  // points
  // The root's width and height in CSS pixels (0.75 point each, as SVG programs take a
  // pixel) rather than points; the viewBox stays in points.
  bool pixels = false;
};
// The page around every visible art's ink bounds (strokes as their outline) with `margin`
// points on each side, its edges moved out to whole points (with `pixels`, to whole
// pixels; an edge less than 1/32 of one past a whole one stays on it), so that its
// size is a whole number of its unit.
SvgPage SvgPageAround(Document& document, double margin, bool pixels);
std::string WriteSvg(Document& document, const SvgPage& page);

// Writes WriteSvg's text to `path` with WriteFileAtomically (hostsim/core/file_output.h); false
// with a message when it cannot.
bool WriteSvgFile(Document& document, const std::string& path, std::string* error);
bool WriteSvgPageFile(Document& document, const SvgPage& page, const std::string& path,
                      std::string* error);

// One item of a symbol set: art of the document (any art, usually the top-level objects a
// record's placement made) with the texts of its symbol.
struct SvgSymbolItem {
  std::string name;  // UTF-8: the symbol's <title> and the base of its id
  std::string desc;  // UTF-8: the symbol's <desc> (empty: none)
  // A record's kind and comment (UTF-8), kept exactly on the symbol beside its name (see
  // SvgSymbol); unset for a symbol that is no record.
  std::optional<std::string> kind, comment;
  std::vector<Art*> art;
};

// Symbol ids made from names: XML names (letters of any script, digits, '-', '_', '.'; a run
// of other characters becomes one '-'), "r<index>-" in front so that they are unique and
// start with a letter.
std::string SvgSymbolId(std::size_t index, const std::string& name);

// The items as one symbol set: each a <symbol> holding its art at the artwork coordinates
// it has in `document`, each top-level object under the page's flip (so it reads back
// where it lies, with no group added around it), with its
// title, desc and a viewBox of its bounds; below the definitions a grid of <use>, eight a
// row, each scaled into a cell of the largest item's size, so that the file shows the set.
// `title` (UTF-8) becomes the root's <title> when not empty.
std::string WriteSvgSymbolSet(Document& document, const std::vector<SvgSymbolItem>& items,
                              const std::string& title);

}  // namespace hostsim
