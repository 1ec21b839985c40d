#include "tests/loader/loader_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "capture/art_tree_writer.h"
#include "common/sjis.h"
#include "database/art_stream.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "placement/art_loader.h"
#include "placement/placement_state.h"
#include "platform/memory.h"
#include "tests/loader/art_compare.h"

namespace velmtest {

StreamBuilder::StreamBuilder(double width, double height) : record_(velm::NewEmptyRecord()) {
  EXPECT_NE(record_, nullptr);
  velm::RecordHeader(record_)->bounds = {0, Fx(height), Fx(width), 0};
}

StreamBuilder::~StreamBuilder() {
  velm::ReleaseBlock(record_);
}

StreamBuilder& StreamBuilder::Raw(const std::vector<std::uint8_t>& bytes) {
  EXPECT_EQ(velm::AddVELMObj(record_, bytes.data()), 0);
  return *this;
}

StreamBuilder& StreamBuilder::Marker(const std::string& text) {
  std::vector<std::uint8_t> bytes(velm::kMarkerOverhead + text.size(), 0);
  velm::ObjectHeader header{};
  header.type = 7;
  header.length = static_cast<std::int32_t>(bytes.size());
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + sizeof header, text.data(), text.size());
  return Raw(bytes);
}

std::vector<std::uint8_t> StreamBuilder::RectangleObject(double left, double bottom, double right,
                                                         double top, double gray) {
  std::vector<std::uint8_t> bytes(sizeof(velm::PathObject) + 4 * sizeof(velm::PathSegment), 0);
  velm::PathObject head;
  std::memset(static_cast<void*>(&head), 0, sizeof head);
  head.header.type = 2;
  head.header.length = static_cast<std::int32_t>(bytes.size());
  head.header.opacity = Fx(1);
  head.style.fillPaint = 1;
  head.style.fillColor.colorKind = velm::kGrayColor;
  head.style.fillColor.payload.gray.gray = Fx(gray);
  head.style.strokeColor.colorKind = velm::kGrayColor;
  head.style.strokeWidth = Fx(1);
  head.style.miterLimit = Fx(4);
  head.style.resolution = Fx(800);
  head.closed = 1;
  head.segmentCount = 4;
  std::memcpy(bytes.data(), &head, sizeof head);
  const double corners[4][2] = {{left, bottom}, {right, bottom}, {right, top}, {left, top}};
  for (int i = 0; i < 4; ++i) {
    velm::PathSegment s{};
    s.anchor = s.in = s.out = {Fx(corners[i][0]), Fx(corners[i][1])};
    s.corner = 1;
    std::memcpy(bytes.data() + sizeof head + i * sizeof s, &s, sizeof s);
  }
  return bytes;
}

StreamBuilder& StreamBuilder::Rectangle(double left, double bottom, double right, double top,
                                        double gray) {
  return Raw(RectangleObject(left, bottom, right, top, gray));
}

velm::os::MemHandle StreamBuilder::Take() {
  velm::os::MemHandle record = record_;
  record_ = nullptr;
  return record;
}

void LoaderTest::SetUp() {
  StoreTest::SetUp();
}

host::Err LoaderTest::Place(velm::os::MemHandle record, host::RealPoint drop,
                            std::int16_t originMode) {
  velm::gGlobals->dropPoint = drop;
  velm::gGlobals->originMode = originMode;
  return velm::PlaceRecordArt(record);
}

host::Err LoaderTest::StoreAndLoad(velm::os::MemHandle record, host::RealPoint drop,
                                   std::int16_t originMode) {
  SetCurrentRecord(record);
  EXPECT_EQ(velm::WriteGroupRecord("placement", -1), host::kNoErr);
  const std::int32_t index = velm::gGlobals->currentRecordIndex;
  velm::gGlobals->dropPoint = drop;
  velm::gGlobals->originMode = originMode;
  return velm::VelmLoadArt("placement", index);
}

bool LoaderTest::Open(const nlohmann::json& scene) {
  std::string error;
  const bool opened = hostsim::OpenScene(host(), scene, &error);
  EXPECT_TRUE(opened) << error;
  return opened;
}

bool LoaderTest::OpenFile(const std::string& path) {
  std::string error;
  const bool opened = hostsim::OpenSceneFile(host(), path, &error);
  EXPECT_TRUE(opened) << error;
  return opened;
}

std::vector<hostsim::Art*> LoaderTest::CapturableArt() {
  std::vector<hostsim::Art*> arts;
  for (hostsim::Layer* layer : doc().layers()) {
    if (!layer->visible) continue;
    for (hostsim::Art* art : layer->group->children)
      if (!(art->attributes & host::kArtHidden) && art->type != host::kPlacedArt)
        arts.push_back(art);
  }
  return arts;
}

std::vector<std::vector<std::uint8_t>> LoaderTest::CurrentObjects() {
  std::vector<std::vector<std::uint8_t>> objects;
  velm::ObjectIndex index;
  EXPECT_TRUE(index.Build(velm::gGlobals->currentRecord));
  for (std::int32_t i = 0; i < index.count(); ++i)
    objects.emplace_back(index.Object(i), index.Object(i) + index.Length(i));
  return objects;
}

