#include "record_walk.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "artformat/art_objects.h"
#include "database/lzss.h"
#include "database/record.h"
#include "platform/memory.h"
#include "sjis_text.h"

namespace velmtool {
namespace {

constexpr std::uint32_t kObjectHeaderSize = 24;
constexpr std::uint32_t kPathHead = 5104;
constexpr std::uint32_t kSegmentSize = 28;
constexpr std::uint32_t kTextHead = 40;
constexpr std::uint32_t kTextRunSize = 5888;
constexpr std::uint32_t kTextRunTextOffset = 5632;
constexpr std::uint32_t kTextPathEntryHead = 28;
constexpr std::int32_t kMaxTextPaths = 1024;
constexpr std::uint32_t kRasterHead = 92;
constexpr std::uint32_t kTileSize = 4096;
constexpr std::uint32_t kMeshHead = 40;
constexpr std::uint32_t kMeshVertexHead = 84;
constexpr std::uint32_t kMeshSegmentHead = 24;
constexpr std::uint32_t kMarkerOverhead = 27;
constexpr std::size_t kShownTextLimit = 200;

std::int16_t Signed16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(BigEndian16(p));
}
std::int32_t Signed32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(BigEndian32(p));
}

const char* ColorKindName(std::int16_t kind) {
  switch (kind) {
    case 0:
      return "gray";
    case 1:
      return "process";
    case 2:
      return "pattern";
    case 3:
      return "custom";
    case 4:
      return "gradient";
    case 5:
      return "rgb";
    case 6:
      return "none";
    default:
      return "unknown";
  }
}

// Collects the problems of one object; offsets are relative to the art stream.
class ObjectChecker {
 public:
  ObjectChecker(const std::uint8_t* object, std::uint64_t offset, std::uint32_t length,
                std::int32_t index, std::int32_t record, std::vector<Problem>* problems)
      : p_(object),
        offset_(offset),
        length_(length),
        index_(index),
        record_(record),
        problems_(problems) {}

  void Report(std::uint64_t at, const std::string& message) {
    problems_->push_back(
        {record_, Place::kArt, offset_ + at, "object " + std::to_string(index_) + ": " + message});
    ++found_;
  }
  int found() const { return found_; }

  void Path(Json& d) {
    if (length_ < kPathHead) {
      Report(4, "path object is " + std::to_string(length_) + " bytes, shorter than its " +
                    std::to_string(kPathHead) + "-byte fixed part");
      return;
    }
    const std::int16_t segments = Signed16(p_ + 5102);
    d["segments"] = segments;
    d["closed"] = Signed16(p_ + 5100) != 0;
    const bool fills = Signed16(p_ + 24) != 0, strokes = Signed16(p_ + 26) != 0;
    d["fill"] = fills ? ColorKindName(Signed16(p_ + 28)) : "none";
    d["stroke"] = strokes ? ColorKindName(Signed16(p_ + 100)) : "none";
    Paint(24, "");
    if (segments < 1) {
      Report(5102, "path has segment count " + std::to_string(segments));
    } else if (kPathHead + std::uint64_t{kSegmentSize} * segments > length_) {
      Report(5102, std::to_string(segments) + " segments need " +
                       std::to_string(kPathHead + kSegmentSize * segments) +
                       " bytes, the object has " + std::to_string(length_));
    } else if (kPathHead + std::uint64_t{kSegmentSize} * segments != length_) {
      Exact(std::to_string(segments) + " segments make", kPathHead + kSegmentSize * segments);
    }
  }

