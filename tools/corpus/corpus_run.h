// One set of the corpus check: import, place back, draw, compare (see corpus_main.cpp).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

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

}  // namespace velmcorpus
