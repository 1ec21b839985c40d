// Small SVG documents through the corpus check: imported, placed back and drawn by the
// stand-in host, and written as SVG again, each drawing compared with the reference
// renderer's drawing of the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "corpus_run.h"

namespace {

namespace fs = std::filesystem;

struct Source {
  const char* name;
  const char* svg;
};

// Runs the corpus check on `sources` as one set; the set's result.
velmcorpus::SetResult CheckSet(const std::vector<Source>& sources) {
  const fs::path work = fs::temp_directory_path() / ("velm-pictures-" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "set");
  for (const Source& s : sources)
    std::ofstream(work / "set" / s.name) << s.svg;
  velmcorpus::CorpusOptions options;
  options.work = (work / "run").string();
  velmcorpus::SetResult result;
  std::string error;
  EXPECT_TRUE(velmcorpus::RunSet("pictures", (work / "set").string(), options, &result, &error))
      << error;
  fs::remove_all(work);
  return result;
}

TEST(SvgPictures, FadesToTransparentDrawAsTheSourceDoes) {
  // A radial fade from red to transparent over a blue square, a linear one that fades in
  // and out again, and one under the element's own opacity.
  const auto result = CheckSet({
      {"radial.svg",
       "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>"
       "<radialGradient id='g'><stop offset='0' stop-color='red'/>"
       "<stop offset='1' stop-color='red' stop-opacity='0'/></radialGradient>"
       "<rect x='10' y='10' width='80' height='80' fill='#36c'/>"
       "<circle cx='50' cy='50' r='45' fill='url(#g)'/></svg>"},
      {"linear.svg",
       "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>"
       "<linearGradient id='g' x2='0' y2='1'><stop offset='0.1' stop-color='#080' "
       "stop-opacity='0'/><stop offset='0.5' stop-color='#fc0'/><stop offset='0.9' "
       "stop-color='#080' stop-opacity='0.2'/></linearGradient>"
       "<rect x='30' y='5' width='40' height='90' fill='black'/>"
       "<rect x='5' y='20' width='90' height='60' fill='url(#g)' opacity='0.8'/></svg>"},
  });
  ASSERT_EQ(result.results.size(), 2u);
  for (const velmcorpus::FileResult& f : result.results) {
    SCOPED_TRACE(f.file + " " + f.compareError);
    EXPECT_GE(f.placedShare, 0);
    EXPECT_LE(f.placedShare, velmcorpus::kAgreeShare);
    EXPECT_GE(f.exportedShare, 0);
    EXPECT_LE(f.exportedShare, velmcorpus::kAgreeShare);
  }
  // What was stepped is said on each record.
  EXPECT_EQ(result.warnings.at("stop-opacity"), 2);
}

}  // namespace
