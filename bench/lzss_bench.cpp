// LZSS coding speed on the kinds of data records hold: 64 KiB thumbnails, a large art
// object stream, text, and random bytes (all literals). Every benchmark times the plain
// byte-by-byte coder (lzss_plain.h) in the same iterations and reports input megabytes
// per second of both (`MB`, `plain_MB`) and their ratio (`ratio`); encodes also report the
// coded size as a fraction of the input (`coded`), decodes the speed of copying the same
// bytes into a fresh block (`memcpy_MB`) and the decoder's share of it (`of_memcpy`).
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "database/lzss.h"
#include "lzss_plain.h"
#include "platform/memory.h"
namespace {

using Bytes = std::vector<std::uint8_t>;

// 128 x 128 pixels of 0, r, g, b: smooth gradients with some flat areas and noise.
Bytes ThumbnailLike() {
  std::mt19937 rng(1);
  Bytes pixels(65536);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      std::uint8_t* p = &pixels[(y * 128 + x) * 4];
      const bool inside = (x - 64) * (x - 64) + (y - 64) * (y - 64) < 40 * 40;
      p[0] = 0;
      p[1] = inside ? static_cast<std::uint8_t>(x * 2) : 255;
      p[2] = inside ? static_cast<std::uint8_t>(y * 2) : 255;
      p[3] = inside ? static_cast<std::uint8_t>(128 + rng() % 8) : 255;
    }
  }
  return pixels;
}

// 128 x 128 pixels of 0, r, g, b: one smooth gradient over the whole picture, as a
// gradient-filled shape gives. Every pixel differs from its neighbours, so nearly every
// item is a literal or a short match, and all the strings that start at a pixel's zero
// byte hang in one tree that degenerates into long chains.
Bytes GradientThumbnail() {
  Bytes pixels(65536);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      std::uint8_t* p = &pixels[(y * 128 + x) * 4];
      p[0] = 0;
      p[1] = static_cast<std::uint8_t>(x * 255 / 127);
      p[2] = static_cast<std::uint8_t>(y * 255 / 127);
      p[3] = static_cast<std::uint8_t>(255 - (x + y) * 255 / 254);
    }
  }
  return pixels;
}

// 4 MiB of path-object-like records: long runs of zero-filled style and gradient
// blocks, headers, and segments of slowly changing 16.16 coordinates.
Bytes ArtLike() {
  std::mt19937 rng(2);
  Bytes art;
  art.reserve(4 * 1024 * 1024);
  std::int32_t h = 0x00100000;
  std::int32_t v = 0x00200000;
  auto put32 = [&](std::int32_t value) {
    for (int k = 0; k < 4; ++k)
      art.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
  };
  while (art.size() < 4 * 1024 * 1024) {
    const int segments = 1 + static_cast<int>(rng() % 40);
    put32(2);
    put32(5104 + 28 * segments);
    put32(0);
    put32(0x00010000);
    art.resize(art.size() + 8, 0);
    art.resize(art.size() + 5080, 0);  // style and the two gradient blocks, mostly zero
    art[art.size() - 5000] = 1;
    art[art.size() - 4930] = static_cast<std::uint8_t>(rng());
    for (int i = 0; i < segments; ++i) {
      h += static_cast<std::int32_t>(rng() % 0x40000) - 0x20000;
      v += static_cast<std::int32_t>(rng() % 0x40000) - 0x20000;
      for (int k = 0; k < 3; ++k) {
        put32(h);
        put32(v);
      }
      put32(static_cast<std::int32_t>(rng() % 2));
    }
  }
  art.resize(4 * 1024 * 1024);
  return art;
}

// Words of marker texts and record names with numbers: many short and medium matches.
Bytes TextLike() {
  static const char* const kWords[] = {"GroupArt",     "/",          "PathArt", "CompoundPathArt",
                                       "Clipped=TRUE", "PatternArt", "TextArt", "label",
                                       "name",         "comment",    "\r\n"};
  std::mt19937 rng(3);
  std::string text;
  while (text.size() < 1024 * 1024) {
    text += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    text += ' ';
    if (rng() % 4 == 0) text += std::to_string(rng() % 10000);
  }
  text.resize(1024 * 1024);
  return Bytes(text.begin(), text.end());
}

Bytes RandomBytes() {
  std::mt19937 rng(4);
  Bytes bytes(1024 * 1024);
  for (auto& b : bytes)
    b = static_cast<std::uint8_t>(rng());
  return bytes;
}

// The time this thread has run, so that other processes on a shared machine do not
// count (both forms are timed the same way).
struct Clock {
  using time_point = double;
  static double now() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
  }
};

