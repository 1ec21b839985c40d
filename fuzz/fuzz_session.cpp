#include "fuzz_session.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace velmfuzz {
namespace {

struct State {
  std::filesystem::path library;
  std::unique_ptr<velmsession::PluginSession> session;

  State() {
    char pattern[] = "/tmp/velm-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) {
      std::perror("velm-fuzz: temporary folder");
      std::abort();
    }
    library = pattern;
    std::string error;
    session = velmsession::PluginSession::Open(library, false, &error);
    if (!session) {
      std::fprintf(stderr, "velm-fuzz: the plug-in did not start: %s\n", error.c_str());
      std::abort();
    }
  }
  ~State() {
    session.reset();
    std::error_code ec;
    std::filesystem::remove_all(library, ec);
  }
};

State& TheState() {
  static State state;
  return state;
}

}  // namespace

velmsession::PluginSession& Session() {
  return *TheState().session;
}

std::filesystem::path LibraryFolder() {
  return TheState().library;
}

void WriteGroupFile(const char* group, const std::uint8_t* bytes, std::size_t size) {
  const std::filesystem::path path = LibraryFolder() / (std::string(group) + ".VEL");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  if (!out) std::abort();
}

}  // namespace velmfuzz
