// What every benchmark starts from: the plug-in (linked in) started in a stand-in host
// with its suites held, over an empty document, its library folder a fresh temporary
// folder that goes again with the session.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "hostsim/document.h"
#include "plugin_session.h"

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