double Seconds(Clock::time_point from) {
  return Clock::now() - from;
}

// Counters of one benchmark: megabytes per second of ours and of the plain form, both
// timed over the same iterations, and how many times faster ours is.
void SetSpeeds(benchmark::State& state, std::size_t bytes, double ours, double plain) {
  const double megabytes =
      static_cast<double>(bytes) / 1e6 * static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["MB"] = megabytes / ours;
  state.counters["plain_MB"] = megabytes / plain;
  state.counters["ratio"] = plain / ours;
}

void Encode(benchmark::State& state, const Bytes& input, std::uint32_t granularity) {
  const auto length = static_cast<std::uint32_t>(input.size());
  velm::os::MemHandle out = nullptr;
  std::vector<std::uint8_t> plain;
  std::int64_t coded = 0;
  double ours = 0, plainTime = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    coded = velm::LzssEncode(input.data(), length, out, granularity);
    const double once = Seconds(start);
    ours += once;
    start = Clock::now();
    velmbench::PlainLzssEncode(input.data(), input.size(), plain);
    plainTime += Seconds(start);
    state.SetIterationTime(once);
  }
  // The yardstick is only one if it codes to the same bytes.
  if (coded < 0 || plain.size() != static_cast<std::size_t>(coded) ||
      (coded > 0 && std::memcmp(plain.data(), out, plain.size()) != 0)) {
    state.SkipWithError("the plain coder's bytes differ");
  }
  velm::ReleaseBlock(out);
  SetSpeeds(state, input.size(), ours, plainTime);
  state.counters["coded"] = static_cast<double>(coded) / static_cast<double>(input.size());
}

void Decode(benchmark::State& state, const Bytes& input, std::uint32_t granularity) {
  velm::os::MemHandle coded = nullptr;
  const auto codedLength = static_cast<std::uint32_t>(
      velm::LzssEncode(input.data(), static_cast<std::uint32_t>(input.size()), coded, granularity));
  std::vector<std::uint8_t> plain;
  bool same = true;
  double ours = 0, plainTime = 0, copy = 0;
  for (auto _ : state) {
    // A fresh output block each time, as a record read allocates one.
    Clock::time_point start = Clock::now();
    velm::os::MemHandle out = nullptr;
    const std::int64_t n = velm::LzssDecode(coded, codedLength, out, granularity);
    const double once = Seconds(start);
    ours += once;
    same = same && n == static_cast<std::int64_t>(input.size()) &&
           std::memcmp(out, input.data(), input.size()) == 0;
    velm::ReleaseBlock(out);
    start = Clock::now();
    velmbench::PlainLzssDecode(coded, codedLength, plain);
    plainTime += Seconds(start);
    start = Clock::now();
    velm::GrowBlock(out, static_cast<std::uint32_t>(input.size()), granularity);
    std::memcpy(out, input.data(), input.size());
    benchmark::DoNotOptimize(out);
    copy += Seconds(start);
    velm::ReleaseBlock(out);
    state.SetIterationTime(once);
  }
  if (!same || plain != input) state.SkipWithError("a decoder's bytes differ from the input");
  velm::ReleaseBlock(coded);
  SetSpeeds(state, input.size(), ours, plainTime);
  state.counters["memcpy_MB"] =
      static_cast<double>(input.size()) / 1e6 * static_cast<double>(state.iterations()) / copy;
  state.counters["of_memcpy"] = copy / ours;
}

#define VELM_LZSS_BENCHMARKS(Name, Make, granularity)                         \
  void BM_Encode##Name(benchmark::State& state) {                             \
    static const Bytes input = Make();                                        \
    Encode(state, input, granularity);                                        \
  }                                                                           \
  void BM_Decode##Name(benchmark::State& state) {                             \
    static const Bytes input = Make();                                        \
    Decode(state, input, granularity);                                        \
  }                                                                           \
  BENCHMARK(BM_Encode##Name)->UseManualTime()->Unit(benchmark::kMillisecond); \
  BENCHMARK(BM_Decode##Name)->UseManualTime()->Unit(benchmark::kMillisecond);

VELM_LZSS_BENCHMARKS(Thumbnail, ThumbnailLike, velm::kListGranule)
VELM_LZSS_BENCHMARKS(GradientThumbnail, GradientThumbnail, velm::kListGranule)
VELM_LZSS_BENCHMARKS(Art4MiB, ArtLike, velm::kRecordGranule)
VELM_LZSS_BENCHMARKS(Text1MiB, TextLike, velm::kRecordGranule)
VELM_LZSS_BENCHMARKS(Random1MiB, RandomBytes, velm::kRecordGranule)

}  // namespace
