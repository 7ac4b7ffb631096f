// Key events: console input events turned into key bytes.  A key is one
// byte (its character) or a two-part key, 0 followed by a code: keys
// without a character, keys pressed with the left Alt key, enhanced keys.
// Alt-R is 0 then 19; key_codes.h names the keys.  The console is read
// through the input channel's handle; what the events look like is the
// platform's business.
#pragma once

#include <cstdint>

namespace terminal {

struct KeyState {
  std::uint8_t pending_key = 0;      // the key held for read_key; 0: none
  bool extended_pending = false;     // its 0 byte has not been read yet
  bool alt_entry_active = false;     // an Alt-keypad entry is under way
  std::uint8_t alt_entry_value = 0;  // its value so far, modulo 256
};

// The program's one key state; zero at program load.
extern KeyState key_state;

// True when a key is ready, without waiting and without losing it: takes
// console events until one gives a key, which is then held (and the events
// behind it stay queued).  Lone modifier keys, releases (but the Alt
// release that ends an Alt-keypad entry), keypad digits typed with Alt and
// events other than keys are consumed and give none.  False when the
// input is no console input.
bool key_waiting();

// The next key byte: pauses 1 ms, then asks key_waiting, until a key is
// there.  A two-part key gives 0 on this call and its code on the next.
std::uint8_t read_key();

// The code of a two-part key from its scan code, control key state and
// virtual key code, by the modifier class (Alt, else Ctrl, else Shift,
// else none) and the scan code: F1 is 59, Alt-F1 104, Ctrl-Home 119.  A
// keypad digit with Alt adds to the Alt-keypad entry first.
std::uint8_t extended_code(std::uint16_t scan_code,
                           std::uint32_t control_key_state,
                           std::uint16_t virtual_key_code);

}  // namespace terminal
