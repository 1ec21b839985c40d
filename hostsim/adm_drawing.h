// The dialog manager's drawing: drawers (on offscreen images, on platform drawing contexts
// and, for the dialog manager's own items, on any drawing context of the desktop) and
// offscreen images. "ADM Drawer Suite" and "ADM Image Suite" work on these.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/adm.h"
#include "hostsim/desktop.h"

namespace hostsim {

struct Drawer {
  // The context the drawer draws through (its own), in the drawer's local coordinates.
  DeviceContext* context = nullptr;
  std::uint32_t color = 0;  // 0x00RRGGBB
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

// The colours of the dialog manager's palette (AdmColor), 0x00RRGGBB.
std::uint32_t AdmPaletteColor(std::int32_t code);

void InstallAdmDrawingSuites(host::AdmDrawerSuite& drawer, host::AdmImageSuite& image);

}  // namespace hostsim
