// velm search (the plug-in's matching and its options), velm thumb (PNG read back with
// Cairo) and velm lzss (round trips and the codec of real records).
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <utility>

#include "common/sjis.h"
#include "database/record.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;
using Hit = std::pair<std::string, int>;

class SearchTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    Store("pets", MakeRecord("xxABCyy", "動物", "a cat."));
    Store("pets", MakeRecord("ＡＢＣ", "動物", "cats"));
    Store("pets", MakeRecord("abc", "植物", "concat"));
    Store("zoo", MakeRecord("Lion", "動物", "cat"));
    Store("zoo", MakeRecord("cat0", "", "cat0"));
  }

  std::set<Hit> Search(std::vector<std::string> args) {
    args.insert(args.begin(), {"search", Folder()});
    const json j = RunJson(args);
    std::set<Hit> hits;
    for (const json& m : j["matches"])
      hits.insert({m["group"].get<std::string>(), m["record"].get<int>()});
    return hits;
  }
};

TEST_F(SearchTest, CaseAndWidthOptionsFollowThePlugIn) {
  EXPECT_EQ(Search({"--text", "abc"}), (std::set<Hit>{{"pets", 0}, {"pets", 1}, {"pets", 2}}));
  // Folded full-width capitals are still capitals.
  EXPECT_EQ(Search({"--text", "abc", "--case"}), (std::set<Hit>{{"pets", 2}}));
  EXPECT_EQ(Search({"--text", "ABC", "--case"}), (std::set<Hit>{{"pets", 0}, {"pets", 1}}));
  EXPECT_EQ(Search({"--text", "abc", "--width"}), (std::set<Hit>{{"pets", 0}, {"pets", 2}}));
  EXPECT_EQ(Search({"--text", "abc", "--case", "--width"}), (std::set<Hit>{{"pets", 2}}));
  // A full-width pattern finds half-width text too.
  EXPECT_EQ(Search({"--text", "ａｂｃ"}), (std::set<Hit>{{"pets", 0}, {"pets", 1}, {"pets", 2}}));
}

TEST_F(SearchTest, WholeWordsAndFields) {
  EXPECT_EQ(Search({"--field", "comment", "--text", "cat", "--word"}),
            (std::set<Hit>{{"pets", 0}, {"zoo", 0}}));
  EXPECT_EQ(Search({"--field", "comment", "--text", "cat"}).size(), 5u);
  EXPECT_EQ(Search({"--field", "kind", "--text", "動物"}),
            (std::set<Hit>{{"pets", 0}, {"pets", 1}, {"zoo", 0}}));
  // An empty text matches every record; one group can be picked.
  EXPECT_EQ(Search({"--text", ""}).size(), 5u);
  EXPECT_EQ(Search({"--text", "", "--group", "zoo"}), (std::set<Hit>{{"zoo", 0}, {"zoo", 1}}));

  const json j = RunJson({"search", Folder(), "--field", "comment", "--text", "con"});
  ASSERT_EQ(j["matches"].size(), 1u);
  EXPECT_EQ(j["matches"][0]["name"], "abc");
  EXPECT_EQ(j["matches"][0]["value"], "concat");
  EXPECT_EQ(j["matches"][0]["byteOffset"], 0);
  const RunResult text = Run({"search", Folder(), "--field", "kind", "--text", "植"});
  EXPECT_EQ(text.code, 0);
  EXPECT_EQ(text.out, "pets\t2\tabc\t植物\n");
}

TEST_F(SearchTest, TheTextMayBeGivenAsAnArgument) {
  EXPECT_EQ(Search({"abc"}), Search({"--text", "abc"}));
  EXPECT_EQ(Search({"cat", "--field", "comment", "--word"}),
            (std::set<Hit>{{"pets", 0}, {"zoo", 0}}));
  EXPECT_EQ(Run({"search", Folder(), "abc", "--text", "abc"}).code, 2) << "the text once";
}

TEST_F(SearchTest, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Run({"search", Folder(), "--field", "colour", "--text", "x"}).code, 2);
  EXPECT_EQ(Run({"search", Folder()}).code, 2);
  const RunResult r = Run({"search", Folder(), "--text", "\xF0\x9F\x90\x88"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("no Shift-JIS form"), std::string::npos);
}

TEST_F(SearchTest, DamagedGroupIsReportedAndTheOthersSearched) {
  std::string file = FileBytes(GroupFile("pets"));
  PutBE32(file, RecordSpans(file)[1].offset + 4, 10);
  WriteFileBytes(GroupFile("pets"), file);
  const json j = RunJson({"search", Folder(), "--text", ""}, 1);
  std::set<Hit> hits;
  for (const json& m : j["matches"])
    hits.insert({m["group"].get<std::string>(), m["record"].get<int>()});
  EXPECT_EQ(hits, (std::set<Hit>{{"pets", 0}, {"zoo", 0}, {"zoo", 1}}));
}

class ThumbTest : public VelmToolTest {};

