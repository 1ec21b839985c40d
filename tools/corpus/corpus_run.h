// One set of the corpus check: import, place back, draw, compare (see corpus_main.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "picture_compare.h"

namespace hostsim {
class Document;
struct SvgDocument;
}  // namespace hostsim
namespace velmsession {
class PluginSession;
}  // namespace velmsession
namespace host {
struct RealRect;
}  // namespace host

namespace velmcorpus {

struct CorpusOptions {
  std::size_t sample = 0;  // 0: every file
  int size = 256;          // pixels of a drawing's longer side
  std::string work;        // empty: a temporary folder, removed afterwards
  double minAgree = 0.98;
};

// How one file fared.
struct FileResult {
  std::string file;
  bool imported = false;
  std::string skipped;        // why it was not imported
  int records = 0;            // records made of it
  double seconds = 0;         // its import (reading and capture)
  double placedShare = -1;    // differing share of its ink, placed back (-1: not compared)
  double exportedShare = -1;  // the same, through the SVG written of the placed art
  std::string compareError;   // why a drawing could not be compared
};

struct SetResult {
  std::string name;
  std::string folder;
  std::size_t files = 0;
  double importSeconds = 0;
  std::map<std::string, int> warnings;  // by kind, over every record
  std::vector<FileResult> results;

  std::size_t Imported() const;
  std::size_t Skipped() const;
  // Files whose placed-back (or exported) drawing agrees with the reference.
  std::size_t AgreePlaced() const;
  std::size_t AgreeExported() const;
};

// A file's drawings agree when at most this share of its ink footprint differs.
inline constexpr double kAgreeShare = 0.01;

bool RunSet(const std::string& name, const std::string& folder, const CorpusOptions& options,
            SetResult* result, std::string* error);
std::string FormatReport(const std::vector<SetResult>& results);
bool Passes(const std::vector<SetResult>& results, const CorpusOptions& options);

// The kind of an import warning (a JSON string): what the host does not hold ("mask", …)
// by its kind, with its count in *count; a text fitted to its field; a place read in part.
std::string WarningKind(const nlohmann::json& warning, int* count);
// Runs the reference renderer (rsvg-convert) on `svg` at `zoom` pixels per CSS pixel into
// `png`; false with a reason when it fails or is not installed.
bool Reference(const std::string& svg, double zoom, const std::string& png, std::string* error);
// The union of the bounds of the document's top-level art; false when it has none.
bool ArtUnion(hostsim::Document& document, host::RealRect* bounds);
// Record `number` of `group`, imported from `svg`, placed by the plug-in's loader into a
// fresh document of the session where its art was in `svg`; false with a reason.
bool PlaceBack(velmsession::PluginSession& session, const std::string& group, std::int32_t number,
               const hostsim::SvgDocument& svg, std::string* error);

}  // namespace velmcorpus