  void Text(Json& d) {
    if (length_ < kTextHead) {
      Report(4, "text object is " + std::to_string(length_) + " bytes, shorter than its " +
                    std::to_string(kTextHead) + "-byte fixed part");
      return;
    }
    const std::int16_t runs = Signed16(p_ + 38);
    const std::int16_t paths = Signed16(p_ + 36);
    const std::int32_t tableOffset = Signed32(p_ + 28);
    const std::int32_t tableLength = Signed32(p_ + 32);
    d["runs"] = runs;
    d["paths"] = paths;
    if (runs < 0) {
      Report(38, "run count " + std::to_string(runs));
      return;
    }
    const std::uint64_t runsEnd = kTextHead + std::uint64_t{kTextRunSize} * runs;
    if (runsEnd > length_) {
      Report(38, std::to_string(runs) + " runs need " + std::to_string(runsEnd) +
                     " bytes, the object has " + std::to_string(length_));
      return;
    }
    std::string text;
    for (int r = 0; r < runs; ++r) {
      const auto* run = reinterpret_cast<const char*>(p_ + kTextHead + r * kTextRunSize);
      text += FieldText(run + kTextRunTextOffset, 256);
      Paint(kTextHead + std::uint64_t{kTextRunSize} * static_cast<std::uint32_t>(r),
            "run " + std::to_string(r) + ": ");
    }
    d["text"] = SjisToUtf8(CutSjis(text, kShownTextLimit));
    if (paths < 0 || paths > kMaxTextPaths) {
      Report(36, "text path count " + std::to_string(paths));
      return;
    }
    if (tableOffset < 0 || static_cast<std::uint64_t>(tableOffset) < runsEnd) {
      Report(28, "path table offset " + std::to_string(tableOffset) +
                     " overlaps the runs (they end at " + std::to_string(runsEnd) + ")");
      return;
    }
    if (tableLength < 0 ||
        static_cast<std::uint64_t>(tableOffset) + static_cast<std::uint64_t>(tableLength) >
            length_) {
      Report(32, "path table (" + std::to_string(tableLength) + " bytes at " +
                     std::to_string(tableOffset) + ") reaches past the object's " +
                     std::to_string(length_) + " bytes");
      return;
    }
    if (static_cast<std::uint64_t>(tableOffset) != runsEnd) {
      Report(28, "path table offset " + std::to_string(tableOffset) +
                     " is not where the runs end (" + std::to_string(runsEnd) + ")");
      return;
    }
    std::uint64_t at = static_cast<std::uint32_t>(tableOffset);
    const std::uint64_t end = at + static_cast<std::uint32_t>(tableLength);
    for (int k = 0; k < paths; ++k) {
      if (end - at < kTextPathEntryHead) {
        Report(at, "text path " + std::to_string(k) + " lies outside the path table");
        return;
      }
      const std::int16_t segments = Signed16(p_ + at + 26);
      const std::uint64_t entry = kTextPathEntryHead + std::uint64_t{kSegmentSize} * segments;
      if (segments < 0 || entry > end - at) {
        Report(at + 26, "text path " + std::to_string(k) + " has segment count " +
                            std::to_string(segments) + ", more than its table holds");
        return;
      }
      at += entry;
    }
    if (at != end) {
      Report(32, "path table is " + std::to_string(tableLength) + " bytes, its " +
                     std::to_string(paths) + " paths take " + std::to_string(at - runsEnd));
    } else if (end != length_) {
      Exact("its runs and path table make", end);
    }
  }

  // False when the marker's text cannot be read (so its level is unknown).
  bool Marker(Json& d) {
    if (length_ < kMarkerOverhead) {
      Report(4, "marker object is " + std::to_string(length_) + " bytes, shorter than " +
                    std::to_string(kMarkerOverhead));
      return false;
    }
    const auto* text = reinterpret_cast<const char*>(p_ + kObjectHeaderSize);
    if (!std::memchr(text, '\0', length_ - kObjectHeaderSize)) {
      Report(kObjectHeaderSize, "marker text is not terminated");
      return false;
    }
    d["text"] = SjisToUtf8(CutSjis(text, kShownTextLimit));
    const bool pluginMarker = std::strcmp(text, velm::kMarkerPluginOpen) == 0 &&
                              length_ == static_cast<std::uint32_t>(velm::kPluginArtMarkerLength);
    if (!pluginMarker && length_ != kMarkerOverhead + std::strlen(text)) {
      Exact("its text makes", kMarkerOverhead + std::strlen(text));
      return true;
    }
    if (pluginMarker) {
      const std::uint8_t* payload = p_ + kObjectHeaderSize;
      d["pluginGroup"] = SjisToUtf8(FieldText(reinterpret_cast<const char*>(payload + 32), 64));
      d["version"] =
          std::to_string(Signed32(payload + 96)) + "." + std::to_string(Signed32(payload + 100));
      // Markers are never byte-swapped: the count is in the order it was written.
      std::uint32_t count = 0;
      std::memcpy(&count, payload + 104, 4);
      d["dataCount"] = count;
      if (count > 255)
        Report(kObjectHeaderSize + 104, "plug-in data count " + std::to_string(count));
    }
    return true;
  }