TEST_F(ThumbTest, PngHoldsTheStoredPixels) {
  os::MemHandle record = MakeRecord("picture", "", "", 1000, 5);
  // Give every channel its own pattern so that a swapped channel shows.
  for (std::uint32_t i = 0; i < velm::kThumbnailSize; i += 4) {
    record[velm::kThumbnailOffset + i + 1] = static_cast<std::uint8_t>(i / 512);
    record[velm::kThumbnailOffset + i + 2] = static_cast<std::uint8_t>(i / 4);
    record[velm::kThumbnailOffset + i + 3] = static_cast<std::uint8_t>(255 - i / 1024);
  }
  const Bytes pixels(record + velm::kThumbnailOffset,
                     record + velm::kThumbnailOffset + velm::kThumbnailSize);
  Append("pics", "first");
  Store("pics", record);

  TempFolder out;
  const std::string png = (out.path() / "t.png").string();
  const RunResult r = Run({"thumb", FileOf("pics"), "1", "-o", png});
  ASSERT_EQ(r.code, 0) << r.err;
  cairo_surface_t* surface = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(surface), 128);
  ASSERT_EQ(cairo_image_surface_get_height(surface), 128);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  int mismatches = 0;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      std::uint32_t argb = 0;
      std::memcpy(&argb, data + y * stride + x * 4, 4);
      const std::uint8_t* p = pixels.data() + (y * 128 + x) * 4;
      if (((argb >> 16) & 0xFF) != p[1] || ((argb >> 8) & 0xFF) != p[2] || (argb & 0xFF) != p[3])
        ++mismatches;
    }
  }
  cairo_surface_destroy(surface);
  EXPECT_EQ(mismatches, 0);
}

TEST_F(ThumbTest, MissingRecordsAndUnwritableOutputFail) {
  Append("pics", "only");
  TempFolder out;
  const std::string png = (out.path() / "t.png").string();
  RunResult r = Run({"thumb", FileOf("pics"), "1", "-o", png});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no record 1"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(png));
  EXPECT_EQ(Run({"thumb", FileOf("pics"), "0"}).code, 2);  // no -o
  r = Run({"thumb", FileOf("pics"), "0", "-o", (out.path() / "no" / "t.png").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos);

  // A thumbnail whose coded data is damaged.
  std::string file = FileBytes(GroupFile("pics"));
  PutBE32(file, 4 + 416, 3);
  WriteFileBytes(GroupFile("pics"), file);
  EXPECT_EQ(Run({"thumb", FileOf("pics"), "0", "-o", png}).code, 1);
}

class LzssTest : public VelmToolTest {
 protected:
  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }
  TempFolder folder_;
};

TEST_F(LzssTest, RoundTripsAnyInput) {
  std::mt19937 rng(7);
  std::string input;
  for (int i = 0; i < 100000; ++i)
    input += static_cast<char>(i % 3000 < 1500 ? rng() : 'a' + i % 7);
  for (const std::string& sample : {input, std::string(), std::string(5000, '\0')}) {
    WriteFileBytes(Path("in"), sample);
    ASSERT_EQ(Run({"lzss", "encode", Path("in"), Path("coded")}).code, 0);
    const std::string coded = FileBytes(Path("coded"));
    if (sample.empty()) {
      EXPECT_TRUE(coded.empty());
    } else {
      EXPECT_LT(coded.size(), sample.size());
    }
    ASSERT_EQ(Run({"lzss", "decode", Path("coded"), Path("out")}).code, 0);
    EXPECT_TRUE(FileBytes(Path("out")) == sample) << sample.size();
  }
}

// Standard output through a pipe, or a log it appends to, gets the bytes as it is: the
// shell's append mode kept, the report not mixed into them.
TEST_F(LzssTest, StandardOutputIsWrittenAsItIs) {
  namespace fs = std::filesystem;
  WriteFileBytes(Path("in"), "hello hello hello\n");
  ASSERT_EQ(Run({"lzss", "encode", Path("in"), Path("coded")}).code, 0);
  const std::string coded = FileBytes(Path("coded"));
  WriteFileBytes(Path("log"), "earlier\n");
  const fs::path program =
      fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
  const std::string encode =
      "'" + program.string() + "' lzss encode '" + Path("in") + "' /dev/stdout";
  ASSERT_EQ(std::system((encode + " | cat > '" + Path("piped") + "'").c_str()), 0);
  ASSERT_EQ(std::system((encode + " >> '" + Path("log") + "' 2>/dev/null").c_str()), 0);
  EXPECT_EQ(FileBytes(Path("piped")), coded);
  EXPECT_EQ(FileBytes(Path("log")), "earlier\n" + coded);
}

TEST_F(LzssTest, DecodesAStoredThumbnailAndFlagsCutStreams) {
  os::MemHandle record = MakeRecord("t", "", "", 1000, 4);
  const std::string thumbnail(reinterpret_cast<const char*>(record + velm::kThumbnailOffset),
                              velm::kThumbnailSize);
  Store("g", record);
  const std::string file = FileBytes(GroupFile("g"));
  const std::uint32_t t = GetBE32(file, 4 + 416);
  WriteFileBytes(Path("coded"), file.substr(4 + 424, t));
  ASSERT_EQ(Run({"lzss", "decode", Path("coded"), Path("out")}).code, 0);
  EXPECT_TRUE(FileBytes(Path("out")) == thumbnail);

  // A match cut after its first byte: the output stops before it, and that is reported.
  WriteFileBytes(Path("cut"), std::string("\x01"
                                          "a"
                                          "\x00",
                                          3));
  const RunResult r = Run({"lzss", "decode", Path("cut"), Path("out")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(FileBytes(Path("out")), "a");
  EXPECT_NE(r.err.find("ends inside an item"), std::string::npos);

  EXPECT_EQ(Run({"lzss", "squash", Path("cut"), Path("out")}).code, 2);
  EXPECT_EQ(Run({"lzss", "decode", Path("missing"), Path("out")}).code, 1);
}

}  // namespace
}  // namespace velmtest
