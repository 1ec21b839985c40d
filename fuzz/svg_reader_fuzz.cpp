// Any bytes as an SVG document. What reads must be a scene the host opens; a refusal
// always says why.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "hostsim/core/document.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 18)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  hostsim::SvgDocument svg;
  std::string error;
  // Read as an import reads (gradient strokes as their outlines) or as the host opens.
  hostsim::SvgReadOptions options;
  options.outlineGradientStrokes = size % 2 == 1;
  if (!hostsim::ReadSvgText(text, "fuzz.svg", options, &svg, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (!hostsim::ReadScene(svg.scene, "fuzz.svg", &error)) std::abort();
  for (const hostsim::SvgSymbol& symbol : svg.symbols)
    if (!hostsim::ReadScene(symbol.scene, "fuzz.svg", &error)) std::abort();
  return 0;
}
