// velm-corpus: how faithfully real SVG artwork comes into a library and goes out again.
// Every SVG file of each set is imported (velm import, the plug-in's own capture), each
// record placed back by the plug-in's loader into an empty document where its art was
// captured, drawn by the stand-in host, and compared with the reference renderer's
// drawing of the source file at the same scale; then the placed art is written as SVG
// (as velm export writes it), drawn by the reference renderer and compared the same way.
//
//   velm-corpus [--sample N] [--size PX] [--work DIR] [--report FILE.md] [--min-agree F]
//               [--suite DIR|ARCHIVE] [NAME=FOLDER ...]
//
// Prints a table per set (files, imported, skipped, warnings by kind, drawings that agree,
// time), the slowest and the most different files; exits 1 when a set's share of files
// whose drawings agree is below --min-agree, or a file was neither imported nor skipped
// with a reason. With --suite, the public SVG test suite is measured as well
// (suite_run.h): its tables follow the sets'.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "corpus_run.h"
#include "hostsim/core/file_output.h"
#include "picture_compare.h"
#include "suite_run.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  velmcorpus::CorpusOptions options;
  std::vector<std::string> sets;
  std::string report;
  CLI::App app{
      "velm-corpus: real SVG artwork imported, placed back and exported, compared "
      "with the reference renderer's drawings"};
  velmcorpus::SuiteOptions suite;
  app.add_option("sets", sets, "NAME=FOLDER of SVG files (walked for .svg and .svgz)");
  app.add_option("--suite", suite.suite,
                 "The public SVG test suite: its folder, or its .tar.xz archive (unpacked into "
                 "--work)");
  app.add_option("--suite-only", suite.only,
                 "Only these feature folders or areas of the suite (painting/fill, shapes)")
      ->delimiter(',');
  app.add_option("--sample", options.sample, "Only about N files of each set, spread evenly");
  app.add_option("--size", options.size, "Pixels of a drawing's longer side")
      ->capture_default_str();
  app.add_option("--work", options.work, "Folder for the library and the drawings (kept)");
  app.add_option("--report", report, "Also write the tables to this Markdown file");
  app.add_option("--min-agree", options.minAgree,
                 "Fail when a set's share of agreeing files is below this (0 … 1)")
      ->capture_default_str();
  CLI11_PARSE(app, argc, argv);
  if (sets.empty() && suite.suite.empty()) {
    std::cerr << "velm-corpus: give NAME=FOLDER sets, --suite, or both\n";
    return 2;
  }
  // Before anything draws text: the suite's fonts are found by every renderer.
  std::string suiteRoot;
  if (!suite.suite.empty()) {
    suite.work = options.work.empty() ? "svg-suite-work" : options.work;
    suite.sample = options.sample;
    std::string error;
    if (!velmcorpus::PrepareSuite(suite, &suiteRoot, &error)) {
      std::cerr << "velm-corpus: " << error << "\n";
      return 2;
    }
  }

  std::vector<velmcorpus::SetResult> results;
  for (const std::string& set : sets) {
    const std::size_t eq = set.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == set.size()) {
      std::cerr << "velm-corpus: a set is NAME=FOLDER: \"" << set << "\"\n";
      return 2;
    }
    velmcorpus::SetResult result;
    std::string error;
    if (!velmcorpus::RunSet(set.substr(0, eq), set.substr(eq + 1), options, &result, &error)) {
      std::cerr << "velm-corpus: " << error << "\n";
      return 2;
    }
    results.push_back(std::move(result));
  }
  std::string tables = results.empty() ? "" : velmcorpus::FormatReport(results);
  bool suiteAccounted = true;
  if (!suiteRoot.empty()) {
    std::vector<velmcorpus::FeatureResult> features;
    std::string error;
    if (!velmcorpus::RunSuite(suiteRoot, suite, &features, &error)) {
      std::cerr << "velm-corpus: " << error << "\n";
      return 2;
    }
    tables += "\n## The public SVG test suite\n" + velmcorpus::FormatSuiteReport(features);
    suiteAccounted = velmcorpus::SuiteAccountsForEveryFile(features);
  }
  std::cout << tables;
  if (!report.empty()) {
    std::string error;
    if (!hostsim::WriteFileAtomically(report, tables, &error)) {
      std::cerr << "velm-corpus: " << error << "\n";
      return 2;
    }
  }
  return velmcorpus::Passes(results, options) && suiteAccounted ? 0 : 1;
}
