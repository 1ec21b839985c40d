// How long the window takes to answer each kind of interaction: every frame's time, from
// the input that started it to the picture on the screen, gathered per kind and reported
// as the count, the median, the 99th percentile and the worst, in milliseconds.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace velmgui {

enum class Interaction {
  kStartUp,        // from the start to the first picture
  kHover,          // the pointer moved, no button down
  kDragMove,       // a record dragged over the screen
  kDrop,           // a record let go of (the placement and its picture)
  kScroll,         // the wheel over the document
  kZoom,           // Ctrl and the wheel over the document
  kPaletteScroll,  // the wheel over a palette
  kPress,          // a button pressed or let go of, a key
  kIdleTick,       // the host's clock moved with nothing else to do
};

class FrameStats {
 public:
  void Add(Interaction kind, double milliseconds);
  std::size_t count(Interaction kind) const { return Of(kind).size(); }
  // The value below which `share` (0 to 1) of the kind's frames lie (nearest rank);
  // 0 when none.
  double Percentile(Interaction kind, double share) const;
  // A table: one line per kind that was seen, "kind count median p99 worst".
  std::string Report() const;

 private:
  const std::vector<double>& Of(Interaction kind) const {
    return frames_[static_cast<std::size_t>(kind)];
  }
  std::array<std::vector<double>, 9> frames_;
};

}  // namespace velmgui
