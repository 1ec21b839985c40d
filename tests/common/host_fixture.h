// A stand-in host for tests: its own drive C: in a fresh temporary folder, and host
// failures (a modal dialog nobody answered, ...) reported as test failures.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/host.h"

namespace velmtest {

// A fresh, empty folder removed again when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class HostTest : public ::testing::Test {
 protected:
  // Loads the plug-in module (or, with `inProcess`, the plug-in linked into the test).
  void SetUp() override;
  void TearDown() override;
  void UseInProcessPlugin();

  hostsim::Host& host() { return *host_; }
  // Suites held now, apart from the desktop binding, which the plug-in keeps from its
  // first message until it is unloaded or shut down.
  std::vector<std::string> HeldTableSuites();

  TempFolder drive_;
  std::unique_ptr<hostsim::Host> host_;
};

}  // namespace velmtest