  void Raster(Json& d) {
    if (length_ < kRasterHead) {
      Report(4, "raster object is " + std::to_string(length_) + " bytes, shorter than its " +
                    std::to_string(kRasterHead) + "-byte fixed part");
      return;
    }
    const std::int32_t tiles = Signed32(p_ + 88);
    d["tiles"] = tiles;
    d["pixelBounds"] = {Signed16(p_ + 28), Signed16(p_ + 30), Signed16(p_ + 32), Signed16(p_ + 34)};
    d["bitsPerPixel"] = Signed16(p_ + 42);
    if (tiles < 0 ||
        kRasterHead + std::uint64_t{kTileSize} * static_cast<std::uint32_t>(tiles) > length_) {
      Report(88, "tile count " + std::to_string(tiles) + " does not fit the object's " +
                     std::to_string(length_) + " bytes");
    } else if (kRasterHead + std::uint64_t{kTileSize} * static_cast<std::uint32_t>(tiles) !=
               length_) {
      Exact(std::to_string(tiles) + " tiles make",
            kRasterHead + std::uint64_t{kTileSize} * static_cast<std::uint32_t>(tiles));
    }
  }

  void Mesh(Json& d) {
    if (length_ < kMeshHead) {
      Report(4, "mesh object is " + std::to_string(length_) + " bytes, shorter than its " +
                    std::to_string(kMeshHead) + "-byte fixed part");
      return;
    }
    const std::int32_t vertices = Signed32(p_ + 36);
    d["iSize"] = Signed32(p_ + 28);
    d["jSize"] = Signed32(p_ + 32);
    d["vertices"] = vertices;
    if (vertices < 0) {
      Report(36, "vertex count " + std::to_string(vertices));
      return;
    }
    std::uint64_t at = kMeshHead;
    for (std::int32_t v = 0; v < vertices; ++v) {
      if (length_ - at < kMeshVertexHead) {
        Report(at, "vertex " + std::to_string(v) + " lies outside the object");
        return;
      }
      const std::int32_t vertexLength = Signed32(p_ + at);
      const std::int32_t segments = Signed32(p_ + at + 80);
      if (vertexLength < static_cast<std::int32_t>(kMeshVertexHead) ||
          static_cast<std::uint64_t>(vertexLength) > length_ - at) {
        Report(at, "vertex " + std::to_string(v) + " has length " + std::to_string(vertexLength));
        return;
      }
      if (segments < 0) {
        Report(at + 80,
               "vertex " + std::to_string(v) + " has segment count " + std::to_string(segments));
        return;
      }
      const std::uint64_t vertexEnd = at + static_cast<std::uint32_t>(vertexLength);
      std::uint64_t s = at + kMeshVertexHead;
      for (std::int32_t k = 0; k < segments; ++k) {
        const std::string which = "vertex " + std::to_string(v) + " segment " + std::to_string(k);
        if (vertexEnd - s < kMeshSegmentHead) {
          Report(s, which + " lies outside its vertex");
          return;
        }
        const std::int32_t segmentLength = Signed32(p_ + s);
        const std::int32_t leads = Signed32(p_ + s + 16);
        const std::int32_t points = Signed32(p_ + s + 20);
        if (segmentLength < static_cast<std::int32_t>(kMeshSegmentHead) ||
            static_cast<std::uint64_t>(segmentLength) > vertexEnd - s) {
          Report(s, which + " has length " + std::to_string(segmentLength));
          return;
        }
        if (leads < 0 || points < 0 ||
            kMeshSegmentHead + 8 * (std::uint64_t{static_cast<std::uint32_t>(leads)} +
                                    static_cast<std::uint32_t>(points)) >
                static_cast<std::uint32_t>(segmentLength)) {
          Report(s + 16, which + ": " + std::to_string(leads) + " + " + std::to_string(points) +
                             " points do not fit its " + std::to_string(segmentLength) + " bytes");
          return;
        }
        const std::uint64_t needed =
            kMeshSegmentHead + 8 * (std::uint64_t{static_cast<std::uint32_t>(leads)} +
                                    static_cast<std::uint32_t>(points));
        if (needed != static_cast<std::uint32_t>(segmentLength)) {
          Report(s, which + " is " + std::to_string(segmentLength) + " bytes, its " +
                        std::to_string(leads) + " + " + std::to_string(points) + " points make " +
                        std::to_string(needed));
          return;
        }
        s += static_cast<std::uint32_t>(segmentLength);
      }
      if (s != vertexEnd) {
        Report(at, "vertex " + std::to_string(v) + " is " + std::to_string(vertexLength) +
                       " bytes, its segments make " + std::to_string(s - at));
        return;
      }
      at = vertexEnd;
    }
    if (at != length_) Exact(std::to_string(vertices) + " vertices make", at);
  }

