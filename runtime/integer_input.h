// Reading answers: one integer per read statement from an input channel
// (blanks and line ends skipped, the number's word ended by a blank), and
// the discarding of the rest of a line.  Improper input records io_error
// 106; the caller's check_io turns it into the failure report.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/text_channel.h"

namespace runtime {

// Skips tabs, blanks and line ends (refilling as needed, so an empty line
// makes it wait for the next one), takes the word up to the next blank
// (at most 255 bytes) and parses it.  Returns 0 and records 106 when the
// word is no integer or the input ended; 104 on an output channel, 103 on
// a closed one.  Does nothing while io_error is set.
std::int32_t read_integer(TextChannel& channel);

// Discards everything up to and including the next line end: CR LF, LF
// alone or CR alone.  At end of input it calls the flush slot and stops.
void end_read_line(TextChannel& channel);

// Decimal with an optional sign ("-2147483648" to "2147483647"; leading
// zeros are plain digits), "$" hexadecimal or "%" binary up to 32 bits
// (taken as the two's-complement pattern, so "$FFFFFFFF" is -1).  Nothing
// else: empty digits, other characters and values out of range give none.
std::optional<std::int32_t> parse_integer(std::string_view word);

}  // namespace runtime
