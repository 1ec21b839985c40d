// The dialog manager's drawing: drawers (on offscreen images, on platform drawing contexts
// and, for the dialog manager's own items, on any drawing context of the desktop) and
// offscreen images. "ADM Drawer Suite" and "ADM Image Suite" work on these.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/adm.h"
#include "hostsim/desktop/desktop.h"

namespace hostsim {

struct Drawer {
  // The context the drawer draws through (its own), in the drawer's local coordinates.
  DeviceContext* context = nullptr;
  std::uint32_t color = 0;  // 0x00RRGGBB
  // A drawer on a drawing context of the module's own window system draws into a copy of
  // its pixels, written back when the drawer ends.
  void* foreignPort = nullptr;
  std::unique_ptr<Bitmap> foreignCopy;
  // The platform drawing context handed to the module, where the module draws through its
  // own window system: a context of that system mirroring the drawer's area, drawn back
  // into the target before the drawer draws again or ends.
  void* platformPort = nullptr;
  bool platformPortAhead = false;
  host::DrawerRef ref() { return reinterpret_cast<host::DrawerRef>(this); }
};

struct AdmImage {
  std::unique_ptr<Bitmap> bitmap;
  Drawer* drawer = nullptr;
  host::ImageRef ref() { return reinterpret_cast<host::ImageRef>(this); }
};

// A drawer on `target` with its local (0, 0) at `origin` (target pixels), clipped to
// `clip` (target pixels); give it back with DeleteDrawer.
Drawer* NewDrawer(Bitmap* target, host::Point origin, const host::Rect& clip);
void DeleteDrawer(Drawer* drawer);
Drawer* DrawerFrom(host::DrawerRef ref);
AdmImage* ImageFrom(host::ImageRef ref);
std::size_t liveDrawers();
std::size_t liveImages();

// The dialog manager's own drawing through a drawer: a filled rectangle, and a text whose
// baseline starts at `at` (drawer coordinates).
void FillDrawerRect(Drawer* drawer, const host::Rect& rect);
void DrawDialogText(Drawer* drawer, const std::string& sjis, host::Point at);
std::int32_t DialogTextWidth(Drawer* drawer, const std::string& sjis);
// The same text narrowed (to 3/4 at most) where it is wider than `width` pixels.
void DrawDialogTextFitted(Drawer* drawer, const std::string& sjis, host::Point at,
                          std::int32_t width);
// The lines of the dialog font between two baselines.
inline constexpr std::int32_t kDialogLineHeight = 14;
// One line of a laid-out text: its bytes [begin, end).
struct TextLine {
  std::size_t begin = 0, end = 0;
};
// Lays Shift-JIS `sjis` out in lines no wider than `width` pixels: CR LF (or a lone CR or
// LF) ends a line; a line too wide breaks after its last blank, or between any two
// characters where Japanese meets (a word too long for a line is broken at the edge).
std::vector<TextLine> LayOutDialogText(Drawer* drawer, const std::string& sjis, std::int32_t width);
// The byte after the Shift-JIS character at `at`, and the start of the one before `at`.
std::size_t NextSjisChar(const std::string& sjis, std::size_t at);
std::size_t PreviousSjisChar(const std::string& sjis, std::size_t at);

// The colours of the dialog manager's palette (AdmColor), 0x00RRGGBB.
std::uint32_t AdmPaletteColor(std::int32_t code);

void InstallAdmDrawingSuites(host::AdmDrawerSuite& drawer, host::AdmImageSuite& image);

}  // namespace hostsim
