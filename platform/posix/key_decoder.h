// Bytes from a terminal to console key events, as a pure function: the
// reading loop (console_input.cc) feeds it what has arrived and tells it
// when the line has gone quiet, so that every sequence can be tested from a
// table.  Only key presses come out; a terminal sends no releases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/console.h"

namespace platform::posix {

struct DecodedKey {
  enum class Status {
    kKey,       // `event` holds a key made of the first `consumed` bytes
    kNoKey,     // the first `consumed` bytes mean no key (an unknown or
                // malformed sequence, a late cursor position report)
    kNeedMore,  // the bytes begin a sequence that is not complete yet
  };
  Status status;
  std::size_t consumed;  // 0 with kNeedMore
  InputEvent event;
};

// Decodes the key at the start of `bytes` (not empty).  `quiet`: no more
// bytes are on their way (about 30 ms passed since the last arrived), so an
// unfinished sequence is taken for what has arrived: ESC alone is the Esc
// key, ESC with '[' or 'O' is Alt with that key, a longer unfinished escape
// sequence means no key, an unfinished UTF-8 character is '?'.  Without
// `quiet` those answer kNeedMore.
DecodedKey decode_key(std::span<const std::uint8_t> bytes, bool quiet);

// The key event that typing printable ASCII `character` (32 to 126) gives
// on a US PC keyboard: virtual key code, set 1 scan code, SHIFT_PRESSED for
// the upper row of a key.
InputEvent character_key(std::uint8_t character);

}  // namespace platform::posix
