// The stop request of the packed variant: Alt-R during a run ends it after
// the current tuple, with the usual report.  The keys come from the
// terminal layer, which the program's start-up connects here; a program
// without one (tolvaric) never sees a key.
#pragma once

#include <cstdint>

namespace dialogue {

// The key operations the poll reads through: whether a key waits (never
// blocking), and the next key byte, Alt-R being 0 then 19.
using KeyWaiting = bool (*)();
using ReadKey = std::uint8_t (*)();
void connect_stop_keys(KeyWaiting key_waiting, ReadKey read_key);

// Called as every run starts: the run's first poll asks the console, and
// the pace of its tuples is learnt afresh.
void start_stop_polling();

namespace stop_detail {
extern std::int32_t countdown;  // polls left until the tick count is read
void poll_due();
}  // namespace stop_detail

// Called after every `tuples` tuples, which tuples_before_poll() must not
// exceed.  Takes at most one key (or one two-part key) without blocking;
// Alt-R writes " Entering into stop mode ..., please wait" as a line and
// sets the stop flag.  Other keys are consumed and ignored.  The console
// is asked about keys at most about once per millisecond (once per tuple
// when tuples are slower), and at the first tuple of every run; between,
// the poll is an inline countdown step.
inline void poll_stop_request(std::int32_t tuples = 1) {
  stop_detail::countdown -= tuples;
  if (stop_detail::countdown <= 0) stop_detail::poll_due();
}

// The tuples until the poll next looks at the clock (1 or more): a run in
// batches ends a batch there, so that the poll sees the same tuples as
// one made after every tuple.
inline std::int32_t tuples_before_poll() { return stop_detail::countdown; }

}  // namespace dialogue
