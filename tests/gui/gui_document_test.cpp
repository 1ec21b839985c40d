// velm-host gui's document as a file: the format comes from the name in any case, Ctrl+S
// writes that format back, nothing is replaced or lost without a question whose default
// is the safe answer, unsaved changes are asked about, the choosers select what they
// propose, and the library chosen last is remembered.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/host_fixture.h"
#include "gui_controller.h"
#include "gui_document.h"
#include "gui_settings.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using velmgui::Command;
using velmgui::DocFormat;
using velmgui::Key;
using velmgui::SaveStep;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// An SVG another editor wrote: a mask the window cannot hold, a comment, a style sheet.
constexpr char kForeignSvg[] =
    "<?xml version='1.0'?>\n<!-- drawn elsewhere -->\n"
    "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100'>"
    "<style>.a{fill:#3050c0}</style><mask id='m'><rect width='50' height='50' fill='#fff'/></mask>"
    "<rect class='a' x='10' y='10' width='80' height='40' mask='url(#m)'/></svg>\n";
constexpr char kStarSvg[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
    "<path id='star' d='M8 0 10 6 16 6 11 10 13 16 8 12 3 16 5 10 0 6 6 6z'/></svg>";

struct Window {
  velmtest::TempFolder library, folder;
  std::unique_ptr<velmsession::PluginSession> session;
  std::unique_ptr<velmgui::Controller> c;
  Window() {
    std::string error;
    session = velmsession::PluginSession::Open(library.path(), false, &error);
    EXPECT_TRUE(session) << error;
    c = std::make_unique<velmgui::Controller>(*session, "");
    Write(folder.path() / "star.svg", kStarSvg);
  }
  std::string At(const std::string& name) { return (folder.path() / name).string(); }
  // An edit: a small drawing dropped onto the document, one undoable step.
  void Edit() { ASSERT_TRUE(c->DropFile(At("star.svg"))) << c->TakeStatus(); }
  void Type(const std::string& path) {
    c->ChooserText(path);  // the proposed path is selected: typing replaces it
  }
  // Opens `name` (written from demo/canvas.json by this program's SVG writer) as the
  // document.
  void OpenOwnSvg(const std::string& name) {
    std::string error;
    auto doc = hostsim::ReadSceneFile(VELM_SOURCE_DIR "/demo/canvas.json", &error);
    ASSERT_TRUE(doc) << error;
    ASSERT_TRUE(hostsim::WriteSvgFile(*doc, At(name), &error)) << error;
    ASSERT_TRUE(c->OpenDocument(At(name))) << c->TakeStatus();
  }
};

TEST(GuiDocument, TheFormatComesFromTheExtensionInAnyCase) {
  const struct {
    const char* path;
    DocFormat format;
  } cases[] = {{"a/f.svg", DocFormat::kSvg},
               {"F.SVG", DocFormat::kSvg},
               {"f.Svg", DocFormat::kSvg},
               {"f.svgz", DocFormat::kCompressedSvg},
               {"f.SVGZ", DocFormat::kCompressedSvg},
               {"s.json", DocFormat::kScene},
               {"s.JSON", DocFormat::kScene},
               {"p.PNG", DocFormat::kPicture},
               {"f.svg.bak", DocFormat::kUnknown},
               {"svg", DocFormat::kUnknown},
               {"", DocFormat::kUnknown}};
  for (const auto& c : cases)
    EXPECT_EQ(velmgui::FormatOf(c.path), c.format) << c.path;
}

// Which saves ask, and which ask for another name.
TEST(GuiDocument, SavesAskBeforeReplacingOrLosingAndOtherwiseWrite) {
  velmgui::DocumentSource own;
  own.path = "d.svg";
  own.format = DocFormat::kSvg;
  velmgui::DocumentSource foreign = own, lossy = own, unnamed, compressed = own, named = own;
  foreign.foreign = true;
  lossy.dropped["mask"] = 2;
  unnamed.path = "";
  compressed.format = DocFormat::kCompressedSvg;
  named.confirmed = false;  // --save-as
  const struct {
    const char* what;
    const velmgui::DocumentSource& source;
    bool exists;
    SaveStep step;
  } saves[] = {{"own", own, true, SaveStep::kWrite},
               {"foreign", foreign, true, SaveStep::kAskLoss},
               {"lossy", lossy, true, SaveStep::kAskLoss},
               {"lossy, file gone", lossy, false, SaveStep::kWrite},
               {"no file", unnamed, false, SaveStep::kSaveAs},
               {"svgz", compressed, true, SaveStep::kSaveAs},
               {"named, there", named, true, SaveStep::kAskReplace},
               {"named, new", named, false, SaveStep::kWrite}};
  for (const auto& s : saves)
    EXPECT_EQ(velmgui::DecideSave(s.source, s.exists), s.step) << s.what;
  const struct {
    const char* target;
    bool exists, same;
    SaveStep step;
  } saveAs[] = {{"new.svg", false, false, SaveStep::kWrite},
                {"other.SVG", true, false, SaveStep::kAskReplace},
                {"d.svg", true, true, SaveStep::kAskLoss},
                {"x.png", true, false, SaveStep::kAskReplace},
                {"x.svgz", false, false, SaveStep::kRefuse},
                {"x.txt", false, false, SaveStep::kRefuse}};
  for (const auto& s : saveAs)
    EXPECT_EQ(velmgui::DecideSaveAs(lossy, s.target, s.exists, s.same), s.step) << s.target;
  EXPECT_EQ(velmgui::DecideSaveAs(own, "d.svg", true, true), SaveStep::kAskReplace);
  EXPECT_NE(velmgui::LossText(lossy).find("mask (2)"), std::string::npos);
  EXPECT_EQ(velmgui::LossText(own), "");
}

TEST(GuiDocument, TheTitleNamesTheDocumentAndMarksChanges) {
  EXPECT_EQ(velmgui::WindowTitle("/w/a b/name.svg", false), "name.svg \u2014 VELM-Pro");
  EXPECT_EQ(velmgui::WindowTitle("/w/name.svg", true), "\u2022 name.svg \u2014 VELM-Pro");
  EXPECT_EQ(velmgui::WindowTitle("", true), "\u2022 Untitled \u2014 VELM-Pro");
  EXPECT_EQ(velmgui::WindowTitle("/w/name.svg", false, "/home/a/lib"),
            "name.svg \u2014 /home/a/lib \u2014 VELM-Pro");
}

// Ctrl+S on an SVG this program wrote writes SVG again, which reads back as the document;
// the title marks the change until then; undoing a change is no change.
TEST(GuiDocument, CtrlSWritesAnOwnSvgBackAsSvg) {
  Window w;
  w.OpenOwnSvg("Own.SVG");
  EXPECT_FALSE(w.c->source().foreign);
  EXPECT_TRUE(w.c->source().faithful()) << velmgui::LossText(w.c->source());
  EXPECT_FALSE(w.c->modified());
  w.Edit();
  EXPECT_EQ(w.c->Title(), "\u2022 Own.SVG \u2014 VELM-Pro");
  w.c->KeyPress(Key::kUndo);
  EXPECT_EQ(w.c->TakeStatus(), "undid Drop");
  EXPECT_FALSE(w.c->modified());
  w.c->KeyPress(Key::kRedo);
  EXPECT_EQ(w.c->TakeStatus(), "redid Drop");
  EXPECT_TRUE(w.c->modified());
  w.c->TakeStatus();
  w.c->KeyPress(Key::kSave);
  EXPECT_FALSE(w.c->asking());
  EXPECT_EQ(w.c->TakeStatus(), "saved " + w.At("Own.SVG") + " as SVG");
  EXPECT_FALSE(w.c->modified());
  EXPECT_EQ(w.c->Title(), "Own.SVG \u2014 VELM-Pro");
  hostsim::SvgDocument svg;
  std::string error;
  ASSERT_TRUE(hostsim::ReadSvgFile(w.At("Own.SVG"), &svg, &error)) << error;
  EXPECT_TRUE(svg.report.empty()) << svg.report.Lines().front();
  auto back = hostsim::ReadScene(svg.scene, "back", &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(velmgui::DocumentFingerprint(*back),
            velmgui::DocumentFingerprint(w.session->document()));
  EXPECT_NE(back->FindById("star"), nullptr);
}

// An SVG another program wrote: Ctrl+S says what would be lost and asks; Return takes the
// safe answer (Save As), Escape leaves the file alone; replacing it is a choice.
TEST(GuiDocument, CtrlSOnAForeignSvgAsksAndReturnNeverReplacesIt) {
  Window w;
  Write(w.At("other.svg"), kForeignSvg);
  ASSERT_TRUE(w.c->OpenDocument(w.At("other.svg")));
  EXPECT_TRUE(w.c->source().foreign);
  EXPECT_EQ(w.c->source().dropped.at("mask"), 1);
  w.Edit();
  w.c->KeyPress(Key::kSave);
  ASSERT_TRUE(w.c->asking());
  EXPECT_NE(w.c->questionText().find("mask (1)"), std::string::npos) << w.c->questionText();
  EXPECT_EQ(w.c->questionButtons()[static_cast<std::size_t>(w.c->questionFocus())], "Save As...");
  w.c->QuestionKey(Key::kReturn);
  EXPECT_TRUE(w.c->choosing());  // Save As, nothing written
  w.c->ChooserKey(Key::kEscape);
  w.c->KeyPress(Key::kSave);
  w.c->QuestionKey(Key::kEscape);
  EXPECT_FALSE(w.c->asking());
  EXPECT_EQ(Read(w.At("other.svg")), kForeignSvg);
  EXPECT_TRUE(w.c->modified());
  // Replace, chosen: written by this program from then on, so the next save asks nothing.
  w.c->KeyPress(Key::kSave);
  w.c->QuestionKey(Key::kTab);
  w.c->QuestionKey(Key::kReturn);
  EXPECT_NE(Read(w.At("other.svg")).find("xmlns:velm"), std::string::npos);
  EXPECT_FALSE(w.c->modified());
  w.Edit();
  w.c->KeyPress(Key::kSave);
  EXPECT_FALSE(w.c->asking());
  EXPECT_FALSE(w.c->modified());
}

// Save As onto an existing file asks, and Return alone (in the chooser, then in the
// question) never replaces it; a .SVG name is SVG and Ctrl+S then saves there.
TEST(GuiDocument, SaveAsAsksBeforeReplacingAndCtrlSThenSavesThere) {
  Window w;
  std::string error;
  ASSERT_TRUE(w.session->OpenScene(VELM_SOURCE_DIR "/demo/canvas.json", &error)) << error;
  w.c->TakeStatus();
  // Without a file Ctrl+S asks for a name rather than refusing.
  w.c->KeyPress(Key::kSave);
  ASSERT_TRUE(w.c->choosing());
  EXPECT_NE(w.c->TakeStatus().find("save as"), std::string::npos);
  Write(w.At("keep.SVG"), "precious");
  w.Type(w.At("keep.SVG"));
  w.c->ChooserKey(Key::kReturn);
  ASSERT_TRUE(w.c->asking());
  w.c->ChooserKey(Key::kReturn);   // the question takes the keys: this one goes nowhere
  w.c->QuestionKey(Key::kReturn);  // Cancel, the default
  EXPECT_FALSE(w.c->asking());
  EXPECT_TRUE(w.c->choosing());
  EXPECT_EQ(Read(w.At("keep.SVG")), "precious");
  EXPECT_NE(w.c->TakeStatus().find("not saved"), std::string::npos);
  w.c->ChooserKey(Key::kReturn);
  w.c->QuestionKey(Key::kLeft);
  w.c->QuestionKey(Key::kReturn);
  EXPECT_FALSE(w.c->choosing());
  EXPECT_EQ(w.c->TakeStatus(), "saved " + w.At("keep.SVG") + " as SVG");
  EXPECT_EQ(Read(w.At("keep.SVG")).rfind("<?xml", 0), 0u);
  w.Edit();
  w.c->KeyPress(Key::kSave);
  EXPECT_EQ(w.c->TakeStatus(), "saved " + w.At("keep.SVG") + " as SVG");
  // A picture is an export: the document keeps its file and its changes.
  w.Edit();
  EXPECT_TRUE(w.c->SaveAs(w.At("look.png")));
  EXPECT_EQ(w.c->source().path, w.At("keep.SVG"));
  EXPECT_TRUE(w.c->modified());
  // A failed write says so, and the document stays changed.
  EXPECT_FALSE(w.c->SaveAs(w.At("missing/x.json")));
  EXPECT_EQ(w.c->TakeStatus().rfind("not saved: ", 0), 0u);
  EXPECT_TRUE(w.c->modified());
  EXPECT_FALSE(w.c->SaveAs(w.At("x.svgz")));
  EXPECT_FALSE(fs::exists(w.At("x.svgz")));
}

// Quitting, opening another document and choosing another library ask about changes:
// Save / Discard / Cancel, Save the default.
TEST(GuiDocument, UnsavedChangesAreAskedAboutBeforeTheyGo) {
  Window w;
  w.OpenOwnSvg("doc.svg");
  w.c->RequestQuit();
  EXPECT_TRUE(w.c->TakeQuit());  // no changes: at once
  const std::string saved = Read(w.At("doc.svg"));
  w.Edit();
  w.c->RequestQuit();
  ASSERT_TRUE(w.c->asking());
  EXPECT_EQ(w.c->questionButtons(), (std::vector<std::string>{"Save", "Discard", "Cancel"}));
  w.c->QuestionKey(Key::kEscape);
  EXPECT_FALSE(w.c->TakeQuit());
  w.c->RequestQuit();
  w.c->QuestionKey(Key::kReturn);  // Save
  EXPECT_TRUE(w.c->TakeQuit());
  EXPECT_NE(Read(w.At("doc.svg")), saved);

  // Another document: Discard opens it, the changes gone unsaved.
  w.Edit();
  const std::string before = Read(w.At("doc.svg"));
  w.c->RunCommand(Command::kOpen);
  w.Type(w.At("star.svg"));
  w.c->ChooserKey(Key::kReturn);
  ASSERT_TRUE(w.c->asking());
  w.c->QuestionKey(Key::kRight);
  w.c->QuestionKey(Key::kReturn);
  EXPECT_EQ(w.c->source().path, w.At("star.svg"));
  EXPECT_EQ(Read(w.At("doc.svg")), before);

  // Another library: a folder that is not there is asked about (Cancel the default), then
  // the changes; Discard carries the document over as it was saved.
  w.Edit();
  const std::string fresh = w.At("lib2");
  w.c->RunCommand(Command::kLibrary);
  w.Type(fresh);
  w.c->ChooserKey(Key::kReturn);
  ASSERT_TRUE(w.c->asking());
  w.c->QuestionKey(Key::kReturn);
  EXPECT_EQ(w.c->TakeLibraryRequest(), "");
  w.c->ChooserKey(Key::kReturn);
  w.c->QuestionKey(Key::kLeft);
  w.c->QuestionKey(Key::kReturn);  // Create
  ASSERT_TRUE(w.c->asking());      // the changes
  w.c->QuestionKey(Key::kRight);
  w.c->QuestionKey(Key::kReturn);  // Discard
  EXPECT_EQ(w.c->TakeLibraryRequest(), fresh);
  EXPECT_FALSE(w.c->modified());
  EXPECT_EQ(w.session->document().FindById("star 2"), nullptr);
}

// The chooser selects the path it proposes: typing replaces it, Backspace clears it.
TEST(GuiChooser, TheProposedPathIsSelectedAndTypingReplacesIt) {
  Window w;
  w.c->WatchLibrary(w.library.path().string());
  w.c->RunCommand(Command::kLibrary);
  EXPECT_TRUE(w.c->chooserPathSelected());
  EXPECT_EQ(w.c->chooserPath(), w.library.path().string());
  w.c->ChooserText("x");
  EXPECT_EQ(w.c->chooserPath(), "x");
  EXPECT_FALSE(w.c->chooserPathSelected());
  w.c->ChooserText("y");
  EXPECT_EQ(w.c->chooserPath(), "xy");
  w.c->ChooserKey(Key::kEscape);
  w.c->RunCommand(Command::kSaveAs);
  w.c->ChooserKey(Key::kBackspace);
  EXPECT_EQ(w.c->chooserPath(), "");
}

// The library chosen last is kept in a small file; anything else in it is ignored, and a
// folder that has gone is not made again.
TEST(GuiSettings, TheLibraryChosenLastIsRememberedAndAGarbledFileIgnored) {
  velmtest::TempFolder home;
  const std::string file = (home.path() / "config" / "velm-host" / "gui.ini").string();
  std::string note, error;
  EXPECT_EQ(velmgui::StartLibrary("", file, &note), "library");
  const fs::path lib = home.path() / "my lib";
  fs::create_directory(lib);
  ASSERT_TRUE(velmgui::RememberLibrary(file, lib.string(), &error)) << error;
  EXPECT_EQ(velmgui::StartLibrary("", file, &note), lib.string());
  EXPECT_EQ(note, "");
  EXPECT_EQ(velmgui::StartLibrary("given", file, &note), "given");
  fs::remove(lib);
  EXPECT_EQ(velmgui::StartLibrary("", file, &note), "library");
  EXPECT_NE(note.find(lib.string()), std::string::npos);
  EXPECT_FALSE(fs::exists(lib));

  const std::string garbled[] = {"library=relative/path\n",
                                 "library=/a\x01"
                                 "b\n",
                                 "library=/\xff\xfe\n",
                                 std::string("library=/a\0b\n", 13),
                                 "\x89PNG\r\n\x1a\n",
                                 std::string(70000, 'x') + "\nlibrary=/tmp\n"};
  for (const std::string& text : garbled) {
    Write(file, text);
    EXPECT_EQ(velmgui::RememberedLibrary(file), "") << text.substr(0, 20);
  }
  fs::remove(file);
  fs::create_directory(file);  // a folder in its place
  EXPECT_EQ(velmgui::RememberedLibrary(file), "");
}

}  // namespace

// A read that left something out, or read some of it only in part, makes the file one
// that saving over would lose from, even when this program wrote it.
TEST(GuiDocument, AFileReadWithLossesIsNotSafeToOverwrite) {
  hostsim::SvgDocument svg;
  svg.scene = {{"layers", {{{"name", "Layer 1"}, {"current", true}, {"art", json::array()}}}}};
  EXPECT_TRUE(velmgui::DescribeSvg("own.svg", svg).faithful());
  hostsim::SvgDocument dropped = svg, partial = svg;
  dropped.report.dropped["filter"] = 1;
  partial.report.notes.push_back("a gradient read in part");
  for (const hostsim::SvgDocument* read : {&dropped, &partial}) {
    const velmgui::DocumentSource source = velmgui::DescribeSvg("own.svg", *read);
    EXPECT_FALSE(source.foreign);
    EXPECT_FALSE(source.faithful());
    EXPECT_EQ(velmgui::DecideSave(source, true), SaveStep::kAskLoss);
    EXPECT_NE(velmgui::LossText(source), "");
  }
}

// Selecting art changes nothing worth saving: no mark in the title, no question on quitting.
TEST(GuiDocument, ASelectionIsNoChange) {
  Window w;
  w.OpenOwnSvg("doc.svg");
  hostsim::Document& doc = w.session->document();
  for (hostsim::Layer* layer : doc.layers())
    for (hostsim::Art* art : layer->group->children)
      doc.Select(art, true);
  EXPECT_EQ(w.c->Title(), "doc.svg \u2014 VELM-Pro");
  w.c->RequestQuit();
  EXPECT_FALSE(w.c->asking());
  EXPECT_TRUE(w.c->TakeQuit());
}

// The Save offered before quitting or opening another document keeps the document: a
// picture is refused there, the chooser stays open, and the next name is asked for.
TEST(GuiDocument, TheSaveBeforeQuittingOrOpeningRefusesAPicture) {
  Window w;
  Write(w.At("other.svg"), kForeignSvg);
  ASSERT_TRUE(w.c->OpenDocument(w.At("other.svg")));
  w.Edit();
  w.c->RequestQuit();
  w.c->QuestionKey(Key::kReturn);  // Save: the file would lose its mask
  ASSERT_TRUE(w.c->asking());
  w.c->QuestionKey(Key::kReturn);  // Save As...
  for (int attempt = 0; attempt < 2; ++attempt) {
    ASSERT_TRUE(w.c->choosing());
    w.Type(w.At("look.png"));
    w.c->ChooserKey(Key::kReturn);
    EXPECT_FALSE(w.c->TakeQuit());
    EXPECT_FALSE(fs::exists(w.At("look.png")));
    EXPECT_TRUE(w.c->choosing());
    EXPECT_TRUE(w.c->modified());
    EXPECT_NE(w.c->TakeStatus().find("a picture does not keep the document"), std::string::npos);
    if (attempt == 1) break;
    // The same through Open.
    w.c->ChooserKey(Key::kEscape);
    w.c->RunCommand(Command::kOpen);
    w.Type(w.At("star.svg"));
    w.c->ChooserKey(Key::kReturn);
    w.c->QuestionKey(Key::kReturn);  // Save
    w.c->QuestionKey(Key::kReturn);  // Save As...
  }
  EXPECT_EQ(w.c->source().path, w.At("other.svg"));
  while (!w.c->chooserPath().empty())
    w.c->ChooserKey(Key::kBackspace);
  w.Type(w.At("kept.svg"));
  w.c->ChooserKey(Key::kReturn);
  EXPECT_EQ(w.c->source().path, w.At("star.svg"));  // saved, then opened
  EXPECT_TRUE(fs::exists(w.At("kept.svg")));
}

// A question about a file whose name is no UTF-8 (continuation bytes only) still breaks
// into lines.
TEST(GuiDocument, AQuestionWrapsANameThatIsNoUtf8) {
  const std::string name(80, '\xB0');
  const std::vector<std::string> lines = velmgui::WrapLines("Replace " + name + "?");
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), 78u);
    joined += line;
  }
  EXPECT_EQ(joined, "Replace" + name + "?");
}

