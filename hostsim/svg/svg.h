// SVG documents in the stand-in host: reading an SVG file (or .svgz) into a scene, as a
// vector-drawing host opens one, and writing a document as structural SVG that any SVG
// editor can edit. hostsim/README.md ("SVG documents") describes the mapping.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {

class Document;

// What reading an SVG document could not carry over whole.
struct SvgReport {
  // What the host's document cannot hold, by kind ("mask", "filter", "pattern paint",
  // "spreadMethod", "textPath", ...), with how often it was met. Nothing is dropped
  // without being counted here.
  std::map<std::string, int> dropped;
  // "<file>:<line>: <what>" for each place that was read only in part (a path kept up to
  // its first error, a number out of range, a reference that leads nowhere, ...).
  std::vector<std::string> notes;

  bool empty() const { return dropped.empty() && notes.empty(); }
  // One line per kind and note, for people.
  std::vector<std::string> Lines() const;
};

// One <symbol> of a document.
struct SvgSymbol {
  std::string id;     // the symbol's id
  std::string title;  // its <title>, UTF-8 (empty when it has none)
  std::string desc;   // its <desc>
  // A record's texts exactly as this program wrote them on the symbol (velm:name,
  // velm:kind, velm:comment, beside a digest of the title and desc they were written with
  // in velm:texts); unset when the symbol has none, or its title or desc was edited since.
  std::optional<std::string> name, kind, comment;
  // A scene of its own: the symbol's art in one layer, all of it selected, with the
  // gradients and patterns it uses. Coordinates are those the symbol's content has in the
  // document's user space, mapped to artwork points as the document's own content is.
  nlohmann::json scene;
  SvgReport report;
};

struct SvgDocument {
  // The whole document as a scene: what the host opens.
  nlohmann::json scene;
  std::string title;  // the root's <title> and <desc>, UTF-8
  std::string desc;
  // Every <symbol> with an id, in document order.
  std::vector<SvgSymbol> symbols;
  // True when the document is a symbol set: it has symbols and draws nothing but uses of
  // them (or nothing at all).
  bool symbolSet = false;
  // The artboard in points: artwork (0, 0) is its bottom-left corner, (width, height) its
  // top-right one.
  double width = 0;
  double height = 0;
  SvgReport report;
};

// True for a path ending in ".svg" or ".svgz" (any case).
bool IsSvgPath(const std::string& path);

// How an SVG document is read.
struct SvgReadOptions {
  // A stroke painted with a gradient read as its outline, a shape filled with the
  // gradient (for a store whose strokes hold plain colours only); else it stays a stroke.
  bool outlineGradientStrokes = false;
};

// Reads an SVG document. False with "<file>:<line>: <what is wrong>" in `error` when
// nothing usable can be read (malformed XML, an entity attack, nesting past the limit,
// not SVG); then `out` is left empty. Input read in part is reported in `out->report`.
bool ReadSvgText(const std::string& text, const std::string& file, SvgDocument* out,
                 std::string* error);
// Reads a file; ".svgz" (or any gzip-compressed file) is expanded first, within a limit.
bool ReadSvgFile(const std::string& path, SvgDocument* out, std::string* error);
bool ReadSvgText(const std::string& text, const std::string& file, const SvgReadOptions& options,
                 SvgDocument* out, std::string* error);
bool ReadSvgFile(const std::string& path, const SvgReadOptions& options, SvgDocument* out,
                 std::string* error);

// ---- Writing ----

// Private data an SVG written here carries beside the standard attributes, so that what
// SVG cannot express exactly (colour models, gradient mid points, text attributes, meshes,
// ...) reads back exactly. An element may carry `velm:keys` (a JSON object of scene keys
// merged over what is read from the element; a "type" key replaces the element's art
// whole) and `velm:check`, a digest of everything the keys stand for. A reader uses
// `velm:keys` only when `velm:check` still matches, so art edited in another program is
// read from its SVG alone:
// - art: "2." and a digest of the element with everything inside it (attributes and text
//   in order), every definition it refers to (url(#…), href: gradients with their stops,
//   patterns, clip paths) and theirs in turn, its ancestors' attributes (inherited style,
//   transforms), the document's style sheets, and the matrix from its parent's user space
//   to artwork points (so a changed transform above it, or a use drawing it elsewhere,
//   refuses the keys);
// - a gradient's definition: "2." and the same without ancestors and matrix;
// - the root's document keys: SvgAttributeDigest of its other attributes and its own text.
// A check of art or a definition without "2." (files written before it existed) never
// matches: such elements are read from their SVG.
inline constexpr const char* kVelmSvgNamespace = "urn:x-velm-pro:svg:1";

// FNV-1a (64-bit, lower-case hexadecimal) over "name=value;" for each attribute in order
// (velm:* attributes left out by the caller), then "#text=" and the element's own text.
inline std::string SvgAttributeDigest(
    const std::vector<std::pair<std::string, std::string>>& attributes, const std::string& text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  auto add = [&hash](const std::string& s) {
    for (unsigned char c : s) {
      hash ^= c;
      hash *= 0x100000001b3ull;
    }
  };
  for (const auto& [name, value] : attributes) {
    add(name);
    add("=");
    add(value);
    add(";");
  }
  add("#text=");
  add(text);
  static const char kHex[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4)
    out[static_cast<std::size_t>(i)] = kHex[hash & 15];
  return out;
}

// velm:texts of a symbol: the digest of its title and desc as written (their text, as a
// parser gives it back).
inline std::string SvgSymbolTextsDigest(const std::string& title, const std::string& desc) {
  return SvgAttributeDigest({{"title", title}, {"desc", desc}}, "");
}

// `text` with the velm:check of every element that carries velm:keys set to what it holds
// now, as the writer signs its files. Each such element must carry velm:check in double
// quotes; when one does not, or the text is not well-formed, the text comes back as it
// is (checks that are not signed never match).
std::string SignSvgKeys(const std::string& text);

}  // namespace hostsim
