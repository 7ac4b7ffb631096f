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

// Where a sequence longer than any key is cut off, unfinished, so that
// the keys after it are read again (key_decoder.cc).  The reading loop
// keeps at least this many bytes.
inline constexpr std::size_t kRunawayLimit = 4096;

// How long the line has been quiet since the last byte arrived.
enum class Quiet {
  kNo,     // more bytes may be on their way
  kShort,  // 30 ms: the bytes of one key always come closer together
  kLong,   // 500 ms: so do the pieces of a terminal's answer
};

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

// Decodes the key at the start of `bytes` (not empty).  An unfinished key
// is taken for what has arrived after a short quiet: ESC alone is the Esc
// key, ESC with '[', 'O' or a control string's introducer is Alt with that
// key, an unfinished UTF-8 character is '?'.  A sequence or control string
// that has gone further waits for the long quiet and then means no key.
// Until then those answer kNeedMore.
DecodedKey decode_key(std::span<const std::uint8_t> bytes, Quiet quiet);

}  // namespace platform::posix
