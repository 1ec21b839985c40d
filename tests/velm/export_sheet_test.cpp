// velm sheet (the thumbnails of a library on one picture) and velm export (a record's art
// placed into an empty document by the plug-in's loader and drawn). Export starts a
// plug-in of its own, so it runs as a separate program here.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "capture/art_tree_writer.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

struct Pixel {
  int red, green, blue;
};

// The pixel (x, y) of a PNG, or -1s when it cannot be read.
Pixel PngPixel(const std::string& path, int x, int y, int* width = nullptr, int* height = nullptr) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  Pixel p{-1, -1, -1};
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    if (width) *width = w;
    if (height) *height = h;
    if (x >= 0 && y >= 0 && x < w && y < h) {
      const unsigned char* data = cairo_image_surface_get_data(image);
      std::uint32_t v;
      std::memcpy(&v, data + y * cairo_image_surface_get_stride(image) + x * 4, 4);
      p = {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
           static_cast<int>(v & 255)};
    }
  }
  cairo_surface_destroy(image);
  return p;
}

class PictureTest : public VelmToolTest {
 protected:
  // Captures a filled rectangle drawn in the host's document and appends it to `group`.
  void StoreRectangle(const std::string& group, const std::string& name, float left, float bottom,
                      float right, float top, host::Color fill) {
    hostsim::Document& doc = *host().document();
    doc.DeselectAll();
    hostsim::Art* path = doc.Create(host::kPathArt);
    ASSERT_EQ(doc.Insert(path, host::kPlaceAboveAll, nullptr), host::kNoErr);
    for (auto [x, y] : {std::pair{left, bottom}, {right, bottom}, {right, top}, {left, top}})
      path->segments.push_back({{x, y}, {x, y}, {x, y}, 1});
    path->closed = true;
    path->style.fillPaint = 1;
    path->style.fill.color = fill;
    doc.Select(path, true);
    ASSERT_EQ(velm::VelmPostArt(), host::kNoErr);
    const std::string sjis = Sjis(name);
    std::memcpy(velm::RecordHeader(velm::gGlobals->currentRecord)->name, sjis.c_str(),
                sjis.size() + 1);
    ASSERT_EQ(velm::WriteGroupRecord(Sjis(group).c_str(), -1), host::kNoErr);
    doc.Dispose(path);
  }
  static host::Color Rgb(float r, float g, float b) {
    host::Color c{};
    c.kind = host::kRgbColor;
    c.c.rgb = {r, g, b};
    return c;
  }

