// Small SVG documents through the corpus check: imported, placed back and drawn by the
// stand-in host, and written as SVG again, each drawing compared with the reference
// renderer's drawing of the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "commands.h"
#include "corpus_run.h"
#include "hostsim/core/document.h"
#include "hostsim/drawing/renderer.h"
#include "plugin_session.h"

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
      // A fade across a long, thin shape at the page's edge, turned and stretched: its
      // bands stay within the shape's bounds, as the art's extent does.
      {"thin.svg",
       "<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>"
       "<linearGradient id='g' gradientTransform='rotate(30)'><stop stop-color='blue'/>"
       "<stop offset='1' stop-color='blue' stop-opacity='0.2'/></linearGradient>"
       "<rect width='100' height='20' fill='url(#g)'/><circle cx='50' cy='60' r='30'/></svg>"},
  });
  ASSERT_EQ(result.results.size(), 3u);
  for (const velmcorpus::FileResult& f : result.results) {
    SCOPED_TRACE(f.file + " " + f.compareError);
    EXPECT_GE(f.placedShare, 0);
    EXPECT_LE(f.placedShare, velmcorpus::kAgreeShare);
    EXPECT_GE(f.exportedShare, 0);
    EXPECT_LE(f.exportedShare, velmcorpus::kAgreeShare);
  }
  // What was stepped is said on each record.
  EXPECT_EQ(result.warnings.at("stop-opacity"), 3);
}

// A pattern's tiles, anchored where the source's user space puts them (x 3, y 4): not
// where the page's corner is, nor where the art's is; 14.25 points a tile, which repeats
// at that period, not at a whole number of points.
const char kPatterned[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='%W' height='%H' viewBox='%V'>"
    "<pattern id='p' patternUnits='userSpaceOnUse' x='3' y='4' width='19' height='19'>"
    "<rect width='9' height='9' fill='green'/><circle cx='14' cy='14' r='4' fill='blue'/>"
    "</pattern><rect x='10' y='10' width='80' height='80' fill='url(#p)'/></svg>";

std::string Patterned(const std::string& w, const std::string& h, const std::string& viewBox) {
  std::string s = kPatterned;
  s.replace(s.find("%W"), 2, w);
  s.replace(s.find("%H"), 2, h);
  s.replace(s.find("%V"), 2, viewBox);
  return s;
}

velmcorpus::Surface Png(const fs::path& path) {
  std::string error;
  velmcorpus::Surface s(velmcorpus::ReadPng(path.string(), &error));
  EXPECT_TRUE(s) << error;
  return s;
}

bool Alike(cairo_surface_t* a, cairo_surface_t* b) {
  velmcorpus::Comparison c;
  std::string error;
  EXPECT_TRUE(velmcorpus::CompareForgiving(a, b, &c, &error)) << error;
  return velmcorpus::Alike(c);
}

TEST(SvgPictures, PatternTilesStayWithTheArtWhereverItIsPlacedOrExported) {
  const fs::path work = fs::temp_directory_path() / ("velm-tiles-" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  std::ofstream(work / "tiles.svg") << Patterned("100", "100", "0 0 100 100");
  // The source's drawing of the art alone (80 by 80 CSS pixels from 10, 10).
  std::ofstream(work / "art.svg") << Patterned("80", "80", "10 10 80 80");
  std::string error;
  ASSERT_TRUE(
      velmcorpus::Reference((work / "art.svg").string(), 4, (work / "source.png").string(), &error))
      << error;
  std::ostringstream out, err;
  velmtool::ImportOptions import;
  import.paths = {(work / "tiles.svg").string(), (work / "library").string()};
  import.group = "tiles";
  ASSERT_EQ(velmtool::CommandImport(import, out, err), 0) << err.str();

  // Exported at four pixels a CSS pixel: as a picture, and as SVG drawn by the reference.
  const velmcorpus::Surface source = Png(work / "source.png");
  for (const char* name : {"out.png", "out.svg"}) {
    SCOPED_TRACE(name);
    velmtool::ExportOptions options;
    options.target = (work / "library").string();
    options.group = "tiles";
    options.record = "0";
    options.scale = 4;
    options.output = (work / name).string();
    ASSERT_EQ(velmtool::CommandExport(options, out, err), 0) << err.str();
    fs::path png = work / name;
    if (png.extension() == ".svg") {
      png.replace_extension(".svg.png");
      ASSERT_TRUE(velmcorpus::Reference((work / name).string(), 4, png.string(), &error)) << error;
    }
    const velmcorpus::Surface drawn = Png(png);
    EXPECT_TRUE(Alike(drawn.get(), source.get()));
  }

  // Placed at x 100 and at x 107.5 (not a whole number of tiles further): the same
  // drawing of the art.
  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(work / "library", false, &error);
  ASSERT_TRUE(session) << error;
  std::vector<std::unique_ptr<hostsim::Bitmap>> drawings;
  for (float x : {100.0f, 107.5f}) {
    session->host().SetDocument(std::make_unique<hostsim::Document>());
    velmsession::PlaceOptions place;
    place.at = {x, 200};
    velmsession::PlaceResult placed;
    ASSERT_TRUE(session->Place("tiles", 0, place, &placed, &error)) << error;
    hostsim::RenderOptions render;
    render.area = host::RealRect{x, 260, x + 60, 200};
    render.scale = 2;
    drawings.push_back(hostsim::RenderDocument(session->document(), render));
    ASSERT_TRUE(drawings.back());
    drawings.back()->BeginCairo();
  }
  EXPECT_TRUE(Alike(drawings[0]->surface(), drawings[1]->surface()));
  for (auto& d : drawings)
    d->EndCairo();
  session.reset();
  fs::remove_all(work);
}

}  // namespace