 private:
  // The painted fill and stroke colours of the path style at `style`: the host takes no
  // colour of a kind it does not know, so the loader cannot apply the style.
  void Paint(std::uint64_t style, const std::string& where) {
    const struct {
      std::uint64_t paint, color;
      const char* name;
    } paints[] = {{0, 4, "fill"}, {2, 76, "stroke"}};
    for (const auto& paint : paints) {
      if (Signed16(p_ + style + paint.paint) == 0) continue;
      const std::int16_t kind = Signed16(p_ + style + paint.color);
      if (std::strcmp(ColorKindName(kind), "unknown") == 0)
        Report(style + paint.color, where + paint.name + " colour kind " + std::to_string(kind) +
                                        " is unknown: the loader cannot paint with it");
    }
  }

  // The object's length is not the `size` that `what` makes.
  void Exact(const std::string& what, std::uint64_t size) {
    Report(4, std::string(ObjectTypeName(Signed32(p_))) + " object is " + std::to_string(length_) +
                  " bytes, but " + what + " " + std::to_string(size));
  }

  const std::uint8_t* p_;
  std::uint64_t offset_;
  std::uint32_t length_;
  std::int32_t index_;
  std::int32_t record_;
  std::vector<Problem>* problems_;
  int found_ = 0;
};

// The level a marker text opens ("GroupArt / Clipped=TRUE" opens "GroupArt") or
// closes ("/ GroupArt"); empty when it does neither.
std::string OpenedLevel(const std::string& text) {
  const std::size_t at = text.find(" /");
  if (at == std::string::npos || at == 0) return {};
  if (at + 2 != text.size() && text.compare(at, 3, " / ") != 0) return {};
  return text.substr(0, at);
}
std::string ClosedLevel(const std::string& text) {
  return text.rfind("/ ", 0) == 0 ? text.substr(2) : std::string();
}

}  // namespace

std::uint16_t BigEndian16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

StoredHeader ParseStoredHeader(const std::uint8_t* bytes) {
  StoredHeader h;
  h.objectCount = Signed32(bytes + 0);
  h.recordLength = Signed32(bytes + 4);
  h.boundsLeft = Signed32(bytes + 8);
  h.boundsTop = Signed32(bytes + 12);
  h.boundsRight = Signed32(bytes + 16);
  h.boundsBottom = Signed32(bytes + 20);
  h.name = FieldText(reinterpret_cast<const char*>(bytes + 24), 64);
  h.kind = FieldText(reinterpret_cast<const char*>(bytes + 88), 64);
  h.comment = FieldText(reinterpret_cast<const char*>(bytes + 152), 256);
  h.created = BigEndian32(bytes + 408);
  h.modified = BigEndian32(bytes + 412);
  h.thumbnailLength = BigEndian32(bytes + 416);
  h.artLength = BigEndian32(bytes + 420);
  return h;
}

const char* ObjectTypeName(std::int32_t type) {
  switch (static_cast<velm::ObjectType>(type)) {
    case velm::ObjectType::PathObject:
      return "path";
    case velm::ObjectType::TextObject:
      return "text";
    case velm::ObjectType::MarkerObject:
      return "marker";
    case velm::ObjectType::RasterObject:
      return "raster";
    case velm::ObjectType::MeshObject:
      return "mesh";
  }
  return "unknown";
}

