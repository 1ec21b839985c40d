// Scenes: every art type of the reference scene walked through the suites as the plug-in
// walks it, scenes written and read back, invalid scenes refused with the place named,
// and the builder.
#include <cstring>

#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

namespace sc = hostsim::scene;

class SceneTest : public DocumentTest {
 protected:
  void OpenReference() {
    std::string error;
    ASSERT_TRUE(hostsim::OpenSceneFile(
        host(), std::string(VELM_TEST_DATA) + "/scenes/reference.json", &error))
        << error;
  }
  const host::ArtSuite& art() { return Suite<host::ArtSuite>(); }
  std::int32_t TypeOf(host::ArtHandle a) {
    std::int32_t t = -1;
    EXPECT_EQ(art().GetArtType(a, &t), host::kNoErr);
    return t;
  }
  std::vector<host::ArtHandle> Children(host::ArtHandle container) {
    std::vector<host::ArtHandle> list;
    host::ArtHandle child = nullptr;
    EXPECT_EQ(art().GetArtFirstChild(container, &child), host::kNoErr);
    for (; child; art().GetArtSibling(child, &child))
      list.push_back(child);
    return list;
  }
  // What a scene read from `json` says is wrong (empty when it is valid).
  std::string ErrorOf(const nlohmann::json& json) {
    std::string error;
    return hostsim::ReadScene(json, "test.json", &error) ? std::string() : error;
  }
};

TEST_F(SceneTest, TheReferenceSceneWalksLikeTheDocumentThePluginSees) {
  OpenReference();
  const auto& layers = Suite<host::LayerSuite>();
  std::int32_t count = 0;
  ASSERT_EQ(layers.CountLayers(&count), host::kNoErr);
  ASSERT_EQ(count, 2);
  host::LayerHandle hidden = nullptr, current = nullptr;
  layers.GetNthLayer(0, &hidden);
  layers.GetCurrentLayer(&current);
  host::Boolean visible = 1;
  layers.GetLayerVisible(hidden, &visible);
  EXPECT_FALSE(visible);
  host::ArtHandle group = nullptr;
  ASSERT_EQ(art().GetFirstArtOfLayer(current, &group), host::kNoErr);
  std::map<std::int32_t, int> types;
  int selected = 0;
  for (host::ArtHandle a : Children(group)) {
    ++types[TypeOf(a)];
    std::int32_t attr = 0;
    art().GetArtUserAttr(a, host::kArtSelected, &attr);
    selected += attr != 0;
  }
  EXPECT_EQ(types[host::kPathArt], 9);
  EXPECT_EQ(types[host::kGroupArt], 1);
  EXPECT_EQ(types[host::kCompoundPathArt], 1);
  EXPECT_EQ(types[host::kTextArt], 1);
  EXPECT_EQ(types[host::kRasterArt], 1);
  EXPECT_EQ(types[host::kMeshArt], 1);
  EXPECT_EQ(types[host::kPluginArt], 1);
  EXPECT_EQ(types[host::kPlacedArt], 1);
  EXPECT_EQ(selected, 2);
  // A selected compound path's paths are selected too.
  for (host::ArtHandle p : Children(ArtNamed("donut"))) {
    std::int32_t attr = 0;
    art().GetArtUserAttr(p, host::kArtSelected, &attr);
    EXPECT_EQ(attr, host::kArtSelected);
  }
  host::Boolean clipped = 0;
  ASSERT_EQ(Suite<host::GroupSuite>().GetGroupClipped(ArtNamed("clip-group"), &clipped),
            host::kNoErr);
  EXPECT_TRUE(clipped);

  // The text reads back as the Shift-JIS of its characters.
  const auto& streams = Suite<host::TextStreamSuite>();
  host::TextStreamHandle s = nullptr;
  ASSERT_EQ(streams.OpenTextStream(ArtNamed("text"), host::kTextStreamRead, &s), host::kNoErr);
  char bytes[64];
  std::int32_t read = 0;
  ASSERT_EQ(streams.ReadText(s, bytes, 64, &read), host::kNoErr);
  EXPECT_EQ(std::string(bytes, static_cast<std::size_t>(read)),
            hostsim::ToSjis("日本語のテキスト"));
  host::CharacterAttributes ca{};
  ASSERT_EQ(streams.GetCharacterAttributes(s, &ca), host::kNoErr);
  EXPECT_EQ(ca.fontSize, 24.0f);
  streams.CloseTextStream(s);

  host::RasterRecord info{};
  ASSERT_EQ(Suite<host::RasterSuite>().GetRasterInfo(ArtNamed("raster"), &info), host::kNoErr);
  EXPECT_EQ(info.bounds.right, 4);
  EXPECT_EQ(info.bitsPerPixel, 24);
  std::int32_t i = 0, j = 0;
  ASSERT_EQ(Suite<host::MeshSuite>().GetMeshSize(ArtNamed("mesh"), &i, &j), host::kNoErr);
  EXPECT_EQ(i * j, 1);
  host::ArtHandle result = nullptr;
  ASSERT_EQ(Suite<host::PluginGroupSuite>().GetPluginArtResultArt(ArtNamed("plugin"), &result),
            host::kNoErr);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(TypeOf(result), host::kGroupArt);
  host::ArtHandle styled = nullptr;
  ASSERT_EQ(Suite<host::ArtStyleSuite>().GetStyledArt(ArtNamed("shadowed"), &styled), host::kNoErr);
  EXPECT_NE(styled, ArtNamed("shadowed"));
  // The pattern fill names a pattern whose art is the two squares.
  host::PathStyle style;
  ASSERT_EQ(Suite<host::PathStyleSuite>().GetPathStyle(ArtNamed("pattern-fill"), &style),
            host::kNoErr);
  ASSERT_EQ(style.fill.color.kind, host::kPatternColor);
  host::ArtHandle tile = nullptr;
  ASSERT_EQ(Suite<host::PatternSuite>().GetPatternArt(style.fill.color.c.pattern.pattern, &tile),
            host::kNoErr);
  EXPECT_EQ(Children(tile).size(), 2u);
  // The custom colour in the plug-in art's result.
  ASSERT_EQ(Suite<host::PathStyleSuite>().GetPathStyle(Children(result)[0], &style), host::kNoErr);
  ASSERT_EQ(style.fill.color.kind, host::kCustomColor);
  host::CustomColorDefinition def{};
  ASSERT_EQ(Suite<host::CustomColorSuite>().GetCustomColor(style.fill.color.c.custom.color, &def),
            host::kNoErr);
  EXPECT_EQ(def.c.process.yellow, 1.0f);
}

