// What a person at the stand-in host's screen does, in the host's own terms: presses,
// moves and releases of the mouse, typing and keys become the same calls the scripted
// user makes (tracker events on the palette's list entries, presses, choices, the flyout
// menu, modal dialogs' items), and clicks, rubber bands, undo, saving, scrolling and
// zooming act on the document window. Free of any window system, so that it can be
// driven by tests as well as by the SDL window (gui_window.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "gui_document.h"
#include "hostsim/desktop/dialog_manager.h"
#include "hostsim/host.h"
#include "plugin_session.h"

namespace velmgui {

// One mouse event: the screen point (virtual desktop pixels), the modifier keys and the
// time in milliseconds.
struct Input {
  host::Point p{0, 0};
  bool shift = false;
  bool ctrl = false;
  std::uint32_t time = 0;
  bool alt = false;
  int clicks = 1;  // 2 for the second press of a double click
};

enum class Key {
  kReturn,
  kEscape,
  kBackspace,
  kDelete,
  kTab,
  kLeft,
  kRight,
  kUp,
  kDown,
  kHome,
  kEnd,
  kUndo,
  kRedo,
  kSave
};

// The window's menu commands.
enum class Command { kOpen, kSave, kSaveAs, kLibrary, kRestore };

class Controller {
 public:
  // `savePath`: where Ctrl+S writes the document (empty: it asks for a name), a file named
  // by the person that this window has not written yet: an existing file there is
  // replaced only when the person agrees. OpenDocument names the document's own file.
  Controller(velmsession::PluginSession& session, std::string savePath);

  hostsim::Host& host() { return session_->host(); }
  hostsim::Bitmap& screen() { return host().desktop().screen(); }

  // ---- The desktop (palettes and the document window) ----
  void MouseDown(const Input& in);
  // Moves of the cursor; `held` with the button down.
  void MouseMove(const Input& in, bool held);
  void MouseUp(const Input& in);
  // Wheel steps (positive: away from the user); with Ctrl the document view zooms.
  void Wheel(const Input& in, int steps);
  // Escape cancels a drag from the palette (nothing is placed) or closes a drop-down list.
  // After a click on a palette its list takes the arrows (the selection moves), Return
  // (opens the selected record) and Delete (removes it, after the plug-in's question);
  // after a click on the document Delete removes the selected art and the arrows move it
  // by a point (Shift: ten), each press one undoable step.
  void KeyPress(Key key, bool shift = false);
  // Lets `ticks` host ticks (1/60 s) pass, unless an entry is being tracked. About once a
  // second the watched library folder is looked at: when another program changed it, the
  // palettes are drawn anew (their entries are read from the files as they are drawn).
  void Advance(std::int64_t ticks);
  void WatchLibrary(std::string folder);
  // Brings the screen up to date: repaints what changed, then draws the open drop-down
  // list and the rubber band.
  void Refresh();

  // ---- A modal dialog (the nested event loop, gui_modal.cpp) ----
  void BeginModal(hostsim::Dialog& d);
  // After the dialog has closed: the palettes are drawn anew.
  void EndModal();
  // A click puts the caret into an edit text (Shift extends the selection), presses a
  // button, turns a check box or radio button, opens a popup's list (of an edit popup: a
  // click on its arrow), or goes to the item's tracker. With the list open a click on an
  // entry chooses it, and a click elsewhere, a key or typing closes it unchanged.
  void ModalMouseDown(hostsim::Dialog& d, const Input& in);
  // Keys: Return presses the default button (in a box of several lines it breaks the
  // line, Ctrl+Return presses), Escape the cancel button; Left, Right, Home, End (Up and
  // Down in a box of several lines) move the caret, with Shift the selection's end;
  // Backspace and Delete take the selection or the character before or after the caret;
  // Tab moves the focus. A popup's open list closes first (Escape then does nothing else).
  void ModalKey(hostsim::Dialog& d, Key key, bool shift = false, bool ctrl = false);
  // Typed text (UTF-8) replaces the focused item's selection in Shift-JIS; what Shift-JIS
  // cannot hold, or what passes the item's limit, is refused with a beep.
  void ModalText(hostsim::Dialog& d, const std::string& utf8);
  // Draws the desktop with the dialog on top, the focused item framed, and an item whose
  // value the plug-in refused framed in red.
  void PaintModal(hostsim::Dialog& d);
  std::int32_t focusedItem() const { return focus_; }
  // The item whose value the plug-in refused last (0: none).
  std::int32_t invalidItem() const { return invalid_; }

