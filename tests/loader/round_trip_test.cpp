// The round trip: art captured, stored in a group file, read back and placed at the
// capture origin with origin mode 2 equals the original, in structure and in pictures,
// and one undo takes it away again.
#include <gtest/gtest.h>

#include <cstdio>

#include "capture/art_tree_writer.h"
#include "database/group_file.h"
#include "frame/globals.h"
#include "hostsim/scene/scene.h"
#include "placement/art_loader.h"
#include "tests/loader/art_compare.h"
#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

namespace sc = hostsim::scene;

TEST_F(LoaderTest, TheReferenceSceneComesBackWhole) {
  ASSERT_TRUE(OpenFile(std::string(VELM_TEST_DATA) + "/scenes/reference.json"));
  RoundTrip(CapturableArt());
}

nlohmann::json Parse(const char* text) {
  return nlohmann::json::parse(text);
}

// Groups in groups, clipping, compound paths, every stroke and fill setting, colours of
// every kind, transparency and blending modes, curves.
TEST_F(LoaderTest, PathsGroupsAndTheirPaintComeBack) {
  ASSERT_TRUE(Open(Parse(R"({
    "hardOrigin": [120, -40],
    "customColors": [{"name": "Spot", "rgb": [0.2, 0.4, 0.6]},
                     {"name": "Lab", "other": [0.1, 0.2, 0.3, 0]}],
    "layers": [{"name": "Art", "art": [
      {"type": "group", "children": [
        {"type": "group", "clipped": true, "children": [
          {"type": "path", "points": [[30, 30], [90, 30], [60, 90]], "closed": true,
           "fill": null, "clip": true},
          {"type": "path", "points": [[0, 0], [120, 0], [120, 120], [0, 120]], "closed": true,
           "fill": {"cmyk": [0.1, 0.7, 0.2, 0.05]}, "blend": {"mode": "multiply", "opacity": 0.8}}
        ]},
        {"type": "compound", "fill": {"rgb": [0.9, 0.8, 0.1]}, "evenOdd": false,
         "stroke": {"color": {"gray": 0.6}, "width": 2.5, "dash": [6, 3, 1, 3],
                    "dashOffset": 2, "cap": "round", "join": "bevel", "miterLimit": 7},
         "children": [
          {"type": "path", "points": [[140, 10], [240, 10], [240, 110], [140, 110]], "closed": true},
          {"type": "path", "segments": [
             {"anchor": [190, 30], "in": [170, 30], "out": [210, 30], "corner": false},
             {"anchor": [220, 60], "in": [220, 40], "out": [220, 80], "corner": false},
             {"anchor": [190, 90], "in": [210, 90], "out": [170, 90], "corner": true}],
           "closed": true}]}
      ]},
      {"type": "path", "points": [[10, 140], [250, 175]], "closed": false, "fill": null,
       "stroke": {"color": "#ff8000", "width": 9, "cap": "projecting", "overprint": true},
       "blend": {"mode": "screen", "opacity": 0.35, "isolated": true, "knockout": "on",
                 "alphaIsShape": true}},
      {"type": "path", "points": [[260, 10], [330, 10], [330, 80], [260, 80]], "closed": true,
       "fill": {"custom": "Spot"}, "fillOverprint": true, "resolution": 1200},
      {"type": "path", "points": [[260, 100], [330, 100], [330, 170]], "closed": true,
       "fill": "none", "stroke": {"color": {"rgb": [0, 0.5, 0.25]}, "width": 1}}
    ]}]})")));
  RoundTrip(CapturableArt());
}

// Linear and radial gradient fills with turned, stretched and sheared matrices, in a
// document whose hard origin is not the usual one; a gradient stroke becomes gray 0.
TEST_F(LoaderTest, GradientFillsComeBackWithTheirMatrices) {
  ASSERT_TRUE(Open(Parse(R"({
    "hardOrigin": [-250, 700],
    "gradients": [
      {"name": "three", "type": "linear", "stops": [
        {"ramp": 0, "mid": 30, "color": "#ff0000"}, {"ramp": 40, "mid": 70, "color": {"gray": 0.5}},
        {"ramp": 100, "color": {"cmyk": [1, 0, 0, 0]}}]},
      {"name": "glow", "type": "radial", "stops": [
        {"ramp": 0, "color": "#ffffff"}, {"ramp": 100, "color": "#00a000"}]}],
    "layers": [{"name": "Art", "art": [
      {"type": "path", "points": [[0, 0], [160, 0], [160, 90], [0, 90]], "closed": true,
       "fill": {"gradient": "three", "length": 120,
                "matrix": [0.866025, 0.5, -0.5, 0.866025, 20, 15]}},
      {"type": "path", "points": [[180, 0], [300, 0], [300, 120], [180, 120]], "closed": true,
       "fill": {"gradient": "glow", "length": 50, "hiliteAngle": 45, "hiliteLength": 0.3,
                "matrix": [1.5, 0, 0.4, 0.75, 240, 60]}},
      {"type": "path", "points": [[320, 0], [400, 0], [400, 80], [320, 80]], "closed": true,
       "fill": {"gradient": "three", "origin": [10, 5], "angle": 30, "length": 60,
                "matrix": [1, 0, 0, 1, 330, 20]}}
    ]}]})")));
  RoundTrip(CapturableArt());
}

// Pattern fills and strokes; a pattern whose art has a group, a compound path and a
// clipping group; a pattern used inside another pattern's art; a pattern of a gradient
// and a mesh, which keep the definition's coordinates like its paths.
TEST_F(LoaderTest, PatternsComeBackWithTheirArtNestedAsItWas) {
  ASSERT_TRUE(Open(Parse(R"({
    "gradients": [{"name": "g", "type": "linear", "stops": [
      {"ramp": 0, "color": "#ffff00"}, {"ramp": 100, "color": "#ff0000"}]}],
    "patterns": [
      {"name": "shaded", "art": [
        {"type": "path", "points": [[0, 0], [30, 0], [30, 30], [0, 30]], "closed": true,
         "fill": {"gradient": "g", "length": 30, "matrix": [0, 1, -1, 0, 15, 0]}},
        {"type": "mesh", "kind": "cartesian", "i": 1, "j": 1, "area": [30, 30, 50, 0],
         "colors": ["#ff0000", "#00ff00", "#0000ff", "#ffffff"]}]},
      {"name": "dots", "art": [
        {"type": "path", "points": [[0, 0], [6, 0], [6, 6], [0, 6]], "closed": true, "fill": "#0000ff"},
        {"type": "path", "points": [[6, 6], [12, 6], [12, 12], [6, 12]], "closed": true, "fill": "#ffffff"}]},
      {"name": "nested", "art": [
        {"type": "group", "children": [
          {"type": "compound", "fill": "#c00000", "evenOdd": true, "children": [
            {"type": "path", "points": [[0, 0], [20, 0], [20, 20], [0, 20]], "closed": true},
            {"type": "path", "points": [[5, 5], [15, 5], [15, 15], [5, 15]], "closed": true}]},
          {"type": "group", "clipped": true, "children": [
            {"type": "path", "points": [[20, 0], [30, 0], [30, 10]], "closed": true, "fill": null, "clip": true},
            {"type": "path", "points": [[20, 0], [40, 0], [40, 20], [20, 20]], "closed": true,
             "fill": {"pattern": "dots"}}]}]},
        {"type": "path", "points": [[0, 20], [40, 20], [40, 24], [0, 24]], "closed": true, "fill": "#00ff00"}]}],
    "layers": [{"name": "Art", "art": [
      {"type": "path", "points": [[220, 50], [300, 50], [300, 110], [220, 110]], "closed": true,
       "fill": {"pattern": "shaded"}},
      {"type": "path", "points": [[30, 50], [100, 50], [100, 110], [30, 110]], "closed": true,
       "fill": {"pattern": "nested", "scale": [1, 1], "transform": [1, 0, 0, 1, 3, 4]}},
      {"type": "path", "points": [[120, 50], [200, 50], [200, 110], [120, 110]], "closed": true,
       "fill": {"pattern": "dots", "rotate": 15, "reflect": true},
       "stroke": {"color": {"pattern": "nested"}, "width": 8}}
    ]}]})")));
  RoundTrip(CapturableArt());
  // Every use has its own rebuilt pattern; the definition groups are gone.
  EXPECT_EQ(doc().patterns().size(), 3u + 4u + 2u);
}

// Point text in several runs (Japanese and Roman fonts, sizes, tracking, stroke, paragraph
// and tab settings), area text flowing through two paths, and text along a curve.
TEST_F(LoaderTest, TextComesBackWithItsRunsAndPaths) {
  ASSERT_TRUE(Open(Parse(R"({
    "layers": [{"name": "Art", "art": [
      {"type": "text", "textType": "point", "at": [10, 200], "runs": [
        {"text": "配置の", "font": "IPAGothic", "size": 24, "fill": "#c00000"},
        {"text": "Art ", "font": "Times-Roman", "size": 18, "fill": {"cmyk": [0, 0, 0, 1]},
         "stroke": {"color": "#0000ff", "width": 0.5}, "character": {"tracking": 50},
         "runValue": 2.5},
        {"text": "テスト\rline\ttwo", "font": "IPAMincho", "size": 14, "fill": "#008000",
         "paragraph": {"alignment": 0, "spaceBefore": 3, "letterSpacingMin": -5},
         "tabs": {"defaultSpacing": 24, "count": 1, "stops": [{"kind": 1, "leader": 46, "position": 60}]},
         "fontRecord": {"weight": 700}}]},
      {"type": "text", "textType": "area", "runs": [
        {"text": "Area text that flows from the first frame into the second one and on.",
         "font": "Helvetica", "size": 11}],
       "paths": [
         {"matrix": [1, 0, 0, 1, 0, 0], "points": [[10, 20], [110, 20], [110, 120], [10, 120]], "closed": true},
         {"matrix": [1, 0, 0, 1, 7, -3], "attribute": 5, "points": [[130, 20], [230, 20], [230, 120], [130, 120]], "closed": true}]},
      {"type": "text", "textType": "path", "runs": [
        {"text": "along the curve", "font": "Courier", "size": 12, "fill": "#800080"}],
       "paths": [{"matrix": [1, 0, 0, 1, 0, 0], "closed": false, "segments": [
         {"anchor": [250, 20], "in": [250, 20], "out": [280, 120], "corner": false},
         {"anchor": [380, 40], "in": [340, 140], "out": [380, 40], "corner": false}]}]}
    ]}]})")));
  RoundTrip(CapturableArt());
}

// Rasters of every colour space and of sizes that end inside a tile, turned and scaled,
// with their flags and extra value; a mesh of 3 × 2 patches with curved edges and a polar
// mesh; a raster and a mesh with transparency.
TEST_F(LoaderTest, RastersAndMeshesComeBackPixelForPixelAndNodeForNode) {
  std::string rgb, gray, argb, cmyk;
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 45; ++x) {
      char px[16];
      std::snprintf(px, sizeof px, "%02x%02x%02x", x * 5, y * 7, (x * y) & 0xff);
      rgb += px;
    }
  for (int i = 0; i < 70 * 3; ++i) {
    char px[4];
    std::snprintf(px, sizeof px, "%02x", (i * 37) & 0xff);
    gray += px;
  }
  for (int i = 0; i < 5 * 5; ++i)
    argb += i % 2 ? "80ff0000" : "ff00ff00";
  for (int i = 0; i < 2 * 3; ++i)
    cmyk += "00804000";
  nlohmann::json scene = Parse(R"({
    "layers": [{"name": "Art", "art": [
      {"type": "raster", "id": "rgb", "width": 45, "height": 33, "colorSpace": "rgb",
       "matrix": [2, 0, 0, -2, 10, 200], "flags": 3, "extra": 7},
      {"type": "raster", "id": "gray", "width": 70, "height": 3, "colorSpace": "gray",
       "matrix": [0, -1.5, -1.5, 0, 120, 200]},
      {"type": "raster", "id": "argb", "width": 5, "height": 5, "colorSpace": "argb",
       "matrix": [8, 0, 0, -8, 150, 200], "blend": {"opacity": 0.6}},
      {"type": "raster", "id": "cmyk", "width": 2, "height": 3, "colorSpace": "cmyk",
       "matrix": [10, 0, 0, -10, 200, 200]},
      {"type": "mesh", "kind": "cartesian", "i": 3, "j": 2, "area": [10, 110, 130, 10],
       "colors": ["#ff0000", "#00ff00", "#0000ff", "#ffff00", "#00ffff", "#ff00ff",
                  {"gray": 0.5}, {"cmyk": [0.2, 0.1, 0.8, 0]}, "#ffffff", "#000000",
                  "#808080", "#404040"],
       "iEdges": [[[30, 10], [50, 0]], [[55, 10], [75, 20]], [[90, 10], [110, 5]],
                  [[30, 60], [50, 70]], [[60, 60], [80, 50]], [[95, 60], [115, 60]],
                  [[30, 110], [50, 115]], [[60, 110], [80, 110]], [[95, 110], [115, 100]]]},
      {"type": "mesh", "kind": "polar", "i": 2, "j": 4, "area": [150, 110, 250, 10],
       "colors": ["#ff0000", "#ff0000", "#ff0000", "#ff0000", "#ff0000",
                  "#00ff00", "#0000ff", "#00ff00", "#0000ff", "#00ff00",
                  "#ffffff", "#000000", "#ffffff", "#000000", "#ffffff"],
       "blend": {"mode": "multiply"}}
    ]}]})");
  scene["layers"][0]["art"][0]["pixels"] = rgb;
  scene["layers"][0]["art"][1]["pixels"] = gray;
  scene["layers"][0]["art"][2]["pixels"] = argb;
  scene["layers"][0]["art"][3]["pixels"] = cmyk;
  ASSERT_TRUE(Open(scene));
  RoundTrip(CapturableArt());
}

// Art with an effect comes back as what its appearance draws; plug-in art as its result
// art; together with opacity below 1 (which keeps the path itself).
TEST_F(LoaderTest, StyledAndPluginArtComeBackAsTheyAreDrawn) {
  ASSERT_TRUE(Open(Parse(R"({
    "pluginGroups": ["Twirl"],
    "layers": [{"name": "Art", "art": [
      {"type": "path", "effect": {"shadow": [6, -6], "color": "#808080"},
       "points": [[0, 0], [60, 0], [60, 60], [0, 60]], "closed": true, "fill": "#00ffff"},
      {"type": "plugin", "group": "Twirl", "version": [1, 2], "data": "0102",
       "edit": [{"type": "path", "points": [[80, 0], [140, 0], [110, 60]], "closed": true, "fill": "#ff8000"}]},
      {"type": "path", "effect": {"shadow": [6, -6], "color": "#808080"}, "blend": {"opacity": 0.5},
       "points": [[160, 0], [220, 0], [220, 60], [160, 60]], "closed": true, "fill": "#ff00ff"}
    ]}]})")));
  std::vector<hostsim::Art*> arts = CapturableArt();
  // The half-transparent path is captured as the path alone: its picture has no shadow.
  RoundTrip({arts[0], arts[1]});
}

// Groups nested as deep as the capture writes their markers (1023 levels) come back
// whole, as one level less does. One level more, the capture leaves the innermost group
// out, and its path comes back in the deepest group.
TEST_F(LoaderTest, GroupsNestedAsDeepAsTheCaptureGoesComeBackWhole) {
  for (int levels : {1022, 1023, 1024}) {
    SCOPED_TRACE(levels);
    hostsim::Art* outer = nullptr;
    hostsim::Art* inner = nullptr;
    for (int i = 0; i < levels; ++i) {
      hostsim::Art* group = doc().Create(host::kGroupArt);
      ASSERT_EQ(doc().Insert(group, inner ? host::kPlaceInsideOnTop : host::kPlaceAboveAll, inner),
                host::kNoErr);
      if (!outer) outer = group;
      inner = group;
    }
    hostsim::Art* path = doc().Create(host::kPathArt);
    ASSERT_EQ(doc().Insert(path, host::kPlaceInsideOnTop, inner), host::kNoErr);
    for (auto [x, y] : {std::pair{10.0f, 10.0f}, {40.0f, 10.0f}, {40.0f, 30.0f}})
      path->segments.push_back({{x, y}, {x, y}, {x, y}, 1});
    path->closed = true;
    path->style.fillPaint = 1;
    if (levels <= 1023) {
      RoundTrip({outer});
    } else {
      doc().Select(outer, true);
      ASSERT_EQ(velm::VelmPostArt(), host::kNoErr);
      ASSERT_EQ(velm::WriteGroupRecord("deep", -1), host::kNoErr);
      doc().SetCurrentLayer(doc().NewLayer("Placed", 0));
      velm::gGlobals->dropPoint = {0, 0};
      EXPECT_EQ(velm::VelmLoadArt("deep", velm::gGlobals->currentRecordIndex), host::kNoErr);
      int depth = 0;
      hostsim::Art* art = LayerGroup()->children.at(0);
      for (; art->type == host::kGroupArt && art->children.size() == 1; art = art->children[0])
        ++depth;
      EXPECT_EQ(depth, 1023);
      EXPECT_EQ(art->type, host::kPathArt);
    }
    doc().Dispose(outer);
  }
}

// What the capture reduces on purpose comes back reduced: custom colours as their
// full-strength definitions (or, with another definition, as a custom colour without
// one), gradients on strokes and in text as gray 0. The pictures differ by design.
TEST_F(LoaderTest, WhatTheCaptureReducesComesBackReduced) {
  ASSERT_TRUE(Open(Parse(R"({
    "customColors": [{"name": "Spot", "rgb": [0.2, 0.4, 0.6]},
                     {"name": "Lab", "other": [0.1, 0.2, 0.3, 0]}],
    "gradients": [{"name": "g", "type": "linear", "stops": [
      {"ramp": 0, "color": "#ff0000"}, {"ramp": 100, "color": {"custom": "Spot", "tint": 0.3}}]}],
    "layers": [{"name": "Art", "art": [
      {"type": "path", "points": [[0, 0], [50, 0], [50, 50]], "closed": true,
       "fill": {"custom": "Spot", "tint": 0.4}, "stroke": {"color": {"custom": "Lab"}, "width": 2}},
      {"type": "path", "points": [[60, 0], [110, 0], [110, 50]], "closed": true,
       "fill": {"gradient": "g", "length": 50, "matrix": [1, 0, 0, 1, 60, 0]},
       "stroke": {"color": {"gradient": "g", "length": 20}, "width": 4}},
      {"type": "text", "at": [0, 80], "runs": [{"text": "abc", "font": "Helvetica", "size": 20,
        "fill": {"gradient": "g", "length": 30}}]}
    ]}]})")));
  RoundTrip(CapturableArt(), false);
}

// The comparison itself sees what a placement could get wrong.
TEST_F(LoaderTest, TheComparisonSeesEveryKindOfDifference) {
  ASSERT_TRUE(OpenFile(std::string(VELM_TEST_DATA) + "/scenes/reference.json"));
  auto check = [&](const char* id, auto change) {
    SCOPED_TRACE(id);
    hostsim::Art* original = doc().FindById(id);
    ASSERT_NE(original, nullptr);
    hostsim::Art* copy = doc().Copy(original);
    EXPECT_EQ(CompareArt(doc(), original, copy), "");
    change(copy);
    EXPECT_NE(CompareArt(doc(), original, copy), "");
  };
  check("red-square", [](hostsim::Art* a) { a->segments[2].anchor.h += 0.01f; });
  check("red-square", [](hostsim::Art* a) { a->style.stroke.width = 5; });
  check("half-blue", [](hostsim::Art* a) { a->blend.opacity = 0.75f; });
  check("linear-gradient", [](hostsim::Art* a) { a->style.fill.color.c.gradient.matrix.ty += 1; });
  check("clip-group", [](hostsim::Art* a) { a->clipped = false; });
  check("donut", [](hostsim::Art* a) { a->children.pop_back(); });
  check("text", [](hostsim::Art* a) { a->text.bytes[0] = 'x'; });
  check("text", [](hostsim::Art* a) { a->text.sets[0].character.tracking = 10; });
  check("raster", [](hostsim::Art* a) { a->raster.pixels[5] ^= 1; });
  check("mesh", [](hostsim::Art* a) { a->mesh.nodes[3].color.c.rgb.green = 0.5f; });
  check("mesh", [](hostsim::Art* a) { a->mesh.iEdges[0].control[1].v += 1; });
  // A pattern fill compares by the art of a rebuilt pattern, wherever that art lies.
  hostsim::Art* filled = doc().FindById("pattern-fill");
  hostsim::Art* copy = doc().Copy(filled);
  hostsim::Pattern* rebuilt = doc().NewPattern();
  rebuilt->art = doc().Copy(doc().PatternFrom(filled->style.fill.color.c.pattern.pattern)->art);
  copy->style.fill.color.c.pattern.pattern = reinterpret_cast<host::PatternHandle>(rebuilt);
  EXPECT_NE(CompareArt(doc(), filled, filled), "");  // not rebuilt at all
  hostsim::TransformArtGeometry(rebuilt->art, {1, 0, 0, 1, 30, 40}, 1, host::kTransformObjects);
  EXPECT_EQ(CompareArt(doc(), filled, copy), "");
  rebuilt->art->children[1]->style.fill.color.c.rgb.red = 0.5f;
  EXPECT_NE(CompareArt(doc(), filled, copy), "");
}

}  // namespace
}  // namespace velmtest