void WalkArtStream(std::uint8_t* art, std::uint64_t size, std::int32_t objectCount,
                   std::int32_t record, std::vector<ObjectSummary>* objects,
                   std::vector<Problem>* problems) {
  std::uint64_t at = 0;
  std::int32_t index = 0;
  std::vector<std::string> open;  // levels opened by markers
  const velm::FieldSwapper checker(velm::ByteOrder::kToHost, false);
  while (at < size) {
    const std::string which = "object " + std::to_string(index) + ": ";
    if (size - at < kObjectHeaderSize) {
      problems->push_back({record, Place::kArt, at,
                           which + "header cut short (" + std::to_string(size - at) +
                               " bytes left in the art stream)"});
      return;
    }
    ObjectSummary o;
    o.index = index;
    o.type = Signed32(art + at);
    o.length = Signed32(art + at + 4);
    o.offset = at;
    if (o.length < static_cast<std::int32_t>(kObjectHeaderSize)) {
      problems->push_back({record, Place::kArt, at + 4,
                           which + "length " + std::to_string(o.length) + " is below 24"});
      return;
    }
    if (static_cast<std::uint64_t>(o.length) > size - at) {
      problems->push_back({record, Place::kArt, at + 4,
                           which + "length " + std::to_string(o.length) +
                               " runs past the end of the art stream (" +
                               std::to_string(size - at) + " bytes left)"});
      return;
    }
    const auto length = static_cast<std::uint32_t>(o.length);
    ObjectChecker check(art + at, at, length, index, record, problems);
    std::string closes;
    if (std::strcmp(ObjectTypeName(o.type), "unknown") == 0)
      check.Report(0,
                   "unknown object type " + std::to_string(o.type) + ": no command can place it");
    switch (static_cast<velm::ObjectType>(o.type)) {
      case velm::ObjectType::PathObject:
        check.Path(o.details);
        break;
      case velm::ObjectType::TextObject:
        check.Text(o.details);
        break;
      case velm::ObjectType::RasterObject:
        check.Raster(o.details);
        break;
      case velm::ObjectType::MeshObject:
        check.Mesh(o.details);
        break;
      case velm::ObjectType::MarkerObject: {
        if (check.Marker(o.details)) {
          const std::string text =
              FieldText(reinterpret_cast<const char*>(art + at + 24), length - 24);
          closes = ClosedLevel(text);
          if (!closes.empty()) {
            if (open.empty() || open.back() != closes) {
              check.Report(24, "marker \"" + SjisToUtf8(text) + "\" closes " +
                                   (open.empty() ? std::string("no open level")
                                                 : "\"" + SjisToUtf8(open.back()) + "\""));
            } else {
              open.pop_back();
            }
          }
          o.depth = static_cast<int>(open.size());
          const std::string opens = OpenedLevel(text);
          if (!opens.empty()) open.push_back(opens);
        }
        break;
      }
    }
    if (o.type != static_cast<std::int32_t>(velm::ObjectType::MarkerObject))
      o.depth = static_cast<int>(open.size());
    // The plug-in's own conversion must accept every object this walk finds sound.
    if (check.found() == 0 && velm::ConvertObject(checker, art + at, size - at) < 0)
      check.Report(0, "layout does not fit its length");
    objects->push_back(std::move(o));
    at += length;
    ++index;
  }
  if (!open.empty()) {
    problems->push_back({record, Place::kArt, at,
                         std::to_string(open.size()) +
                             " level(s) opened by markers are not closed (\"" +
                             SjisToUtf8(open.back()) + "\")"});
  }
  if (index != objectCount) {
    problems->push_back({record, Place::kArt, at,
                         "objectCount is " + std::to_string(objectCount) +
                             " but the art stream holds " + std::to_string(index) + " objects"});
  }
}

