#include "session_script.h"

#include "action_steps.h"

#include <cmath>
#include <cstdlib>
#include <istream>
#include <memory>
#include <ostream>
#include <sstream>
#include <vector>

#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "palette/palette_window.h"
#include "platform/sjis_forms.h"
#include "plugin_session.h"

namespace velmsession {
namespace fs = std::filesystem;

namespace {

constexpr char kMenuItemName[] = "AI-PELKAN Info Group";
// The tracker's clock advances this much between two steps, more than a double click's
// time, so that presses in separate steps are separate clicks.
constexpr std::uint32_t kStepTime = 2500;
constexpr std::uint32_t kDoubleClickGap = 300;
// The most timer periods one `tick` lets pass: an hour of the host's clock (60 ticks a
// second, 30 a period).
constexpr std::int32_t kMostPeriods = 7200;

// A line cut into words; "quoted text" (with \" and \\) is one word.
bool Words(const std::string& line, std::vector<std::string>* words, std::string* error) {
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          word += line[i++];
          continue;
        }
        word += c;
      }
      if (!closed) {
        *error = "a quoted text is not closed";
        return false;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        word += line[i++];
    }
    words->push_back(word);
  }
  return true;
}

bool Integer(const std::string& text, std::int32_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < -1000000000L || v > 1000000000L) return false;
  *value = static_cast<std::int32_t>(v);
  return true;
}

// The farthest a point of a step may lie from the origin, in points or screen pixels:
// far beyond any canvas or screen, and still a whole number of pixels at any zoom.
constexpr double kPointLimit = 100000;

bool Pair(const std::string& text, double* x, double* y) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  char* end = nullptr;
  const std::string a = text.substr(0, comma), b = text.substr(comma + 1);
  *x = std::strtod(a.c_str(), &end);
  if (a.empty() || *end != '\0') return false;
  *y = std::strtod(b.c_str(), &end);
  // Comparisons written so that NaN fails them.
  return !b.empty() && *end == '\0' && std::fabs(*x) <= kPointLimit && std::fabs(*y) <= kPointLimit;
}

// One queued answer to the next modal dialog.
struct DialogStep {
  int line = 0;
  std::vector<std::string> words;  // after "dialog"
};

class Runner {
 public:
  Runner(const ScriptOptions& options, std::ostream& log) : options_(options), log_(log) {}
  ~Runner() { session_.reset(); }

  bool Step(int line, const std::vector<std::string>& w, std::string* error);
  // What is still open when the script ends.
  bool Finish(std::string* error);

 private:
  bool Start(std::string* error);
  hostsim::Host& host() { return session_->host(); }
  hostsim::Dialog* Palette(std::string* error);
  fs::path Out(const std::string& name) const;
  fs::path In(const std::string& name) const;
  // Repaints the desktop (document and palettes) as the host does when it is idle.
  void Repaint();
  bool Screenshot(const std::string& file, std::string* error);
  bool Track(hostsim::Dialog& palette, std::int32_t entry, std::int32_t action, host::Point screen,
             std::string* error);
  bool EntryCenter(hostsim::Dialog& palette, std::int32_t entry, host::Point* screen,
                   std::string* error);
  bool ArtworkToScreen(double x, double y, host::Point* screen, std::string* error);
  bool DialogAction(hostsim::Dialog& d, const DialogStep& step, std::string* error);
  bool QueueAnswer(std::string* error);

  ScriptOptions options_;
  std::ostream& log_;
  std::unique_ptr<PluginSession> session_;
  std::uint32_t clock_ = 10000;
  std::vector<DialogStep> answer_;
  // Lines of answers queued but not yet taken by a dialog.
  std::vector<int> queuedAnswers_;
  std::string dialogError_;
  std::int32_t grabbed_ = -1;
  host::Point grabPoint_{0, 0};
};

fs::path Runner::Out(const std::string& name) const {
  const fs::path p(name);
  return p.is_absolute() ? p : options_.out / p;
}

