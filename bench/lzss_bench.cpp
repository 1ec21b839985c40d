// LZSS coding speed on the two kinds of data records hold: a 64 KiB thumbnail and a
// large art object stream. Reports input megabytes per second (the "MB" counter).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "database/lzss.h"
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

void Encode(benchmark::State& state, const Bytes& input, std::uint32_t granularity) {
  velm::os::MemHandle out = nullptr;
  std::int64_t coded = 0;
  for (auto _ : state) {
    coded =
        velm::LzssEncode(input.data(), static_cast<std::uint32_t>(input.size()), out, granularity);
    benchmark::DoNotOptimize(coded);
  }
  velm::ReleaseBlock(out);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
  state.counters["MB"] = benchmark::Counter(static_cast<double>(input.size()) / 1e6,
                                            benchmark::Counter::kIsIterationInvariantRate);
  state.counters["ratio"] = static_cast<double>(coded) / static_cast<double>(input.size());
}

void Decode(benchmark::State& state, const Bytes& input, std::uint32_t granularity) {
  velm::os::MemHandle coded = nullptr;
  const std::int64_t codedLength =
      velm::LzssEncode(input.data(), static_cast<std::uint32_t>(input.size()), coded, granularity);
  velm::os::MemHandle out = nullptr;
  for (auto _ : state) {
    // A fresh output block each time, as a record read allocates one.
    benchmark::DoNotOptimize(
        velm::LzssDecode(coded, static_cast<std::uint32_t>(codedLength), out, granularity));
    velm::ReleaseBlock(out);
  }
  velm::ReleaseBlock(coded);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
  state.counters["MB"] = benchmark::Counter(static_cast<double>(input.size()) / 1e6,
                                            benchmark::Counter::kIsIterationInvariantRate);
}

void BM_EncodeThumbnail(benchmark::State& state) {
  static const Bytes input = ThumbnailLike();
  Encode(state, input, velm::kListGranule);
}
void BM_DecodeThumbnail(benchmark::State& state) {
  static const Bytes input = ThumbnailLike();
  Decode(state, input, velm::kListGranule);
}
void BM_EncodeArt4MiB(benchmark::State& state) {
  static const Bytes input = ArtLike();
  Encode(state, input, velm::kRecordGranule);
}
void BM_DecodeArt4MiB(benchmark::State& state) {
  static const Bytes input = ArtLike();
  Decode(state, input, velm::kRecordGranule);
}

// The yardstick: copying the same bytes into a fresh block.
void Copy(benchmark::State& state, const Bytes& input, std::uint32_t granularity) {
  for (auto _ : state) {
    velm::os::MemHandle out = nullptr;
    velm::GrowBlock(out, static_cast<std::uint32_t>(input.size()), granularity);
    std::memcpy(out, input.data(), input.size());
    benchmark::DoNotOptimize(out);
    velm::ReleaseBlock(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
  state.counters["MB"] = benchmark::Counter(static_cast<double>(input.size()) / 1e6,
                                            benchmark::Counter::kIsIterationInvariantRate);
}
void BM_MemcpyThumbnail(benchmark::State& state) {
  static const Bytes input = ThumbnailLike();
  Copy(state, input, velm::kListGranule);
}
void BM_MemcpyArt4MiB(benchmark::State& state) {
  static const Bytes input = ArtLike();
  Copy(state, input, velm::kRecordGranule);
}

BENCHMARK(BM_MemcpyThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyArt4MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeArt4MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeArt4MiB)->Unit(benchmark::kMillisecond);

}  // namespace
