// velm verify on sound libraries and on hand-damaged copies of their group files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>

#include "platform/os.h"
#include "record_walk.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class VerifyTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    for (int i = 0; i < 3; ++i) {
      os::MemHandle record = MakeRecord("r" + std::to_string(i), "", "", 1000, i + 1);
      AppendObject(record, MarkerBytes("GroupArt /"));
      AppendObject(record, PathObjectBytes(2 + i));
      AppendObject(record, MeshObjectBytes({{1}}));
      AppendObject(record, MarkerBytes("/ GroupArt"));
      Store("g", record);
    }
    original_ = FileBytes(GroupFile("g"));
    spans_ = RecordSpans(original_);
  }

  // Verifies `bytes` as the group file g.VEL of a fresh folder.
  json VerifyCopy(const std::string& bytes, int code = 1) {
    WriteFileBytes(copy_.path() / "g.VEL", bytes);
    return RunJson({"verify", (copy_.path() / "g.VEL").string()}, code);
  }

  // The problems of `j` that concern `record` (-1: the file as a whole).
  static std::vector<json> ProblemsOf(const json& j, int record) {
    std::vector<json> found;
    for (const json& p : j["problems"])
      if ((record < 0 && p["record"].is_null()) || (record >= 0 && p["record"] == record))
        found.push_back(p);
    return found;
  }

  static void ExpectSound(const json& j, int records) {
    const json& listed = j["groups"][0]["records"];
    ASSERT_GE(listed.size(), static_cast<std::size_t>(records));
    for (int i = 0; i < records; ++i)
      EXPECT_EQ(listed[i]["ok"], true) << "record " << i;
  }

  std::string original_;
  std::vector<Span> spans_;
  TempFolder copy_;
};

TEST_F(VerifyTest, SoundLibraryPassesRecordByRecord) {
  const json j = RunJson({"verify", Folder()});
  EXPECT_EQ(j["ok"], true);
  EXPECT_EQ(j["records"], 3);
  EXPECT_TRUE(j["problems"].empty());
  const json& records = j["groups"][0]["records"];
  ASSERT_EQ(records.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(records[i]["offset"], spans_[i].offset);
    EXPECT_EQ(records[i]["length"], spans_[i].length);
  }
  const RunResult text = Run({"verify", Folder()});
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("record 2 ok (file offset " + std::to_string(spans_[2].offset) + ")"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("1 group, 3 records checked, 0 problems"), std::string::npos);
  // A new group's empty file is sound too.
  EXPECT_EQ(VerifyCopy("", 0)["ok"], true);
}

TEST_F(VerifyTest, TruncatedRecordIsNamedAndThoseBeforeItPass) {
  const json j = VerifyCopy(original_.substr(0, spans_[2].offset + 500));
  ExpectSound(j, 2);
  const std::vector<json> problems = ProblemsOf(j, 2);
  ASSERT_EQ(problems.size(), 1u) << j.dump(1);
  EXPECT_EQ(problems[0]["place"], "file");
  EXPECT_EQ(problems[0]["offset"], spans_[2].offset + 4);
  EXPECT_NE(problems[0]["message"].get<std::string>().find("runs past the end of the file"),
            std::string::npos);

  // A file cut inside the count word, or inside the next record's length word.
  EXPECT_EQ(ProblemsOf(VerifyCopy(original_.substr(0, 2)), -1).at(0)["offset"], 0);
  const json header = VerifyCopy(original_.substr(0, spans_[1].offset + 6));
  EXPECT_EQ(ProblemsOf(header, 1).at(0)["offset"], spans_[1].offset);
}

