// The private keys of a written SVG after another program edited the file: they are
// applied only while nothing they stand for changed (the element's transform from above,
// what it holds, what it refers to), so an edit is never undone on reading it back.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg_writer.h"

namespace {

namespace sc = hostsim::scene;
using nlohmann::json;

std::string Attr(xmlNode* n, const char* name, const char* ns = nullptr) {
  xmlChar* v = ns ? xmlGetNsProp(n, BAD_CAST name, BAD_CAST ns) : xmlGetNoNsProp(n, BAD_CAST name);
  std::string s = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return s;
}

// The first element below `n` (itself included), in document order, that `match` takes.
xmlNode* Find(xmlNode* n, const std::function<bool(xmlNode*)>& match) {
  for (; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    if (match(n)) return n;
    if (xmlNode* found = Find(n->children, match)) return found;
  }
  return nullptr;
}

xmlNode* Named(xmlNode* root, const std::string& name) {
  return Find(root, [&](xmlNode* n) { return name == reinterpret_cast<const char*>(n->name); });
}

// The element whose keys give it the scene id `id`.
xmlNode* WithId(xmlNode* root, const std::string& id) {
  return Find(root, [&](xmlNode* n) {
    const std::string keys = Attr(n, "keys", hostsim::kVelmSvgNamespace);
    return !keys.empty() && json::parse(keys).value("id", "") == id;
  });
}

void Set(xmlNode* n, const char* name, const std::string& value) {
  ASSERT_TRUE(n) << name;
  xmlSetProp(n, BAD_CAST name, BAD_CAST value.c_str());
}

// `svg` parsed, edited by `edit` and written out again by libxml2 (its own layout).
std::string Edited(const std::string& svg, const std::function<void(xmlNode* root)>& edit) {
  xmlDoc* doc = xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "t.svg", nullptr,
                              XML_PARSE_NONET | XML_PARSE_HUGE);
  EXPECT_TRUE(doc);
  if (!doc) return {};
  edit(xmlDocGetRootElement(doc));
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpMemory(doc, &text, &size);
  std::string out(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
  xmlFree(text);
  xmlFreeDoc(doc);
  return out;
}

host::RealRect Bounds(hostsim::Document& doc, std::size_t index) {
  host::RealRect box{};
  const auto& art = doc.layers()[0]->group->children;
  EXPECT_LT(index, art.size());
  if (index < art.size()) {
    EXPECT_TRUE(hostsim::ArtBounds(doc, art[index], &box));
  }
  return box;
}

const json* GradientNamed(const json& scene, const std::string& name) {
  if (scene.contains("gradients"))
    for (const json& g : scene["gradients"])
      if (g.value("name", "") == name) return &g;
  return nullptr;
}

TEST(SvgKeysTest, AnEditInAnotherProgramIsReadAndNeverUndoneByTheKeys) {
  const sc::Art circle =
      sc::Art("path")
          .Set("closed", true)
          .Set("segments", {{{"anchor", {110, 10}}, {"in", {110, 4.5}}, {"out", {110, 15.5}}},
                            {{"anchor", {100, 20}}, {"in", {105.5, 20}}, {"out", {94.5, 20}}},
                            {{"anchor", {90, 10}}, {"in", {90, 15.5}}, {"out", {90, 4.5}}},
                            {{"anchor", {100, 0}}, {"in", {94.5, 0}}, {"out", {105.5, 0}}}})
          .Fill(sc::Cmyk(0, 0.5, 1, 0))
          .Id("circle");
  // Topmost first: the layer's art in this order is read back in this order.
  const json scene =
      sc::Scene()
          .Gradient("Red to blue", "linear", {{0, "#ff0000"}, {100, "#0000ff"}})
          .Pattern("Dots", {sc::Rect(0, 0, 4, 4).Fill("#000000")})
          .Layer("L", {sc::Rect(0, 40, 20, 60).Fill(sc::PatternFill("Dots")).Id("patterned"),
                       sc::ClipGroup({sc::Rect(40, 40, 60, 60).Clip(),
                                      sc::Rect(30, 30, 70, 70).Fill(sc::Gray(0.25))})
                           .Id("clipped"),
                       sc::Group({sc::Rect(80, 40, 100, 60).Fill(sc::Gray(0.5)).Id("in-group")})
                           .Id("group"),
                       sc::Rect(60, 0, 80, 20).Fill("#336699").Id("plain"), circle,
                       sc::Rect(0, 0, 40, 20)
                           .Fill(sc::GradientFill("Red to blue", 40, {1, 0, 0, 1, 0, 0}))
                           .Id("gradient")})
          .json();
  enum { kPatterned, kClipped, kGroup, kPlain, kCircle, kGradient };
  std::string error;
  auto original = hostsim::ReadScene(scene, "t", &error);
  ASSERT_TRUE(original) << error;
  const std::string svg = hostsim::WriteSvg(*original);
  const json written = hostsim::WriteScene(*original);

  struct Case {
    const char* what;
    std::function<void(xmlNode* root)> edit;
    // What the document read back holds, against the original.
    std::function<void(const json& read, hostsim::Document& doc)> expect;
  };
  auto moved = [&](hostsim::Document& doc, std::size_t index, double dx, double dy) {
    const host::RealRect a = Bounds(*original, index), b = Bounds(doc, index);
    EXPECT_FLOAT_EQ(b.left, a.left + dx) << index;
    EXPECT_FLOAT_EQ(b.bottom, a.bottom + dy) << index;
  };
  auto firstStopYellow = [](xmlNode* root) {
    Set(Named(Named(root, "linearGradient"), "stop"), "stop-color", "#ffff00");
  };
  auto layerMoved = [](xmlNode* root) {
    xmlNode* layer = Find(
        root, [](xmlNode* n) { return !Attr(n, "layer", hostsim::kVelmSvgNamespace).empty(); });
    Set(layer, "transform", "translate(50 0) " + Attr(layer, "transform"));
  };
  auto stopIsYellow = [](const json& read, hostsim::Document&) {
    const json& fill = read["layers"][0]["art"][kGradient]["fill"];
    const json* g = GradientNamed(read, fill.value("gradient", ""));
    ASSERT_TRUE(g) << fill.dump();
    EXPECT_EQ((*g)["stops"][0]["color"], "#ffff00") << g->dump();
  };
  auto allMoved = [&](const json& read, hostsim::Document& doc) {
    for (std::size_t i = kPatterned; i <= kGradient; ++i)
      moved(doc, i, 50, 0);
    // The gradient goes with its shape.
    const json& before = written["layers"][0]["art"][kGradient]["fill"]["matrix"];
    const json& after = read["layers"][0]["art"][kGradient]["fill"]["matrix"];
    EXPECT_NEAR(after[4].get<double>(), before[4].get<double>() + 50, 1e-4) << after.dump();
  };
  const Case cases[] = {
      {"untouched", [](xmlNode*) {},
       [&](const json& read, hostsim::Document& doc) {
         EXPECT_EQ(hostsim::WriteScene(doc)["layers"], written["layers"]);
         EXPECT_EQ(read["gradients"], written["gradients"]);
       }},
      {"first stop colour", firstStopYellow, stopIsYellow},
      {"layer transform", layerMoved, allMoved},
      {"first stop colour and layer transform",
       [&](xmlNode* root) {
         firstStopYellow(root);
         layerMoved(root);
       },
       [&](const json& read, hostsim::Document& doc) {
         stopIsYellow(read, doc);
         allMoved(read, doc);
       }},
      {"ancestor group transform",
       [](xmlNode* root) { Set(WithId(root, "group"), "transform", "translate(0 30)"); },
       [&](const json&, hostsim::Document& doc) {
         moved(doc, kGroup, 0, 30);
         const auto& inside = doc.layers()[0]->group->children[kGroup]->children;
         ASSERT_EQ(inside.size(), 1u);
         host::RealRect box{};
         ASSERT_TRUE(hostsim::ArtBounds(doc, inside[0], &box));
         EXPECT_FLOAT_EQ(box.bottom, 70);
       }},
      {"child inside a clip group",
       [](xmlNode* root) {
         xmlNode* group = WithId(root, "clipped");
         ASSERT_TRUE(group);
         Set(Named(group->children, "path"), "fill", "#00ff00");
       },
       [](const json& read, hostsim::Document&) {
         const json& group = read["layers"][0]["art"][kClipped];
         // Read from its SVG: the clip group inside the group that carried the keys.
         EXPECT_NE(group.dump().find("\"clipped\":true"), std::string::npos) << group.dump();
         EXPECT_NE(group.dump().find("#00ff00"), std::string::npos) << group.dump();
       }},
      {"referenced gradient attribute",
       [](xmlNode* root) {
         Set(Named(root, "linearGradient"), "gradientTransform", "matrix(1 0 0 1 10 0)");
       },
       [&](const json& read, hostsim::Document&) {
         const json& before = written["layers"][0]["art"][kGradient]["fill"]["matrix"];
         const json& after = read["layers"][0]["art"][kGradient]["fill"]["matrix"];
         EXPECT_NEAR(after[4].get<double>(), before[4].get<double>() + 10, 1e-4) << after.dump();
       }},
      {"referenced pattern attribute",
       [](xmlNode* root) { Set(Named(root, "pattern"), "width", "8"); },
       [](const json& read, hostsim::Document&) {
         // Read from its SVG: a pattern whose tile (its clip rectangle) is 8 wide.
         const json& fill = read["layers"][0]["art"][kPatterned]["fill"];
         ASSERT_TRUE(fill.is_object() && fill.contains("pattern")) << fill.dump();
         double left = 1e9, right = -1e9;
         for (const json& p : read["patterns"])
           if (p["name"] == fill["pattern"])
             for (const json& point : p["art"][0]["children"][0]["points"]) {
               left = std::min(left, point[0].get<double>());
               right = std::max(right, point[0].get<double>());
             }
         EXPECT_NEAR(right - left, 8, 1e-6) << read["patterns"].dump();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    hostsim::SvgDocument read;
    ASSERT_TRUE(hostsim::ReadSvgText(Edited(svg, c.edit), "t.svg", &read, &error)) << error;
    auto doc = hostsim::ReadScene(read.scene, "t.svg", &error);
    ASSERT_TRUE(doc) << error;
    ASSERT_EQ(doc->layers()[0]->group->children.size(), 6u);
    c.expect(read.scene, *doc);
    // What the edit did not reach keeps its keys: the plain rectangle its id.
    if (std::string(c.what).find("layer") == std::string::npos) {
      EXPECT_EQ(read.scene["layers"][0]["art"][kPlain].value("id", ""), "plain");
    }
  }
}

// What the keys stand for reaches past the element: through a template its definition
// refers to (href), and through the style its ancestors give it.
TEST(SvgKeysTest, AnEditThroughATemplateOrAnAncestorsStyleRefusesTheKeys) {
  const json scene =
      sc::Scene()
          .Gradient("Red to blue", "linear", {{0, "#ff0000"}, {100, "#0000ff"}})
          .Layer("L", {sc::Group({sc::Rect(80, 40, 100, 60).Fill(sc::Gray(0.5)).Id("in-group")})
                           .Id("group"),
                       sc::Rect(0, 0, 40, 20)
                           .Fill(sc::GradientFill("Red to blue", 40, {1, 0, 0, 1, 0, 0}))
                           .Id("gradient")})
          .json();
  std::string error;
  auto original = hostsim::ReadScene(scene, "t", &error);
  ASSERT_TRUE(original) << error;
  // As this program would sign it: the gradient's stops in a template it refers to.
  const std::string svg =
      hostsim::SignSvgKeys(Edited(hostsim::WriteSvg(*original), [](xmlNode* root) {
        xmlNode* gradient = Named(root, "linearGradient");
        ASSERT_TRUE(gradient);
        xmlNode* base = xmlNewNode(gradient->ns, BAD_CAST "linearGradient");
        xmlSetProp(base, BAD_CAST "id", BAD_CAST "base");
        while (xmlNode* stop = Named(gradient->children, "stop")) {
          xmlUnlinkNode(stop);
          xmlAddChild(base, stop);
        }
        xmlAddPrevSibling(gradient, base);
        Set(gradient, "href", "#base");
      }));
  auto firstStop = [](const json& read) {
    const json& fill = read["layers"][0]["art"][1]["fill"];
    const json* g = GradientNamed(read, fill.value("gradient", ""));
    return g ? (*g)["stops"][0]["color"] : json();
  };
  auto opacity = [](const json& read) {
    const json& art = read["layers"][0]["art"][0]["children"][0];
    return art.contains("blend") ? art["blend"].value("opacity", 1.0) : 1.0;
  };
  const json kRed = {{"rgb", {1.0, 0.0, 0.0}}};
  const struct {
    const char* what;
    std::function<void(xmlNode* root)> edit;
    json stop;  // the keys' colour, or the one the edit wrote
    double opacity;
  } cases[] = {
      {"untouched", [](xmlNode*) {}, kRed, 1},
      {"the template's stop",
       [](xmlNode* root) {
         xmlNode* base = Find(root, [](xmlNode* n) { return Attr(n, "id") == "base"; });
         ASSERT_TRUE(base);
         Set(Named(base->children, "stop"), "stop-color", "#ffff00");
       },
       "#ffff00", 1},
      {"the group's style",
       [](xmlNode* root) { Set(WithId(root, "group"), "style", "fill-opacity: 0.5"); }, kRed, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    hostsim::SvgDocument read;
    ASSERT_TRUE(hostsim::ReadSvgText(Edited(svg, c.edit), "t.svg", &read, &error)) << error;
    EXPECT_EQ(firstStop(read.scene), c.stop) << read.scene.dump();
    EXPECT_DOUBLE_EQ(opacity(read.scene), c.opacity) << read.scene.dump();
  }
}

}  // namespace
