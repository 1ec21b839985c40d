// Text painted with a pattern, in both forms a stream may hold it: one run and one
// definition per character, as the capture writes it, and one run of several characters
// with a single definition, as older records have it.
#include <gtest/gtest.h>

#include <cstring>

#include "artformat/art_objects.h"
#include "capture/art_tree_writer.h"
#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The patterns of the characters of the one text placed.
std::vector<hostsim::Pattern*> CharacterPatterns(hostsim::Document& doc, hostsim::Art* text) {
  std::vector<hostsim::Pattern*> patterns;
  for (std::size_t i = 0; i < text->text.bytes.size(); ++i) {
    const host::PathStyle& paint = text->text.AttributesAt(i).paint;
    patterns.push_back(paint.fillPaint && paint.fill.color.kind == host::kPatternColor
                           ? doc.PatternFrom(paint.fill.color.c.pattern.pattern)
                           : nullptr);
  }
  return patterns;
}

TEST_F(LoaderTest, PatternTextComesBackFromOneDefinitionPerCharacterOrPerRun) {
  hostsim::Art* art = doc().Create(host::kGroupArt);
  hostsim::Art* square = doc().Create(host::kPathArt);
  square->segments = {
      {{0, 0}, {0, 0}, {0, 0}, 1}, {{4, 0}, {4, 0}, {4, 0}, 1}, {{4, 4}, {4, 4}, {4, 4}, 1}};
  square->closed = true;
  ASSERT_EQ(doc().Insert(square, host::kPlaceInsideOnTop, art), host::kNoErr);
  hostsim::Pattern* pattern = doc().NewPattern();
  pattern->art = art;
  hostsim::TextAttributes attributes = hostsim::DefaultTextAttributes();
  attributes.paint.fill.color.kind = host::kPatternColor;
  attributes.paint.fill.color.c.pattern.pattern = reinterpret_cast<host::PatternHandle>(pattern);
  attributes.paint.fill.color.c.pattern.scale = {1, 1};
  attributes.paint.fill.color.c.pattern.transform = {1, 0, 0, 1, 0, 0};
  hostsim::Art* text = doc().Create(host::kTextArt);
  text->text.Insert(0, "ab", attributes);
  ASSERT_EQ(doc().Insert(text, host::kPlaceInsideOnTop, LayerGroup()), host::kNoErr);
  doc().Select(text, true);
  ASSERT_EQ(velm::VelmPostArt(), host::kNoErr);
  const std::vector<Bytes> captured = CurrentObjects();
  ASSERT_EQ(captured.size(), 7u);  // the text, then two definitions of three objects each

  // The older form: the first run holds both characters and uses definition 1.
  velm::TextObject head;
  std::memcpy(static_cast<void*>(&head), captured[0].data(), sizeof head);
  ASSERT_EQ(head.runCount, 2);
  Bytes older(captured[0].begin(), captured[0].begin() + sizeof head + sizeof(velm::TextRun));
  std::memcpy(older.data() + sizeof head + offsetof(velm::TextRun, text), "ab", 3);
  older.insert(older.end(), captured[0].begin() + head.pathTableOffset, captured[0].end());
  head.runCount = 1;
  head.pathTableOffset = static_cast<std::int32_t>(sizeof head + sizeof(velm::TextRun));
  head.header.length = static_cast<std::int32_t>(older.size());
  std::memcpy(older.data(), &head, sizeof head);
  const std::vector<Bytes> olderStream = {older, captured[1], captured[2], captured[3]};

  for (const std::vector<Bytes>* form : {&captured, &olderStream}) {
    SCOPED_TRACE(form == &captured ? "per character" : "per run");
    doc().DeselectAll();
    StreamBuilder stream;
    for (const Bytes& object : *form)
      stream.Raw(object);
    const std::size_t before = LayerGroup()->children.size();
    ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
    ASSERT_EQ(LayerGroup()->children.size(), before + 1);
    hostsim::Art* placed = Placed()[0];
    ASSERT_EQ(placed->type, host::kTextArt);
    EXPECT_EQ(placed->text.bytes, "ab");
    const std::vector<hostsim::Pattern*> patterns = CharacterPatterns(doc(), placed);
    ASSERT_EQ(patterns.size(), 2u);
    for (hostsim::Pattern* p : patterns) {
      ASSERT_NE(p, nullptr);
      ASSERT_NE(p->art, nullptr);
      EXPECT_EQ(p->art->children.size(), 1u);  // the square
    }
    EXPECT_EQ(patterns[0] != patterns[1], form == &captured);
  }
}

}  // namespace
}  // namespace velmtest