fs::path Runner::In(const std::string& name) const {
  const fs::path p(name);
  return p.is_absolute() ? p : options_.input / p;
}

bool Runner::Start(std::string* error) {
  session_.reset();
  session_ = PluginSession::Open(options_.library, false, error);
  if (!session_) return false;
  if (!options_.scene.empty() && !session_->OpenScene(options_.scene.string(), error)) return false;
  session_->StartApplication();
  Repaint();
  return true;
}

hostsim::Dialog* Runner::Palette(std::string* error) {
  hostsim::Dialog* d = host().dialogs().FindFloating(velm::kPaletteName);
  if (!d || !d->visible()) {
    *error = "the palette is not shown";
    return nullptr;
  }
  return d;
}

void Runner::Repaint() {
  hostsim::Desktop& desktop = host().desktop();
  desktop.Repaint(host().document());
  host().dialogs().PaintFloating(&desktop.screen());
}

bool Runner::Screenshot(const std::string& file, std::string* error) {
  const fs::path path = Out(file);
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (!host().desktop().screen().WritePng(path.string(), error)) return false;
  log_ << "  screen saved as " << path.string() << "\n";
  return true;
}

bool Runner::EntryCenter(hostsim::Dialog& palette, std::int32_t entry, host::Point* screen,
                         std::string* error) {
  host::Rect r{};
  // The user scrolls an entry into view before pointing at it.
  if (!palette.ShowEntry(velm::kRecordListItem, entry) ||
      !palette.EntryScreenRect(velm::kRecordListItem, entry, &r)) {
    *error = "the record list has no entry " + std::to_string(entry);
    return false;
  }
  *screen = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  return true;
}

bool Runner::Track(hostsim::Dialog& palette, std::int32_t entry, std::int32_t action,
                   host::Point screen, std::string* error) {
  host::Rect r{};
  // The user scrolls an entry into view before pointing at it.
  if (!palette.ShowEntry(velm::kRecordListItem, entry) ||
      !palette.EntryScreenRect(velm::kRecordListItem, entry, &r)) {
    *error = "the record list has no entry " + std::to_string(entry);
    return false;
  }
  host().desktop().SetCursorPosition(screen);
  clock_ += 20;
  if (!palette.TrackEntry(velm::kRecordListItem, entry, action,
                          {screen.h - r.left, screen.v - r.top}, clock_)) {
    *error = palette.lastError();
    return false;
  }
  return true;
}

bool Runner::ArtworkToScreen(double x, double y, host::Point* screen, std::string* error) {
  hostsim::Document* doc = host().document();
  const hostsim::Window* window = host().desktop().documentWindow();
  if (!doc || doc->views().empty() || !window) {
    *error = "there is no document window";
    return false;
  }
  const host::Point client =
      doc->views().front()->ToView({static_cast<host::Real>(x), static_cast<host::Real>(y)});
  *screen = {window->client.left + client.h, window->client.top + client.v};
  return true;
}

