// The SVG writer: the reference scene written as SVG is well-formed, in the right
// namespaces, carries private keys exactly where SVG cannot hold the scene, signs them
// with the digest of what it wrote, and draws (by rsvg-convert) as the host draws it.
#include <cairo.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg_writer.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;
namespace sc = hostsim::scene;

const std::string kReference = std::string(VELM_TEST_DATA) + "/scenes/reference.json";

// A parsed SVG text (libxml2, no network, no entities).
class Xml {
 public:
  explicit Xml(const std::string& text)
      : doc_(xmlReadMemory(text.data(), static_cast<int>(text.size()), "out.svg", nullptr,
                           XML_PARSE_NONET)) {}
  ~Xml() { xmlFreeDoc(doc_); }
  bool ok() const { return doc_ != nullptr; }
  xmlNode* root() const { return xmlDocGetRootElement(doc_); }

  static std::string Attr(xmlNode* n, const char* name, const char* ns = nullptr) {
    xmlChar* v =
        ns ? xmlGetNsProp(n, BAD_CAST name, BAD_CAST ns) : xmlGetNoNsProp(n, BAD_CAST name);
    std::string s = v ? reinterpret_cast<const char*>(v) : "";
    xmlFree(v);
    return s;
  }
  // Every element below `n` (itself included), in document order.
  static void Walk(xmlNode* n, const std::function<void(xmlNode*)>& f) {
    for (; n; n = n->next)
      if (n->type == XML_ELEMENT_NODE) {
        f(n);
        Walk(n->children, f);
      }
  }

 private:
  xmlDoc* doc_;
};

// The digest a reader computes: the element's other attributes as written, its own text.
std::string Digest(xmlNode* n) {
  std::vector<std::pair<std::string, std::string>> attributes;
  for (xmlAttr* a = n->properties; a; a = a->next) {
    if (a->ns &&
        std::string(reinterpret_cast<const char*>(a->ns->href)) == hostsim::kVelmSvgNamespace)
      continue;
    std::string name = reinterpret_cast<const char*>(a->name);
    if (a->ns && a->ns->prefix) name = reinterpret_cast<const char*>(a->ns->prefix) + (":" + name);
    xmlChar* v = xmlNodeListGetString(n->doc, a->children, 1);
    attributes.emplace_back(name, v ? reinterpret_cast<const char*>(v) : "");
    xmlFree(v);
  }
  std::string text;
  for (xmlNode* c = n->children; c; c = c->next)
    if (c->type == XML_TEXT_NODE) text += reinterpret_cast<const char*>(c->content);
  return hostsim::SvgAttributeDigest(attributes, text);
}

