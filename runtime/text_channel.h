// Text channels: the record behind every console stream (device handle,
// 256-byte buffer, position, four replaceable operation slots), the four
// channels of the process, their binding to the standard handles, and the
// write primitives.  Failures are recorded in io_error, never thrown; the
// check after each statement (run_time_error.h) reports them.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/handle.h"

namespace runtime {

enum class ChannelMode : std::uint32_t {
  kClosed = 0xD7B0,
  kInput = 0xD7B1,
  kOutput = 0xD7B2,
};

inline constexpr std::int32_t kBufferSize = 256;

struct TextChannel;
using ChannelSlot = void (*)(TextChannel& channel);

struct TextChannel {
  platform::Handle handle;  // platform::kNoHandle when there is none
  ChannelMode mode;
  std::int32_t buffer_size;  // capacity in use: kBufferSize
  std::int32_t position;     // output: bytes waiting; input: next unread
  std::int32_t end;          // input: number of valid bytes in the buffer
  std::uint8_t* buffer_ref;  // always this record's own buffer
  ChannelSlot open_slot;      // called by open_for_output / open_for_input
  ChannelSlot transfer_slot;  // output: deliver; input: refill
  ChannelSlot flush_slot;     // end of every write statement; may be null
  ChannelSlot close_slot;     // releases the handle
  char name[256];
  std::uint8_t buffer[kBufferSize];
};

// The pending input/output error, 0 when none; cleared only by check_io.
extern std::uint16_t io_error;

// The four channels of every process.  The standard output channel carries
// the failure report and is never rebound; the terminal layer may rebind
// the input and output channels.
extern TextChannel input_channel;
extern TextChannel output_channel;
extern TextChannel standard_output_channel;
extern TextChannel standard_error_channel;

// Resets the whole record: no handle, closed, 256-byte buffer, default
// open slot, the given name (at most 255 bytes kept).
void bind_channel(TextChannel& channel, std::string_view name);

// Binds `channel` to a standard handle in `mode` (input or output) with
// the standard slots.  Any other mode is run-time error 102 at once.
void open_standard_channel(TextChannel& channel, ChannelMode mode,
                           platform::Handle handle);

// Open a bound channel through its open slot; an open channel is closed
// first.  Nothing happens while io_error is set; 102 for a corrupt mode.
void open_for_output(TextChannel& channel);
void open_for_input(TextChannel& channel);

// Delivers what waits, releases the handle unless it is a standard one,
// and marks the channel closed; 103 when it was not open.
void close_channel(TextChannel& channel);

// Binds the four channels to the standard handles (input, output, output,
// error) and clears io_error.  The first step of start-up.
void bind_standard_channels();

// Write primitives: right-justify their text in `width` (a longer text is
// never cut) and append it to the buffer.  Nothing happens while io_error
// is set; 105 on an input channel, 103 on a closed one.  `text` holds at
// most 255 bytes.
void write_string(TextChannel& channel, std::int32_t width,
                  std::string_view text);
void write_integer(TextChannel& channel, std::int32_t width,
                   std::int32_t value);
void write_char(TextChannel& channel, std::int32_t width, char byte);
void write_real(TextChannel& channel, std::int32_t width,
                std::int32_t decimals, double value);

// Statement ends.  end_write calls the flush slot whatever the state;
// end_write_line first appends CR LF.  After either, nothing is pending.
void end_write(TextChannel& channel);
void end_write_line(TextChannel& channel);

// Maps an operating-system error code to the io_error code: 19..31 become
// 150..162, 32 becomes 5, every other code stays.
std::uint16_t map_system_error(std::uint32_t code);

}  // namespace runtime
