// The public SVG test suite as a measurement (velm-corpus --suite): every file of every
// feature folder imported, its record placed back and drawn at the size of the suite's
// reference picture, and judged alike or not by the forgiving comparison; rsvg-convert's
// drawing of the same file judged the same way is the control.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace velmcorpus {

struct SuiteOptions {
  std::string suite;              // the unpacked suite's folder, or its .tar.xz archive
  std::string work;               // where the archive is unpacked and the libraries are made
  std::size_t sample = 0;         // 0: every file; else about this many, spread evenly
  std::vector<std::string> only;  // feature folders ("painting/fill") or areas; empty: all
};

// How one test file fared.
struct SuiteFile {
  std::string file;  // relative to the suite's tests/ folder
  bool imported = false;
  std::string reason;   // why it was not imported, or could not be compared
  double share = -1;    // differing share of ink, placed back (-1: not compared)
  double control = -1;  // the same for rsvg-convert's drawing
  bool alike = false;
  bool controlAlike = false;
  bool warned = false;  // the import said what its record could not carry
  // Differs from the reference with nothing said about why.
  bool Unwarned() const { return !alike && !warned && reason.empty(); }
};

struct FeatureResult {
  std::string folder;  // "painting/fill"
  bool scored = false;
  bool text = false;  // text/text and text/tspan, scored on their own
  double seconds = 0;
  std::map<std::string, int> warnings;  // what the records lost, by kind
  std::vector<SuiteFile> files;
  std::size_t Alike() const;
  std::size_t ControlAlike() const;
  std::size_t Unwarned() const;
};

// Unpacks the archive when given one, and points fontconfig at the suite's fonts for this
// process and the renderers it starts; must run before anything draws text. The suite's
// root folder in *root.
bool PrepareSuite(const SuiteOptions& options, std::string* root, std::string* error);

bool RunSuite(const std::string& root, const SuiteOptions& options,
              std::vector<FeatureResult>* results, std::string* error);

// The tables: scored folders with velm's and the control's share of alike files, the text
// folders, the rest, the calibration of the comparison and the worst files.
std::string FormatSuiteReport(const std::vector<FeatureResult>& results);

// False when a file was neither imported nor refused with a reason.
bool SuiteAccountsForEveryFile(const std::vector<FeatureResult>& results);

}  // namespace velmcorpus
