// The window's document as a file: opening it with what its format is and what reading it
// left out, saving it back in that format (asking first where that would replace a file
// another program wrote or lose what the reader could not carry), Save As (asking before
// any file is replaced), and the question about unsaved changes before the window closes,
// another document opens or another library is chosen.
#include "gui_document.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <system_error>
#include <utility>

#include "gui_controller.h"
#include "gui_draw.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg_writer.h"

namespace velmgui {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr char kProgram[] = "VELM-Pro";
// The question: a panel in the middle of the screen, its text above a row of buttons.
constexpr host::Rect kPanel{370, 250, 910, 420};
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 22;
constexpr int kButtonGap = 10;
constexpr std::size_t kLineChars = 78;  // characters a line of the panel holds

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string FileName(const std::string& path) {
  const std::string name = fs::path(path).filename().string();
  return name.empty() ? path : name;
}

void Unselect(json& node) {
  if (node.is_object()) {
    node.erase("selected");
    for (auto& [key, value] : node.items())
      Unselect(value);
  } else if (node.is_array()) {
    for (json& v : node)
      Unselect(v);
  }
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

bool Inside(const host::Rect& r, host::Point p) {
  return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

}  // namespace

host::Rect QuestionButtonRect(std::size_t index, std::size_t count) {
  const int right =
      kPanel.right - 12 - static_cast<int>(count - 1 - index) * (kButtonWidth + kButtonGap);
  return {right - kButtonWidth, kPanel.bottom - 12 - kButtonHeight, right, kPanel.bottom - 12};
}

std::vector<std::string> WrapLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = text.find(' ', i);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(i, end - i);
    i = end + 1;
    while (word.size() > kLineChars) {
      std::size_t cut = kLineChars;
      while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80)
        --cut;
      // Bytes that are no UTF-8 (a file name in another encoding) may have no character
      // boundary to back up to: cut them where the line ends.
      if (cut == 0) cut = kLineChars;
      if (!line.empty()) lines.push_back(std::exchange(line, {}));
      lines.push_back(word.substr(0, cut));
      word.erase(0, cut);
    }
    if (!line.empty() && line.size() + 1 + word.size() > kLineChars)
      lines.push_back(std::exchange(line, {}));
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

DocFormat FormatOf(const std::string& path) {
  const std::string ext = Lower(fs::path(path).extension().string());
  if (ext == ".json") return DocFormat::kScene;
  if (ext == ".svg") return DocFormat::kSvg;
  if (ext == ".svgz") return DocFormat::kCompressedSvg;
  if (ext == ".png") return DocFormat::kPicture;
  return DocFormat::kUnknown;
}

DocumentSource DescribeSvg(const std::string& path, const hostsim::SvgDocument& svg) {
  DocumentSource source;
  source.path = path;
  source.format =
      FormatOf(path) == DocFormat::kCompressedSvg ? DocFormat::kCompressedSvg : DocFormat::kSvg;
  // The reader gives back the layers this program wrote (each with its flags) only when
  // every top-level group carries its layer mark; any other file comes in as one layer.
  const json layers = svg.scene.value("layers", json::array());
  bool marked = !layers.empty();
  for (const json& layer : layers)
    marked = marked && layer.is_object() && layer.contains("current");
  source.foreign = !marked;
  source.dropped = svg.report.dropped;
  source.partial = svg.report.notes.size();
  return source;
}

SaveStep DecideSave(const DocumentSource& source, bool exists) {
  if (source.path.empty()) return SaveStep::kSaveAs;
  if (source.format != DocFormat::kScene && source.format != DocFormat::kSvg)
    return SaveStep::kSaveAs;
  if (!exists) return SaveStep::kWrite;
  if (!source.confirmed) return SaveStep::kAskReplace;
  if (!source.faithful()) return SaveStep::kAskLoss;
  return SaveStep::kWrite;
}

SaveStep DecideSaveAs(const DocumentSource& source, const std::string& target, bool exists,
                      bool same) {
  const DocFormat format = FormatOf(target);
  if (format == DocFormat::kCompressedSvg || format == DocFormat::kUnknown)
    return SaveStep::kRefuse;
  if (!exists) return SaveStep::kWrite;
  return same && !source.faithful() ? SaveStep::kAskLoss : SaveStep::kAskReplace;
}

std::string LossText(const DocumentSource& source) {
  std::string text;
  if (source.foreign)
    text = "It was not written by " + std::string(kProgram) +
           ": saved again, it holds only what the window shows (its own structure, comments, "
           "metadata and style sheets are gone).";
  if (!source.dropped.empty()) {
    std::string kinds;
    for (const auto& [kind, count] : source.dropped)
      kinds += (kinds.empty() ? "" : ", ") + kind + " (" + std::to_string(count) + ")";
    text += (text.empty() ? "" : " ") + std::string("What the window could not read is lost: ") +
            kinds + ".";
  }
  if (source.partial > 0)
    text += (text.empty() ? "" : " ") + std::to_string(source.partial) +
            (source.partial == 1 ? " place was" : " places were") + " read only in part.";
  return text;
}

std::string WindowTitle(const std::string& path, bool modified, const std::string& library) {
  return (modified ? "\u2022 " : "") + (path.empty() ? std::string("Untitled") : FileName(path)) +
         " \u2014 " + (library.empty() ? "" : library + " \u2014 ") + kProgram;
}

std::size_t DocumentFingerprint(hostsim::Document& document) {
  json scene = hostsim::WriteScene(document);
  scene.erase("view");
  Unselect(scene);
  return std::hash<std::string>{}(scene.dump());
}

// ---- The controller's document ----

std::vector<hostsim::Art*> ArtChainAt(hostsim::Document& doc, host::RealPoint p) {
  // The smallest of `candidates` whose bounds hold `p` (the topmost of equals).
  auto smallest = [&](const std::vector<hostsim::Art*>& candidates) -> hostsim::Art* {
    hostsim::Art* best = nullptr;
    double bestArea = -1;
    for (hostsim::Art* a : candidates) {
      host::RealRect b{};
      if (!a->alive || !hostsim::ArtBounds(doc, a, &b) || p.h < b.left || p.h > b.right ||
          p.v < b.bottom || p.v > b.top)
        continue;
      const double area = std::abs(static_cast<double>(b.right - b.left) * (b.top - b.bottom));
      if (!best || area < bestArea) {
        best = a;
        bestArea = area;
      }
    }
    return best;
  };
  std::vector<hostsim::Art*> chain;
  hostsim::Art* art = smallest(ArtAt(doc, p));
  while (art) {
    chain.push_back(art);
    if (art->type != host::kGroupArt) break;
    std::vector<hostsim::Art*> inside;
    for (hostsim::Art* child : art->children)
      if (!(art->clipped && child->style.clip)) inside.push_back(child);
    art = smallest(inside);
  }
  return chain;
}

hostsim::Art* PickArt(const std::vector<hostsim::Art*>& chain, bool alt, int clicks) {
  if (chain.empty()) return nullptr;
  if (alt) return chain.back();
  if (clicks < 2) return chain.front();
  // A selected group has its children selected with it: the outermost selected art counts.
  std::size_t level = 0;
  for (std::size_t i = 0; i < chain.size() && level == 0; ++i)
    if (chain[i]->attributes & host::kArtSelected) level = i + 1;
  return chain[std::min(level, chain.size() - 1)];
}

void Controller::SetSavePath(const std::string& path) {
  source_ = {};
  source_.path = path;
  source_.format = FormatOf(path);
  source_.confirmed = false;
}

void Controller::ResetBaseline() {
  hostsim::Document* doc = host().document();
  baseline_ = doc ? Baseline{doc, doc->editState(), doc->unrecordedChanges(), false} : Baseline{};
}

void Controller::CarryOver(bool modified) {
  ResetBaseline();
  baseline_.carried = modified;
}

bool Controller::modified() {
  const hostsim::Document* doc = host().document();
  if (!doc) return false;
  // Undoing back to where the document was opened or saved leaves it unmodified.
  return doc != baseline_.doc || baseline_.carried || doc->editState() != baseline_.state ||
         doc->unrecordedChanges() != baseline_.unrecorded;
}

std::string Controller::Title() {
  return WindowTitle(source_.path, modified(), library_);
}

bool Controller::OpenDocument(const std::string& path) {
  if (!LoadDocument(path)) return false;
  SelectionChanged();
  return true;
}

bool Controller::LoadDocument(const std::string& path) {
  std::string error;
  json scene;
  DocumentSource source;
  if (hostsim::IsSvgPath(path)) {
    hostsim::SvgDocument svg;
    if (!hostsim::ReadSvgFile(path, &svg, &error)) {
      Beep(error);
      return false;
    }
    source = DescribeSvg(path, svg);
    scene = std::move(svg.scene);
  } else {
    // Any other name is read as a scene, and saved as one.
    if (!hostsim::LoadSceneJson(path, &scene, &error)) {
      Beep(error);
      return false;
    }
    source.path = path;
  }
  if (!hostsim::OpenScene(host(), scene, &error)) {
    Beep(error);
    return false;
  }
  source_ = std::move(source);
  revertPath_ = path;
  ResetBaseline();
  status_ = "opened " + path;
  if (!source_.dropped.empty() || source_.partial > 0) {
    DocumentSource read = source_;
    read.foreign = false;  // told when a save would replace it
    status_ += ". " + LossText(read);
  }
  needsRepaint_ = true;
  return true;
}

void Controller::Revert() {
  if (revertPath_.empty()) {
    std::string error;
    hostsim::OpenScene(host(), {{"layers", {{{"name", "Layer 1"}, {"art", json::array()}}}}},
                       &error);
    ResetBaseline();
    return;
  }
  // Read again; where Ctrl+S writes stays as it was.
  const DocumentSource keep = source_;
  if (OpenDocument(revertPath_)) source_ = keep;
}

void Controller::Ask(std::string text, std::vector<std::string> buttons, int safe, int cancel,
                     std::function<void(int)> answer) {
  std::string choices;
  for (const std::string& b : buttons)
    choices += (choices.empty() ? "" : " / ") + b;
  question_ = {true, std::move(text), std::move(buttons), safe, cancel, std::move(answer), safe};
  status_ = "question: " + question_.text + " (" + choices + ")";
  statusIsError_ = false;
  needsRepaint_ = true;
}

void Controller::QuestionKey(Key key, bool shift) {
  if (!question_.open) return;
  const int count = static_cast<int>(question_.buttons.size());
  int pressed = -1;
  switch (key) {
    case Key::kReturn:
      pressed = question_.focus;
      break;
    case Key::kEscape:
      pressed = question_.cancel;
      break;
    case Key::kLeft:
    case Key::kUp:
      question_.focus = (question_.focus + count - 1) % count;
      break;
    case Key::kRight:
    case Key::kDown:
      question_.focus = (question_.focus + 1) % count;
      break;
    case Key::kTab:
      question_.focus = (question_.focus + (shift ? count - 1 : 1)) % count;
      break;
    default:
      break;
  }
  needsRepaint_ = true;
  if (pressed < 0) return;
  Question q = std::exchange(question_, {});
  q.answer(pressed);
}

bool Controller::QuestionClick(host::Point p) {
  if (!question_.open) return false;
  needsRepaint_ = true;
  for (std::size_t i = 0; i < question_.buttons.size(); ++i)
    if (Inside(QuestionButtonRect(i, question_.buttons.size()), p)) {
      Question q = std::exchange(question_, {});
      q.answer(static_cast<int>(i));
      return true;
    }
  return Inside(kPanel, p);
}

void Controller::DrawQuestion() {
  if (!question_.open) return;
  hostsim::Bitmap& s = screen();
  s.Fill(kPanel, 0xD4D0C8);
  Frame(s, kPanel, 0x404040);
  int y = kPanel.top + 10;
  for (const std::string& line : WrapLines(question_.text)) {
    if (y > kPanel.bottom - 50) break;
    Text(s, kPanel.left + 12, y, line, 0x000000, kPanel);
    y += 16;
  }
  for (std::size_t i = 0; i < question_.buttons.size(); ++i) {
    const host::Rect r = QuestionButtonRect(i, question_.buttons.size());
    s.Fill(r, 0xFFFFFF);
    Frame(s, r, 0x404040);
    if (static_cast<int>(i) == question_.safe) {  // the default: a dark double frame
      Frame(s, r, 0x000000);
      Frame(s, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, 0x000000);
    }
    if (static_cast<int>(i) == question_.focus)
      Frame(s, {r.left - 2, r.top - 2, r.right + 2, r.bottom + 2}, 0x3050C0);
    Text(s, r.left + 8, r.top + 4, question_.buttons[i], 0x000000, r);
  }
}

void Controller::Guard(After after, std::string path) {
  if (!modified()) {
    Proceed(after, path);
    return;
  }
  const std::string name = source_.path.empty() ? "Untitled" : FileName(source_.path);
  const std::string before = after == After::kQuit   ? "before closing"
                             : after == After::kOpen ? "before opening " + FileName(path)
                                                     : "before changing the library";
  Ask("Save the changes to " + name + " " + before + "?", {"Save", "Discard", "Cancel"}, 0, 2,
      [this, after, path](int button) {
        if (button == 0) {
          SaveThen(after, path);
        } else if (button == 1) {
          // The library is changed with the document carried over: as it was saved.
          if (after == After::kLibrary) Revert();
          Proceed(after, path);
        } else {
          status_ = "cancelled: nothing was saved or discarded";
        }
      });
}

void Controller::Proceed(After after, const std::string& path) {
  switch (after) {
    case After::kQuit:
      quit_ = true;
      break;
    case After::kOpen:
      if (OpenDocument(path)) chooser_.open = false;
      break;
    case After::kLibrary:
      libraryRequest_ = path;
      chooser_.open = false;
      break;
    case After::kNothing:
      break;
  }
  needsRepaint_ = true;
}

void Controller::AskCreateLibrary(const std::string& path) {
  // A folder typed by mistake (a name added to the path proposed, a Backspace too many)
  // would become an empty library: asked first, Cancel the default.
  Ask("The folder " + path + " does not exist. Create it as a new, empty library?",
      {"Create", "Cancel"}, 1, 1, [this, path](int button) {
        if (button == 0)
          Guard(After::kLibrary, path);
        else
          status_ = "no folder was created";
      });
}

void Controller::RequestQuit() {
  chooser_.open = false;
  question_ = {};
  Guard(After::kQuit, "");
}

void Controller::Save() {
  SaveThen(After::kNothing, "");
  needsRepaint_ = true;
}

void Controller::OpenSaveAsChooser(After after, std::string then) {
  RunCommand(Command::kSaveAs);
  pendingAfter_ = after;
  pendingPath_ = std::move(then);
}

void Controller::SaveThen(After after, std::string then) {
  if (!host().document()) {
    Beep("no document to save");
    return;
  }
  const std::string name = FileName(source_.path);
  switch (DecideSave(source_, Exists(source_.path))) {
    case SaveStep::kSaveAs:
      OpenSaveAsChooser(after, std::move(then));
      status_ = source_.path.empty()
                    ? "the document has no file yet: save as: type the file's path"
                    : name +
                          " is in a format the window cannot write back: save as: type the "
                          "file's path (.json, .svg or .png)";
      return;
    case SaveStep::kAskReplace:
      Ask(source_.path + " already exists. Replace it?", {"Replace", "Cancel"}, 1, 1,
          [this, after, then](int button) {
            if (button != 0)
              status_ = "not saved";
            else if (WriteDocument(source_.path, source_.format, true))
              Proceed(after, then);
          });
      return;
    case SaveStep::kAskLoss:
      Ask("Saving replaces " + name + ". " + LossText(source_) +
              " Save under another name, or replace it anyway?",
          {"Save As...", "Replace", "Cancel"}, 0, 2, [this, after, then](int button) {
            if (button == 0)
              OpenSaveAsChooser(after, then);
            else if (button == 1 && WriteDocument(source_.path, source_.format, true))
              Proceed(after, then);
            else if (button == 2)
              status_ = "not saved";
          });
      return;
    case SaveStep::kWrite:
    case SaveStep::kRefuse:
      if (WriteDocument(source_.path, source_.format, true)) Proceed(after, then);
      return;
  }
}

bool Controller::SaveAs(const std::string& path) {
  return SaveAsThen(path, After::kNothing, "");
}

bool Controller::SaveAsThen(const std::string& path, After after, std::string then) {
  const DocFormat format = FormatOf(path);
  const bool exists = Exists(path);
  const bool same = exists && SameFile(path, source_.path);
  const bool becomesSource = format != DocFormat::kPicture;
  if (!becomesSource && after != After::kNothing) {
    // The save stands before quitting or opening another document: an export would leave
    // the changes saved nowhere. The chooser stays open for another name.
    Beep("a picture does not keep the document: type a name ending in .json or .svg");
    return false;
  }
  switch (DecideSaveAs(source_, path, exists, same)) {
    case SaveStep::kRefuse:
      Beep(format == DocFormat::kCompressedSvg
               ? "the window does not write compressed SVG: name the file .svg"
               : "type a name ending in .json (a scene), .svg (SVG) or .png (a picture)");
      return false;
    case SaveStep::kAskReplace:
    case SaveStep::kAskLoss: {
      std::string text = path + " already exists. Replace it?";
      if (same && !source_.faithful()) text += " " + LossText(source_);
      // The default is Cancel: a Return too many in the chooser never replaces a file.
      Ask(text, {"Replace", "Cancel"}, 1, 1,
          [this, path, format, becomesSource, after, then](int b) {
            if (b != 0) {
              status_ = "not saved: " + path + " is unchanged";
            } else if (WriteDocument(path, format, becomesSource)) {
              chooser_.open = false;
              Proceed(after, then);
            }
          });
      return false;
    }
    case SaveStep::kWrite:
    case SaveStep::kSaveAs:
      if (!WriteDocument(path, format, becomesSource)) return false;
      chooser_.open = false;
      Proceed(after, then);
      return true;
  }
  return false;
}

bool Controller::WriteDocument(std::string path, DocFormat format, bool becomesSource) {
  hostsim::Document* doc = host().document();
  std::string error;
  bool written = false;
  if (!doc) {
    error = "no document";
  } else if (format == DocFormat::kScene) {
    written = hostsim::WriteSceneFile(*doc, path, &error);
  } else if (format == DocFormat::kSvg) {
    written = hostsim::WriteSvgFile(*doc, path, &error);
  } else if (format == DocFormat::kPicture) {
    written = hostsim::RenderDocumentToFile(*doc, path, hostsim::RenderOptions{}, &error);
  } else {
    error = "no format to write it in";
  }
  if (!written) {
    pendingAfter_ = After::kNothing;
    Beep("not saved: " + (error.empty() ? path + " cannot be written" : error));
    return false;
  }
  if (!becomesSource) {
    status_ = "exported " + path + " as a picture";
    return true;
  }
  source_ = {};
  source_.path = path;
  source_.format = format;
  revertPath_ = path;
  ResetBaseline();
  status_ = "saved " + path + (format == DocFormat::kSvg ? " as SVG" : " as a scene");
  return true;
}

}  // namespace velmgui