TEST(SvgWriterTest, SymbolIdsKeepWhatAnXmlNameMayHold) {
  const struct {
    std::size_t index;
    std::string name, id;
  } cases[] = {
      {0, "月", "r0-月"},
      {1, "a b", "r1-a-b"},
      {2, "晴れ　のち / 雨", "r2-晴れ-のち-雨"},  // a full-width space is not a name character
      {3, "\xFF\xFEx", "r3-x"},                   // bytes that are not UTF-8
      {4, "é·ü", "r4-é·ü"},
      {5, "(!)", "r5-"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hostsim::SvgSymbolId(c.index, c.name), c.id) << c.name;
}

TEST(SvgWriterTest, ReferenceSceneIsWellFormedSignedAndExact) {
  std::string error;
  auto document = hostsim::ReadSceneFile(kReference, &error);
  ASSERT_TRUE(document) << error;
  const std::string svg = hostsim::WriteSvg(*document);
  Xml xml(svg);
  ASSERT_TRUE(xml.ok());
  xmlNode* root = xml.root();
  ASSERT_STREQ(reinterpret_cast<const char*>(root->name), "svg");
  ASSERT_TRUE(root->ns);
  EXPECT_STREQ(reinterpret_cast<const char*>(root->ns->href), "http://www.w3.org/2000/svg");
  const std::string width = Xml::Attr(root, "width"), height = Xml::Attr(root, "height");
  ASSERT_EQ(width.substr(width.size() - 2), "pt");
  EXPECT_EQ(Xml::Attr(root, "viewBox"),
            "0 0 " + width.substr(0, width.size() - 2) + " " + height.substr(0, height.size() - 2));
  // Document keys on the root, and every signed element's digest is that of what it holds.
  EXPECT_TRUE(nlohmann::json::parse(Xml::Attr(root, "keys", hostsim::kVelmSvgNamespace))
                  .contains("customColors"));
  int signedElements = 0, texts = 0, images = 0, gradients = 0, clips = 0;
  std::map<std::string, nlohmann::json> keysById;
  Xml::Walk(root, [&](xmlNode* n) {
    const std::string name = reinterpret_cast<const char*>(n->name);
    const std::string check = Xml::Attr(n, "check", hostsim::kVelmSvgNamespace);
    if (!check.empty()) {
      ++signedElements;
      // The root's keys are document settings, signed by its own attributes; art and
      // definitions by what they hold and refer to.
      EXPECT_EQ(check, n == root ? Digest(n) : "2." + check.substr(2)) << name;
      const auto keys = nlohmann::json::parse(Xml::Attr(n, "keys", hostsim::kVelmSvgNamespace));
      if (keys.contains("id")) keysById[keys["id"]] = keys;
      // A clip beside keys that hold a clipping group whole would clip it a second time.
      EXPECT_TRUE(!keys.contains("clipped") || Xml::Attr(n, "clip-path").empty());
    }
    texts += name == "text";
    images +=
        name == "image" &&
        Xml::Attr(n, "href", "http://www.w3.org/1999/xlink").rfind("data:image/png;base64,", 0) ==
            0;
    gradients += name == "linearGradient" || name == "radialGradient";
    clips += name == "clipPath";
  });
  EXPECT_GE(signedElements, 8);
  // Every check is that of what the file holds: signing it again changes nothing.
  EXPECT_EQ(hostsim::SignSvgKeys(svg), svg);
  EXPECT_EQ(texts, 1);
  EXPECT_EQ(images, 2);  // the raster and the mesh
  EXPECT_EQ(gradients, 2);
  EXPECT_EQ(clips, 1);
  // What SVG cannot hold travels whole (text, raster, mesh, placed and plug-in art); a
  // plain red square carries nothing.
  for (const char* id : {"text", "raster", "mesh", "placed", "plugin", "clip-group", "donut"}) {
    ASSERT_TRUE(keysById.count(id)) << id;
    EXPECT_TRUE(keysById[id].contains("type")) << id;
  }
  EXPECT_TRUE(keysById.count("red-square") == 0 || !keysById["red-square"].contains("fill"));
  // Japanese text goes in as UTF-8.
  EXPECT_NE(svg.find("日本語"), std::string::npos);
}

// Which keys a path carries: none where SVG gives the scene back, the paint that it cannot.
TEST(SvgWriterTest, PathKeysOnlyWhereSvgIsNotExact) {
  struct Case {
    const char* what;
    sc::Art art;
    bool keys;
    const char* key;
  };
  const Case cases[] = {
      {"exact rgb", sc::Rect(0, 0, 10, 10).Fill("#336699"), false, ""},
      {"gray", sc::Rect(0, 0, 10, 10).Fill(sc::Gray(0.3)), true, "fill"},
      {"cmyk stroke", sc::Rect(0, 0, 10, 10).Stroke(sc::Cmyk(0, 1, 0, 0), 2), true, "stroke"},
      {"rgb off the byte grid", sc::Rect(0, 0, 10, 10).Fill(sc::Rgb(0.3, 0.3, 0.3)), true, "fill"},
      {"named", sc::Rect(0, 0, 10, 10).Fill("#000000").Id("box"), true, "id"},
      {"transparent", sc::Rect(0, 0, 10, 10).Opacity(0.5), true, "blend"},
      {"curved",
       sc::Art("path")
           .Set("closed", false)
           .Set("segments",
                {{{"anchor", {0, 0}}, {"in", {0, 0}}, {"out", {5, 10}}, {"corner", true}},
                 {{"anchor", {20, 0}}, {"in", {15, 10}}, {"out", {20, 0}}, {"corner", false}}}),
       true, "type"},
  };
  for (const Case& c : cases) {
    std::string error;
    auto document = hostsim::ReadScene(sc::Scene().Layer("L", {c.art}).json(), "t", &error);
    ASSERT_TRUE(document) << c.what << ": " << error;
    Xml xml(hostsim::WriteSvg(*document));
    ASSERT_TRUE(xml.ok()) << c.what;
    xmlNode* path = nullptr;
    Xml::Walk(xml.root(), [&](xmlNode* n) {
      if (std::string(reinterpret_cast<const char*>(n->name)) == "path") path = n;
    });
    ASSERT_TRUE(path) << c.what;
    // Directly in its layer's group (the layer's own art group is no group of the SVG).
    EXPECT_EQ(Xml::Attr(path->parent, "layer", hostsim::kVelmSvgNamespace), "L") << c.what;
    const std::string keys = Xml::Attr(path, "keys", hostsim::kVelmSvgNamespace);
    EXPECT_EQ(!keys.empty(), c.keys) << c.what << ": " << keys;
    if (c.keys) {
      EXPECT_TRUE(nlohmann::json::parse(keys).contains(c.key)) << c.what << ": " << keys;
    }
    // Coordinates read back as the same reals.
    if (!c.keys) {
      EXPECT_EQ(Xml::Attr(path, "d"), "M0 0L10 0L10 10L0 10Z") << c.what;
    }
  }
}

// Bytes that are not UTF-8 and controls XML cannot hold never make the file unreadable,
// and the digest is that of what a parser gives back.
TEST(SvgWriterTest, TextXmlCannotHoldIsReplacedAndStillSigned) {
  std::string error;
  auto document = hostsim::ReadScene(
      sc::Scene().Layer("L", {sc::Rect(0, 0, 10, 10).Fill(sc::Gray(1)).Id("a\x01<b>&\"")}).json(),
      "t", &error);
  ASSERT_TRUE(document) << error;
  document->layers()[0]->name = "bad\xff\x01name\xe3\x81";
  Xml xml(hostsim::WriteSvg(*document));
  ASSERT_TRUE(xml.ok());
  int checked = 0;
  Xml::Walk(xml.root(), [&](xmlNode* n) {
    if (!Xml::Attr(n, "layer", hostsim::kVelmSvgNamespace).empty()) {
      EXPECT_EQ(Xml::Attr(n, "layer", hostsim::kVelmSvgNamespace), "bad\uFFFDname\uFFFD\uFFFD");
    }
    const std::string check = Xml::Attr(n, "check", hostsim::kVelmSvgNamespace);
    if (check.empty()) return;
    ++checked;
    if (n == xml.root()) {
      EXPECT_EQ(check, Digest(n));
    }
    const auto keys = nlohmann::json::parse(Xml::Attr(n, "keys", hostsim::kVelmSvgNamespace));
    if (keys.contains("id")) {
      EXPECT_EQ(keys["id"], "a\x01<b>&\"");
    }
  });
  EXPECT_EQ(checked, 2);  // the root and the path
}

// Hidden layers and hidden art stay in the file not displayed, and this program reads them
// back as they were: nothing lost, nothing added (effects are written through copies).
// Empty layers come back too.
TEST(SvgWriterTest, HiddenLayersAndArtReadBackHidden) {
  const nlohmann::json shadow = {{"shadow", {3, -3}}, {"color", "#808080"}};
  nlohmann::json scene =
      sc::Scene()
          .Layer("Shown", {sc::Rect(0, 0, 10, 10).Fill("#336699").Id("shown"),
                           sc::Rect(20, 0, 30, 10).Fill(sc::Gray(0.3)).Hidden().Id("off"),
                           sc::Rect(40, 0, 50, 10).Set("effect", shadow).Hidden().Id("shade-off"),
                           sc::Rect(60, 0, 70, 10).Set("effect", shadow).Id("shade")})
          .Layer("Off", {sc::Rect(0, 20, 10, 30).Id("in-off"),
                         sc::Group({sc::Rect(20, 20, 30, 30), sc::Rect(40, 20, 50, 30).Hidden()})})
          .Layer("Empty", {})
          .Layer("Empty and off", {})
          .json();
  scene["layers"][1]["visible"] = false;
  scene["layers"][3]["visible"] = false;
  std::string error;
  auto document = hostsim::ReadScene(scene, "t", &error);
  ASSERT_TRUE(document) << error;
  const std::string svg = hostsim::WriteSvg(*document);

  // Not displayed in the file; marked only where the document's own art is hidden.
  Xml xml(svg);
  ASSERT_TRUE(xml.ok());
  int marked = 0;
  Xml::Walk(xml.root(), [&](xmlNode* n) {
    const bool hiddenLayer = Xml::Attr(n, "visible", hostsim::kVelmSvgNamespace) == "false";
    const bool hiddenArt = Xml::Attr(n, "hidden", hostsim::kVelmSvgNamespace) == "true";
    if (hiddenLayer || hiddenArt) {
      EXPECT_EQ(Xml::Attr(n, "display"), "none");
    }
    marked += hiddenArt;
  });
  EXPECT_EQ(marked, 3);  // "off", "shade-off" and the hidden path in the hidden layer

  hostsim::SvgDocument read;
  ASSERT_TRUE(hostsim::ReadSvgText(svg, "t.svg", &read, &error)) << error;
  EXPECT_TRUE(read.report.empty()) << read.report.Lines()[0];
  auto again = hostsim::ReadScene(read.scene, "t.svg", &error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(hostsim::WriteScene(*again)["layers"], hostsim::WriteScene(*document)["layers"]);
}

// rsvg-convert's drawing of the written SVG agrees with the host's own drawing.
TEST(SvgWriterTest, DrawsAsTheHostDraws) {
  if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "rsvg-convert is not installed";
  std::string error;
  auto document = hostsim::ReadSceneFile(kReference, &error);
  ASSERT_TRUE(document) << error;
  const fs::path dir = fs::temp_directory_path() / ("svg-writer-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string svgPath = (dir / "reference.svg").string();
  const std::string pngPath = (dir / "rsvg.png").string();
  ASSERT_TRUE(hostsim::WriteSvgFile(*document, svgPath, &error)) << error;
  ASSERT_EQ(std::system(("rsvg-convert --dpi-x 72 --dpi-y 72 --background-color white -o '" +
                         pngPath + "' '" + svgPath + "'")
                            .c_str()),
            0);
  cairo_surface_t* theirs = cairo_image_surface_create_from_png(pngPath.c_str());
  ASSERT_EQ(cairo_surface_status(theirs), CAIRO_STATUS_SUCCESS);
  const int w = cairo_image_surface_get_width(theirs), h = cairo_image_surface_get_height(theirs);
  hostsim::RenderOptions options;
  options.area = host::RealRect{0, static_cast<float>(h), static_cast<float>(w), 0};
  auto ours = hostsim::RenderDocument(*document, options);
  ASSERT_EQ(ours->width(), w);
  ASSERT_EQ(ours->height(), h);
  const unsigned char* data = cairo_image_surface_get_data(theirs);
  const int stride = cairo_image_surface_get_stride(theirs);
  int ink = 0, differ = 0;
  hostsim::Bitmap where(w, h, 0xFFFFFF);  // the differing pixels, kept when the test fails
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint32_t p;
      std::memcpy(&p, data + y * stride + x * 4, 4);
      const std::uint32_t q = ours->Pixel(x, y);
      if ((p & 0xFFFFFF) == 0xFFFFFF && q == 0xFFFFFF) continue;
      ++ink;
      for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((p >> shift) & 0xFF) -
                     static_cast<int>((q >> shift) & 0xFF)) > 40) {
          ++differ;
          where.SetPixel(x, y, 0xFF0000);
          break;
        }
    }
  cairo_surface_destroy(theirs);
  EXPECT_GT(ink, 1000);
  EXPECT_LE(differ, ink / 100) << "of " << ink << " ink pixels; files in " << dir;
  ours->WritePng((dir / "host.png").string());
  where.WritePng((dir / "differ.png").string());
  if (differ <= ink / 100) fs::remove_all(dir);
}

}  // namespace
}  // namespace velmtest