  // Runs the velm program; its exit status (-1 when it did not exit normally).
  int RunProgram(const std::string& arguments, std::string* output = nullptr) {
    const fs::path program =
        fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
    const fs::path log = drive_.path() / "velm-output.txt";
    const std::string command =
        "'" + program.string() + "' " + arguments + " > '" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    if (output) *output = FileBytes(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Out(const std::string& name) const { return (drive_.path() / name).string(); }
};

TEST_F(PictureTest, SheetShowsEveryRecordInRowsWithItsThumbnail) {
  StoreRectangle("赤", "四角", 0, 0, 40, 40, Rgb(1, 0, 0));
  StoreRectangle("赤", "横長", 0, 0, 80, 20, Rgb(1, 0, 0));
  StoreRectangle("青", "青い四角", 0, 0, 40, 40, Rgb(0, 0, 1));

  const RunResult r = Run({"sheet", Folder(), "-o", Out("sheet.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("3 records"), std::string::npos) << r.out;
  int width = 0, height = 0;
  PngPixel(Out("sheet.png"), 0, 0, &width, &height);
  EXPECT_EQ(width, 2 * 16 + 3 * 160);  // one row of three cells
  EXPECT_EQ(height, 2 * 16 + 190);
  // Groups come in the byte order of their Shift-JIS names: 青 (0x90C2) before 赤 (0x90D4).
  const Pixel first = PngPixel(Out("sheet.png"), 16 + 80, 16 + 66);
  const Pixel third = PngPixel(Out("sheet.png"), 16 + 2 * 160 + 80, 16 + 66);
  EXPECT_LT(first.red, 64);
  EXPECT_GT(first.blue, 192);
  EXPECT_GT(third.red, 192);
  EXPECT_LT(third.blue, 64);

  ASSERT_EQ(Run({"sheet", Folder(), "--group", "赤", "--columns", "1", "-o", Out("one.png")}).code,
            0);
  PngPixel(Out("one.png"), 0, 0, &width, &height);
  EXPECT_EQ(width, 2 * 16 + 160);
  EXPECT_EQ(height, 2 * 16 + 2 * 190);
}

TEST_F(PictureTest, ALargeSheetIsWrittenInPages) {
  for (int i = 0; i < 7; ++i)
    StoreRectangle("g", "r" + std::to_string(i), 0, 0, 40, 40, Rgb(1, 0, 0));
  RunResult r = Run({"sheet", Folder(), "--columns", "2", "--per-page", "3", "-o", Out("s.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("page 2 of 2"), std::string::npos) << r.out;
  int width = 0, height = 0;
  PngPixel(Out("s-1.png"), 0, 0, &width, &height);  // 3 records make whole rows: 4 a page
  EXPECT_EQ(width, 2 * 16 + 2 * 160);
  EXPECT_EQ(height, 2 * 16 + 2 * 190);
  PngPixel(Out("s-2.png"), 0, 0, &width, &height);
  EXPECT_EQ(height, 2 * 16 + 2 * 190);
  EXPECT_FALSE(fs::exists(Out("s.png")));

  r = Run(
      {"sheet", Folder(), "--columns", "2", "--per-page", "4", "--page", "2", "-o", Out("p.png")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("(3 records, page 2 of 2)"), std::string::npos) << r.out;
  EXPECT_EQ(Run({"sheet", Folder(), "--per-page", "4", "--page", "3", "-o", Out("q.png")}).code, 2);
  EXPECT_FALSE(fs::exists(Out("q.png")));
}

TEST_F(PictureTest, SheetOfNothingOrOfDamagedRecordsIsAProblem) {
  EXPECT_EQ(Run({"sheet", Folder(), "-o", Out("empty.png")}).code, 1);
  EXPECT_FALSE(fs::exists(Out("empty.png")));

  StoreRectangle("g", "a", 0, 0, 40, 40, Rgb(1, 0, 0));
  StoreRectangle("g", "b", 0, 0, 40, 40, Rgb(1, 0, 0));
  std::string file = FileBytes(GroupFile("g"));
  const std::vector<Span> spans = RecordSpans(file);
  ASSERT_EQ(spans.size(), 2u);
  // The second record's coded thumbnail length runs past the file.
  PutBE32(file, spans[1].offset + 416, 0x7fffffff);
  WriteFileBytes(GroupFile("g"), file);
  const RunResult r = Run({"sheet", Folder(), "-o", Out("damaged.png")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
  // The readable record is still shown.
  const Pixel first = PngPixel(Out("damaged.png"), 16 + 80, 16 + 66);
  EXPECT_GT(first.red, 192);
}

TEST_F(PictureTest, ExportDrawsTheArtAsADropWouldPlaceIt) {
  StoreRectangle("形", "赤い長方形", 100, 100, 140, 120, Rgb(1, 0, 0));
  std::string output;
  ASSERT_EQ(RunProgram("export '" + FileOf("形") + "' 0 --margin 10 --background white -o '" +
                           Out("rect.png") + "'",
                       &output),
            0)
      << output;
  // The art (40 x 20 points, on whole CSS pixels: 54 x 27) with a 10-point margin on
  // white, 2 pixels a CSS pixel.
  int width = 0, height = 0;
  const Pixel centre = PngPixel(Out("rect.png"), 60, 40, &width, &height);
  EXPECT_EQ(width, 162);
  EXPECT_EQ(height, 108);
  EXPECT_EQ(centre.red, 255);
  EXPECT_EQ(centre.green, 0);
  const Pixel margin = PngPixel(Out("rect.png"), 5, 5);
  EXPECT_EQ(margin.green, 255);

  ASSERT_EQ(RunProgram("export '" + Folder() + "' 0 --group 形 -o '" + Out("rect.svg") + "'"), 0);
  EXPECT_NE(FileBytes(Out("rect.svg")).find("<svg"), std::string::npos);
}

TEST_F(PictureTest, ExportRefusesWhatItCannotDraw) {
  StoreRectangle("形", "赤い長方形", 0, 0, 40, 20, Rgb(1, 0, 0));
  std::string output;
  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' 1 -o '" + Out("x.png") + "'", &output), 1);
  EXPECT_NE(output.find("has no record 1"), std::string::npos) << output;
  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' 0 -o '" + Out("x.txt") + "'"), 2);
  EXPECT_EQ(RunProgram("export '" + Folder() + "' 0 -o '" + Out("x.png") + "'"), 2);
  EXPECT_EQ(RunProgram("export '" + Out("missing.VEL") + "' 0 -o '" + Out("x.png") + "'"), 1);
  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' -3 -o '" + Out("x.png") + "'"), 2);

  // Art placed only in part (markers nested deeper than any capture writes them): a
  // problem, and no picture.
  os::MemHandle deep = velm::NewEmptyRecord();
  for (const char* text : {"GroupArt /", "/ GroupArt"})
    for (int i = 0; i < 1100; ++i)
      AppendObject(deep, MarkerBytes(text));
  Store("深い", deep);
  EXPECT_EQ(RunProgram("export '" + FileOf("深い") + "' 0 -o '" + Out("deep.png") + "'", &output),
            1);
  EXPECT_NE(output.find("placed only in part"), std::string::npos) << output;
  EXPECT_FALSE(fs::exists(Out("deep.png")));

  // A group file cut short: the record cannot be read; nothing is drawn.
  const std::string file = FileBytes(GroupFile("形"));
  WriteFileBytes(GroupFile("形"), file.substr(0, file.size() / 2));
  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' 0 -o '" + Out("cut.png") + "'", &output), 1);
  EXPECT_FALSE(fs::exists(Out("cut.png"))) << output;
  EXPECT_EQ(FileBytes(GroupFile("形")).size(), file.size() / 2);  // never written
}

}  // namespace
}  // namespace velmtest