bool Runner::DialogAction(hostsim::Dialog& d, const DialogStep& step, std::string* error) {
  const std::vector<std::string>& w = step.words;
  std::int32_t item = 0;
  if (w.size() >= 2 && w[0] == "screenshot") {
    host().dialogs().PaintModal(&host().desktop().screen(), d);
    return Screenshot(w[1], error);
  }
  if (w.size() < 2 || !Integer(w[1], &item)) {
    *error = "a dialog step names an item by its number";
    return false;
  }
  if (!d.FindItem(item)) {
    *error = "dialog \"" + hostsim::ToUtf8(d.title()) + "\" has no item " + w[1];
    return false;
  }
  if (w[0] == "type" && w.size() == 3) {
    const std::string sjis = hostsim::ToSjis(w[2]);
    if (hostsim::ToUtf8(sjis) != velm::platform::ToWindowsForms(w[2])) {
      *error = "\"" + w[2] + "\" cannot be written in Shift-JIS";
      return false;
    }
    d.Type(item, sjis);
    return true;
  }
  if (w[0] == "choose" && w.size() == 3) {
    std::int32_t index = 0;
    if (!Integer(w[2], &index)) {
      for (const std::string& text : d.EntryTexts(item)) {
        if (hostsim::ToUtf8(text) == velm::platform::ToWindowsForms(w[2])) break;
        ++index;
      }
    }
    if (!d.Choose(item, index)) {
      *error = "item " + w[1] + " has no entry " + w[2];
      return false;
    }
    return true;
  }
  if (w[0] == "check" && w.size() == 3 && (w[2] == "on" || w[2] == "off")) {
    d.FindItem(item)->SetOn(w[2] == "on");
    return true;
  }
  if (w[0] == "press" && w.size() == 2) {
    if (!d.FindItem(item)->enabled()) {
      *error = "item " + w[1] + " of dialog \"" + hostsim::ToUtf8(d.title()) + "\" is disabled";
      return false;
    }
    d.Press(item);
    return true;
  }
  *error = "unknown dialog step \"" + w[0] + "\"";
  return false;
}

bool Runner::QueueAnswer(std::string* error) {
  (void)error;
  std::vector<DialogStep> steps = std::move(answer_);
  answer_.clear();
  queuedAnswers_.push_back(steps.empty() ? 0 : steps.front().line);
  host().dialogs().QueueModal([this, steps](hostsim::Dialog& d) {
    queuedAnswers_.erase(queuedAnswers_.begin());
    log_ << "  dialog \"" << hostsim::ToUtf8(d.title()) << "\" answered\n";
    for (const DialogStep& step : steps) {
      std::string why;
      if (!DialogAction(d, step, &why)) {
        if (dialogError_.empty()) dialogError_ = "line " + std::to_string(step.line) + ": " + why;
        break;
      }
      if (d.ended()) break;
    }
    if (!d.ended()) {
      if (dialogError_.empty())
        dialogError_ = "line " + std::to_string(steps.empty() ? 0 : steps.back().line) +
                       ": the answer left dialog \"" + hostsim::ToUtf8(d.title()) + "\" open";
      d.End(-1, true);
    }
  });
  return true;
}