std::vector<std::vector<std::uint8_t>> LoaderTest::CaptureScene(const nlohmann::json& scene) {
  if (!Open(scene)) return {};
  for (hostsim::Art* art : CapturableArt())
    doc().Select(art, true);
  EXPECT_EQ(velm::VelmPostArt(), host::kNoErr);
  std::vector<std::vector<std::uint8_t>> objects = CurrentObjects();
  // A fresh document for the placements.
  std::string error;
  EXPECT_TRUE(
      hostsim::OpenScene(host(), nlohmann::json::parse(R"({"layers": [{"name": "L"}]})"), &error))
      << error;
  return objects;
}

namespace {

// Pixels whose channels differ by more than a quarter of their range.
int DifferentPixels(const hostsim::Bitmap& a, const hostsim::Bitmap& b) {
  int different = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const std::uint32_t p = a.Pixel(x, y), q = b.Pixel(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF);
        if (std::abs(d) > 64) {
          ++different;
          break;
        }
      }
    }
  return different;
}

}  // namespace

void LoaderTest::RoundTrip(const std::vector<hostsim::Art*>& arts, bool pictures) {
  ASSERT_FALSE(arts.empty());
  doc().DeselectAll();
  for (hostsim::Art* art : arts)
    doc().Select(art, true);
  velm::CaptureBounds bounds{};
  velm::MeasureSelection(&bounds, false);
  const host::RealPoint origin{bounds.left, bounds.bottom};
  ASSERT_EQ(velm::VelmPostArt(), host::kNoErr);
  ASSERT_NE(velm::gGlobals->currentRecord, nullptr);
  ASSERT_GT(velm::RecordHeader(velm::gGlobals->currentRecord)->objectCount, 0);
  ASSERT_EQ(velm::WriteGroupRecord("roundtrip", -1), host::kNoErr);
  const std::int32_t index = velm::gGlobals->currentRecordIndex;
  doc().DeselectAll();

  std::vector<hostsim::Layer*> originals = doc().layers();
  std::vector<std::size_t> counts;
  for (hostsim::Layer* layer : originals)
    counts.push_back(layer->group->children.size());
  hostsim::Layer* placed = doc().NewLayer("Placed", 0);
  doc().SetCurrentLayer(placed);
  const int beeps = host().beepCount();
  velm::gGlobals->dropPoint = origin;
  velm::gGlobals->originMode = 2;
  EXPECT_EQ(velm::VelmLoadArt("roundtrip", index), host::kNoErr);
  EXPECT_EQ(host().beepCount(), beeps);
  EXPECT_EQ(doc().undoText(), Sjis("配置の取り消し"));
  EXPECT_EQ(doc().redoText(), "");

  // Structure: one placed art per original, in the same order.
  ASSERT_EQ(placed->group->children.size(), arts.size());
  for (std::size_t i = 0; i < arts.size(); ++i)
    EXPECT_EQ(CompareArt(doc(), arts[i], placed->group->children[i]), "")
        << "art " << i << " (" << arts[i]->id << ")";
  // Nothing was left behind in the other layers (pattern groups are disposed).
  for (std::size_t i = 0; i < originals.size(); ++i)
    EXPECT_EQ(originals[i]->group->children.size(), counts[i])
        << "art left in " << originals[i]->name;

  if (pictures) ComparePictures(arts, originals, placed);

  // One undo takes all placed art away again and leaves the originals.
  ASSERT_TRUE(doc().Undo());
  EXPECT_TRUE(placed->group->children.empty());
  for (hostsim::Art* art : arts)
    EXPECT_TRUE(art->alive);
}

void LoaderTest::ComparePictures(const std::vector<hostsim::Art*>& arts,
                                 const std::vector<hostsim::Layer*>& originals,
                                 hostsim::Layer* placed) {
  // The originals alone, then the placed art alone.
  host::RealRect area{};
  bool any = false;
  for (hostsim::Art* art : arts) {
    host::RealRect r{};
    if (hostsim::ArtBounds(doc(), art, &r)) hostsim::UnionRect(&area, r, &any);
  }
  ASSERT_TRUE(any);
  hostsim::RenderOptions options;
  options.area = host::RealRect{area.left - 10, area.top + 10, area.right + 10, area.bottom - 10};
  options.scale = 2.0;
  std::vector<hostsim::Art*> hidden;
  for (hostsim::Layer* layer : originals)
    for (hostsim::Art* art : layer->group->children)
      if (std::find(arts.begin(), arts.end(), art) == arts.end() &&
          !(art->attributes & host::kArtHidden)) {
        art->attributes |= host::kArtHidden;
        hidden.push_back(art);
      }
  placed->visible = false;
  const auto before = hostsim::RenderDocument(doc(), options);
  placed->visible = true;
  std::vector<bool> shown;
  for (hostsim::Layer* layer : originals) {
    shown.push_back(layer->visible);
    layer->visible = false;
  }
  const auto after = hostsim::RenderDocument(doc(), options);
  for (std::size_t i = 0; i < originals.size(); ++i)
    originals[i]->visible = shown[i];
  for (hostsim::Art* art : hidden)
    art->attributes &= ~host::kArtHidden;
  ASSERT_TRUE(before && after);
  ASSERT_EQ(before->width(), after->width());
  const int total = before->width() * before->height();
  const int different = DifferentPixels(*before, *after);
  EXPECT_LE(different, total / 1000) << different << " of " << total << " pixels differ";
  if (different > total / 1000 && std::getenv("VELM_LOADER_PICTURES")) {
    before->WritePng("/tmp/loader-before.png");
    after->WritePng("/tmp/loader-after.png");
  }
}

}  // namespace velmtest
