#include "actions/actions.h"

namespace velm {

void RecordAction(std::int32_t /*code*/) {
  // Nothing is recorded until the recordable actions are registered with the host.
}

}  // namespace velm