TEST_F(SceneTest, AWrittenSceneReadsBackTheSame) {
  OpenReference();
  // Give the text attributes that only the full records carry.
  hostsim::TextAttributes& set = doc().ArtFrom(ArtNamed("text"))->text.sets[0];
  set.paragraph.flags = 0x1234;
  set.tabs.stops[1].leader = '.';
  set.character.tracking = 50;
  doc().ArtFrom(ArtNamed("red-square"))->blend = {2, 0.75f, true, 1, true};
  const nlohmann::json first = hostsim::WriteScene(doc());
  std::string error;
  std::unique_ptr<hostsim::Document> again = hostsim::ReadScene(first, "written", &error);
  ASSERT_NE(again, nullptr) << error;
  EXPECT_EQ(hostsim::WriteScene(*again), first);
  const hostsim::Art* text = again->FindById("text");
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(hostsim::SameAttributes(text->text.sets[0], set));
  EXPECT_EQ(text->text.bytes, hostsim::ToSjis("日本語のテキスト"));
  EXPECT_EQ(again->FindById("raster")->raster.pixels, doc().FindById("raster")->raster.pixels);
}

TEST_F(SceneTest, InvalidScenesNameThePlaceAndWhatIsWrong) {
  const nlohmann::json good = sc::Scene().Layer("L", {sc::Rect(0, 0, 10, 10)}).json();
  EXPECT_EQ(ErrorOf(good), "");

  nlohmann::json bad = good;
  bad["layers"][0]["art"][0]["points"][2] = {1};
  EXPECT_EQ(ErrorOf(bad), "test.json: /layers/0/art/0/points/2: expected a point [h, v]");
  bad = good;
  bad["layers"][0]["art"][0]["fil"] = "#ff0000";
  EXPECT_EQ(ErrorOf(bad), "test.json: /layers/0/art/0/fil: unknown key \"fil\" for path art");
  bad = good;
  bad["layers"][0]["art"][0]["fill"] = {{"gradient", "nowhere"}};
  EXPECT_EQ(ErrorOf(bad),
            "test.json: /layers/0/art/0/fill/gradient: no gradient named \"nowhere\"");
  bad = good;
  bad["layers"][0]["art"].push_back(bad["layers"][0]["art"][0]);
  bad["layers"][0]["art"][0]["id"] = "twice";
  bad["layers"][0]["art"][1]["id"] = "twice";
  EXPECT_EQ(ErrorOf(bad), "test.json: /layers/0/art/1/id: a second art with the id \"twice\"");
  bad = good;
  bad["layers"][0]["art"][0]["type"] = "blob";
  EXPECT_NE(ErrorOf(bad).find("/layers/0/art/0/type: unknown art type \"blob\""),
            std::string::npos);
  bad = good;
  bad["layers"] = nlohmann::json::array();
  EXPECT_EQ(ErrorOf(bad), "test.json: /layers: a scene needs at least one layer");
  bad = sc::Scene().Layer("L", {sc::Raster(2, 2, "ff0000", 0, 0, 1)}).json();
  EXPECT_NE(ErrorOf(bad).find("/layers/0/art/0/pixels: expected 12 bytes"), std::string::npos);
  bad = sc::Scene()
            .Layer("L", {sc::Text("x", 0, 0, 12).Set("runs", {{{"text", "x"}, {"font", "Nope"}}})})
            .json();
  EXPECT_EQ(ErrorOf(bad), "test.json: /layers/0/art/0/runs/0/font: the host has no font \"Nope\"");
  bad = sc::Scene().Layer("L", {sc::Compound({sc::Group({})})}).json();
  EXPECT_EQ(ErrorOf(bad),
            "test.json: /layers/0/art/0/children/0: a compound path holds only paths");

  nlohmann::json deep = sc::Rect(0, 0, 1, 1).json();
  std::string where = "/layers/0/art";
  for (int i = 0; i < 1030; ++i) {
    deep = {{"type", "group"}, {"children", nlohmann::json::array({deep})}};
    if (i < 1024) where += i == 0 ? "/0" : "/children/0";
  }
  bad = good;
  bad["layers"][0]["art"][0] = deep;
  EXPECT_EQ(ErrorOf(bad),
            "test.json: " + where + "/children: art nested more than 1024 levels deep");

  std::string error;
  // Broken syntax, and a number beyond a double (found by fuzzing: it ended the program).
  for (const char* text : {"{\"layers\": [", "{\"layers\": [], \"zoom\": 0.7529e412}"}) {
    EXPECT_EQ(hostsim::ReadSceneText(text, "broken.json", &error), nullptr);
    EXPECT_EQ(error.rfind("broken.json: not valid JSON", 0), 0u) << error;
  }
  EXPECT_EQ(hostsim::ReadSceneFile("/no/such/scene.json", &error), nullptr);
  EXPECT_EQ(error, "/no/such/scene.json: cannot be read");
}

