// The text and raster writers on their own (no thumbnail, no record): a 1024 x 1024
// raster copied out in tiles, as megabytes of pixels per second; and a text of 10,000
// characters read character by character into runs, in one style and with a style change
// every 50 two-byte characters.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench_session.h"
#include "capture/raster_mesh_writer.h"
#include "capture/text_writer.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace {

// A started plug-in (linked in) with its suites held, over an empty document.
class WriterWorld {
 public:
  explicit WriterWorld(const char* name) : bench_(std::string("writer-") + name) {}
  hostsim::Document& doc() { return bench_.doc(); }
  // A selected art of `type` in the current layer.
  hostsim::Art* Add(std::int32_t type) {
    hostsim::Art* art = doc().Create(type);
    doc().Insert(art, host::kPlaceInsideOnBottom, doc().currentLayer()->group);
    doc().Select(art, true);
    return art;
  }

 private:
  BenchSession bench_;
};

// Runs one writer into a fresh object buffer and fails the benchmark when it builds
// nothing.
template <class Writer>
void WriteObject(benchmark::State& state, Writer writer, host::ArtHandle art,
                 std::uint32_t startSize) {
  velm::os::MemHandle object = nullptr;
  velm::GrowBlock(object, startSize, velm::kListGranule);
  const host::Err status = writer(art, object, host::RealPoint{0, 0});
  std::int32_t type = 0;
  std::memcpy(&type, object, sizeof type);
  if (status != host::kNoErr || type == 0) state.SkipWithError("the writer built no object");
  velm::ReleaseBlock(object);
}

void BM_RasterCapture1024(benchmark::State& state) {
  WriterWorld world("raster");
  hostsim::Art* raster = world.Add(host::kRasterArt);
  hostsim::RasterData& r = raster->raster;
  r.info.bounds = {0, 0, 1024, 1024};
  r.info.colorSpace = hostsim::kRasterArgb;
  r.info.bitsPerPixel = 32;
  r.info.byteWidth = 4096;
  r.pixels.resize(4096u * 1024u);
  for (std::size_t i = 0; i < r.pixels.size(); ++i)
    r.pixels[i] = static_cast<std::uint8_t>(i * 31 + i / 4096);
  r.matrix = {1, 0, 0, -1, 0, 1024};
  for (auto _ : state)
    WriteObject(state, velm::PostArtRasterProcess, raster->handle(), velm::kRasterObjectStartSize);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(r.pixels.size()));
}
BENCHMARK(BM_RasterCapture1024)->Unit(benchmark::kMillisecond);

// Arg 0: 10,000 one-byte characters in one style. Arg 1: 10,000 two-byte characters
// whose size changes every 50 characters.
void BM_TextCapture10000(benchmark::State& state) {
  WriterWorld world("text");
  hostsim::Art* text = world.Add(host::kTextArt);
  hostsim::TextAttributes a = hostsim::DefaultTextAttributes();
  constexpr int kCharacters = 10000;
  if (state.range(0) == 0) {
    std::string bytes;
    for (int i = 0; i < kCharacters; ++i)
      bytes += static_cast<char>(i % 60 == 59 ? '\r' : 'a' + i % 26);
    text->text.Insert(0, bytes, a);
  } else {
    const std::string hiragana = "\x82\xa0";  // one two-byte character in Shift-JIS
    for (int i = 0; i < kCharacters; i += 50) {
      a.character.fontSize = 10.0f + static_cast<float>((i / 50) % 2);
      std::string bytes;
      for (int k = 0; k < 50; ++k)
        bytes += hiragana;
      text->text.Insert(text->text.bytes.size(), bytes, a);
    }
  }
  for (auto _ : state)
    WriteObject(state, velm::PostArtTextProcess, text->handle(), velm::kTextObjectStartSize);
  state.counters["characters_per_s"] =
      benchmark::Counter(static_cast<double>(kCharacters) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TextCapture10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
