#include "common/host_fixture.h"

#include <atomic>
#include <random>

#include "entry/plugin_main.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "platform/host_binding.h"
#include "resources/resource_table.h"

namespace velmtest {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("velm-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void HostTest::SetUp() {
  host_ = std::make_unique<hostsim::Host>(VELM_MODULE_PATH, drive_.path().string());
  host_->SetFailureHandler([](const std::string& what) { ADD_FAILURE() << "host: " << what; });
  ASSERT_TRUE(host_->LoadModule()) << host_->loadError();
}

void HostTest::UseInProcessPlugin() {
  host_->UseInProcessPlugin(
      [](const char* caller, const char* selector, void* message) {
        return velm::PluginMainImpl(caller, selector, message);
      },
      &velm::res::Resources());
}

std::vector<std::string> HostTest::HeldTableSuites() {
  std::vector<std::string> held;
  for (const std::string& s : host_->suites().Unbalanced())
    if (s.rfind("VELM Platform Suite", 0) != 0 && s.rfind("VELM Desktop Suite", 0) != 0)
      held.push_back(s);
  return held;
}

void HostTest::TearDown() {
  // The in-process plug-in keeps its statics between tests: leave them as a fresh
  // module would have them.
  velm::platform::DetachHost();
  velm::suiteNesting = 0;
  velm::gGlobals = nullptr;
  host_.reset();
}

}  // namespace velmtest
