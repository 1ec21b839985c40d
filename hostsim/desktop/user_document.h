// The scripted user's actions on the document, as a person does them with the mouse in
// the document window and the layers palette: selecting art (named by its scene id),
// zooming, choosing, locking and hiding layers. A name that does not exist is a host
// failure (reported through the host's failure handler) and changes nothing.
#pragma once

#include <string>

#include "host/types.h"

namespace hostsim {

class Host;

class DocumentUser {
 public:
  explicit DocumentUser(Host& host) : host_(host) {}

  // Clicks the art: it becomes the selection (with everything inside it).
  bool Select(const std::string& id);
  // Shift-clicks the art: it joins the selection.
  bool AddToSelection(const std::string& id);
  // Takes the art (and what it holds) out of the selection.
  bool Deselect(const std::string& id);
  void DeselectAll();

  // Zooms the frontmost view, keeping the artwork point at the window's centre in place.
  bool SetZoom(host::Real zoom);
  bool SetCurrentLayer(const std::string& name);
  bool LockLayer(const std::string& name, bool locked = true);
  bool HideLayer(const std::string& name, bool hidden = true);

 private:
  struct Art* Find(const std::string& id);
  struct Layer* FindLayer(const std::string& name);
  void Shown();

  Host& host_;
};

}  // namespace hostsim
