#include "hostsim/document_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostsim/core/file_output.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/host.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"

namespace hostsim {

std::unique_ptr<Document> ReadSceneFile(const std::string& path, std::string* error) {
  return ReadSceneFile(path, error, nullptr);
}

std::unique_ptr<Document> ReadSceneFile(const std::string& path, std::string* error,
                                        std::vector<std::string>* warnings) {
  if (IsSvgPath(path)) {
    SvgDocument svg;
    if (!ReadSvgFile(path, &svg, error)) return nullptr;
    if (warnings) *warnings = svg.report.Lines();
    return ReadScene(svg.scene, path, error);
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    if (error) *error = path + ": a folder, not a scene file";
    return nullptr;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = path + ": cannot be read";
    return nullptr;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ReadSceneText(text.str(), path, error);
}

bool LoadSceneJson(const std::string& path, nlohmann::json* scene, std::string* error) {
  return LoadSceneJson(path, scene, error, nullptr);
}

bool LoadSceneJson(const std::string& path, nlohmann::json* scene, std::string* error,
                   std::vector<std::string>* warnings) {
  if (IsSvgPath(path)) {
    SvgDocument svg;
    if (!ReadSvgFile(path, &svg, error)) return false;
    if (warnings) *warnings = svg.report.Lines();
    *scene = std::move(svg.scene);
    return true;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    if (error) *error = path + ": a folder, not a scene file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = path + ": cannot be read";
    return false;
  }
  *scene = nlohmann::json::parse(in, nullptr, false);
  if (scene->is_discarded()) {
    if (error) *error = path + ": not a valid JSON scene";
    return false;
  }
  return true;
}

bool OpenScene(Host& host, const nlohmann::json& scene, std::string* error) {
  std::unique_ptr<Document> doc = ReadScene(scene, "scene", error);
  if (!doc) return false;
  host.SetDocument(std::move(doc));
  host.desktop().Repaint(host.document());
  return true;
}

bool OpenSceneFile(Host& host, const std::string& path, std::string* error) {
  std::unique_ptr<Document> doc = ReadSceneFile(path, error);
  if (!doc) return false;
  host.SetDocument(std::move(doc));
  host.desktop().Repaint(host.document());
  return true;
}

bool SaveDocumentFile(Document& document, const std::string& path, std::string* error) {
  if (HasExtension(path, ".json")) return WriteSceneFile(document, path, error);
  if (HasExtension(path, ".svg")) return WriteSvgFile(document, path, error);
  return RenderDocumentToFile(document, path, RenderOptions{}, error);
}

}  // namespace hostsim
