// The console terminal layer of quintrel: started once by the runtime's
// start-up, it finds the console screen and rebinds the output channel (and
// the input channel, when input comes from the console) to slots that draw
// and edit on it.  The standard output and error channels are left alone.
#pragma once

#include "runtime/text_channel.h"

namespace terminal {

// Finds the screen (standard output, else the console opened by name),
// reads its cursor, attribute and size, and binds the output channel to
// the layer.  The input channel is bound to the line editor when standard
// input is console input; otherwise (a file or a pipe) it stays on the
// standard handle, read as it is.  Makes the exit sequence give the
// console back.  With no console: "No way to get the console handle" on
// standard error and exit code 1; with one that cannot be queried: "No way
// to get console screen buffer info", exit code 1.
void terminal_start();

// Resets `channel` (bind_channel) and makes terminal_open its open slot.
void bind_terminal(runtime::TextChannel& channel);

}  // namespace terminal
