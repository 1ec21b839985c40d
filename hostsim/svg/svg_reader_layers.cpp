// Reading SVG layers: the groups of the root that this program wrote as layers
// (velm:layer) or that an editor marked as layers (inkscape:groupmode="layer", locked by
// sodipodi:insensitive, hidden by display: none) become the host's layers.
#include <string>
#include <vector>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr const char* kEditorNamespace = "http://www.inkscape.org/namespaces/inkscape";
constexpr const char* kEditorOldNamespace = "http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd";

std::string NsAttr(xmlNodePtr n, const char* name, const char* ns) {
  xmlChar* v = xmlGetNsProp(n, BAD_CAST name, BAD_CAST ns);
  std::string text = v ? reinterpret_cast<const char*>(v) : "";
  if (v) xmlFree(v);
  return text;
}

bool OwnLayer(xmlNodePtr n) {
  return xmlHasNsProp(n, BAD_CAST "layer", BAD_CAST kVelmSvgNamespace) != nullptr;
}

// Removes the layer marks inside `art` (a hidden layer's group stays hidden).
void Unmark(Json* art, const char* mark) {
  std::vector<Json*> stack = {art};
  while (!stack.empty()) {
    Json* node = stack.back();
    stack.pop_back();
    if (node->is_object()) {
      if (node->contains(mark) && !(*node)[mark].value("visible", true)) (*node)["hidden"] = true;
      node->erase(mark);
      if (node->contains("children")) stack.push_back(&(*node)["children"]);
    } else if (node->is_array()) {
      for (Json& child : *node)
        stack.push_back(&child);
    }
  }
}

}  // namespace

bool Reader::IsLayer(xmlNodePtr n) {
  if (!n->parent || n->parent != xmlDocGetRootElement(n->doc) || !Named(n, "g")) return false;
  return OwnLayer(n) || NsAttr(n, "groupmode", kEditorNamespace) == "layer";
}

Json Reader::LayerMark(xmlNodePtr n, const Json& group) {
  if (OwnLayer(n))
    return {{"name", NsAttr(n, "layer", kVelmSvgNamespace)},
            {"locked", NsAttr(n, "locked", kVelmSvgNamespace) == "true"},
            {"current", NsAttr(n, "current", kVelmSvgNamespace) == "true"}};
  std::string name = Trim(NsAttr(n, "label", kEditorNamespace));
  if (name.empty()) name = Attr(n, "id");
  if (name.empty()) name = "Layer";
  Json mark = {{"name", name},
               {"locked", NsAttr(n, "insensitive", kEditorOldNamespace) == "true"},
               {"current", false},
               {"editor", true}};
  // A layer with an opacity or a clip of its own keeps its group whole inside the layer
  // (its id goes with the group otherwise).
  for (auto it = group.begin(); it != group.end(); ++it)
    if (it.key() != "type" && it.key() != "children" && it.key() != "id") mark["whole"] = true;
  if (group.value("type", "") != "group") mark["whole"] = true;
  return mark;
}

Json Reader::Layers(Json art) {
  // This program's layers are read as layers when every top-level group is one; an
  // editor's layers always, the art between them then making layers of its own.
  bool all = !art.empty(), editor = false;
  for (const Json& a : art) {
    const bool layer = a.is_object() && a.contains(kLayerMark);
    all = all && layer;
    editor = editor || (layer && a.at(kLayerMark).value("editor", false));
  }
  if (!all && !editor) {
    // The marks go wherever they are (a group around the layers keeps them inside).
    Unmark(&art, kLayerMark);
    return Json::array({{{"name", "Layer 1"}, {"art", std::move(art)}}});
  }
  Json out = Json::array(), loose = Json::array();
  int unnamed = 0;
  auto flush = [&] {
    if (loose.empty()) return;
    Unmark(&loose, kLayerMark);
    out.push_back({{"name", "Layer " + std::to_string(++unnamed)}, {"art", std::move(loose)}});
    loose = Json::array();
  };
  for (Json& a : art) {
    if (!a.is_object() || !a.contains(kLayerMark)) {
      loose.push_back(std::move(a));
      continue;
    }
    flush();
    Json layer = a.at(kLayerMark);
    a.erase(kLayerMark);
    layer.erase("editor");
    if (layer.value("whole", false)) {
      layer.erase("whole");
      layer["art"] = Json::array({std::move(a)});
    } else {
      layer["art"] = std::move(a["children"]);
    }
    out.push_back(std::move(layer));
  }
  flush();
  return out;
}

}  // namespace hostsim::svg_in
