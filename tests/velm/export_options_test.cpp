// velm export's options for designers: a picture's background, margin and size, an
// editable SVG's units and page (strokes whole, the art read back where it was written),
// and every record of a group written into a folder under names made from the records'.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>

#include "capture/art_tree_writer.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record.h"
#include "export_files.h"
#include "frame/globals.h"
#include "hostsim/svg/svg.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

struct Rgba {
  int r = -1, g = -1, b = -1, a = -1;
  bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// The size of a PNG and its top-left pixel, unpremultiplied (size 0 when it cannot be read).
Rgba PngCorner(const std::string& path, int* width, int* height) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  Rgba p;
  *width = *height = 0;
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
    *width = cairo_image_surface_get_width(image);
    *height = cairo_image_surface_get_height(image);
    std::uint32_t v;
    std::memcpy(&v, cairo_image_surface_get_data(image), 4);
    const bool alpha = cairo_image_surface_get_format(image) == CAIRO_FORMAT_ARGB32;
    p.a = alpha ? static_cast<int>(v >> 24) : 255;
    auto channel = [&](int shift) {
      const int c = static_cast<int>((v >> shift) & 255);
      return p.a == 0 ? 0 : c * 255 / p.a;
    };
    p.r = channel(16), p.g = channel(8), p.b = channel(0);
  }
  cairo_surface_destroy(image);
  return p;
}

class ExportOptionsTest : public VelmToolTest {
 protected:
  // Captures a red rectangle (with a black stroke of `strokeWidth` when above 0) into `group`.
  void StoreRectangle(const std::string& group, const std::string& name, float width, float height,
                      float strokeWidth = 0) {
    hostsim::Document& doc = *host().document();
    doc.DeselectAll();
    hostsim::Art* path = doc.Create(host::kPathArt);
    ASSERT_EQ(doc.Insert(path, host::kPlaceAboveAll, nullptr), host::kNoErr);
    for (auto [x, y] : {std::pair{0.f, 0.f}, {width, 0.f}, {width, height}, {0.f, height}})
      path->segments.push_back({{x, y}, {x, y}, {x, y}, 1});
    path->closed = true;
    path->style.fillPaint = 1;
    path->style.fill.color.kind = host::kRgbColor;
    path->style.fill.color.c.rgb = {1, 0, 0};
    if (strokeWidth > 0) {
      path->style.strokePaint = 1;
      path->style.stroke.color.kind = host::kRgbColor;
      path->style.stroke.width = strokeWidth;
    }
    doc.Select(path, true);
    ASSERT_EQ(velm::VelmPostArt(), host::kNoErr);
    const std::string sjis = Sjis(name);
    std::memcpy(velm::RecordHeader(velm::gGlobals->currentRecord)->name, sjis.c_str(),
                sjis.size() + 1);
    ASSERT_EQ(velm::WriteGroupRecord(Sjis(group).c_str(), -1), host::kNoErr);
    doc.Dispose(path);
  }

