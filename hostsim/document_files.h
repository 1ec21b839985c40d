// Document files of every kind the stand-in host opens and saves: scenes (JSON), SVG
// documents (read into scenes) and pictures, chosen by the file name.
#pragma once

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

#include "hostsim/core/document.h"

namespace hostsim {

class Host;

// Reads a scene file into a new document (see ReadScene in hostsim/scene/scene.h).
// A path ending in .svg or .svgz is read as an SVG document (hostsim/svg/svg.h); what it could
// not carry over whole goes to `warnings`, one line each.
std::unique_ptr<Document> ReadSceneFile(const std::string& path, std::string* error);
std::unique_ptr<Document> ReadSceneFile(const std::string& path, std::string* error,
                                        std::vector<std::string>* warnings);

// Makes the scene the host's open document and shows it in the document window; the
// host's document is left alone when the scene is not valid.
bool OpenScene(Host& host, const nlohmann::json& scene, std::string* error);
bool OpenSceneFile(Host& host, const std::string& path, std::string* error);

// The file a person opens as a scene (JSON, or an SVG document read into one), as scene
// JSON; false with a message naming the file when it cannot be read.
bool LoadSceneJson(const std::string& path, nlohmann::json* scene, std::string* error);
bool LoadSceneJson(const std::string& path, nlohmann::json* scene, std::string* error,
                   std::vector<std::string>* warnings);
// Saves the document by the file's extension: ".json" a scene, ".svg" an SVG document,
// anything else a picture (see RenderDocumentToFile).
bool SaveDocumentFile(Document& document, const std::string& path, std::string* error);

}  // namespace hostsim
