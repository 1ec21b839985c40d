// `velm-host gui`: the stand-in host's virtual desktop in an SDL window, for a person to
// use the plug-in's palette and dialogs with the mouse and keyboard.
#pragma once

#include <string>

namespace velmgui {

struct GuiOptions {
  // The library folder (created when missing); empty: the one chosen last (kept in
  // `settings`), else ./library.
  std::string library;
  std::string scene;       // opened as the document at the start (may be empty)
  std::string saveAs;      // where Ctrl+S saves (empty: the scene's own file)
  std::string screenshot;  // where F12 writes the screen (PNG)
  int zoom = 1;            // window pixels per screen pixel
  // Where the frame times per kind of interaction are written when the window closes
  // (empty: not kept).
  std::string stats;
  // The host's drive C: (its settings, the palette's place and preferences), kept from one
  // run to the next; empty: a temporary one.
  std::string driveC;
  // The window's settings file (the library chosen last); empty: nothing is kept.
  std::string settings;
};

// Where the window keeps its drive C: unless told: "$XDG_DATA_HOME/velm-host", else
// "~/.local/share/velm-host"; empty when neither can be found.
std::string DefaultDriveC();

// Runs the window until it is closed; the plug-in is then shut down as the host does.
// 0 when it ended normally, 1 when the host or plug-in could not start, 2 without a display.
int RunGui(const GuiOptions& options);

}  // namespace velmgui