  // The last thing worth telling the person (saved, refused, ...); cleared by reading, and
  // shown in the message strip above the workspace until the next.
  std::string TakeStatus();
  // What the message strip shows now (taken statuses; a new action clears it).
  const std::string& message() const { return message_; }

  // ---- Files (gui_files.cpp) ----
  // Ctrl+S saves; the others open the chooser for a typed path.
  void RunCommand(Command command);
  // Opens a scene or SVG document in place of the current one, without asking about the
  // current one's changes; false (told in the message strip) when it cannot be read, the
  // current document then unchanged. The file and its format are remembered for Ctrl+S.
  bool OpenDocument(const std::string& path);
  // The same before the plug-in has started (the selection is not announced).
  bool LoadDocument(const std::string& path);
  // A file dropped onto the window: opened when the document holds no art, else its art
  // is added on top of the current layer, selected (named paint and ids that clash are
  // renamed), as one step that Undo takes back whole; the rest of the document and the
  // view are kept. A file that cannot be read changes nothing (told in the message strip).
  bool DropFile(const std::string& path);
  // Save As: by the file's extension (any case), ".json" a scene, ".svg" SVG (both then the
  // document's file), ".png" a picture (an export; the document keeps its file). An
  // existing file is replaced only after a question; false when nothing was written (yet).
  bool SaveAs(const std::string& path);

  // ---- The document (gui_document.cpp) ----
  const DocumentSource& source() const { return source_; }
  // Where Ctrl+S writes from now on (--save-as): a file this window has not written yet.
  void SetSavePath(const std::string& path);
  // Whether the document differs from what was opened or last saved (undone changes are
  // none).
  bool modified();
  // The document was carried over into a new session (another library): it is modified
  // when it was before.
  void CarryOver(bool modified);
  // "• name.svg — /the/library — VELM-Pro" with changes, "name.svg — /the/library —
  // VELM-Pro" without (the library watched, WatchLibrary).
  std::string Title();
  // Ctrl+Q or closing the window: true once the window may close (at once without changes,
  // else after the question about them was answered; TakeQuit tells when).
  void RequestQuit();
  bool TakeQuit() { return std::exchange(quit_, false); }
  // A question in the window (save / discard / cancel, replace a file, create a folder):
  // Return presses the focused button (at first the default, the safe one), Escape the
  // cancelling one, Left/Right/Tab move the focus, a click presses a button.
  bool asking() const { return question_.open; }
  void QuestionKey(Key key, bool shift = false);
  bool QuestionClick(host::Point p);
  const std::string& questionText() const { return question_.text; }
  // The buttons' labels, and the one Return presses now.
  const std::vector<std::string>& questionButtons() const { return question_.buttons; }
  int questionFocus() const { return question_.focus; }
  int questionDefault() const { return question_.safe; }
  // The library folder chosen with Ctrl+L (taken once), for the window to restart the
  // plug-in's session on; then the controller goes on with the new session.
  std::string TakeLibraryRequest();
  void Rebind(velmsession::PluginSession& session);
  // Tells the person something in the message strip, as information or as a refusal.
  void Tell(const std::string& what) { status_ = what; }
  void Refuse(const std::string& why) { Beep(why); }
  bool choosing() const { return chooser_.open; }
  // The chooser: typed text (at the caret), keys (Up/Down choose an entry, Tab completes,
  // Return enters a folder or takes the path, Escape cancels, Backspace and Delete take a
  // character, Left/Right/Home/End move the caret), and clicks (false outside it, which
  // closes it).
  void ChooserText(const std::string& utf8);
  void ChooserKey(Key key);
  bool ChooserClick(host::Point p);
  const std::string& chooserPath() const { return chooser_.path; }
  std::size_t chooserCaret() const { return chooser_.caret; }
  // The typed path is selected as a whole (as the chooser opens): typing replaces it.
  bool chooserPathSelected() const { return chooser_.allSelected; }
  bool tracking() const { return tracking_.dialog != nullptr; }