// On the document the arrows move the selected art (Shift: ten points) and Delete removes
// it, each press one step that Undo takes back.
TEST(GuiDocument, ArrowsNudgeAndDeleteRemovesTheSelection) {
  Window w;
  w.OpenOwnSvg("doc.svg");
  w.Edit();  // the dropped star, selected
  hostsim::Document& doc = w.session->document();
  const auto selected = [&] {
    std::vector<hostsim::Art*> art;
    for (hostsim::Layer* layer : doc.layers())
      for (hostsim::Art* a : layer->group->children)
        if (a->alive && (a->attributes & host::kArtSelected)) art.push_back(a);
    return art;
  };
  ASSERT_EQ(selected().size(), 1u);
  const std::string id = selected()[0]->id;
  const auto bounds = [&] {
    host::RealRect b{};
    EXPECT_TRUE(hostsim::ArtBounds(doc, doc.FindById(id), &b));
    return b;
  };
  const host::RealRect start = bounds();
  w.c->KeyPress(Key::kRight);
  w.c->KeyPress(Key::kUp, true);
  EXPECT_FLOAT_EQ(bounds().left, start.left + 1);
  EXPECT_FLOAT_EQ(bounds().top, start.top + 10);
  w.c->KeyPress(Key::kUndo);
  EXPECT_EQ(w.c->TakeStatus(), "undid Move");
  EXPECT_FLOAT_EQ(bounds().top, start.top);
  EXPECT_FLOAT_EQ(bounds().left, start.left + 1);
  w.c->KeyPress(Key::kDelete);
  EXPECT_EQ(doc.FindById(id), nullptr);
  EXPECT_TRUE(selected().empty());
  w.c->KeyPress(Key::kDelete);  // nothing selected: refused
  EXPECT_EQ(w.c->TakeStatus(), "select art to delete");
  w.c->KeyPress(Key::kUndo);
  ASSERT_NE(doc.FindById(id), nullptr);
  EXPECT_FLOAT_EQ(bounds().left, start.left + 1);
}

