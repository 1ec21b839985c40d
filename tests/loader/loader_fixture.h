// A started plug-in in the stand-in host for placing records: streams built object by
// object, placement at a chosen point and origin mode, and the round trip of a scene
// through capture, group file and placement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "artformat/art_objects.h"
#include "common/store_fixture.h"
#include "hostsim/core/document.h"
#include "hostsim/scene/scene.h"

namespace velmtest {

inline constexpr velm::Fixed Fx(double value) {
  return static_cast<velm::Fixed>(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
}

// An expanded record built object by object.
class StreamBuilder {
 public:
  // A record whose bounds are (0, height, width, 0).
  StreamBuilder(double width = 100, double height = 50);
  ~StreamBuilder();
  StreamBuilder(const StreamBuilder&) = delete;
  StreamBuilder& operator=(const StreamBuilder&) = delete;

  StreamBuilder& Marker(const std::string& text);
  // Any bytes as one object (its header's length is taken as it stands).
  StreamBuilder& Raw(const std::vector<std::uint8_t>& bytes);
  // A closed, filled rectangle path (gray fill `gray`).
  StreamBuilder& Rectangle(double left, double bottom, double right, double top, double gray = 1.0);
  static std::vector<std::uint8_t> RectangleObject(double left, double bottom, double right,
                                                   double top, double gray = 1.0);
  // Hands the record over (the builder is empty afterwards).
  velm::os::MemHandle Take();
  velm::os::MemHandle record() const { return record_; }

 private:
  velm::os::MemHandle record_;
};

class LoaderTest : public StoreTest {
 protected:
  void SetUp() override;

  hostsim::Document& doc() { return *host().document(); }
  hostsim::Art* LayerGroup() { return doc().currentLayer()->group; }
  // The art of the current layer, topmost first.
  std::vector<hostsim::Art*> Placed() { return LayerGroup()->children; }

  // Places the expanded record at `drop` with `originMode` through the loader's walk.
  host::Err Place(velm::os::MemHandle record, host::RealPoint drop, std::int16_t originMode = 2);
  // Writes the record to group "placement" and places it from there.
  host::Err StoreAndLoad(velm::os::MemHandle record, host::RealPoint drop,
                         std::int16_t originMode = 2);

  // The scene as the open document; false (with a test failure) when it is not valid.
  bool Open(const nlohmann::json& scene);
  bool OpenFile(const std::string& path);
  // Captures `arts` (selected for it), stores the record, places it in a new layer at the
  // capture origin with origin mode 2, and checks the placed art structurally and by its
  // picture against the originals (unless `pictures` is false: for art whose colours the
  // capture changes on purpose); then one undo removes it all.
  void RoundTrip(const std::vector<hostsim::Art*>& arts, bool pictures = true);
  void ComparePictures(const std::vector<hostsim::Art*>& arts,
                       const std::vector<hostsim::Layer*>& originals, hostsim::Layer* placed);
  // The objects of the current record's stream, copied out.
  std::vector<std::vector<std::uint8_t>> CurrentObjects();
  // Captures the art of a scene (all of it) and returns its objects.
  std::vector<std::vector<std::uint8_t>> CaptureScene(const nlohmann::json& scene);
  // Every top-level art of every visible layer, except hidden and placed art.
  std::vector<hostsim::Art*> CapturableArt();
};

}  // namespace velmtest
