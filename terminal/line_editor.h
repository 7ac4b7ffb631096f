// The line editor: how a console input channel gets its next line.  Keys
// come one at a time through read_key and are echoed through put_char;
// the edited line, ended by CR LF, is left in the channel's buffer for the
// integer reader.
#pragma once

#include "runtime/text_channel.h"

namespace terminal {

// The input channel's transfer slot.  Edits a line in `channel`'s buffer
// (position the edit point, end its length) until Enter, which stores
// CR LF after it; then position is 0 and end the line's length.  Keys:
// printable and other bytes are stored at the edit point while it is below
// buffer_size - 2 (254 characters), else dropped unechoed; Backspace and
// Ctrl-S erase the last character, only at the end of the line; Esc and
// Ctrl-Y erase the whole line; Home, Left, Right and End move the edit
// point; Ctrl-Z and every other two-part key are dropped.
void terminal_read_line(runtime::TextChannel& channel);

}  // namespace terminal
