#include "tests/capture/capture_fixture.h"

#include "capture/art_tree_writer.h"
#include "database/art_stream.h"
#include "frame/globals.h"

namespace velmtest {

namespace {

host::Color Blank(std::int32_t kind) {
  host::Color c;
  std::memset(static_cast<void*>(&c), 0, sizeof c);
  c.kind = kind;
  return c;
}

}  // namespace

host::Color GrayColor(float gray) {
  host::Color c = Blank(host::kGrayColor);
  c.c.gray.gray = gray;
  return c;
}

host::Color RgbColor(float r, float g, float b) {
  host::Color c = Blank(host::kRgbColor);
  c.c.rgb = {r, g, b};
  return c;
}

host::Color ProcessColor(float cyan, float magenta, float yellow, float black) {
  host::Color c = Blank(host::kProcessColor);
  c.c.process = {cyan, magenta, yellow, black};
  return c;
}

hostsim::Art* CaptureTest::Add(std::int32_t type, hostsim::Art* container) {
  hostsim::Art* art = doc().Create(type);
  if (!container) container = LayerGroup();
  EXPECT_EQ(doc().Insert(art, host::kPlaceInsideOnBottom, container), host::kNoErr);
  return art;
}

hostsim::Art* CaptureTest::Path(std::vector<host::PathSegment> segments, bool closed,
                                hostsim::Art* container) {
  hostsim::Art* path = Add(host::kPathArt, container);
  path->segments = std::move(segments);
  path->closed = closed;
  return path;
}

hostsim::Art* CaptureTest::Rectangle(float left, float bottom, float right, float top,
                                     hostsim::Art* container) {
  auto corner = [](float h, float v) { return host::PathSegment{{h, v}, {h, v}, {h, v}, 1}; };
  return Path({corner(left, bottom), corner(right, bottom), corner(right, top), corner(left, top)},
              true, container);
}

hostsim::Pattern* CaptureTest::RectanglePattern(float left, float bottom, float right, float top) {
  hostsim::Art* group = doc().Create(host::kGroupArt);
  Rectangle(left, bottom, right, top, group);
  hostsim::Pattern* pattern = doc().NewPattern();
  pattern->art = group;
  return pattern;
}

host::Err CaptureTest::Capture() {
  return velm::VelmPostArt();
}

velm::Record* CaptureTest::Header() {
  return velm::RecordHeader(velm::gGlobals->currentRecord);
}

std::vector<StoredObject> CaptureTest::Objects() {
  std::vector<StoredObject> objects;
  velm::ObjectIndex index;
  EXPECT_TRUE(index.Build(velm::gGlobals->currentRecord));
  for (std::int32_t i = 0; i < index.count(); ++i) {
    const std::uint8_t* at = index.Object(i);
    objects.push_back({std::vector<std::uint8_t>(at, at + index.Length(i))});
  }
  return objects;
}

std::vector<std::string> CaptureTest::Outline() {
  std::vector<std::string> outline;
  for (const StoredObject& o : Objects()) {
    if (o.IsMarker())
      outline.push_back(o.MarkerText());
    else if (o.type() == 2)
      outline.push_back("path");
    else
      outline.push_back("type " + std::to_string(o.type()));
  }
  return outline;
}

}  // namespace velmtest
