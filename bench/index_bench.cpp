// The record index of a 10,000-record group: building it from the group file (a stable
// sort on the insertion comparison) beside the one-by-one sorted insertion it replaces;
// and matching a search text against 100,000 record headers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_session.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/text_match.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "platform/memory.h"

namespace os = velm::os;

namespace {

constexpr int kRecords = 10000;

void PutBE32(std::string& bytes, std::size_t at, std::uint32_t v) {
  bytes[at] = static_cast<char>(v >> 24);
  bytes[at + 1] = static_cast<char>(v >> 16);
  bytes[at + 2] = static_cast<char>(v >> 8);
  bytes[at + 3] = static_cast<char>(v);
}

std::string RandomName(std::mt19937& random) {
  static const char* const kWords[] = {"leaf",  "flower", "frame", "star",   "wave",
                                       "arrow", "logo",   "badge", "corner", "border"};
  return std::string(kWords[random() % 10]) + std::to_string(random() % 500);
}

// A started plug-in (linked in) with its suites held, and a 10,000-record group file.
class IndexWorld {
 public:
  explicit IndexWorld(int records = kRecords) : bench_("index") {
    std::mt19937 random(11);
    std::string file(4, '\0');
    PutBE32(file, 0, static_cast<std::uint32_t>(records));
    for (int i = 0; i < records; ++i) {
      // Headers only matter here: a stored record of 427 bytes with a 1-byte thumbnail.
      std::string record(427, '\0');
      PutBE32(record, 4, 427);
      const std::string name = RandomName(random);
      std::memcpy(&record[24], name.data(), name.size());
      const std::string kind = RandomName(random).substr(0, 4);
      std::memcpy(&record[88], kind.data(), kind.size());
      PutBE32(record, 408, 3000000000u + random() % 1000);
      PutBE32(record, 416, 1);
      file += record;
    }
    std::ofstream(bench_.library() / "big.VEL", std::ios::binary) << file;
  }

 private:
  BenchSession bench_;
};

void BM_BuildIndexOf10000Records(benchmark::State& state) {
  IndexWorld world;  // one plug-in session at a time: each benchmark starts its own
  velm::gGlobals->sortMode = static_cast<std::int16_t>(state.range(0));
  for (auto _ : state) {
    velm::BuildRIHList("big");
    benchmark::DoNotOptimize(velm::gGlobals->RIHList);
  }
}
BENCHMARK(BM_BuildIndexOf10000Records)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Every record of a group read by its number, one after another, as velm ls, search and
// the palette's drawing read them: the time per record stays the same from 100 records
// to 10,000 (the offsets are kept from one walk of the file, not walked again per record).
void BM_ReadEveryRecordByNumber(benchmark::State& state) {
  const auto records = static_cast<std::int32_t>(state.range(0));
  IndexWorld world(records);
  os::MemHandle block = nullptr;
  velm::GrowBlock(block, velm::kRecordHeaderSize, velm::kRecordGranule);
  for (auto _ : state) {
    for (std::int32_t i = 0; i < records; ++i)
      if (velm::VelmReadRecord("big", i, &block, velm::kReadHeaderOnly, true) != 0)
        state.SkipWithError("a record did not read");
    benchmark::DoNotOptimize(block);
  }
  velm::ReleaseBlock(block);
  state.counters["s_per_record"] =
      benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadEveryRecordByNumber)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

// What the built list replaces (its plain form): for each record in turn, a seek and a read of its
// header, then its insertion at its sorted place (same items, same order).
void BM_BuildIndexOf10000RecordsPlain(benchmark::State& state) {
  IndexWorld world;
  velm::gGlobals->sortMode = static_cast<std::int16_t>(state.range(0));
  char base[velm::kPathSize], path[velm::kPathSize];
  velm::GetBaseFolder(base);
  velm::GroupFilePath(base, "big", path);
  for (auto _ : state) {
    os::MemHandle list = nullptr;
    velm::GrowBlock(list, 4, velm::kListGranule);
    os::FileHandle file =
        os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
    std::int64_t offset = 4;
    for (int i = 0; i < kRecords; ++i) {
      std::uint8_t header[416];
      std::uint32_t done = 0;
      os::FileSeek(file, offset, os::SeekOrigin::kBegin, nullptr);
      os::FileRead(file, header, sizeof header, &done);
      velm::RecordTime created = (std::uint32_t{header[408]} << 24) |
                                 (std::uint32_t{header[409]} << 16) |
                                 (std::uint32_t{header[410]} << 8) | header[411];
      velm::VelmAddItemRIHList(list, "big", i, reinterpret_cast<char*>(header + 24),
                               reinterpret_cast<char*>(header + 88), created);
      offset += (std::uint32_t{header[6]} << 8) | header[7];
    }
    os::FileClose(file);
    benchmark::DoNotOptimize(list);
    velm::ReleaseBlock(list);
  }
}
BENCHMARK(BM_BuildIndexOf10000RecordsPlain)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The search's matching step over 100,000 headers (name, kind and comment), with the
// case- and width-folding options on.
void BM_SearchOver100000Headers(benchmark::State& state) {
  std::mt19937 random(5);
  std::vector<velm::Record> headers(100000);
  for (velm::Record& h : headers) {
    std::memset(&h, 0, sizeof h);
    const std::string name = RandomName(random);
    std::memcpy(h.name, name.data(), name.size());
    const std::string comment =
        "A comment about " + RandomName(random) + " and " + RandomName(random);
    std::memcpy(h.comment, comment.data(), comment.size());
  }
  for (auto _ : state) {
    int found = 0;
    for (const velm::Record& h : headers)
      found += velm::FindText(h.comment, "STAR12", false, false, false) >= 0;
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_SearchOver100000Headers)->Unit(benchmark::kMillisecond);

}  // namespace
