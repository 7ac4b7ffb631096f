// A real console for the tests of the Windows console backend: the test
// process gives up whatever console it was started with and makes one of
// its own (under wine: a console without a window), sized, cleared and
// read back cell by cell.  Standard handles stay where the test runner
// put them.
#pragma once

#include <windows.h>

#include <string>

namespace real_console {

// Attaches the process to a console of its own, made on the first call
// and kept for the later ones; false when none can be made.
bool attach();

// Leaves the process without a console, as a program started with pipes
// and no console is.
void detach();

// The console's screen buffer and input queue, opened by name; the handles
// may be inherited by child processes.  INVALID_HANDLE_VALUE without a
// console.
HANDLE open_screen();
HANDLE open_input();

// Makes the screen buffer `width` x `height` cells of blanks in attribute
// 7 with the cursor at 0-based (x, y), and empties the input queue.
bool reset(HANDLE screen, HANDLE input, int width, int height, int x = 0,
           int y = 0);

// The character and attribute of one cell.
CHAR_INFO cell(HANDLE screen, int x, int y);

// The screen as the simulated console of the tests prints it: each row up
// to the last that is not blank, trailing blanks dropped, bytes outside
// 32..126 as \xHH, each row ended by "\n"; then "[cursor x,y]\n", 1-based.
std::string screen_text(HANDLE screen);

// The text of row `y` left of column `x`.
std::string text_left_of(HANDLE screen, int x, int y);

// Queues a key press and its release for each character of `text` as a
// US keyboard types it, '\n' as the Enter key; false when the console
// refuses them.
bool type(HANDLE input, const std::string& text);

}  // namespace real_console
