// The one set of experiment parameters that the dialogue writes and the
// tuple filling and generation tests read; see parameters.h.
#include "core/parameters.h"

namespace core {

Parameters parameters;

}  // namespace core
