// The stop request of the packed variant: Alt-R during a run ends it after
// the current tuple, with the usual report.
#pragma once

namespace dialogue {

// Takes at most one key (or one two-part key) without blocking; Alt-R
// writes " Entering into stop mode ..., please wait" and sets the stop
// flag.  Other keys are consumed and ignored.
void poll_stop_request();

}  // namespace dialogue