  int RunProgram(const std::string& arguments, std::string* output = nullptr) {
    const fs::path program =
        fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
    const fs::path log = drive_.path() / "velm-output.txt";
    const int status = std::system(
        ("'" + program.string() + "' " + arguments + " > '" + log.string() + "' 2>&1").c_str());
    if (output) *output = FileBytes(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Out(const std::string& name) const { return (drive_.path() / name).string(); }
  std::string Export(const std::string& arguments) const {
    return "export '" + FileOf("形") + "' " + arguments;
  }
};

TEST_F(ExportOptionsTest, PictureBackgroundMarginAndSize) {
  StoreRectangle("形", "長方形", 30, 15);  // 40 x 20 CSS pixels (0.75 point each)
  const struct {
    const char* options;
    int width, height;
    Rgba corner;
  } cases[] = {
      // Transparent, no margin and @2x by default: the corner is the art's own red.
      {"", 80, 40, {255, 0, 0, 255}},
      {"--margin 3", 96, 56, {0, 0, 0, 0}},
      {"--margin 3 --background white", 96, 56, {255, 255, 255, 255}},
      {"--margin 3 --background '#3366cC'", 96, 56, {0x33, 0x66, 0xCC, 255}},
      {"--margin 3 --background '#0f8'", 96, 56, {0, 255, 0x88, 255}},
      {"--margin 6 --scale 1", 56, 36, {0, 0, 0, 0}},
      {"--scale 3", 120, 60, {255, 0, 0, 255}},   // @3x: exactly three pixels a CSS pixel
      {"--size 100", 100, 50, {255, 0, 0, 255}},  // the longer side fitted
      {"--size 33 --margin 7.5", 33, 22, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    std::string output;
    ASSERT_EQ(RunProgram(Export("0 -o '" + Out("a.png") + "' " + c.options), &output), 0) << output;
    int width = 0, height = 0;
    EXPECT_EQ(PngCorner(Out("a.png"), &width, &height), c.corner);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
}

TEST_F(ExportOptionsTest, PicturePagesAreWholeCssPixelsOfTheArtThatShows) {
  // A 16 px icon whose art overhangs its pixels by a rounding crumb, and art cut by a
  // clipping group to 40 x 30 px.
  StoreRectangle("形", "crumb", 12.0015f, 12);
  WriteFileBytes(Out("clipped.svg"),
                 "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
                 "<clipPath id='c'><rect width='40' height='30'/></clipPath><g "
                 "clip-path='url(#c)'><rect x='-7' y='-3' width='60' height='40' fill='red'/>"
                 "</g></svg>");
  std::string output;
  ASSERT_EQ(
      RunProgram("import '" + Out("clipped.svg") + "' '" + Folder() + "' --group 形", &output), 0)
      << output;
  const struct {
    int record;
    const char* options;
    int width, height;
  } cases[] = {
      {0, "--scale 1", 16, 16}, {0, "--scale 2", 32, 32}, {0, "--scale 3", 48, 48},
      {0, "--scale 0.5", 8, 8}, {1, "--scale 1", 40, 30}, {1, "--scale 3", 120, 90},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.record) + " " + c.options);
    ASSERT_EQ(
        RunProgram(Export(std::to_string(c.record) + " -o '" + Out("a.png") + "' " + c.options),
                   &output),
        0)
        << output;
    int width = 0, height = 0;
    PngCorner(Out("a.png"), &width, &height);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
  // The editable SVG's page alike.
  ASSERT_EQ(RunProgram(Export("0 -o '" + Out("a.svg") + "'"), &output), 0) << output;
  EXPECT_NE(FileBytes(Out("a.svg")).find("width=\"16px\" height=\"16px\""), std::string::npos);
}

TEST_F(ExportOptionsTest, NearlyFlatGradientsDrawAtEveryScale) {
  // A gradient squeezed flat by its transform (as emoji drawn with filters carry): what
  // shows lies far out in gradient space, which failed the whole picture from --scale 5.
  WriteFileBytes(Out("flat.svg"),
                 "<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32' "
                 "viewBox='0 0 128 128'><linearGradient id='g' x1='0.74' y1='0.26' x2='0.79' "
                 "y2='0.06' gradientTransform='matrix(-0.82 -0.023 -0.2 -0.0047 147 -95)'>"
                 "<stop offset='0.5' stop-color='#7586ef'/><stop offset='0.8' "
                 "stop-color='#08384e'/></linearGradient><filter id='f'><feGaussianBlur "
                 "stdDeviation='2'/></filter><ellipse cx='39' cy='121' rx='10' ry='25' "
                 "fill='url(#g)' filter='url(#f)'/></svg>");
  std::string output;
  ASSERT_EQ(RunProgram("import '" + Out("flat.svg") + "' '" + Folder() + "' --group 形", &output),
            0)
      << output;
  for (const char* options : {"--scale 2", "--scale 8", "--scale 20", "--size 256"}) {
    SCOPED_TRACE(options);
    ASSERT_EQ(RunProgram(Export("0 -o '" + Out("a.png") + "' " + options), &output), 0) << output;
    // The middle of the ellipse holds the gradient's first colour.
    cairo_surface_t* image = cairo_image_surface_create_from_png(Out("a.png").c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    std::uint32_t v;
    std::memcpy(&v,
                cairo_image_surface_get_data(image) +
                    cairo_image_surface_get_stride(image) * (h / 2) + 4 * (w / 2),
                4);
    cairo_surface_destroy(image);
    EXPECT_EQ(v, 0xff7586efu);
  }
}

TEST_F(ExportOptionsTest, SvgPageHoldsTheStrokeInPixelsOrPointsAndReadsBackTheSameRecord) {
  StoreRectangle("形", "icon", 12, 6);
  StoreRectangle("形", "framed", 30, 30, 6);  // drawn from -3 to 33
  // Stroked art and text, whose private keys hold its place in absolute numbers.
  WriteFileBytes(Out("text.svg"),
                 "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='40'><rect x='5' "
                 "y='5' width='30' height='30' fill='red' stroke='black' stroke-width='6'/>"
                 "<text x='3' y='20' font-size='8'>字</text></svg>");
  std::string output;
  ASSERT_EQ(RunProgram("import '" + Out("text.svg") + "' '" + Folder() + "' --group 形", &output),
            0)
      << output;
  const struct {
    const char* options;
    int record;
    const char* root;
  } cases[] = {
      {"", 0, "width=\"16px\" height=\"8px\" viewBox=\"0 0 12 6\""},
      {"--units pt", 0, "width=\"12pt\" height=\"6pt\" viewBox=\"0 0 12 6\""},
      // The margin's edges moved out to whole points.
      {"--units pt --margin 1.5", 0, "width=\"16pt\" height=\"10pt\" viewBox=\"0 0 16 10\""},
      {"--units pt", 1, "width=\"36pt\" height=\"36pt\" viewBox=\"0 0 36 36\""},
      {"", 1, "width=\"48px\" height=\"48px\" viewBox=\"0 0 36 36\""},
      {"--margin 1", 1, "width=\"52px\" height=\"52px\" viewBox=\"0 0 39 39\""},
      {"--units pt", 2,
       "width=\"28pt\" height=\"28pt\" viewBox=\"0 0 28 28\" velm:origin=\"-1 -3\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.options) + " record " + std::to_string(c.record));
    const std::string file = Out("page.svg");
    ASSERT_EQ(
        RunProgram(Export(std::to_string(c.record) + " -o '" + file + "' " + c.options), &output),
        0)
        << output;
    const std::string svg = FileBytes(file);
    EXPECT_NE(svg.find(c.root), std::string::npos) << svg.substr(0, 400);
    // Read back: every keys check holds (the art where it was written) and the art makes
    // the same record again.
    hostsim::SvgDocument read;
    std::string error;
    ASSERT_TRUE(hostsim::ReadSvgFile(file, &read, &error)) << error;
    EXPECT_TRUE(read.report.notes.empty()) << read.report.Lines().front();
    const std::string library = Out("back");
    fs::remove_all(library);
    ASSERT_EQ(RunProgram("import '" + file + "' '" + library + "' --group g", &output), 0)
        << output;
    const std::string before = FileBytes(GroupFile("形")), after = FileBytes(library + "/g.VEL");
    const Span original = RecordSpans(before).at(static_cast<std::size_t>(c.record));
    const Span back = RecordSpans(after).at(0);
    auto art = [](const std::string& data, const Span& span) {
      const std::uint32_t thumbnail = GetBE32(data, span.offset + 416);
      return data.substr(span.offset + 424 + thumbnail, GetBE32(data, span.offset + 420));
    };
    EXPECT_TRUE(art(before, original) == art(after, back));
  }
}

TEST_F(ExportOptionsTest, AllWritesEveryRecordOfTheGroupIntoAFolder) {
  for (const char* name : {"月", "a/b:c", "月", ".hidden", "", "CON", "A/B:C"})
    StoreRectangle("形", name, 10, 10);
  const std::string folder = Out("new/deeper");
  std::string output;
  ASSERT_EQ(RunProgram(Export("--all --format svg -o '" + folder + "/'"), &output), 0) << output;
  const std::vector<std::string> expected = {
      "月.svg", "a_b_c.svg", "月-2.svg", "hidden.svg", "record-4.svg", "CON_.svg", "A_B_C-2.svg"};
  std::size_t confirmations = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i]);
    EXPECT_NE(FileBytes(folder + "/" + expected[i]).find("d=\"M0 0L10 0L10 10L0 10Z\""),
              std::string::npos);
    confirmations +=
        output.find("#" + std::to_string(i) + " ") != std::string::npos &&
        output.find(folder + "/" + expected[i] + " (1 art objects)") != std::string::npos;
  }
  EXPECT_EQ(confirmations, expected.size()) << output;
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
            static_cast<long>(expected.size()));
  // Not a terminal: no progress line.
  EXPECT_EQ(output.find('\r'), std::string::npos);

  // Again as pictures (the default format) into a folder that holds one of the names.
  WriteFileBytes(folder + "/月.png", "old");
  ASSERT_EQ(RunProgram(Export("--all -o '" + folder + "'"), &output), 0) << output;
  int width = 0, height = 0;
  PngCorner(folder + "/月.png", &width, &height);
  // 10 points are 13 1/3 CSS pixels, 14 whole ones, two pixels each.
  EXPECT_EQ(width, 28);
  EXPECT_TRUE(fs::exists(folder + "/月-2.png"));
}

// One run places every record in a document of its own: no file holds a record before it.
TEST_F(ExportOptionsTest, AllGivesEachRecordAPageOfItsOwn) {
  StoreRectangle("形", "small", 10, 10);
  StoreRectangle("形", "wide", 30, 20);
  const std::string folder = Out("each");
  std::string output;
  ASSERT_EQ(RunProgram(Export("--all --format svg -o '" + folder + "/'"), &output), 0) << output;
  const std::string small = FileBytes(folder + "/small.svg"),
                    wide = FileBytes(folder + "/wide.svg");
  EXPECT_NE(small.find("d=\"M0 0L10 0L10 10L0 10Z\""), std::string::npos);
  EXPECT_NE(wide.find("d=\"M0 0L30 0L30 20L0 20Z\""), std::string::npos);
  EXPECT_EQ(wide.find("L10 10"), std::string::npos) << "the first record's art came along";
}

TEST_F(ExportOptionsTest, MalformedOptionsAreUsageErrorsNamingTheValue) {
  StoreRectangle("形", "長方形", 10, 10);
  const struct {
    const char* arguments;
    const char* says;
  } cases[] = {
      {"0 -o x.png --background red", "\"red\""},
      {"0 -o x.png --background '#12345'", "\"#12345\""},
      {"0 -o x.png --background '#ggg'", "\"#ggg\""},
      {"0 -o x.png --background ''", "\"\""},
      {"0 -o x.png --size 100 --scale 2", "--size"},
      {"0 -o x.png --size 0", "--size"},
      {"0 -o x.png --margin -1", "--margin"},
      {"0 -o x.png --margin nan", "--margin"},
      {"0 -o x.png --units pt", "--units"},
      {"0 -o x.svg --units cm", "--units"},
      {"0 -o x.svg --background white", "--background"},
      {"0 -o x.svg --size 64", "--size"},
      {"0 -o x.png --format svg", "--format svg"},
      {"--all -o x.png", "\"x.png\""},
      {"--all -o dir --format gif", "--format"},
  };
  const fs::path here = fs::current_path();
  fs::current_path(drive_.path());  // the relative names below land there
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::string output;
    EXPECT_EQ(RunProgram(Export(c.arguments), &output), 2);
    EXPECT_NE(output.find(c.says), std::string::npos) << output;
  }
  fs::current_path(here);
  EXPECT_FALSE(fs::exists(Out("x.png")));
  EXPECT_FALSE(fs::exists(Out("x.svg")));
  EXPECT_FALSE(fs::exists(Out("dir")));
}

TEST(ExportFileNames, SafeUniqueNamesFromRecordNames) {
  const struct {
    std::vector<std::string> names;  // UTF-8 here, Shift-JIS as stored
    std::vector<std::string> files;
  } cases[] = {
      {{"月", "月", "月", "月-2"}, {"月.png", "月-2.png", "月-3.png", "月-2-2.png"}},
      {{"Sun", "sun", "SUN"}, {"Sun.png", "sun-2.png", "SUN-3.png"}},
      {{"\\/:*?\"<>|", "tab\tx"}, {"_________.png", "tab_x.png"}},
      {{"..", ". .x. ", "", "   "}, {"record-0.png", "x.png", "record-2.png", "record-3.png"}},
      {{"nul", "com1.txt", "CONSOLE"}, {"nul_.png", "com1_.txt.png", "CONSOLE.png"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> sjis;
    for (const std::string& name : c.names)
      sjis.push_back(Sjis(name));
    EXPECT_EQ(velmtool::RecordFileNames(sjis, ".png"), c.files);
  }
}

}  // namespace
}  // namespace velmtest