bool Runner::Step(int line, const std::vector<std::string>& w, std::string* error) {
  const std::string& verb = w[0];
  const auto argc = w.size() - 1;
  if (verb == "library" && argc == 1) {
    // A library is written to: a relative one goes under the output folder.
    options_.library = Out(w[1]);
    return true;
  }
  if (verb == "scene" && argc == 1 && !session_) {
    options_.scene = In(w[1]);
    return true;
  }
  if (verb == "start" && argc == 0) {
    if (session_) {
      *error = "the host is running already";
      return false;
    }
    return Start(error);
  }
  if (verb == "dialog") {
    if (argc < 1) {
      *error = "a dialog step says what to do";
      return false;
    }
    answer_.push_back({line, std::vector<std::string>(w.begin() + 1, w.end())});
    // A press ends the answer to one dialog.
    if (w[1] == "press") return QueueAnswer(error);
    return true;
  }
  if (verb == "stop" && argc == 0 && session_) {
    // The plug-in shuts down and the host ends; a later start begins a new one.
    session_.reset();
    return true;
  }
  if (!session_) {
    *error = "the host is not running (start it first)";
    return false;
  }
  hostsim::Document* doc = host().document();
  clock_ += kStepTime;

  bool done = false;
  if (verb == "tick") {
    std::int32_t n = 1;
    if (argc > 1 || (argc == 1 && (!Integer(w[1], &n) || n < 1 || n > kMostPeriods))) {
      *error = "tick takes a count of timer periods from 1 to " + std::to_string(kMostPeriods) +
               " (an hour)";
      return false;
    }
    // The host redraws what changed before and after the ticks; a tick that changed
    // nothing leaves the screen as the plug-in drew it (the hover label).
    if (host().dialogs().AnyDirty()) Repaint();
    session_->Tick(n);
    if (host().dialogs().AnyDirty()) Repaint();
    return true;
  } else if (verb == "menu" && argc == 0) {
    if (!session_->ChooseMenuItem(kMenuItemName)) {
      *error = "the host has no menu item " + std::string(kMenuItemName);
      return false;
    }
    done = true;
  } else if (verb == "scene" && argc == 1) {
    done = session_->OpenScene(In(w[1]).string(), error);
    if (!done) return false;
  } else if (verb == "select" && argc == 1) {
    if (!doc) {
      *error = "no document is open";
      return false;
    }
    doc->DeselectAll();
    if (w[1] != "none") {
      std::stringstream ids(w[1]);
      for (std::string id; std::getline(ids, id, ',');) {
        hostsim::Art* art = doc->FindById(id);
        if (!art) {
          *error = "the document has no art with the id \"" + id + "\"";
          return false;
        }
        doc->Select(art, true);
      }
    }
    done = true;
  } else if ((verb == "press" || verb == "double-click" || verb == "grab") && argc == 1) {
    hostsim::Dialog* palette = Palette(error);
    std::int32_t entry = 0;
    host::Point p{};
    if (!palette || !Integer(w[1], &entry) || !EntryCenter(*palette, entry, &p, error)) {
      if (error->empty()) *error = "which entry?";
      return false;
    }
    if (!Track(*palette, entry, host::kTrackMouseDown, p, error)) return false;
    if (verb == "grab") {
      grabbed_ = entry;
      grabPoint_ = p;
      Repaint();  // the selection shows before the drag draws its outline
      return true;
    }
    if (!Track(*palette, entry, host::kTrackMouseUp, p, error)) return false;
    if (verb == "double-click") {
      clock_ += kDoubleClickGap;
      if (!Track(*palette, entry, host::kTrackMouseDown, p, error)) return false;
      // The dialog the second press opened may have moved the record out of the list.
      host::Rect r{};
      if (palette->EntryScreenRect(velm::kRecordListItem, entry, &r) &&
          !Track(*palette, entry, host::kTrackMouseUp, p, error))
        return false;
    }
    done = true;
  } else if ((verb == "drag-to" && argc >= 1) || (verb == "drop" && argc == 0) ||
             (verb == "drag" && argc >= 2)) {
    hostsim::Dialog* palette = Palette(error);
    if (!palette) return false;
    std::size_t first = 1;
    if (verb == "drag") {
      std::int32_t entry = 0;
      host::Point p{};
      if (!Integer(w[1], &entry) || !EntryCenter(*palette, entry, &p, error) ||
          !Track(*palette, entry, host::kTrackMouseDown, p, error)) {
        if (error->empty()) *error = "which entry?";
        return false;
      }
      grabbed_ = entry;
      grabPoint_ = p;
      first = 2;
    }
    if (grabbed_ < 0) {
      *error = "no entry is held (grab one first)";
      return false;
    }
    for (std::size_t i = first; i < w.size() && verb != "drop"; ++i) {
      double x = 0, y = 0;
      if (!Pair(w[i], &x, &y)) {
        *error = "\"" + w[i] + "\" is not a point X,Y (each at most 100000 from 0)";
        return false;
      }
      if (!ArtworkToScreen(x, y, &grabPoint_, error) ||
          !Track(*palette, grabbed_, host::kTrackMouseMovedDown, grabPoint_, error))
        return false;
    }
    if (verb == "drag-to") return true;  // the outline stays on the screen
    if (!Track(*palette, grabbed_, host::kTrackMouseUp, grabPoint_, error)) return false;
    grabbed_ = -1;
    done = true;
  } else if (verb == "hover" && argc == 1) {
    hostsim::Dialog* palette = Palette(error);
    std::int32_t entry = 0;
    host::Point p{};
    double x = 0, y = 0;
    if (Pair(w[1], &x, &y)) {
      p = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
    } else if (!palette || !Integer(w[1], &entry) || !EntryCenter(*palette, entry, &p, error)) {
      if (error->empty()) *error = "hover over an entry number or a screen point X,Y";
      return false;
    }
    host().desktop().SetCursorPosition(p);
    return true;
  } else if (verb == "scroll" && argc == 1) {
    hostsim::Dialog* palette = Palette(error);
    std::int32_t rows = 0;
    if (!palette) return false;
    if (!Integer(w[1], &rows)) {
      *error = "scroll takes a number of rows (negative: up)";
      return false;
    }
    palette->ScrollList(velm::kRecordListItem, rows);
    done = true;
  } else if (verb == "click" && argc == 1 && (w[1] == "add" || w[1] == "remove")) {
    hostsim::Dialog* palette = Palette(error);
    if (!palette) return false;
    const std::int32_t id = w[1] == "add" ? velm::kAddButtonItem : velm::kRemoveButtonItem;
    hostsim::Item* button = palette->FindItem(id);
    if (!button || !button->enabled()) {
      *error = "the " + w[1] + " button is disabled";
      return false;
    }
    palette->Press(id);
    done = true;
  } else if (verb == "flyout" && argc == 1) {
    hostsim::Dialog* palette = Palette(error);
    std::int32_t entry = 0;
    if (!palette) return false;
    if (!Integer(w[1], &entry)) {
      hostsim::Item* menu = palette->FindItem(host::kAdmFlyoutMenuItemId);
      entry = -1;
      for (std::size_t i = 0; menu && i < menu->entries().size(); ++i)
        if (hostsim::ToUtf8(menu->entries()[i]->text) == velm::platform::ToWindowsForms(w[1]))
          entry = static_cast<std::int32_t>(i);
    }
    if (!palette->ChooseFlyout(entry)) {
      *error = palette->lastError();
      return false;
    }
    done = true;
  } else if (verb == "popup" && argc == 1) {
    hostsim::Dialog* palette = Palette(error);
    if (!palette) return false;
    std::int32_t index = 0;
    if (!Integer(w[1], &index)) {
      index = -1;
      const auto texts = palette->EntryTexts(velm::kGroupPopupItem);
      for (std::size_t i = 0; i < texts.size(); ++i)
        if (hostsim::ToUtf8(texts[i]) == velm::platform::ToWindowsForms(w[1]))
          index = static_cast<std::int32_t>(i);
    }
    if (!palette->Choose(velm::kGroupPopupItem, index)) {
      *error = "the group popup has no entry " + w[1];
      return false;
    }
    done = true;
  } else if ((verb == "resize" || verb == "move") && argc == 2) {
    hostsim::Dialog* palette = Palette(error);
    std::int32_t a = 0, b = 0;
    if (!palette || !Integer(w[1], &a) || !Integer(w[2], &b)) {
      if (error->empty()) *error = verb + " takes two numbers";
      return false;
    }
    host::Rect r = palette->screenBounds();
    if (verb == "resize")
      r = {r.left, r.top, r.left + a, r.top + b};
    else
      r = {a, b, a + r.right - r.left, b + r.bottom - r.top};
    palette->SetScreenBounds(r);
    done = true;
  } else if ((verb == "undo" || verb == "redo") && argc == 0) {
    if (!doc || !(verb == "undo" ? doc->Undo() : doc->Redo())) {
      *error = "there is nothing to " + verb;
      return false;
    }
    done = true;
  } else if (verb == "screenshot" && argc == 1) {
    return Screenshot(w[1], error);
  } else if (verb == "save" && argc == 1) {
    if (!doc) {
      *error = "no document is open";
      return false;
    }
    const fs::path path = Out(w[1]);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (!hostsim::SaveDocumentFile(*doc, path.string(), error)) return false;
    log_ << "  document saved as " << path.string() << "\n";
    return true;
  } else if (verb == "restart" && argc == 0) {
    if (!session_->Restart(error)) return false;
    session_->StartApplication();
    done = true;
  } else if (verb == "expect" && argc == 2) {
    hostsim::Dialog* palette = Palette(error);
    if (!palette) return false;
    std::string actual;
    if (w[1] == "entries") {
      actual = std::to_string(palette->FindItem(velm::kRecordListItem)->entries().size());
    } else if (w[1] == "selected") {
      actual = std::to_string(palette->SelectedIndex(velm::kRecordListItem));
    } else if (w[1] == "group") {
      // What the palette's group menu shows (the plug-in's own state when it is linked in).
      if (PluginSession::LinkedIn()) {
        actual = hostsim::ToUtf8(velm::gGlobals->currentGroup);
      } else {
        const auto texts = palette->EntryTexts(velm::kGroupPopupItem);
        const std::int32_t at = palette->SelectedIndex(velm::kGroupPopupItem);
        if (at >= 0 && static_cast<std::size_t>(at) < texts.size())
          actual = hostsim::ToUtf8(texts[static_cast<std::size_t>(at)]);
      }
    } else if ((w[1] == "view" || w[1] == "sort") && !PluginSession::LinkedIn()) {
      *error = "expect " + w[1] + " reads the plug-in's state: it needs the plug-in linked in";
      return false;
    } else if (w[1] == "view") {
      actual = std::to_string(velm::gGlobals->toolMode);
    } else if (w[1] == "sort") {
      actual = std::to_string(velm::gGlobals->sortMode);
    } else if (w[1] == "place") {
      const host::Rect& b = palette->screenBounds();
      actual = std::to_string(b.left) + "," + std::to_string(b.top) + "," +
               std::to_string(b.right - b.left) + "," + std::to_string(b.bottom - b.top);
    } else {
      *error = "expect entries, selected, group, view, sort or place";
      return false;
    }
    if (actual != velm::platform::ToWindowsForms(w[2])) {
      *error = "expected " + w[1] + " " + w[2] + ", found " + actual;
      return false;
    }
    return true;
  } else {
    const StepResult r = ActionStep(host(), w, options_.out, options_.input, log_, error);
    if (r == StepResult::kFailed) return false;
    if (r == StepResult::kNotMine) {
      *error = "unknown step \"" + verb + "\" (or wrong arguments)";
      return false;
    }
    done = true;
  }
  if (!dialogError_.empty()) {
    *error = dialogError_;
    return false;
  }
  if (session_->hostFailures() != 0) {
    *error = "the stand-in host reported a failure";
    return false;
  }
  if (done) Repaint();
  return true;
}

bool Runner::Finish(std::string* error) {
  if (!answer_.empty()) {
    *error = "line " + std::to_string(answer_.front().line) + ": a dialog answer without a press";
    return false;
  }
  if (!queuedAnswers_.empty()) {
    *error =
        "line " + std::to_string(queuedAnswers_.front()) + ": no dialog opened for this answer";
    return false;
  }
  return true;
}

}  // namespace

int RunSessionScript(std::istream& script, const ScriptOptions& options, std::string* error,
                     std::ostream& log) {
  Runner runner(options, log);
  std::string text;
  int line = 0;
  while (std::getline(script, text)) {
    ++line;
    std::vector<std::string> words;
    std::string why;
    if (!Words(text, &words, &why)) {
      *error = "line " + std::to_string(line) + ": " + why;
      return 1;
    }
    if (words.empty()) continue;
    if (words[0] == "quit") break;
    log << line << ": " << text << "\n";
    if (!runner.Step(line, words, &why)) {
      *error = why.rfind("line ", 0) == 0 ? why : "line " + std::to_string(line) + ": " + why;
      return 1;
    }
  }
  if (!runner.Finish(error)) return 1;
  return 0;
}

}  // namespace velmsession
