// The window-free parts of velm-host gui: hit testing the document's art by its bounds and
// taking back a typed character of a Shift-JIS text; and its refusal to run where no
// window can be seen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/host_fixture.h"
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

// Without a display, SDL's drivers that only draw into memory are no window: velm-host gui
// says so and exits with 2 rather than running unseen.
TEST(GuiWindow, ExitsWithTwoWhereTheVideoDriverShowsNothing) {
  velmtest::TempFolder folder;
  const std::filesystem::path program =
      std::filesystem::path(VELM_MODULE_PATH).parent_path().parent_path() / "hostsim" / "velm-host";
  const std::filesystem::path log = folder.path() / "gui.log";
  for (const char* driver : {"offscreen", "dummy"}) {
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=" + std::string(driver) +
        " timeout 20 '" + program.string() + "' gui --library '" +
        (folder.path() / "library").string() + "' > '" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    const std::string output((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(WIFEXITED(status)) << driver;
    EXPECT_EQ(WEXITSTATUS(status), 2) << driver << ": " << output;
    EXPECT_NE(output.find("no display to open a window on"), std::string::npos) << output;
  }
}

}  // namespace
