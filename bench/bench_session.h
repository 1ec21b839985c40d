// What every benchmark starts from: the plug-in (linked in) started in a stand-in host
// with its suites held, over an empty document, its library folder a fresh temporary
// folder that goes again with the session.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "hostsim/core/document.h"
#include "plugin_session.h"

// Adds `paths` selected 4 x 4 rectangles (stroked; filled too with `filled`) to the current
// layer in rows of 100, each row a group, and selects the layer's art.
inline void AddRectangleRows(hostsim::Document& doc, int paths, bool filled) {
  hostsim::Art* layer = doc.currentLayer()->group;
  hostsim::Art* row = nullptr;
  for (int i = 0; i < paths; ++i) {
    if (i % 100 == 0) {
      row = doc.Create(host::kGroupArt);
      doc.Insert(row, host::kPlaceInsideOnBottom, layer);
    }
    hostsim::Art* path = doc.Create(host::kPathArt);
    doc.Insert(path, host::kPlaceInsideOnBottom, row);
    const float h = static_cast<float>(i % 100) * 6, v = static_cast<float>(i / 100) * 6;
    for (auto [x, y] : {std::pair{h, v}, {h + 4, v}, {h + 4, v + 4}, {h, v + 4}})
      path->segments.push_back({{x, y}, {x, y}, {x, y}, 1});
    path->closed = true;
    path->style.fillPaint = filled ? 1 : 0;
    path->style.strokePaint = 1;
  }
  doc.Select(layer, true);
}

class BenchSession {
 public:
  explicit BenchSession(const std::string& name)
      : library_(std::filesystem::temp_directory_path() /
                 ("velm-bench-" + std::to_string(::getpid()) + "-" + name)) {
    std::string error;
    session_ = velmsession::PluginSession::Open(library_, false, &error);
  }
  ~BenchSession() {
    session_.reset();
    std::error_code ec;
    std::filesystem::remove_all(library_, ec);
  }
  BenchSession(const BenchSession&) = delete;
  BenchSession& operator=(const BenchSession&) = delete;

  bool ready() const { return session_ != nullptr; }
  velmsession::PluginSession& session() { return *session_; }
  hostsim::Document& doc() { return session_->document(); }
  // The folder the plug-in's group files live in.
  const std::filesystem::path& library() const { return library_; }

 private:
  std::filesystem::path library_;
  std::unique_ptr<velmsession::PluginSession> session_;
};