// The chooser's caret: Left, Right, Home and End move it; typing, Backspace and Delete
// work there, by UTF-8 character.
TEST(GuiChooser, TheCaretMovesAndEditsInThePath) {
  Window w;
  w.c->RunCommand(Command::kOpen);
  w.Type("ab");
  w.c->ChooserKey(Key::kLeft);
  w.c->ChooserText("月");
  w.c->ChooserKey(Key::kHome);
  w.c->ChooserText("/");
  w.c->ChooserKey(Key::kEnd);
  w.c->ChooserKey(Key::kLeft);
  w.c->ChooserKey(Key::kLeft);
  EXPECT_EQ(w.c->chooserCaret(), 2u);
  w.c->ChooserKey(Key::kDelete);  // 月 goes whole
  EXPECT_EQ(w.c->chooserPath(), "/ab");
  w.c->ChooserKey(Key::kRight);
  w.c->ChooserKey(Key::kBackspace);
  EXPECT_EQ(w.c->chooserPath(), "/a");
  EXPECT_EQ(w.c->chooserCaret(), 2u);
}

// The question frames its default button (the safe answer) in black, wherever the focus is.
TEST(GuiDocument, TheQuestionFramesItsDefaultButton) {
  Window w;
  w.OpenOwnSvg("doc.svg");
  w.Edit();
  w.c->RequestQuit();
  ASSERT_TRUE(w.c->asking());
  for (int tab = 0; tab < 2; ++tab) {
    w.c->Refresh();
    for (std::size_t i = 0; i < 3; ++i) {
      const host::Rect r = velmgui::QuestionButtonRect(i, 3);
      const bool framed = w.c->screen().Pixel(r.left + 1, (r.top + r.bottom) / 2) == 0;
      EXPECT_EQ(framed, static_cast<int>(i) == w.c->questionDefault()) << i;
    }
    w.c->QuestionKey(Key::kTab);
  }
  EXPECT_EQ(w.c->questionDefault(), 0);
}
