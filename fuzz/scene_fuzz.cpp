// Any bytes as a scene (the stand-in host's JSON documents). A scene that reads must be
// written and read back to the same scene.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "hostsim/core/document.h"
#include "hostsim/scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 18)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  std::unique_ptr<hostsim::Document> document = hostsim::ReadSceneText(text, "fuzz", &error);
  if (!document) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const nlohmann::json written = hostsim::WriteScene(*document);
  std::unique_ptr<hostsim::Document> again =
      hostsim::ReadSceneText(written.dump(), "again", &error);
  if (!again || hostsim::WriteScene(*again) != written) std::abort();
  return 0;
}