TEST_F(SceneTest, AnInvalidSceneLeavesTheOpenDocumentAlone) {
  OpenReference();
  hostsim::Document* before = host().document();
  nlohmann::json bad = sc::Scene().Layer("L", {sc::Rect(0, 0, 10, 10).Fill("#12345")}).json();
  std::string error;
  EXPECT_FALSE(hostsim::OpenScene(host(), bad, &error));
  EXPECT_EQ(error,
            "scene: /layers/0/art/0/fill: expected \"none\", \"#rrggbb\" or a colour object");
  EXPECT_EQ(host().document(), before);
  EXPECT_NE(doc().FindById("red-square"), nullptr);
}

TEST_F(SceneTest, TheBuilderMakesEveryKindOfArt) {
  const nlohmann::json scene =
      sc::Scene()
          .Gradient("g", "radial", {{0, sc::Rgb(1, 1, 1)}, {100, sc::Gray(1)}})
          .Pattern("p", {sc::Rect(0, 0, 5, 5).Fill(sc::Cmyk(0, 0, 0, 1))})
          .CustomColor("spot", "rgb", {0.2, 0.4, 0.6})
          .PluginGroup("Twirl")
          .Layer(
              "Top",
              {sc::Group({sc::Rect(0, 0, 10, 10).Fill(sc::GradientFill("g", 5, {1, 0, 0, 1, 5, 5})),
                          sc::Rect(20, 0, 30, 10).Fill(sc::PatternFill("p"))})
                   .Id("g1")
                   .Selected(),
               sc::ClipGroup({sc::Rect(0, 0, 5, 5).Clip().Fill(sc::None()),
                              sc::Rect(0, 0, 9, 9).Fill(sc::Custom("spot", 0.5))}),
               sc::Compound({sc::Rect(0, 0, 9, 9), sc::Rect(2, 2, 4, 4)}).EvenOdd(),
               sc::Text("あ", 1, 2, 10).Id("t"), sc::Raster(1, 1, "ff8000", 0, 10, 1),
               sc::Mesh(1, 1, 0, 0, 10, 10, {sc::Gray(0), sc::Gray(1), sc::Gray(0), sc::Gray(1)}),
               sc::Path({{0, 0}, {5, 5}}, false)
                   .Stroke(sc::Rgb(1, 0, 0), 2)
                   .Opacity(0.5)
                   .Blend("multiply")})
          .Layer("Bottom", {})
          .json();
  std::string error;
  ASSERT_TRUE(hostsim::OpenScene(host(), scene, &error)) << error;
  ASSERT_EQ(doc().layers().size(), 2u);
  EXPECT_EQ(doc().currentLayer()->name, "Top");
  const hostsim::Art* g1 = doc().FindById("g1");
  ASSERT_NE(g1, nullptr);
  EXPECT_TRUE(g1->children[1]->attributes & host::kArtSelected);
  EXPECT_EQ(g1->children[0]->style.fill.color.kind, host::kGradientColor);
  const std::vector<hostsim::Art*>& top = doc().currentLayer()->group->children;
  ASSERT_EQ(top.size(), 7u);
  EXPECT_TRUE(top[1]->clipped);
  EXPECT_TRUE(top[2]->children[1]->style.evenOdd);
  EXPECT_EQ(doc().FindById("t")->children[0]->textPathMatrix.ty, 2.0f);
  EXPECT_EQ(top[4]->raster.pixels, (std::vector<std::uint8_t>{0xFF, 0x80, 0x00}));
  EXPECT_EQ(top[5]->mesh.Node(0, 1).color.c.gray.gray, 1.0f);
  EXPECT_EQ(top[6]->blend.mode, 1);
  EXPECT_EQ(top[6]->blend.opacity, 0.5f);
  EXPECT_FALSE(top[6]->style.fillPaint == 0 && false);
}

}  // namespace
}  // namespace velmtest
