// What the SVG writer's files share: the element builder (attributes in the order
// written, with the `velm:` private data and its digest) and the art writer. Private to
// hostsim's SVG writing files.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "hostsim/core/document.h"
#include "hostsim/drawing/renderer.h"

namespace hostsim::svg_out {

using Json = nlohmann::json;

// A number as the shortest text that reads back as the same host real.
std::string Num(float value);
// A computed number, to ten significant digits.
std::string Num(double value);
// A matrix as SVG's matrix(a b c d e f).
std::string MatrixText(const host::RealMatrix& m);
// Text as a parser gives it back: bytes that are not UTF-8 become U+FFFD, characters
// XML 1.0 cannot hold (controls but tab and line ends) are left out.
std::string Sanitize(const std::string& text);
// Sanitized text for an attribute value or element content: markup escaped, tabs and line
// ends as character references (so that they survive parsing as they are).
std::string EscapeXml(const std::string& text);
// Compact JSON, invalid UTF-8 replaced (nlohmann would throw on it).
std::string CompactJson(const Json& json);

// One element being written.
class Element {
 public:
  explicit Element(std::string name) : name_(std::move(name)) {}
  Element& Set(const std::string& name, const std::string& value) {
    attributes_.emplace_back(name, Sanitize(value));
    return *this;
  }
  // A namespace declaration: written, but not an attribute a parser reports.
  Element& Declare(const std::string& name, const std::string& value) {
    declarations_.emplace_back(name, value);
    return *this;
  }
  // Private scene keys for the element. Its velm:check is written as a mark that
  // SignSvgKeys replaces once the document is whole (the check covers what the element
  // holds and refers to, written after it).
  Element& Keys(Json keys) {
    keys_ = std::move(keys);
    return *this;
  }
  // "<name a=... velm:keys=... velm:check=...>" (or "/>" when `empty`).
  std::string Open(bool empty) const;
  std::string Close() const { return "</" + name_ + ">"; }

 private:
  std::string name_;
  std::vector<std::pair<std::string, std::string>> declarations_;
  std::vector<std::pair<std::string, std::string>> attributes_;
  Json keys_;
};

// sRGB components 0 … 1 of a plain colour, as the renderer draws it (PlainColor).
using Rgb = hostsim::PlainRgb;
std::string HexColor(const Rgb& rgb);

// Writes art of one document. The scene of the document (WriteScene) gives every art
// object's scene keys; art that is not part of it (styled copies, plug-in results, pattern
// tiles) is written without private data, inside an element that carries it whole.
class ArtWriter {
 public:
  // `pageHeight`: the H of the page's flip. `keepSelection`: whether "selected" keys are
  // kept (a symbol set leaves them out: its art is read back all selected).
  ArtWriter(Document& document, const Json& scene, bool keepSelection);

  // Writes the art (and what it holds) onto `out`, as it is drawn (nothing for dead art).
  void Write(Art* art, std::string* out);
  // Writes what a container holds, bottom first (SVG paints in document order).
  void WriteChildren(Art* container, std::string* out);
  // The <defs> content the art written so far needs (gradients, patterns, clip paths).
  const std::string& defs() const { return defs_; }
  // A new id nobody uses (scene ids included).
  std::string NewId(const std::string& prefix);
  // Puts the page's flip matrix(1 0 0 -1 0 H) on the outermost element the next Write
  // makes, for art at the top of a symbol: a group holding it would be read back as a
  // group of its own.
  void FlipNext(double height) {
    flip_ = height;
    flipNext_ = true;
  }

 private:
  const Json* SceneOf(const Art* art) const;
  // Sets the flip asked for by FlipNext as the element's transform (once).
  void TakeFlip(Element* element);
  void MapScene(const std::vector<Art*>& children, const Json& list);
  // Keys for the art: its scene object whole (with "type").
  Json Whole(const Art* art) const;
  // Adds the attributes every art shares (hidden, opacity, blend mode).
  void Common(const Art* art, Element* element) const;
  // Sets display="none" on the element of hidden art, with the mark of hidden art of the
  // document.
  void Hide(const Art* art, Element* element) const;
  // The keys of flags and states SVG does not carry; false when the art needs none.
  void FlagKeys(const Art* art, Json* keys) const;

  // Sets `name` to the paint of `color`; false when SVG cannot give it back exactly.
  bool Paint(const host::Color& color, const char* name, Element* element);
  void PaintStyle(const host::PathStyle& style, Element* element, bool* fillExact,
                  bool* strokeExact);
  std::string GradientDef(const host::GradientStyle& g);
  std::string PatternDef(const host::PatternStyle& p);

  static std::string PathData(const std::vector<host::PathSegment>& s, bool closed);
  void WritePath(Art* art, std::string* out);
  void WriteCompound(Art* art, std::string* out);
  void WriteGroup(Art* art, std::string* out);
  void WriteText(Art* art, std::string* out);
  void WriteRaster(Art* art, std::string* out);
  void WriteMesh(Art* art, std::string* out);
  void WritePlaced(Art* art, std::string* out);
  // Art the renderer draws through other art (effects, plug-in art): that art inside a
  // group carrying the object's keys whole.
  void WriteThrough(Art* art, Art* drawn, std::string* out);

  Document& doc_;
  const Json& scene_;
  bool keepSelection_;
  std::map<const Art*, const Json*> sceneOf_;
  std::set<std::string> ids_;
  int nextId_ = 1;
  std::string defs_;
  // While writing art with no scene of its own (inside an object written whole).
  int anonymous_ = 0;
  int patternDepth_ = 0;
  double flip_ = 0;
  bool flipNext_ = false;
};

// A base64 "data:image/png" URI of an ARGB32 Cairo image surface; empty when it fails.
std::string PngDataUri(void* cairoImageSurface);

}  // namespace hostsim::svg_out
