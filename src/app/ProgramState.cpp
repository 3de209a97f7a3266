#include "app/ProgramState.h"

namespace pelorin {

ProgramState& Program() {
  static ProgramState state;
  return state;
}

}  // namespace pelorin