TEST_F(VerifyTest, BadRecordLengthStopsTheWalkThere) {
  std::string bytes = original_;
  PutBE32(bytes, spans_[1].offset + 4, 100);
  const json j = VerifyCopy(bytes);
  ExpectSound(j, 1);
  EXPECT_EQ(j["groups"][0]["records"].size(), 1u);
  const std::vector<json> problems = ProblemsOf(j, 1);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0]["offset"], spans_[1].offset + 4);
  EXPECT_NE(problems[0]["message"].get<std::string>().find("below 426"), std::string::npos);
  const std::vector<json> rest = ProblemsOf(j, -1);
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_NE(rest[0]["message"].get<std::string>().find("records 2 to 2 cannot be located"),
            std::string::npos);

  // A length that disagrees with the two coded parts, though the walk can go on.
  bytes = original_;
  PutBE32(bytes, spans_[0].offset + 4, static_cast<std::uint32_t>(spans_[0].length) + 1);
  const json off = VerifyCopy(bytes);
  EXPECT_EQ(ProblemsOf(off, 0).at(0)["offset"], spans_[0].offset + 416);
}

TEST_F(VerifyTest, FlippedThumbnailLengthIsCaught) {
  std::string bytes = original_;
  const std::size_t at = spans_[1].offset + 416;
  PutBE32(bytes, at, GetBE32(bytes, at) ^ 0x00010000u);
  json j = VerifyCopy(bytes);
  ExpectSound(j, 1);
  EXPECT_EQ(j["groups"][0]["records"][2]["ok"], true);  // the walk goes on by recordLength
  std::vector<json> problems = ProblemsOf(j, 1);
  ASSERT_FALSE(problems.empty());
  for (const json& p : problems)
    EXPECT_EQ(p["offset"], at) << p.dump();

  // Lengths that still add up, but the thumbnail is cut short and the art starts early.
  bytes = original_;
  const std::uint32_t t = GetBE32(bytes, at);
  PutBE32(bytes, at, t - 40);
  PutBE32(bytes, at + 4, GetBE32(bytes, at + 4) + 40);
  j = VerifyCopy(bytes);
  problems = ProblemsOf(j, 1);
  ASSERT_FALSE(problems.empty());
  EXPECT_EQ(problems[0]["place"], "file");
  EXPECT_GE(problems[0]["offset"].get<std::size_t>(), spans_[1].offset + 424);
  EXPECT_LE(problems[0]["offset"].get<std::size_t>(), spans_[1].offset + 424 + t);
  EXPECT_NE(problems[0]["message"].get<std::string>().find("thumbnail"), std::string::npos);
}

TEST_F(VerifyTest, ObjectProblemsCarryTheirArtStreamOffset) {
  // Object 1 of record 1 (the path, after a 37-byte marker) with a length below 24.
  json j = VerifyCopy(EditArt(original_, 1, [](Bytes& art) {
    art[37 + 4] = art[37 + 5] = art[37 + 6] = 0;
    art[37 + 7] = 12;
  }));
  ExpectSound(j, 1);
  EXPECT_EQ(j["groups"][0]["records"][2]["ok"], true);
  std::vector<json> problems = ProblemsOf(j, 1);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0]["place"], "art");
  EXPECT_EQ(problems[0]["offset"], 37 + 4);
  EXPECT_EQ(problems[0]["message"], "object 1: length 12 is below 24");

  // The mesh's segment record claims more points than it holds.
  const std::size_t mesh = 37 + 5104 + 28 * 3;
  j = VerifyCopy(EditArt(original_, 1, [&](Bytes& art) { art[mesh + 40 + 84 + 23] = 9; }));
  problems = ProblemsOf(j, 1);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0]["offset"], mesh + 40 + 84 + 16);

  // An object running past the stream, and a stream whose count disagrees.
  j = VerifyCopy(EditArt(original_, 0, [](Bytes& art) { art[37 + 5] = 0x7F; }));
  EXPECT_EQ(ProblemsOf(j, 0).at(0)["offset"], 37 + 4);
  j = VerifyCopy(EditArt(original_, 0, [](Bytes& art) { art.resize(art.size() - 37); }));
  problems = ProblemsOf(j, 0);
  ASSERT_EQ(problems.size(), 2u);  // the group is left open, and the count is off by one
  EXPECT_NE(problems[1]["message"].get<std::string>().find("objectCount is 4"), std::string::npos);

  const RunResult text = [&] {
    WriteFileBytes(copy_.path() / "g.VEL", EditArt(original_, 2, [](Bytes& art) {
                     art[37 + 6] = 0;
                     art[37 + 7] = 3;
                   }));
    return Run({"verify", copy_.path().string()});
  }();
  EXPECT_EQ(text.code, 1);
  EXPECT_NE(text.out.find("g record 2: art offset 41: object 1: length"), std::string::npos)
      << text.out;
}

