// Which key a byte or a piece of an escape sequence names, as the console
// key event a US PC keyboard gives: Windows virtual key code, set 1 scan
// code, character and modifiers.  Where a sequence begins and ends, and
// which piece is which, is the decoder's (key_decoder.cc).
#pragma once

#include <cstdint>

#include "platform/console.h"

namespace platform::posix {

// The key event that typing printable ASCII `character` (32 to 126) gives
// on a US PC keyboard: virtual key code, set 1 scan code, SHIFT_PRESSED for
// the upper row of a key.
InputEvent character_key(std::uint8_t character);

// A character typed with no key of a US keyboard behind it (one of the
// code page's upper half, or '?' for a character it lacks): the character
// alone, with no virtual key or scan code.
InputEvent text_key(std::uint8_t character);

// The key of control byte `byte` (0 to 31): NUL Ctrl-Space, BS Backspace,
// TAB Tab, CR Enter, ESC Esc, 28..31 Ctrl with \ ] ^ _, the others Ctrl
// with their letter (LF, 10, is Ctrl-J).
InputEvent control_key(std::uint8_t byte);

// F1..F12, `number` 1 to 12.
InputEvent function_key(int number);

// The modifier bits of xterm's parameter m: 1 + Shift 1 + Alt 2 + Ctrl 4
// + Meta 8, Meta taken as Alt.  0 for m outside 2..16.
std::uint32_t modifier_state(int m);

// The key named by letter `final` after CSI or SS3: A..D Up Down Right
// Left, H Home, F End, E keypad 5, P..S F1..F4.  Virtual key code 0 marks a
// letter that names none of them.
InputEvent letter_key(std::uint8_t final);

// The key of CSI n ~ into `event`: 1 and 7 Home, 2 Ins, 3 Del, 4 and 8
// End, 5 PgUp, 6 PgDn, 11..15 F1..F5, 17..21 F6..F10, 23 F11, 24 F12.
// False, `event` untouched, for any other n.
bool tilde_key(int n, InputEvent& event);

// The application keypad key of SS3 `final` into `event`: M Enter, j..o
// * + , - . /, p..y 0..9.  False, `event` untouched, for any other byte.
bool keypad_key(std::uint8_t final, InputEvent& event);

}  // namespace platform::posix
