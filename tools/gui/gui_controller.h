// What a person at the stand-in host's screen does, in the host's own terms: presses,
// moves and releases of the mouse, typing and keys become the same calls the scripted
// user makes (tracker events on the palette's list entries, presses, choices, the flyout
// menu, modal dialogs' items), and clicks, rubber bands, undo, saving, scrolling and
// zooming act on the document window. Free of any window system, so that it can be
// driven by tests as well as by the SDL window (gui_window.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/dialog_manager.h"
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

class Controller {
 public:
  // `scenePath`: where Ctrl+S writes the document (empty: saving is refused).
  Controller(velmsession::PluginSession& session, std::string scenePath);

  hostsim::Host& host() { return session_.host(); }
  hostsim::Bitmap& screen() { return host().desktop().screen(); }

  // ---- The desktop (palettes and the document window) ----
  void MouseDown(const Input& in);
  // Moves of the cursor; `held` with the button down.
  void MouseMove(const Input& in, bool held);
  void MouseUp(const Input& in);
  // Wheel steps (positive: away from the user); with Ctrl the document view zooms.
  void Wheel(const Input& in, int steps);
  // Escape cancels a drag from the palette (nothing is placed) or closes a drop-down list.
  void KeyPress(Key key);
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
  // button, turns a check box or radio button, or goes to the item's tracker.
  void ModalMouseDown(hostsim::Dialog& d, const Input& in);
  // Keys: Return presses the default button (in a box of several lines it breaks the
  // line, Ctrl+Return presses), Escape the cancel button; Left, Right, Home, End (Up and
  // Down in a box of several lines) move the caret, with Shift the selection's end;
  // Backspace and Delete take the selection or the character before or after the caret;
  // Tab moves the focus.
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

  // The last thing worth telling the person (saved, refused, ...); cleared by reading.
  std::string TakeStatus();
  bool tracking() const { return tracking_.dialog != nullptr; }

 private:
  // Ends the drag of a palette entry without a drop.
  void CancelDrag();
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

  velmsession::PluginSession& session_;
  std::string scenePath_;
  std::string status_;
  bool needsRepaint_ = true;
  Tracking tracking_;
  std::uint32_t lastTime_ = 0;  // of the last mouse move
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
// The same art whose bounds meet the rectangle between `a` and `b`.
std::vector<hostsim::Art*> ArtTouching(hostsim::Document& doc, host::RealPoint a,
                                       host::RealPoint b);
// Removes the last character of a Shift-JIS text (one or two bytes).
std::string DropLastSjisChar(const std::string& sjis);

}  // namespace velmgui