CodedEnd CheckCodedStream(const std::uint8_t* coded, std::uint64_t size) {
  CodedEnd end;
  std::uint64_t at = 0;
  while (at < size) {
    const std::uint8_t flags = coded[at++];
    bool any = false;
    for (int bit = 0; bit < 8 && at < size; ++bit) {
      const std::uint64_t item = (flags >> bit) & 1 ? 1 : 2;
      if (size - at < item) {
        end.complete = false;
        return end;
      }
      at += item;
      end.lastItemEnd = at;
      any = true;
    }
    if (!any) {
      end.complete = false;
      return end;
    }
  }
  return end;
}

namespace {

// Every pixel of a thumbnail is 0x00RRGGBB: its first byte is 0.
void CheckThumbnailPixels(const std::vector<std::uint8_t>& thumbnail, std::int32_t record,
                          std::vector<Problem>* problems) {
  std::size_t first = thumbnail.size(), count = 0;
  for (std::size_t at = 0; at < thumbnail.size(); at += 4) {
    if (thumbnail[at] == 0) continue;
    if (count++ == 0) first = at;
  }
  if (count != 0) {
    problems->push_back(
        {record, Place::kThumbnail, first,
         "thumbnail: " + std::to_string(count) + (count == 1 ? " pixel has" : " pixels have") +
             " a first byte that is not 0 (the first is pixel " + std::to_string(first / 4) + ")"});
  }
}

// Decodes `size` coded bytes; false when memory runs out.
bool Decode(const std::uint8_t* coded, std::uint32_t size, std::uint32_t granularity,
            std::vector<std::uint8_t>* out) {
  velm::os::MemHandle block = nullptr;
  const std::int64_t n = velm::LzssDecode(coded, size, block, granularity);
  if (n >= 0 && block) out->assign(block, block + n);
  if (n == 0) out->clear();
  velm::ReleaseBlock(block);
  return n >= 0;
}

// Where `coded` first differs from what the coder writes for `plain`; none when it is
// exactly the coder's output (false in *encoded when memory ran out).
std::optional<std::uint64_t> FirstDifferenceFromCoder(const std::uint8_t* coded,
                                                      std::uint64_t codedSize,
                                                      const std::vector<std::uint8_t>& plain,
                                                      std::uint32_t granularity, bool* encoded) {
  velm::os::MemHandle block = nullptr;
  const std::int64_t n =
      velm::LzssEncode(plain.data(), static_cast<std::uint32_t>(plain.size()), block, granularity);
  *encoded = n >= 0;
  std::optional<std::uint64_t> difference;
  if (n >= 0) {
    const auto length = static_cast<std::uint64_t>(n);
    const std::uint64_t common = std::min(length, codedSize);
    std::uint64_t at = 0;
    while (at < common && block[at] == coded[at])
      ++at;
    if (at < common || length != codedSize) difference = at;
  }
  velm::ReleaseBlock(block);
  return difference;
}

template <class Report>
void CheckCoderOutput(const std::uint8_t* coded, std::uint64_t size,
                      const std::vector<std::uint8_t>& plain, std::uint32_t granularity,
                      const char* what, std::uint64_t start, Report report) {
  bool encoded = true;
  const std::optional<std::uint64_t> difference =
      FirstDifferenceFromCoder(coded, size, plain, granularity, &encoded);
  if (!encoded) {
    report(start, std::string(what) + " cannot be coded again to compare (out of memory)");
  } else if (difference) {
    report(start + *difference, std::string(what) +
                                    ": coded data changed since it was written (the coder "
                                    "writes other bytes for what it expands to, from byte " +
                                    std::to_string(*difference) + " on)");
  }
}

}  // namespace