TEST_F(VerifyTest, CountWordIsCheckedAgainstTheRecordsPresent) {
  std::string bytes = original_;
  PutBE32(bytes, 0, 5);
  json j = VerifyCopy(bytes);
  ExpectSound(j, 3);
  ASSERT_EQ(ProblemsOf(j, -1).size(), 1u);
  EXPECT_EQ(ProblemsOf(j, -1)[0]["offset"], original_.size());
  EXPECT_NE(ProblemsOf(j, -1)[0]["message"].get<std::string>().find("ends after 3"),
            std::string::npos);

  // A record appended whose count was never raised.
  PutBE32(bytes, 0, 2);
  j = VerifyCopy(bytes);
  ExpectSound(j, 2);
  ASSERT_EQ(ProblemsOf(j, -1).size(), 1u);
  EXPECT_EQ(ProblemsOf(j, -1)[0]["offset"], spans_[2].offset);
  EXPECT_NE(ProblemsOf(j, -1)[0]["message"].get<std::string>().find("another record follows"),
            std::string::npos);

  PutBE32(bytes, 0, 0xFFFFFFFFu);
  EXPECT_EQ(ProblemsOf(VerifyCopy(bytes), -1).size(), 1u);
}

TEST_F(VerifyTest, EveryRuleOfTheFormatIsChecked) {
  constexpr std::size_t kPath = 37;                // object 1, after the "GroupArt /" marker
  constexpr std::size_t kClose = 37 + 5188 + 156;  // record 1's closing marker
  constexpr std::size_t kAnywhere = ~std::size_t{0};
  std::string left = original_, bottom = original_;
  PutBE32(left, spans_[1].offset + 8, 5 << 16);
  PutBE32(bottom, spans_[1].offset + 20, 0xFFFF0000u);
  struct Case {
    const char* what;
    std::string bytes;
    const char* place;
    std::size_t offset;
    std::string message;
  };
  const Case cases[] = {
      {"unknown type", EditArt(original_, 1, [](Bytes& a) { a[kPath + 3] = 99; }), "art", kPath,
       "object 1: unknown object type 99: no command can place it"},
      {"path longer than its segments",
       EditArt(original_, 1,
               [](Bytes& a) {
                 a.insert(a.begin() + kPath + 5188, 4, 0);
                 a[kPath + 7] += 4;
               }),
       "art", kPath + 4, "object 1: path object is 5192 bytes, but 3 segments make 5188"},
      {"marker longer than its text",
       EditArt(original_, 1,
               [](Bytes& a) {
                 a.insert(a.begin() + 37, 1, 0);
                 a[7] = 38;
               }),
       "art", 4, "object 0: marker object is 38 bytes, but its text makes 37"},
      {"marker closing nothing", EditArt(original_, 1, [](Bytes& a) { a[24 + 9] = 'X'; }), "art",
       kClose + 24, "object 3: marker \"/ GroupArt\" closes no open level"},
      {"bounds.left", left, "file", spans_[1].offset + 8, "bounds.left is 327680, not 0"},
      {"bounds.bottom", bottom, "file", spans_[1].offset + 20, "bounds.bottom is -65536, not 0"},
      {"thumbnail pixels",
       EditPart(original_, 1, true, [](Bytes& t) { t[4 * 300] = t[4 * 301] = 7; }), "thumbnail",
       4 * 300, "thumbnail: 2 pixels have a first byte that is not 0 (the first is pixel 300)"},
      {"art coded otherwise", EditPart(original_, 1, false, nullptr, LiteralsOnly), "file",
       kAnywhere, "art stream: coded data changed since it was written"},
      {"thumbnail coded otherwise", EditPart(original_, 1, true, nullptr, LiteralsOnly), "file",
       kAnywhere, "thumbnail: coded data changed since it was written"},
  };
  for (const Case& c : cases) {
    const json j = VerifyCopy(c.bytes);
    EXPECT_EQ(j["groups"][0]["records"][0]["ok"], true) << c.what;
    EXPECT_EQ(j["groups"][0]["records"][2]["ok"], true) << c.what;
    const std::vector<json> problems = ProblemsOf(j, 1);
    ASSERT_EQ(problems.size(), 1u) << c.what << ": " << j["problems"].dump(1);
    EXPECT_EQ(problems[0]["place"], c.place) << c.what;
    if (c.offset != kAnywhere) {
      EXPECT_EQ(problems[0]["offset"], c.offset) << c.what;
    }
    EXPECT_NE(problems[0]["message"].get<std::string>().find(c.message), std::string::npos)
        << c.what << ": " << problems[0]["message"];
  }
}

