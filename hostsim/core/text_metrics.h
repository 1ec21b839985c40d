// How the document core measures text. The document core knows no fonts: the drawing
// district's text layout (hostsim/drawing/text_layout.h) answers for it.
#pragma once

#include "host/art_types.h"

namespace hostsim {

struct Art;

struct TextMetrics {
  // Whether the host knows the font (SetFont refuses any other name).
  bool (*knownFont)(const char* name) = nullptr;
  // The union of the boxes of the text's placed characters; false when it places none.
  bool (*textBounds)(const Art& text, host::RealRect* bounds) = nullptr;
};

// The stand-in host's text layout (hostsim/drawing/text_layout.cpp): what a document
// measures with unless it is given other metrics.
const TextMetrics* StandInTextMetrics();

}  // namespace hostsim