RecordInspection InspectStoredRecord(const std::uint8_t* bytes, std::uint64_t size,
                                     std::int32_t record, std::uint64_t fileOffset) {
  RecordInspection r;
  auto report = [&](std::uint64_t at, const std::string& message) {
    r.problems.push_back({record, Place::kFile, fileOffset + at, message});
  };
  if (size < velm::kRecordHeaderSize) {
    report(0, "record header cut short (" + std::to_string(size) + " bytes)");
    return r;
  }
  StoredHeader& h = r.header = ParseStoredHeader(bytes);
  const std::uint64_t t = h.thumbnailLength, a = h.artLength;
  if (h.recordLength < static_cast<std::int32_t>(kStoredHeaderSize))
    report(4, "recordLength " + std::to_string(h.recordLength) + " is below 426");
  // The bounds are the captured art's box moved to the origin.
  if (h.boundsLeft != 0) report(8, "bounds.left is " + std::to_string(h.boundsLeft) + ", not 0");
  if (h.boundsBottom != 0)
    report(20, "bounds.bottom is " + std::to_string(h.boundsBottom) + ", not 0");
  if (h.boundsTop < 0) report(12, "bounds.top (the height) is negative");
  if (h.boundsRight < 0) report(16, "bounds.right (the width) is negative");
  if (h.thumbnailLength == 0) {
    // Only an expanded record has no coded thumbnail; nothing after the header can be
    // told apart then.
    report(416, "thumbnailLength is 0");
    return r;
  }
  if (h.recordLength >= static_cast<std::int32_t>(kStoredHeaderSize) &&
      kStoredHeaderSize + t + a != static_cast<std::uint32_t>(h.recordLength)) {
    report(416, "426 + thumbnailLength " + std::to_string(t) + " + artLength " + std::to_string(a) +
                    " is " + std::to_string(kStoredHeaderSize + t + a) + ", not recordLength " +
                    std::to_string(h.recordLength));
  }

  const std::uint64_t thumbStart = velm::kRecordHeaderSize;
  // The coder writes at most one flag byte per eight literals: a coded thumbnail longer
  // than that is damage, and is not expanded (which could take hundreds of megabytes).
  constexpr std::uint64_t kLongestCodedThumbnail =
      std::uint64_t{velm::kThumbnailSize} + velm::kThumbnailSize / 8;
  if (t > kLongestCodedThumbnail) {
    report(416, "thumbnailLength " + std::to_string(t) + " is longer than any coded 65536-byte " +
                    "thumbnail (" + std::to_string(kLongestCodedThumbnail) + " at most)");
  } else if (thumbStart + t <= size) {
    const std::uint8_t* coded = bytes + thumbStart;
    if (!Decode(coded, static_cast<std::uint32_t>(t), velm::kListGranule, &r.thumbnail)) {
      report(thumbStart, "thumbnail cannot be expanded (out of memory)");
    } else if (const CodedEnd end = CheckCodedStream(coded, t); !end.complete) {
      report(thumbStart + end.lastItemEnd, "thumbnail's coded data ends inside an item");
    } else if (r.thumbnail.size() != velm::kThumbnailSize) {
      report(thumbStart,
             "thumbnail expands to " + std::to_string(r.thumbnail.size()) + " bytes, not 65536");
    } else {
      r.thumbnailExpanded = true;
      CheckThumbnailPixels(r.thumbnail, record, &r.problems);
      CheckCoderOutput(coded, t, r.thumbnail, velm::kListGranule, "thumbnail", thumbStart, report);
    }
  } else {
    report(416, "thumbnailLength " + std::to_string(t) + " reaches past the record's " +
                    std::to_string(size) + " bytes");
  }

  const std::uint64_t artStart = thumbStart + t;
  if (artStart + a <= size) {
    const std::uint8_t* coded = bytes + artStart;
    std::vector<std::uint8_t> art;
    if (!Decode(coded, static_cast<std::uint32_t>(a), velm::kRecordGranule, &art)) {
      report(artStart, "art stream cannot be expanded (out of memory)");
    } else if (const CodedEnd end = CheckCodedStream(coded, a); !end.complete) {
      report(artStart + end.lastItemEnd, "art stream's coded data ends inside an item");
    } else {
      r.artExpanded = true;
      r.artSize = art.size();
      CheckCoderOutput(coded, a, art, velm::kRecordGranule, "art stream", artStart, report);
      WalkArtStream(art.data(), art.size(), h.objectCount, record, &r.objects, &r.problems);
    }
  } else if (thumbStart + t <= size) {
    report(420, "artLength " + std::to_string(a) + " reaches past the record's " +
                    std::to_string(size) + " bytes");
  }
  for (Problem& p : r.problems)
    p.record = record;
  return r;
}

}  // namespace velmtool
