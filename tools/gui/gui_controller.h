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

enum class Key { kReturn, kEscape, kBackspace, kTab, kUndo, kRedo, kSave };

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
  // Lets `ticks` host ticks (1/60 s) pass, unless an entry is being tracked.
  void Advance(std::int64_t ticks);
  // Brings the screen up to date: repaints what changed, then draws the open drop-down
  // list and the rubber band.
  void Refresh();

  // ---- A modal dialog (the nested event loop) ----
  void BeginModal(hostsim::Dialog& d);
  void ModalMouseDown(hostsim::Dialog& d, const Input& in);
  void ModalKey(hostsim::Dialog& d, Key key);
  // Typed text (UTF-8) goes into the focused item in Shift-JIS; what Shift-JIS cannot
  // hold, or what passes the item's limit, is refused with a beep.
  void ModalText(hostsim::Dialog& d, const std::string& utf8);
  // Draws the desktop with the dialog on top and the focused item framed.
  void PaintModal(hostsim::Dialog& d);
  std::int32_t focusedItem() const { return focus_; }

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
  // A palette moved by its title bar: the offset of the press from its corner.
  hostsim::Dialog* moving_ = nullptr;
  host::Point moveOffset_{0, 0};
  // The rubber band on the document window, from its press to the cursor.
  bool banding_ = false;
  bool bandShift_ = false;
  host::Point bandFrom_{0, 0};
  host::Point bandTo_{0, 0};
  // The focused item of the modal dialog and whether the next typing replaces its text.
  std::int32_t focus_ = 0;
  bool replace_ = false;
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
