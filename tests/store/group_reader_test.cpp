// Reading group files through one window (GroupReader) and one handle per command
// (GroupReadScope): exact bytes at and across the window's edges, nothing handed out
// beyond the end of the file, damaged files read as they read without a scope, and a file
// replaced or grown by another program while a scope reads it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/group_reader.h"
#include "database/record.h"
#include "database/record_offsets.h"
#include "platform/memory.h"

namespace {

namespace os = velm::os;

void PutBE32(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}

// A stored record of `length` bytes (as stored, never expanded here): its parts add up to
// its length, and every byte after the length word tells the record apart.
std::string StoredRecord(std::uint32_t length, char mark) {
  std::string bytes(length, mark);
  PutBE32(bytes, 4, length);
  PutBE32(bytes, 416, length - 426 - 10);
  PutBE32(bytes, 420, 10);
  return bytes;
}

std::string GroupBytes(std::uint32_t count, const std::vector<std::uint32_t>& lengths) {
  std::string bytes(4, '\0');
  PutBE32(bytes, 0, count);
  char mark = 'a';
  for (std::uint32_t length : lengths)
    bytes += StoredRecord(length, mark++);
  return bytes;
}

class GroupReaderTest : public velmtest::StoreTest {
 protected:
  void TearDown() override {
    velm::ForgetRecordOffsets();
    StoreTest::TearDown();
  }

  os::FileHandle Open(const std::string& group) {
    char base[velm::kPathSize], path[velm::kPathSize];
    EXPECT_EQ(velm::GetBaseFolder(base), host::kNoErr);
    EXPECT_TRUE(velm::GroupFilePath(base, group.c_str(), path));
    return os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  }

  // Record `index` of "g" as stored: the status and the bytes read ("" for none).
  std::string Read(std::int32_t index) {
    os::MemHandle block = os::MemAlloc(16);
    const host::Err err = velm::VelmReadRecord("g", index, &block, velm::kReadWholeRecord, false);
    std::string read = std::to_string(err) + ":";
    // As stored, the length word is big-endian.
    const std::uint32_t length = block && os::MemSize(block) >= 8
                                     ? std::uint32_t{block[4]} << 24 |
                                           std::uint32_t{block[5]} << 16 |
                                           std::uint32_t{block[6]} << 8 | block[7]
                                     : 0;
    if (err == host::kNoErr && length > 0 && length <= os::MemSize(block))
      read.append(reinterpret_cast<const char*>(block), length);
    velm::ReleaseBlock(block);
    return read;
  }