// A raster object is exactly its 92-byte fixed part and its 4096-byte tiles.
TEST_F(VerifyTest, ARasterObjectIsExactlyAsLongAsItsTiles) {
  os::MemHandle record = MakeRecord("raster", "", "", 1000, 1);
  AppendObject(record, RasterObjectBytes(2));
  Store("r", record);
  const std::string sound = FileBytes(GroupFile("r"));
  // (The made-up raster is one the stand-in host does not take: only its layout counts.)
  const json report = VerifyCopy(sound);  // kept: the loop reads into it
  for (const json& p : report["problems"])
    EXPECT_NE(p["place"], "art") << p;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> edit;
    std::string message;
  } cases[] = {
      {"longer",
       [](Bytes& a) {
         a.insert(a.end(), 4, 7);
         a[7] = static_cast<std::uint8_t>(a[7] + 4);
       },
       "object 0: raster object is 8288 bytes, but 2 tiles make 8284"},
      {"shorter",
       [](Bytes& a) {
         a.resize(a.size() - 4);
         a[7] = static_cast<std::uint8_t>(a[7] - 4);
       },
       "object 0: tile count 2 does not fit the object's 8280 bytes"},
  };
  for (const Case& c : cases) {
    const json j = VerifyCopy(EditArt(sound, 0, c.edit));
    const std::vector<json> problems = ProblemsOf(j, 0);
    ASSERT_EQ(problems.size(), 1u) << c.what << ": " << j["problems"].dump(1);
    EXPECT_EQ(problems[0]["place"], "art") << c.what;
    EXPECT_NE(problems[0]["message"].get<std::string>().find(c.message), std::string::npos)
        << c.what << ": " << j["problems"].dump(1);
  }
}

// Fields whose every value fits the format but that the loader refuses: a drop and an
// export of the record fail, so verify names it.
TEST_F(VerifyTest, WhatTheLoaderRefusesIsAProblem) {
  constexpr std::size_t kPath = 37;
  const std::size_t mesh = kPath + 5104 + 28 * 3;  // record 1's mesh
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"unknown stroke colour kind",
       EditArt(original_, 1,
               [](Bytes& a) {
                 a[kPath + 27] = 1;   // strokePaint
                 a[kPath + 101] = 9;  // stroke colour kind
               }),
       "object 1: stroke colour kind 9 is unknown"},
      {"unknown fill colour kind", EditArt(original_, 1, [](Bytes& a) { a[kPath + 29] = 0x47; }),
       "object 1: fill colour kind 71 is unknown"},
      {"unknown mesh kind", EditArt(original_, 1, [&](Bytes& a) { a[mesh + 27] = 7; }),
       "the plug-in's loader cannot place this record's art"},
  };
  for (const Case& c : cases) {
    const json j = VerifyCopy(c.bytes);
    ExpectSound(j, 1);
    EXPECT_EQ(j["groups"][0]["records"][1]["ok"], false) << c.what;
    EXPECT_EQ(j["groups"][0]["records"][2]["ok"], true) << c.what;
    const std::vector<json> problems = ProblemsOf(j, 1);
    ASSERT_EQ(problems.size(), 1u) << c.what << ": " << j["problems"].dump(1);
    EXPECT_NE(problems[0]["message"].get<std::string>().find(c.message), std::string::npos)
        << c.what << ": " << problems[0]["message"];
    // What verify calls a problem is what export fails on (run as a program of its own:
    // its stand-in host takes over the process).
    const fs::path velm =
        fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
    const std::string command = "'" + velm.string() + "' export '" +
                                (copy_.path() / "g.VEL").string() + "' 1 -o '" +
                                (copy_.path() / "r.png").string() + "' > /dev/null 2>&1";
    const int exported = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(exported) && WEXITSTATUS(exported) == 1) << c.what;
  }
}

