#include "actions/actions.h"

namespace velm {

// Recording joins when the actions are registered with the host's action manager.
void RecordAction(std::int32_t code) {
  (void)code;
}

}  // namespace velm
