// velm-host gui's files: a file dropped onto a document adds its art, selected, with
// clashing names renamed, as one undoable step; the chooser opens and saves by typed paths and
// completes them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/host_fixture.h"
#include "gui_controller.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"

namespace {

using velmgui::Command;
using velmgui::Key;

struct Files {
  velmtest::TempFolder library, folder;
  std::unique_ptr<velmsession::PluginSession> session;
  std::unique_ptr<velmgui::Controller> c;
  explicit Files(const std::string& scene) {
    std::string error;
    session = velmsession::PluginSession::Open(library.path(), false, &error);
    EXPECT_TRUE(session) << error;
    EXPECT_TRUE(session->OpenScene(scene, &error)) << error;
    c = std::make_unique<velmgui::Controller>(*session, "");
  }
  hostsim::Document& doc() { return session->document(); }
  std::size_t ArtCount() {
    std::size_t n = 0;
    for (hostsim::Layer* layer : doc().layers())
      n += layer->group->children.size();
    return n;
  }
  void Type(const std::string& path) {
    while (!c->chooserPath().empty())
      c->ChooserKey(Key::kBackspace);
    c->ChooserText(path);
  }
};

TEST(GuiFiles, ADroppedSceneIsAddedSelectedWithClashingNamesRenamed) {
  Files f(VELM_SOURCE_DIR "/tests/data/scenes/reference.json");
  const std::size_t before = f.ArtCount();
  hostsim::View& view = *f.doc().views().front();
  view.zoom = 2;
  // The same scene with another "sunset": the dropped one is renamed, "glow" is shared.
  std::string error;
  nlohmann::json dropped;
  ASSERT_TRUE(hostsim::LoadSceneJson(VELM_SOURCE_DIR "/tests/data/scenes/reference.json", &dropped,
                                     &error));
  dropped["gradients"][0]["type"] = "radial";
  const std::filesystem::path drop = f.folder.path() / "drop.json";
  std::ofstream(drop) << dropped.dump();
  ASSERT_TRUE(f.c->DropFile(drop.string())) << f.c->TakeStatus();
  EXPECT_EQ(f.ArtCount(), 2 * before);
  // The dropped copy is selected under new ids; the art that was there is not.
  const nlohmann::json scene = hostsim::WriteScene(f.doc());
  ASSERT_NE(f.doc().FindById("red-square 2"), nullptr);
  EXPECT_TRUE(f.doc().FindById("red-square 2")->attributes & host::kArtSelected);
  EXPECT_FALSE(f.doc().FindById("red-square")->attributes & host::kArtSelected);
  std::vector<std::string> gradients;
  for (const auto& g : scene["gradients"])
    gradients.push_back(g["name"]);
  EXPECT_EQ(gradients, (std::vector<std::string>{"sunset", "glow", "sunset 2"}));
  EXPECT_NE(scene.dump().find("\"gradient\":\"sunset 2\""), std::string::npos);
  EXPECT_EQ(f.doc().views().front()->zoom, 2);

  // A damaged file changes nothing and says why.
  const std::filesystem::path bad = f.folder.path() / "bad.json";
  std::ofstream(bad) << "{\"layers\": [";
  EXPECT_FALSE(f.c->DropFile(bad.string()));
  EXPECT_NE(f.c->TakeStatus().find("bad.json"), std::string::npos);
  EXPECT_EQ(f.ArtCount(), 2 * before);
}

// A drop onto a document with art is one step: Undo gives back the document as it was
// (the paint the drop brought in goes too), Redo what the merge gives; a drop that fails
// changes nothing and adds no step.
TEST(GuiFiles, ADropIsOneUndoableStepAndAFailedDropChangesNothing) {
  Files f(VELM_SOURCE_DIR "/tests/data/scenes/reference.json");
  f.doc().views().front()->zoom = 2;
  std::string error;
  nlohmann::json dropped;
  ASSERT_TRUE(hostsim::LoadSceneJson(VELM_SOURCE_DIR "/tests/data/scenes/reference.json", &dropped,
                                     &error));
  // New definitions of "sunset", "Spot Orange" and "checks" come in renamed; "glow" and
  // the plug-in group are the document's own.
  dropped["gradients"][0]["type"] = "radial";
  dropped["customColors"][0]["process"][1] = 0.6;
  dropped["patterns"][0]["art"][1]["fill"] = "#00ffff";
  const std::filesystem::path drop = f.folder.path() / "drop.json";
  std::ofstream(drop) << dropped.dump();
  const nlohmann::json before = hostsim::WriteScene(f.doc());
  const auto read = hostsim::ReadScene(dropped, "drop", &error);
  ASSERT_TRUE(read) << error;
  const nlohmann::json merged = velmgui::MergeScenes(before, hostsim::WriteScene(*read));
  ASSERT_EQ(merged["gradients"].size(), 3u);

  ASSERT_TRUE(f.c->DropFile(drop.string())) << f.c->TakeStatus();
  EXPECT_EQ(hostsim::WriteScene(f.doc()), merged);
  EXPECT_EQ(f.doc().undoText(), "Undo Drop");
  f.c->Refresh();  // the moved art draws with the document's paint
  f.c->KeyPress(Key::kUndo);
  EXPECT_EQ(hostsim::WriteScene(f.doc()), before);
  EXPECT_EQ(f.doc().redoText(), "Redo Drop");
  f.c->KeyPress(Key::kRedo);
  EXPECT_EQ(hostsim::WriteScene(f.doc()), merged);
  EXPECT_EQ(f.doc().views().front()->zoom, 2);

  const std::filesystem::path damaged = f.folder.path() / "damaged.json";
  std::ofstream(damaged) << R"({"layers": [{"art": [{"type": "path", "points": 3}]}]})";
  const std::size_t steps = f.doc().undoDepth();
  for (const std::filesystem::path& bad : {damaged, f.folder.path() / "missing.json"}) {
    EXPECT_FALSE(f.c->DropFile(bad.string()));
    EXPECT_NE(f.c->TakeStatus().find(bad.filename().string()), std::string::npos);
    EXPECT_EQ(hostsim::WriteScene(f.doc()), merged) << bad;
    EXPECT_EQ(f.doc().undoDepth(), steps) << bad;
  }
  f.c->KeyPress(Key::kUndo);
  EXPECT_EQ(hostsim::WriteScene(f.doc()), before);
}

TEST(GuiFiles, TheChooserSavesAndOpensTypedPathsAndCompletesNames) {
  Files f(VELM_SOURCE_DIR "/demo/canvas.json");
  const std::string dir = f.folder.path().string() + "/";
  for (const char* name : {"copy.json", "copy.png"}) {
    f.c->RunCommand(Command::kSaveAs);
    ASSERT_TRUE(f.c->choosing());
    f.Type(dir + name);
    f.c->ChooserKey(Key::kReturn);
    EXPECT_FALSE(f.c->choosing()) << f.c->TakeStatus();
    EXPECT_GT(std::filesystem::file_size(dir + name), 0u) << name;
  }
  // A folder is no file name: the chooser stays open.
  f.c->RunCommand(Command::kSaveAs);
  f.Type(dir);
  f.c->ChooserKey(Key::kEnd);  // not a chooser key: nothing happens
  f.c->ChooserKey(Key::kReturn);
  EXPECT_TRUE(f.c->choosing());
  f.c->ChooserKey(Key::kEscape);

  f.doc().DeselectAll();
  f.c->RunCommand(Command::kOpen);
  f.Type(dir + "copy.j");
  f.c->ChooserKey(Key::kTab);
  EXPECT_EQ(f.c->chooserPath(), dir + "copy.json");
  f.c->ChooserKey(Key::kReturn);
  EXPECT_FALSE(f.c->choosing());
  EXPECT_NE(f.doc().FindById("frame"), nullptr);
  EXPECT_NE(f.c->TakeStatus().find("opened"), std::string::npos);

  // A library is a folder: a file is refused, a folder asked for once.
  for (const std::string& path : {dir + "copy.json", dir}) {
    f.c->RunCommand(Command::kLibrary);
    f.Type(path);
    f.c->ChooserKey(Key::kReturn);
    EXPECT_EQ(f.c->choosing(), path == dir + "copy.json");
  }
  f.c->ChooserKey(Key::kEscape);
  EXPECT_EQ(f.c->TakeLibraryRequest(), f.folder.path().string());
  EXPECT_EQ(f.c->TakeLibraryRequest(), "");
}

TEST(GuiFiles, AnSvgDocumentIsSavedOpenedAndDroppedAndItsArtAddedToTheLibrary) {
  Files f(VELM_SOURCE_DIR "/demo/canvas.json");
  const std::string dir = f.folder.path().string() + "/";
  // The canvas saved as SVG and opened again: the same art.
  const std::size_t canvasArt = f.ArtCount();
  f.c->RunCommand(Command::kSaveAs);
  f.Type(dir + "canvas.svg");
  f.c->ChooserKey(Key::kReturn);
  f.c->RunCommand(Command::kOpen);
  f.Type(dir + "canvas.svg");
  f.c->ChooserKey(Key::kReturn);
  ASSERT_NE(f.c->TakeStatus().find("opened"), std::string::npos);
  EXPECT_EQ(f.ArtCount(), canvasArt);

  // An icon dropped onto it comes in selected, ready for the add button.
  const std::filesystem::path icon = f.folder.path() / "star.svg";
  std::ofstream(icon) << "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
                         "<path id='star' d='M8 0 10 6 16 6 11 10 13 16 8 12 3 16 5 10 0 6 6 6z'/>"
                         "</svg>";
  f.doc().DeselectAll();
  ASSERT_TRUE(f.c->DropFile(icon.string())) << f.c->TakeStatus();
  EXPECT_EQ(f.ArtCount(), canvasArt + 1);
  hostsim::Art* star = f.doc().FindById("star");
  ASSERT_NE(star, nullptr);
  EXPECT_TRUE(star->attributes & host::kArtSelected);
  std::string error;
  std::int32_t record = -1, objects = 0;
  ASSERT_TRUE(f.session->Capture("icons", {"star", "", ""}, &record, &objects, &error)) << error;
  EXPECT_EQ(objects, 1);
  velmsession::PlaceResult placed;
  ASSERT_TRUE(f.session->Place("icons", record, {}, &placed, &error)) << error;
  EXPECT_EQ(f.ArtCount(), canvasArt + 2);
}

}  // namespace