// Placing the records for the check leaves nothing behind: no temporary folder, and
// nothing in the library.
TEST_F(VerifyTest, PlacingLeavesNoFilesBehind) {
  TempFolder temp;
  const char* old = std::getenv("TMPDIR");
  const std::string kept = old ? old : "";
  ::setenv("TMPDIR", temp.path().c_str(), 1);
  const std::size_t before = std::distance(fs::directory_iterator(DatabaseFolder()), {});
  const RunResult r = Run({"verify", Folder()});
  old ? ::setenv("TMPDIR", kept.c_str(), 1) : ::unsetenv("TMPDIR");
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), {}), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(DatabaseFolder()), {}), before);
}

TEST_F(VerifyTest, TheRestOfAnInterruptedAppendIsOnlyANote) {
  for (const std::size_t cut : {std::size_t{100}, std::size_t{426 + 50}, spans_[2].length - 1}) {
    const json j = VerifyCopy(original_ + original_.substr(spans_[2].offset, cut), 0);
    EXPECT_EQ(j["ok"], true) << cut;
    EXPECT_TRUE(j["problems"].empty()) << cut;
    ASSERT_EQ(j["warnings"].size(), 1u) << cut;
    EXPECT_EQ(j["warnings"][0]["offset"], original_.size());
    EXPECT_NE(j["warnings"][0]["message"].get<std::string>().find("interrupted append"),
              std::string::npos);
  }
  const RunResult text = Run({"verify", copy_.path().string()});
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("g note: file offset " + std::to_string(original_.size())),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("0 problems, 1 warning"), std::string::npos) << text.out;
}

TEST_F(VerifyTest, HugeClaimedLengthsAreRejectedBeforeAnythingIsExpanded) {
  // A record whose lengths add up to a 300 MB thumbnail: refused by its size alone, with
  // every allocation failing, so nothing can have been expanded.
  constexpr std::uint32_t kHuge = 300u << 20;
  std::string record = original_.substr(spans_[1].offset, spans_[1].length);
  PutBE32(record, 416, kHuge);
  PutBE32(record, 4, 426 + kHuge + GetBE32(record, 420));
  os::TestOverrides().allocationsBeforeFailure = 0;
  const velmtool::RecordInspection inspection = velmtool::InspectStoredRecord(
      reinterpret_cast<const std::uint8_t*>(record.data()), record.size(), 1, 0);
  os::TestOverrides().allocationsBeforeFailure = -1;
  ASSERT_EQ(inspection.problems.size(), 1u)
      << (inspection.problems.empty() ? "" : inspection.problems.back().message);
  EXPECT_EQ(inspection.problems[0].offset, 416u);
  EXPECT_NE(inspection.problems[0].message.find("longer than any coded 65536-byte thumbnail"),
            std::string::npos)
      << inspection.problems[0].message;

  // In a file, a record claiming a 300 MB art stream ends the walk at its length.
  std::string bytes = original_;
  PutBE32(bytes, spans_[1].offset + 420, kHuge);
  PutBE32(bytes, spans_[1].offset + 4, 426 + GetBE32(bytes, spans_[1].offset + 416) + kHuge);
  const std::vector<json> problems = ProblemsOf(VerifyCopy(bytes), 1);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0]["message"].get<std::string>().find("runs past the end of the file"),
            std::string::npos);
}