 private:
  // Ends the drag of a palette entry without a drop.
  void CancelDrag();
  // A key for palette `d`'s list; false when it is not one of the list's.
  bool PaletteKey(hostsim::Dialog& d, Key key);
  void DeleteSelection();
  void Nudge(host::Real dx, host::Real dy);
  // The palette that takes the keys (clicked last), or null: the document.
  hostsim::Dialog* keysTo_ = nullptr;
  // ---- Confirmations (gui_messages.cpp) ----
  // What the palette and the document held before an action.
  struct Before {
    velmsession::PaletteState palette;
    std::vector<hostsim::Art*> art;  // top-level art of the layers
    int beeps = 0;
    int modals = 0;
    std::map<std::string, std::int32_t> groups;  // the listed groups' record counts
  };
  Before Observe();
  std::map<std::string, std::int32_t> GroupCounts();
  // Tells what an action on the palette changed in its records (or found).
  void ConfirmPalette(const Before& before);
  // After a release of palette entry `entry` over the document: the art it placed becomes
  // the selection, and the placement is told with the snap that moved it.
  void ConfirmDrop(const Before& before, std::int32_t entry, int snapKind);
  // A new action takes the message of the last off the strip.
  void StartAction();
  // Marks the selected art on the document: bounding boxes and anchor points.
  void DrawSelection();
  struct Tracking {
    hostsim::Dialog* dialog = nullptr;
    std::int32_t item = 0;
    std::int32_t entry = -1;
    host::Rect rect{};
  };
  // An open drop-down list: a popup's entries or the flyout menu's.
  struct DropDown {
    hostsim::Dialog* dialog = nullptr;
    std::int32_t item = 0;
    host::Rect rect{};
    std::int32_t rowHeight = 16;
  };

  void PaletteMouseDown(hostsim::Dialog& d, const Input& in);
  bool DropDownClick(host::Point p);
  void OpenDropDown(hostsim::Dialog& d, std::int32_t item, host::Point at);
  void DrawDropDown();
  void DocumentMouseDown(const Input& in);
  void FinishBand(const Input& in);
  bool InDocumentWindow(host::Point p);
  host::RealPoint ToArtwork(host::Point screen);
  void SelectionChanged();
  void Beep(const std::string& why);
  void Save();

  // ---- The document (gui_document.cpp) ----
  // What is done once the current document's changes are saved or discarded.
  enum class After { kNothing, kQuit, kOpen, kLibrary };
  struct Question {
    bool open = false;
    std::string text;
    std::vector<std::string> buttons;
    int focus = 0;   // the button Return presses
    int cancel = 0;  // the button Escape presses
    std::function<void(int)> answer;
    int safe = 0;  // the default button, framed whatever has the focus
  };
  void Ask(std::string text, std::vector<std::string> buttons, int safe, int cancel,
           std::function<void(int)> answer);
  // Does `after` once the document's changes (if any) are saved or discarded.
  void Guard(After after, std::string path);
  void Proceed(After after, const std::string& path);
  // Saves to the document's file, asking first where the file would lose something;
  // `after` follows a save that succeeded.
  void SaveThen(After after, std::string path);
  // True when the file was written at once (not refused, no question asked).
  bool SaveAsThen(const std::string& path, After after, std::string then);
  // (`path` by value: it may be the source's own, which a save replaces.)
  bool WriteDocument(std::string path, DocFormat format, bool becomesSource);
  void OpenSaveAsChooser(After after, std::string then);
  void AskCreateLibrary(const std::string& path);
  void ResetBaseline();
  // Back to the file's state (its changes discarded); an empty document without a file.
  void Revert();
  void DrawQuestion();

