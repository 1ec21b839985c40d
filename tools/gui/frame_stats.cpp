#include "frame_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmgui {
namespace {

constexpr const char* kNames[] = {"start-up", "hover",          "drag move", "drop",     "scroll",
                                  "zoom",     "palette scroll", "press",     "idle tick"};

}  // namespace

void FrameStats::Add(Interaction kind, double milliseconds) {
  frames_[static_cast<std::size_t>(kind)].push_back(milliseconds);
}

double FrameStats::Percentile(Interaction kind, double share) const {
  std::vector<double> v = Of(kind);
  if (v.empty()) return 0;
  const double rank = std::ceil(std::clamp(share, 0.0, 1.0) * static_cast<double>(v.size()));
  const std::size_t i = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end());
  return v[i];
}

std::string FrameStats::Report() const {
  std::string out = "kind            count  median ms   p99 ms  worst ms\n";
  char line[128];
  for (std::size_t k = 0; k < frames_.size(); ++k) {
    const auto kind = static_cast<Interaction>(k);
    if (frames_[k].empty()) continue;
    std::snprintf(line, sizeof line, "%-14s %6zu %10.2f %8.2f %9.2f\n", kNames[k],
                  frames_[k].size(), Percentile(kind, 0.5), Percentile(kind, 0.99),
                  Percentile(kind, 1.0));
    out += line;
  }
  return out;
}

}  // namespace velmgui