TEST_F(VerifyTest, GroupFilesThePlugInCannotSeeAreReported) {
  WriteFileBytes(DatabaseFolder() / "\xF0\x9F\x8C\xB8.VEL", original_);
  const json j = RunJson({"verify", Folder()}, 1);
  ASSERT_EQ(j["unreadableFiles"].size(), 1u);
  EXPECT_EQ(j["unreadableFiles"][0]["file"], "\xF0\x9F\x8C\xB8.VEL");
  EXPECT_EQ(j["records"], 3);
  // One named group is checked alone.
  EXPECT_EQ(Run({"verify", Folder(), "--group", "g"}).code, 0);
  EXPECT_EQ(Run({"verify", Folder(), "--group", "h"}).code, 1);
}

TEST_F(VerifyTest, ScratchFilesLeftByAnInterruptedWriteAreNotes) {
  WriteFileBytes(DatabaseFolder() / "VELM-4242-7.TMP", original_);
  EXPECT_EQ(RunJson({"verify", Folder()})["scratchFiles"], json::array({"VELM-4242-7.TMP"}));
  const RunResult text = Run({"verify", Folder()});
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("VELM-4242-7.TMP note: a scratch file"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("0 problems, 1 warning"), std::string::npos) << text.out;
}

// A scratch file whose writer still runs (it holds its mark's byte of VELM.LCK, as a
// writer on another machine would) is in use, not left over.
TEST_F(VerifyTest, AScratchFileWhoseWriterRunsIsNoNote) {
  const std::string name = "VELM-999999-0123456789abcdef.TMP";
  WriteFileBytes(DatabaseFolder() / name, original_);
  int held[2];
  ASSERT_EQ(pipe(held), 0);
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    const int lock = ::open((DatabaseFolder() / "VELM.LCK").c_str(), O_RDWR | O_CREAT, 0600);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 0x100000 + 0xbcdef;  // the mark's last five digits
    range.l_len = 1;
    const char ok = lock >= 0 && ::fcntl(lock, F_OFD_SETLK, &range) == 0 ? 'y' : 'n';
    if (write(held[1], &ok, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(held[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  EXPECT_EQ(RunJson({"verify", Folder()})["scratchFiles"], json::array());
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
  close(held[0]);
  close(held[1]);
  EXPECT_EQ(RunJson({"verify", Folder()})["scratchFiles"], json::array({name}));
}

TEST_F(VerifyTest, RandomDamageNeverBreaksAnyCommand) {
  std::mt19937 rng(20240305);
  const std::string file = (copy_.path() / "g.VEL").string();
  const std::string png = (copy_.path() / "t.png").string();
  for (int round = 0; round < 40; ++round) {
    std::string bytes = original_;
    if (round % 4 == 0) {
      bytes.resize(rng() % bytes.size());
    } else {
      // Mostly the headers and the starts of the coded parts, where lengths live.
      const Span& span = spans_[rng() % spans_.size()];
      for (int k = 1 + static_cast<int>(rng() % 6); k > 0; --k) {
        const std::size_t at = span.offset + (rng() % 2 ? rng() % 440 : rng() % span.length);
        bytes[at] = static_cast<char>(rng());
      }
      if (round % 7 == 1) PutBE32(bytes, 0, rng() % 8);
    }
    WriteFileBytes(file, bytes);
    const std::vector<std::vector<std::string>> commands = {
        {"verify", file, "--json"},    {"ls", file, "--json"}, {"search", file, "--text", ""},
        {"show", file, "0", "--json"}, {"show", file, "2"},    {"thumb", file, "1", "-o", png}};
    for (const std::vector<std::string>& command : commands) {
      const RunResult r = Run(command);
      EXPECT_TRUE(r.code == 0 || r.code == 1) << command[0] << " round " << round << ": " << r.err;
      if (command.back() == "--json" && !r.out.empty()) {
        EXPECT_FALSE(json::parse(r.out, nullptr, false).is_discarded()) << command[0];
      }
    }
  }
}

}  // namespace
}  // namespace velmtest
