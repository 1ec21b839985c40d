// The window-free parts of velm-host gui: hit testing the document's art by its bounds and
// taking back a typed character of a Shift-JIS text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gui_controller.h"
#include "hostsim/document.h"
#include "hostsim/scene.h"

namespace {

std::vector<std::string> Ids(const std::vector<hostsim::Art*>& arts) {
  std::vector<std::string> ids;
  for (const hostsim::Art* a : arts)
    ids.push_back(a->id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(GuiHitTest, PointsAndBandsFindArtByBoundsInVisibleUnlockedLayers) {
  std::string error;
  auto doc = hostsim::ReadSceneFile(VELM_SOURCE_DIR "/demo/canvas.json", &error);
  ASSERT_TRUE(doc) << error;
  using V = std::vector<std::string>;
  EXPECT_EQ(Ids(velmgui::ArtAt(*doc, {300, 300})), (V{"diagonal-1", "diagonal-2", "frame"}));
  EXPECT_TRUE(velmgui::ArtAt(*doc, {5, 5}).empty());
  EXPECT_TRUE(velmgui::ArtTouching(*doc, {0, 0}, {10, 10}).empty());
  // A band from either corner touches the frame's corner and both diagonals' bounds.
  EXPECT_EQ(Ids(velmgui::ArtTouching(*doc, {25, 25}, {0, 0})),
            (V{"diagonal-1", "diagonal-2", "frame"}));
  for (hostsim::Layer* layer : doc->layers())
    layer->editable = false;
  EXPECT_TRUE(velmgui::ArtAt(*doc, {300, 300}).empty());
}

TEST(GuiTyping, BackspaceTakesOneShiftJisCharacter) {
  const struct {
    std::string text, expected;
  } cases[] = {{"", ""},
               {"ab", "a"},
               {"a\x82\xa0", "a"},  // a double-byte kana
               {"\x82\xa0"
                "b",
                "\x82\xa0"},                      // a single byte after it
               {"\x83\x5c\x83\x5c", "\x83\x5c"},  // a trail byte that looks like a backslash
               {"a\x82", "a"}};                   // a lone lead byte at the end
  for (const auto& c : cases)
    EXPECT_EQ(velmgui::DropLastSjisChar(c.text), c.expected) << c.text;
}

}  // namespace
