// Reading scenes: a JSON scene into a new document, checked as it is read.
#include "hostsim/scene/scene.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostsim/scene/scene_reader_p.h"

namespace hostsim::scene_io {

void Reader::Read(const Json& root) {
  const std::string at;
  Keys(root, at,
       {"units", "hardOrigin", "view", "customColors", "gradients", "patterns", "pluginGroups",
        "layers"});
  if (root.contains("units"))
    doc_.SetRulerUnits(Enum(root["units"], Key(at, "units"), kUnits, std::size(kUnits)));
  if (root.contains("hardOrigin"))
    doc_.SetHardOrigin(Pt(root["hardOrigin"], Key(at, "hardOrigin")));
  if (root.contains("view")) ReadView(root["view"], Key(at, "view"));
  ReadList(root, at, "customColors",
           [&](const Json& j, const std::string& p) { ReadCustom(j, p); });
  ReadList(root, at, "gradients", [&](const Json& j, const std::string& p) { ReadGradient(j, p); });
  // Every pattern exists before any art is read, so patterns may use one another.
  if (root.contains("patterns")) {
    const std::string p = Key(at, "patterns");
    Array(root["patterns"], p);
    for (std::size_t i = 0; i < root["patterns"].size(); ++i) {
      const Json& j = root["patterns"][i];
      const std::string pi = Index(p, i);
      Keys(j, pi, {"name", "art"});
      const std::string name = Name(j, pi, patterns_, "pattern");
      Pattern* pattern = doc_.NewPattern();
      pattern->name = name;
      pattern->art = doc_.Create(host::kGroupArt);
      patterns_[name] = pattern;
    }
  }
  ReadList(root, at, "pluginGroups", [&](const Json& j, const std::string& p) {
    if (!j.is_string() || j.get<std::string>().empty()) Fail(p, "expected a plug-in group name");
    if (plugins_.count(j.get<std::string>())) Fail(p, "a second plug-in group of that name");
    plugins_[j.get<std::string>()] = doc_.NewPluginGroup(j.get<std::string>());
  });
  if (root.contains("patterns")) {
    const std::string p = Key(at, "patterns");
    for (std::size_t i = 0; i < root["patterns"].size(); ++i) {
      const Json& j = root["patterns"][i];
      if (j.contains("art"))
        ReadChildren(j["art"], Key(Index(p, i), "art"),
                     patterns_[j["name"].get<std::string>()]->art, false);
    }
  }

  doc_.RemoveLayers();
  if (!root.contains("layers")) Fail(at, "a scene needs \"layers\"");
  const std::string lp = Key(at, "layers");
  Array(root["layers"], lp);
  if (root["layers"].empty()) Fail(lp, "a scene needs at least one layer");
  Layer* current = nullptr;
  for (std::size_t i = 0; i < root["layers"].size(); ++i) {
    const Json& j = root["layers"][i];
    const std::string p = Index(lp, i);
    Keys(j, p, {"name", "visible", "locked", "current", "art"});
    Layer* layer = doc_.NewLayer(Str(j, p, "name", "Layer " + std::to_string(i + 1)));
    layer->visible = Bool(j, p, "visible", true);
    layer->editable = !Bool(j, p, "locked", false);
    if (Bool(j, p, "current", false)) {
      if (current) Fail(Key(p, "current"), "only one layer can be current");
      current = layer;
    }
    if (j.contains("art")) ReadChildren(j["art"], Key(p, "art"), layer->group, false);
  }
  doc_.SetCurrentLayer(current ? current : doc_.layers().front());
}

void Reader::ReadView(const Json& j, const std::string& at) {
  Keys(j, at, {"zoom", "origin"});
  View& view = *doc_.views().front();
  view.zoom = Real(j, at, "zoom", view.zoom);
  if (view.zoom <= 0) Fail(Key(at, "zoom"), "the zoom must be above 0");
  if (j.contains("origin")) view.origin = Pt(j["origin"], Key(at, "origin"));
}

}  // namespace hostsim::scene_io

namespace hostsim {
namespace {

using namespace scene_io;

}  // namespace

std::unique_ptr<Document> ReadScene(const nlohmann::json& scene, const std::string& file,
                                    std::string* error) {
  auto doc = std::make_unique<Document>();
  try {
    Reader(*doc).Read(scene);
  } catch (const SceneError& e) {
    if (error) *error = file + ": " + e.pointer + ": " + e.what;
    return nullptr;
  } catch (const nlohmann::json::exception& e) {
    if (error) *error = file + ": " + e.what();
    return nullptr;
  }
  doc->ClearUndo();
  return doc;
}

std::unique_ptr<Document> ReadSceneText(const std::string& text, const std::string& file,
                                        std::string* error) {
  nlohmann::json scene;
  try {
    scene = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& e) {  // bad syntax, a number out of range
    if (error) *error = file + ": not valid JSON: " + e.what();
    return nullptr;
  }
  return ReadScene(scene, file, error);
}

}  // namespace hostsim
