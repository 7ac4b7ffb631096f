// The stop request.  Keys reach the program only through the console
// terminal layer; until a program has one, there is no key to see and the
// poll returns at once.
#include "dialogue/stop_request.h"

namespace dialogue {

void poll_stop_request() {}

}  // namespace dialogue
