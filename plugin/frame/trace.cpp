#include "frame/trace.h"

namespace velm {

void Trace(const char* text) {
  (void)text;
}

}  // namespace velm
