// fuzz_seeds SOURCE_DIR OUT_DIR: writes a seed corpus for each fuzz target into
// OUT_DIR/<target>/, made by the project's own writers. Every top-level object of the
// sample documents is captured as a record of its own (and all of a document's selected
// art as one more), and the records are given in each target's form: whole group files,
// stored records, art streams, coded streams; the preferences as the plug-in writes
// them; the scenes as read and as written again; search texts and patterns.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "database/lzss.h"
#include "database/record.h"
#include "frame/globals.h"
#include "fuzz_session.h"
#include "hostsim/core/document.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "platform/memory.h"
#include "prefs/preferences.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path gOut;
int gSeeds = 0;

void Seed(const char* target, const std::string& name, const Bytes& bytes) {
  const fs::path folder = gOut / target;
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ++gSeeds;
}

Bytes Prefixed(std::uint8_t first, const std::uint8_t* bytes, std::size_t size) {
  Bytes seed{first};
  seed.insert(seed.end(), bytes, bytes + size);
  return seed;
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Captures every top-level object of the open document on its own, then its whole
// selection, into group "seeds".
void CaptureDocument(velmsession::PluginSession& session, const std::string& label) {
  hostsim::Document& document = session.document();
  std::vector<hostsim::Art*> selected, objects;
  for (hostsim::Art* art : document.LiveArt()) {
    if (art->attributes & host::kArtSelected) selected.push_back(art);
  }
  for (hostsim::Layer* layer : document.layers()) {
    for (hostsim::Art* art : layer->group->children)
      objects.push_back(art);
  }
  std::string error;
  std::int32_t number = 0, count = 0;
  for (std::size_t i = 0; i <= objects.size(); ++i) {
    document.DeselectAll();
    if (i < objects.size()) {
      document.Select(objects[i], true);
    } else {
      for (hostsim::Art* art : selected)
        art->attributes |= host::kArtSelected;
    }
    const std::string name = label + "-" + std::to_string(i);
    if (!session.Capture("seeds", {name, "種類", "コメント"}, &number, &count, &error)) {
      std::fprintf(stderr, "fuzz_seeds: %s not captured: %s\n", name.c_str(), error.c_str());
    }
  }
}

// Splits the group file into its stored records and gives each target its form.
void RecordSeeds(const Bytes& group) {
  Seed("group_read_fuzz", "group", group);
  Seed("index_match_fuzz", "group", Prefixed(0, group.data(), group.size()));
  std::size_t at = 4;
  for (int n = 0; at + velm::kRecordHeaderSize <= group.size(); ++n) {
    const std::uint32_t length = BigEndian32(&group[at + 4]);
    if (length < velm::kRecordHeaderSize || length > group.size() - at) break;
    const std::string name = "record-" + std::to_string(n);
    const std::uint8_t* stored = &group[at];
    Seed("record_walk_fuzz", name, Bytes(stored, stored + length));
    Seed("record_convert_fuzz", name, Prefixed(1, stored, length));
    // A group of this record alone, for the reads of one record.
    Bytes single{0, 0, 0, 1};
    single.insert(single.end(), stored, stored + length);
    Seed("group_read_fuzz", name, single);

    Bytes expanded(stored, stored + length);
    velm::os::MemHandle block = nullptr;
    if (velm::GrowBlock(block, length, 4096)) {
      std::copy(stored, stored + length, block);
      if (velm::RecordFromStoredForm(block, true) == 0) {
        const velm::Record* header = velm::RecordHeader(block);
        const std::uint8_t* art = block + velm::kArtStreamOffset;
        const std::size_t artSize =
            static_cast<std::size_t>(header->recordLength) - velm::kEmptyRecordLength;
        Seed("art_load_fuzz", name,
             Prefixed(static_cast<std::uint8_t>(header->objectCount), art, artSize));
        Bytes convert{0, static_cast<std::uint8_t>(header->objectCount)};
        convert.insert(convert.end(), art, art + artSize);
        Seed("record_convert_fuzz", name + "-expanded", convert);
        velm::os::MemHandle coded = nullptr;
        const std::int64_t c =
            velm::LzssEncode(art, static_cast<std::uint32_t>(artSize), coded, velm::kListGranule);
        if (c > 0) Seed("lzss_decode_fuzz", name, Bytes(coded, coded + c));
        velm::ReleaseBlock(coded);
      }
      velm::ReleaseBlock(block);
    }
    at += length;
  }
}

void TextSeeds() {
  const char* pairs[][2] = {
      {"Sun and moon", "moon"},       {"赤い四角形", "四角"}, {"ＡＢＣ abc", "abc"},
      {"word-boundary test", "word"}, {"ﾊﾝｶｸ カナ", "カナ"},  {"\x81\x40\x82\xa0", "\xa0"},
  };
  int n = 0;
  for (const auto& pair : pairs) {
    Bytes seed{1};
    seed.insert(seed.end(), pair[0], pair[0] + std::char_traits<char>::length(pair[0]));
    seed.push_back(0);
    seed.insert(seed.end(), pair[1], pair[1] + std::char_traits<char>::length(pair[1]));
    Seed("index_match_fuzz", "text-" + std::to_string(n++), seed);
  }
}

// Small documents of the SVG reader's features, each quick to read, so that the fuzzer
// spends its time changing them rather than reading a few slow ones.
void SvgSeeds() {
  const char* kHead =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" viewBox=\"0 0 100 100\">";
  const struct {
    const char* name;
    const char* body;
  } kSeeds[] = {
      {"shapes",
       "<rect x='5' y='5' width='40' height='20' rx='4'/><circle cx='70' cy='20' r='10'/>"
       "<ellipse cx='20' cy='60' rx='10' ry='5'/><line x1='0' y1='0' x2='9' y2='9' "
       "stroke='red'/><polyline points='1,2 3,4 5,6'/><polygon points='10 10 20 20 30 "
       "10'/>"},
      {"path",
       "<path d='M10 10h20v20H10zM40 40c5 0 10 5 10 10s-5 10-10 10q-5 0-5-5t5-5a5 5 0 1 "
       "1 10 0l-2 2z' fill-rule='evenodd'/>"},
      {"paint",
       "<g fill='#0a0' stroke='rgb(10%,20%,30%)' stroke-width='2' opacity='.5'>"
       "<rect width='10' height='10' fill-opacity='.3' stroke-dasharray='2 1' "
       "stroke-linecap='round' stroke-linejoin='bevel' stroke-miterlimit='3'/></g>"},
      {"gradients",
       "<defs><linearGradient id='a' x1='0' x2='1' gradientTransform='rotate(45)'>"
       "<stop offset='0' stop-color='red'/><stop offset='1' stop-color='blue' "
       "stop-opacity='.5'/></linearGradient><radialGradient id='b' href='#a' "
       "cx='.5' cy='.5' r='.5' fx='.3' spreadMethod='reflect'/></defs><rect "
       "width='50' height='50' fill='url(#a)'/><circle r='9' fill='url(#b)'/>"},
      {"use",
       "<defs><symbol id='s' viewBox='0 0 10 10'><rect width='10' height='10'/></symbol>"
       "<g id='g'><use xlink:href='#s' width='5' height='5'/></g></defs><use href='#g' "
       "x='20' transform='scale(2) translate(3,4) rotate(30 5 5) skewX(10)'/>"},
      {"clip",
       "<clipPath id='c' clipPathUnits='objectBoundingBox'><circle cx='.5' cy='.5' "
       "r='.5'/></clipPath><mask id='m'><rect width='9' height='9' fill='white'/></mask>"
       "<g clip-path='url(#c)' mask='url(#m)'><rect width='20' height='20'/></g>"},
      {"text",
       "<text x='10' y='20' font-family='sans-serif' font-size='12' text-anchor='middle'"
       ">VELM <tspan dy='5' font-weight='bold'>日本語</tspan></text>"},
      {"style",
       "<style>rect{fill:blue} .a{stroke:red} #b{opacity:.5} g > rect:first-child{fill:"
       "green}</style><g><rect class='a' id='b' width='5' height='5' style='fill:"
       "yellow;stroke-width:2'/></g>"},
      {"nested",
       "<svg x='10' y='10' width='20' height='20' viewBox='0 0 10 10' "
       "preserveAspectRatio='xMidYMid slice'><rect width='100' height='100'/></svg>"
       "<switch><rect systemLanguage='en' width='5' height='5'/></switch><a><rect "
       "width='1' height='1'/></a>"},
      {"outline",
       "<defs><linearGradient id='l' x2='.3' spreadMethod='repeat'><stop stop-color='red'/>"
       "<stop offset='1'/></linearGradient></defs><path d='M5 5 C20 0 30 30 40 5 l10 0z' "
       "stroke='url(#l)' stroke-width='4' stroke-dasharray='3 0 2' stroke-linejoin='miter' "
       "transform='skewX(30) scale(1 2)' fill='none'/><polyline points='1 1 1 1' "
       "stroke='blue' stroke-linecap='round' transform='scale(3 1)'/>"},
      {"context",
       "<defs><marker id='m' markerWidth='4' markerHeight='4' orient='auto'><rect width='2' "
       "height='2' fill='context-stroke'/></marker><rect id='r' width='5' height='5' "
       "fill='context-fill' stroke='context-stroke'/></defs><use href='#r' fill='red' "
       "stroke='blue' clip-path='url(#c)'/><clipPath id='c' clipPathUnits='objectBoundingBox'>"
       "<rect width='.5' height='.5'/></clipPath><path d='M0 0L9 9L18 0' stroke='green' "
       "marker-mid='url(#m)'/><text x='3' y='9' fill-opacity='.5' stroke='red'>a<tspan "
       "visibility='hidden'>b</tspan>c</text>"},
      {"packed",
       "<g transform='matrix(.7071-.7071.7071.7071-13.255 32)translate(2-3)'><path "
       "d='M.5.5a1 1 0 00.5.5l1e-3.5' stroke='red' stroke-dasharray='2.5.5'/><polygon "
       "points='1-1.5.5 3,4'/><text x='1-2.5' dy='.5.5'>ab</text></g>"},
      {"image",
       "<image width='2' height='2' href='data:image/png;base64,iVBORw0KGgoAAAANSUhEU"
       "gAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=='/>"},
      {"origin",
       "<style>.o{transform-origin:25% top 2px}</style><g transform='rotate(45)' "
       "transform-origin='center'><rect class='o' width='9' height='9' transform='scale(2)'/>"
       "<rect width='5' height='5' style='transform:rotate(9deg);transform-origin:right "
       "bottom'/></g><linearGradient id='o' gradientTransform='scale(2)' "
       "transform-origin='.5 .5'><stop/></linearGradient><circle r='5' fill='url(#o)'/>"},
      {"fades",
       "<radialGradient id='f' fx='.3' fr='.1'><stop stop-color='red'/><stop offset='.6' "
       "stop-color='red' stop-opacity='0'/><stop offset='.6' stop-color='#00f' stop-opacity='.5'/>"
       "</radialGradient><linearGradient id='l' x2='.2' spreadMethod='reflect'><stop "
       "stop-opacity='0'/><stop offset='1'/></linearGradient><circle cx='50' cy='50' r='40' "
       "fill='url(#f)' stroke='url(#l)' opacity='.7'/><path d='M0 0h9v9z' fill='url(#l)' "
       "stroke='red'/>"},
      {"conditions",
       "<style type='text/x-other'>rect{fill:red}</style><rect width='9' height='9' "
       "systemLanguage='ru'/><text y='9'>a<tspan systemLanguage='en'>b</tspan></text><defs>"
       "<svg id='s' x='4' y='4' width='8' height='8'><rect width='20' height='20'/></svg>"
       "</defs><use href='#s' width='10' height='15'/><path d='M0 0L9 9' stroke='red' "
       "marker='url(#m)'/>"},
      {"odd-paint",
       "<linearGradient id='a' gradientTransform='matrix(0 0 0 0 0 0)'><stop offset='5mm'/>"
       "<stop offset='1' stop-color='red icc-color(x, .1, .2, .3, 0)'/></linearGradient>"
       "<radialGradient id='b' fr='.7' fx='3'><stop/><stop offset='1' stop-color='blue'/>"
       "</radialGradient><pattern id='p' width='2' height='2' patternTransform='scale(0)'><rect "
       "width='1' height='1'/></pattern><rect width='50' height='50' fill='url(#a)' "
       "style='background-color:red'/><circle r='9' fill='url(#b)'/><text y='30' "
       "stroke='url(#p)' paint-order='stroke'>c</text>"},
      {"caps",
       "<marker id='m'><rect width='2' height='2'/></marker><path d='M9 9L9 9M20 9L20 9' "
       "stroke='red' stroke-width='4' stroke-linecap='round'/><rect width='9' height='9' "
       "stroke='blue' stroke-dasharray='0 3 0'/><path d='M10 50A40 30 0 1 1 90 50' "
       "stroke='red' marker-mid='url(#m)'/>"},
      {"fonts",
       "<text y='9' font-family=\"'No Such Family', Nope Mono, sans-serif\" "
       "font-weight='bold'>ab</text><text y='19' font-family='helvetica'>c</text>"},
  };
  for (const auto& seed : kSeeds) {
    const std::string text = std::string(kHead) + seed.body + "</svg>\n";
    Seed("svg_reader_fuzz", seed.name, Bytes(text.begin(), text.end()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seeds SOURCE_DIR OUT_DIR\n");
    return 2;
  }
  const fs::path source = argv[1];
  gOut = argv[2];
  velmsession::PluginSession& session = velmfuzz::Session();
  const fs::path scenes[] = {source / "demo" / "sample.json", source / "demo" / "canvas.json",
                             source / "tests" / "data" / "scenes" / "reference.json"};
  for (const fs::path& scene : scenes) {
    const Bytes text = ReadFile(scene);
    Seed("scene_fuzz", scene.stem().string(), text);
    std::string error;
    if (!session.OpenScene(scene.string(), &error)) {
      std::fprintf(stderr, "fuzz_seeds: %s: %s\n", scene.c_str(), error.c_str());
      return 1;
    }
    const std::string written = hostsim::WriteScene(session.document()).dump();
    Seed("scene_fuzz", scene.stem().string() + "-written", Bytes(written.begin(), written.end()));
    CaptureDocument(session, scene.stem().string());
  }
  RecordSeeds(ReadFile(velmfuzz::LibraryFolder() / "seeds.VEL"));
  char prefs[4096];
  const std::uint32_t length = velm::FormatPreferences(velm::gGlobals, prefs, sizeof prefs);
  Seed("prefs_fuzz", "preferences", Bytes(prefs, prefs + length));
  TextSeeds();
  SvgSeeds();
  std::printf("fuzz_seeds: %d seeds in %s\n", gSeeds, gOut.c_str());
  return gSeeds > 0 ? 0 : 1;
}