  // Records -1 to `last` of "g", read inside one scope or one by one without.
  std::vector<std::string> ReadAll(std::int32_t last, bool scoped) {
    velm::ForgetRecordOffsets();
    std::vector<std::string> reads;
    if (scoped) {
      const velm::GroupReadScope scope("g");
      for (std::int32_t i = -1; i <= last; ++i)
        reads.push_back(Read(i));
    } else {
      for (std::int32_t i = -1; i <= last; ++i)
        reads.push_back(Read(i));
    }
    return reads;
  }
};

TEST_F(GroupReaderTest, HandsOutExactBytesAtWindowEdgesAndNothingPastTheEnd) {
  constexpr std::uint32_t kW = velm::GroupReader::kWindow;
  std::string file(2 * kW + 1000, '\0');
  for (std::size_t i = 0; i < file.size(); ++i)
    file[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
  WriteFileBytes(GroupFile("g"), file);
  const os::FileHandle handle = Open("g");
  ASSERT_NE(handle, os::kInvalidFile);
  const auto size = static_cast<std::int64_t>(file.size());

  struct Step {
    bool copy;  // Read() rather than At()
    std::int64_t at;
    std::uint32_t count;
  };
  // In this order: each step starts from the window the steps before it left.
  const Step steps[] = {
      {false, 4, 8},            // fills the window from 4
      {false, kW - 4, 8},       // its last 8 bytes exactly
      {false, kW - 3, 8},       // one byte past it
      {false, kW + 4, 426},     // lies in the window read just now
      {true, 100, kW / 4 + 1},  // a long run, straight from the file
      {true, kW + 1, 40},       // partly in the window, partly not
      {false, 0, kW},           // a whole window
      {false, size - 8, 8},     // ends at the end of the file
      {false, size - 7, 8},     // one byte past the end
      {true, size - 100, 101},  // a copy one byte past the end
      {false, size, 1},         // at the end
      {false, -1, 8},           // before the start
      {false, 0, kW + 1},       // more than a window
      {false, 0, 8},            // over long records, only a header is read:
      {false, kW + 500, 8},     //   a stride of more than a window
      {false, kW + 500, 426},   //   still in that read
      {false, kW + 900, 200},   //   beyond it: read again
  };
  velm::GroupReader reader(handle);
  EXPECT_EQ(reader.Size(), size);
  for (const Step& s : steps) {
    const bool inside =
        s.at >= 0 && s.at + s.count <= size && (s.copy || s.count <= velm::GroupReader::kWindow);
    const std::string want = inside ? file.substr(static_cast<std::size_t>(s.at), s.count) : "";
    std::string got;
    if (s.copy) {
      std::string into(s.count, '\0');
      if (reader.Read(s.at, into.data(), s.count)) got = into;
    } else if (const std::uint8_t* bytes = reader.At(s.at, s.count)) {
      got.assign(reinterpret_cast<const char*>(bytes), s.count);
    }
    EXPECT_EQ(got == want, true) << (s.copy ? "Read " : "At ") << s.at << " + " << s.count
                                 << (inside ? ": wrong bytes" : ": handed out past the end");
  }
  os::FileClose(handle);

  // An empty file holds nothing.
  WriteFileBytes(GroupFile("e"), "");
  const os::FileHandle empty = Open("e");
  velm::GroupReader none(empty);
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(none.At(0, 4), nullptr);
  os::FileClose(empty);
}

TEST_F(GroupReaderTest, AScopeReadsWhatReadsWithoutOneReadOnIntactAndDamagedFiles) {
  constexpr std::uint32_t kW = velm::GroupReader::kWindow;
  struct Case {
    const char* what;
    std::uint32_t count;
    std::vector<std::uint32_t> lengths;
    std::size_t cut;  // bytes cut off the end
    std::int32_t lengthOf = -1;
    std::uint32_t length = 0;   // written over that record's length word
    std::int32_t damaged = -1;  // the first record that must not read
  };
  // Record 1 starts at kW + d for the first six: its header straddles or meets the edge.
  const Case cases[] = {
      {"header across the edge", 3, {kW - 4 - 426, 500, 9000}, 0},
      {"length word across the edge", 3, {kW - 4 - 6, 500, 9000}, 0},
      {"prefix ends at the edge", 3, {kW - 4 - 8, 500, 9000}, 0},
      {"one byte before the edge", 3, {kW - 4 - 1, 500, 9000}, 0},
      {"at the edge", 3, {kW - 4, 500, 9000}, 0},
      {"one byte after the edge", 3, {kW - 4 + 1, 500, 9000}, 0},
      {"long records", 4, {9000, 20000, 9000, 700}, 0},
      {"length past the end", 3, {600, 700, 800}, 0, 1, 700 + 800 + 1, 1},
      {"length below a header", 3, {600, 700, 800}, 0, 1, 425, 1},
      {"last record cut short", 3, {600, 700, 800}, 1, -1, 0, 2},
      {"count word over the records", 5, {600, 700}, 0, -1, 0, 2},
      {"nothing after the count word", 2, {}, 0, -1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = GroupBytes(c.count, c.lengths);
    if (c.lengthOf >= 0) {
      std::size_t at = 4;
      for (std::int32_t i = 0; i < c.lengthOf; ++i)
        at += c.lengths[static_cast<std::size_t>(i)];
      PutBE32(file, at + 4, c.length);
    }
    file.resize(file.size() - c.cut);
    WriteFileBytes(GroupFile("g"), file);
    const auto last = static_cast<std::int32_t>(c.count);
    const std::vector<std::string> scoped = ReadAll(last, true);
    EXPECT_EQ(scoped, ReadAll(last, false));
    std::size_t at = 4;
    for (std::int32_t i = 0; i < last; ++i) {
      const std::string& read = scoped[static_cast<std::size_t>(i + 1)];
      if (c.damaged < 0 || i < c.damaged) {
        const std::uint32_t length = c.lengths[static_cast<std::size_t>(i)];
        EXPECT_EQ(read == "0:" + file.substr(at, length), true) << "record " << i;
        at += length;
      } else {
        EXPECT_EQ(read, std::to_string(velm::kDamagedGroupErr) + ":") << "record " << i;
      }
    }
    EXPECT_EQ(scoped.back(), "0:") << "no record past the count";
  }

  // An empty file is an empty group.
  WriteFileBytes(GroupFile("g"), "");
  EXPECT_EQ(ReadAll(1, true), (std::vector<std::string>{"0:", "0:", "0:"}));
}

TEST_F(GroupReaderTest, AScopeReadsTheFileAsItWasWhenAnotherProgramChangesIt) {
  const std::vector<std::uint32_t> lengths{600, 700, 800};
  const std::string before = GroupBytes(3, lengths);
  WriteFileBytes(GroupFile("g"), before);
  const std::string record2 = before.substr(4 + 600 + 700);
  {
    const velm::GroupReadScope scope("g");
    EXPECT_EQ(Read(0), "0:" + before.substr(4, 600));
    // Another program removes record 0: a new file renamed over the group's.
    std::string after = before.substr(4 + 600);
    after.insert(0, std::string("\0\0\0\2", 4));
    const std::filesystem::path next = GroupFile("g").string() + ".new";
    WriteFileBytes(next, after);
    std::filesystem::rename(next, GroupFile("g"));
    EXPECT_EQ(Read(2), "0:" + record2) << "the handle still reads the file the scope opened";
    EXPECT_EQ(Read(1), "0:" + before.substr(4 + 600, 700));
  }
  EXPECT_EQ(Read(1), "0:" + record2) << "after the scope, the file as it is now";
  EXPECT_EQ(Read(2), "0:");

  // Another program appends in place (raising the count word last): the scope keeps the
  // count it began with and reads no half-written record.
  WriteFileBytes(GroupFile("g"), before);
  {
    const velm::GroupReadScope scope("g");
    EXPECT_EQ(Read(0), "0:" + before.substr(4, 600));
    std::string grown = before + StoredRecord(900, 'z');
    PutBE32(grown, 0, 4);
    WriteFileBytes(GroupFile("g"), grown);
    EXPECT_EQ(Read(3), "0:");
    EXPECT_EQ(Read(2), "0:" + record2);
  }
  EXPECT_EQ(Read(3), "0:" + StoredRecord(900, 'z'));
}

}  // namespace
