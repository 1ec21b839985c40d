#include "hostsim/desktop/user_document.h"

#include "hostsim/core/host.h"
#include "hostsim/desktop/desktop.h"

namespace hostsim {

Art* DocumentUser::Find(const std::string& id) {
  Document* doc = host_.document();
  Art* art = doc ? doc->FindById(id) : nullptr;
  if (!art) host_.Fail("the scripted user looked for art \"" + id + "\", which the document lacks");
  return art;
}

Layer* DocumentUser::FindLayer(const std::string& name) {
  Document* doc = host_.document();
  Layer* layer = doc ? doc->FindLayer(name) : nullptr;
  if (!layer)
    host_.Fail("the scripted user looked for layer \"" + name + "\", which the document lacks");
  return layer;
}

// The document window shows the change.
void DocumentUser::Shown() {
  host_.desktop().Repaint(host_.document());
}

bool DocumentUser::Select(const std::string& id) {
  Art* art = Find(id);
  if (!art) return false;
  host_.document()->DeselectAll();
  host_.document()->Select(art, true);
  return true;
}

bool DocumentUser::AddToSelection(const std::string& id) {
  Art* art = Find(id);
  if (!art) return false;
  host_.document()->Select(art, true);
  return true;
}

bool DocumentUser::Deselect(const std::string& id) {
  Art* art = Find(id);
  if (!art) return false;
  host_.document()->Select(art, false);
  return true;
}

void DocumentUser::DeselectAll() {
  if (host_.document()) host_.document()->DeselectAll();
}

bool DocumentUser::SetZoom(host::Real zoom) {
  Document* doc = host_.document();
  if (!doc || doc->views().empty() || !(zoom > 0)) {
    host_.Fail("the scripted user cannot zoom to " + std::to_string(zoom));
    return false;
  }
  View& view = *doc->views().front();
  const host::Rect client = host_.desktop().documentWindow()->client;
  const host::Point centre{(client.right - client.left) / 2, (client.bottom - client.top) / 2};
  const host::RealPoint keep = view.ToArtwork(centre);
  view.zoom = zoom;
  view.origin = {static_cast<host::Real>(keep.h - centre.h / static_cast<double>(zoom)),
                 static_cast<host::Real>(keep.v + centre.v / static_cast<double>(zoom))};
  Shown();
  return true;
}

bool DocumentUser::SetCurrentLayer(const std::string& name) {
  Layer* layer = FindLayer(name);
  if (!layer) return false;
  host_.document()->SetCurrentLayer(layer);
  return true;
}

bool DocumentUser::LockLayer(const std::string& name, bool locked) {
  Layer* layer = FindLayer(name);
  if (!layer) return false;
  layer->editable = !locked;
  host_.document()->ChangedOutsideHistory();
  return true;
}

bool DocumentUser::HideLayer(const std::string& name, bool hidden) {
  Layer* layer = FindLayer(name);
  if (!layer) return false;
  layer->visible = !hidden;
  host_.document()->ChangedOutsideHistory();
  Shown();
  return true;
}

}  // namespace hostsim