  velmsession::PluginSession* session_;
  DocumentSource source_;
  // The file whose content the document had when opened or last saved (empty: none).
  std::string revertPath_;
  // Where the document's history stood when it was opened or last saved; a document carried
  // over from another session keeps the changes it had.
  struct Baseline {
    const hostsim::Document* doc = nullptr;
    std::uint64_t state = 0;
    std::uint64_t unrecorded = 0;
    bool carried = false;
  };
  Baseline baseline_;
  bool quit_ = false;
  Question question_;
  After pendingAfter_ = After::kNothing;
  std::string pendingPath_;
  std::string status_;
  bool statusIsError_ = false;
  std::string message_;
  bool messageIsError_ = false;
  std::string libraryRequest_;
  struct Chooser {
    bool open = false;
    Command purpose = Command::kOpen;
    std::string path;       // UTF-8, as typed
    std::size_t caret = 0;  // a byte offset into `path`, between characters
    bool allSelected = false;
    std::vector<std::string> entries;
    std::int32_t selected = -1;
    std::int32_t first = 0;  // the first entry shown
  };
  Chooser chooser_;
  void ListChooser();
  void AcceptChooser(std::string path);
  bool MenuClick(host::Point p);
  // The menu bar, the message strip and the chooser.
  void DrawChrome();
  bool needsRepaint_ = true;
  Tracking tracking_;
  std::uint32_t lastTime_ = 0;  // of the last press or move of the mouse
  DropDown dropDown_;
  // A palette moved by its title bar: the offset of the press from its corner; or sized
  // by its lower right corner: the offset of the press from that corner.
  hostsim::Dialog* moving_ = nullptr;
  host::Point moveOffset_{0, 0};
  hostsim::Dialog* resizing_ = nullptr;
  // The plug-in's hover label may be on the screen (it saved what lies under it).
  bool labelMayShow_ = false;
  std::int64_t ticksOffList_ = 0;
  // Takes the hover label off the screen before the palette is drawn anew: a timer tick
  // with the cursor away from the list lets the plug-in put back what lay under it.
  void TakeDownHoverLabel();
  bool CursorOverList();
  // The watched library folder and what it looked like last.
  std::string library_;
  std::string librarySeen_;
  std::int64_t ticksSinceLook_ = 0;
  // The rubber band on the document window, from its press to the cursor.
  bool banding_ = false;
  bool bandShift_ = false;
  host::Point bandFrom_{0, 0};
  host::Point bandTo_{0, 0};
  // The focused item of the modal dialog, and the one whose value was refused.
  std::int32_t focus_ = 0;
  std::int32_t invalid_ = 0;
  // Modal dialogs begun so far: a press that opened one has ended in it.
  int modals_ = 0;
  void Focus(hostsim::Dialog& d, std::int32_t itemId, bool selectAll);
  // A click on the modal dialog with its popup's list open.
  void ModalListClick(hostsim::Dialog& d, host::Point p);
  // Presses a button of the modal dialog and notices when the plug-in refuses a value.
  void PressChecked(hostsim::Dialog& d, std::int32_t itemId);
  void MoveCaret(hostsim::Item& item, std::size_t to, bool extend);
  // Replaces the focused item's selection with `sjis`; false (with a beep) when the item
  // takes no typing or the text would pass its limit.
  bool Insert(hostsim::Dialog& d, const std::string& sjis);
};

// The art of the document's visible, unlocked layers whose bounds (artwork coordinates)
// hold `p`, topmost first; the top-level art of each layer. A click selects the smallest.
std::vector<hostsim::Art*> ArtAt(hostsim::Document& doc, host::RealPoint p);
// The art a press at `p` selects, outermost first: the smallest of ArtAt, then inside each
// group the smallest child (clipping paths aside) whose bounds hold `p`. Empty when none.
std::vector<hostsim::Art*> ArtChainAt(hostsim::Document& doc, host::RealPoint p);
// Which art of ArtChainAt a press picks: the outermost; with Alt the innermost; the second
// press of a double click one level inside the outermost art of the chain already selected.
hostsim::Art* PickArt(const std::vector<hostsim::Art*>& chain, bool alt, int clicks);
// The same art whose bounds meet the rectangle between `a` and `b`.
std::vector<hostsim::Art*> ArtTouching(hostsim::Document& doc, host::RealPoint a,
                                       host::RealPoint b);
// The scene `added` merged into `current`: its art on top of the current layer, selected,
// the rest deselected; its gradients, patterns and custom colours whose names clash
// renamed ("name 2"), and so are clashing ids.
nlohmann::json MergeScenes(nlohmann::json current, nlohmann::json added);
// A record as messages name it: its name in double quotes, else "#" and its number.
std::string Quoted(const velmsession::PaletteEntry& entry);
// What an action changed in the palette's records, in words ("added "月" to 天気",
// "removed …", "12 records found"); empty when no record changed. `searched`: the action
// was a search, which tells how many records it found, none included.
// `grown`: another group that holds one record more after the action (a record moved
// there).
std::string DescribePaletteChange(const velmsession::PaletteState& before,
                                  const velmsession::PaletteState& after, bool searched,
                                  const std::string& grown = {});
// What the strip says after a group and its records were removed: the one place that
// tells of it ('removed group 天気 (10 records)').
std::string DescribeGroupRemoval(const std::string& group, std::size_t records);
// Follows a removal's words in the message strip: how the removed art comes back.
extern const char* const kRestoreHint;
// "undid Drop", "redid Drop" for the step's undo or redo text ("Undo Drop").
std::string DescribeUndo(bool redo, const std::string& stepText);
// " — snapped to anchor" and the like for a snap kind (PlaceResult::snapKind); empty for
// none.
std::string SnapText(int kind);
// Why a palette item the person pressed is disabled.
std::string DisabledReason(std::int32_t item, bool searchResults);
// Ctrl with a letter: Z undoes, Shift+Z and Y redo (*key); false for other letters.
bool UndoRedoKey(char letter, bool shift, Key* key);
// Removes the last character of a Shift-JIS text (one or two bytes).
std::string DropLastSjisChar(const std::string& sjis);

}  // namespace velmgui
