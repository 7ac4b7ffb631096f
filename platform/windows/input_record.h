// The translation of a console input record into the platform's input
// event, kept apart from the console calls so that tests can feed it the
// records a console delivers.  Used only by the Windows backend.
#pragma once

#include "platform/console.h"

struct _INPUT_RECORD;  // INPUT_RECORD of <windows.h>, kept out of headers

namespace platform {

// The event that `record` describes: its kind, and for a key event
// (KEY_EVENT) the press or release, the virtual key and scan codes, the
// character byte (0 for none) and the control key state.  Other kinds
// keep their type and carry zeros, whatever their own fields hold.
InputEvent input_event_from(const _INPUT_RECORD& record);

}  // namespace platform
