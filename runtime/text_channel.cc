// Text channels: binding, opening and closing, the buffer discipline of the
// write primitives, and the standard slots that move bytes through the
// platform's standard handles.
#include "runtime/text_channel.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/standard_io.h"
#include "runtime/number_format.h"
#include "runtime/run_time_error.h"

namespace runtime {

std::uint16_t io_error = 0;

TextChannel input_channel;
TextChannel output_channel;
TextChannel standard_output_channel;
TextChannel standard_error_channel;

namespace {

// Channels can only be opened by name through this slot, and this system
// opens none: the request fails as a missing file would.
void default_open(TextChannel&) { io_error = platform::error::kFileNotFound; }

void record_system_error() {
  io_error = map_system_error(platform::last_error());
}

void standard_write(TextChannel& channel) {
  const auto waiting = static_cast<std::uint32_t>(channel.position);
  channel.position = 0;
  if (waiting == 0) return;
  std::uint32_t written = 0;
  if (!platform::write_file(channel.handle, channel.buffer_ref, waiting,
                            written))
    record_system_error();
  else if (written != waiting)
    io_error = error::kDiskFull;
}

void standard_read(TextChannel& channel) {
  std::uint32_t got = 0;
  const bool ok = platform::read_file(
      channel.handle, channel.buffer_ref,
      static_cast<std::uint32_t>(channel.buffer_size), got);
  channel.end = static_cast<std::int32_t>(got);
  channel.position = 0;
  if (!ok) record_system_error();
}

void standard_close(TextChannel& channel) {
  if (platform::file_type(channel.handle) != platform::FileType::kChar)
    platform::close_handle(channel.handle);
  channel.handle = platform::kNoHandle;
}

bool is_standard_handle(platform::Handle handle) {
  return handle == platform::standard_handle(platform::StandardHandle::kInput) ||
         handle ==
             platform::standard_handle(platform::StandardHandle::kOutput) ||
         handle == platform::standard_handle(platform::StandardHandle::kError);
}

void open_in_mode(TextChannel& channel, ChannelMode mode) {
  if (io_error != 0) return;
  if (channel.mode == ChannelMode::kInput ||
      channel.mode == ChannelMode::kOutput) {
    close_channel(channel);
  } else if (channel.mode != ChannelMode::kClosed) {
    io_error = error::kFileNotAssigned;
    return;
  }
  channel.mode = mode;
  channel.position = 0;
  channel.end = 0;
  channel.open_slot(channel);
  if (io_error != 0) channel.mode = ChannelMode::kClosed;
}

// The common entry check of the write primitives.
bool writable(const TextChannel& channel) {
  if (io_error != 0) return false;
  if (channel.mode == ChannelMode::kOutput) return true;
  io_error = channel.mode == ChannelMode::kInput ? error::kNotOpenForOutput
                                                 : error::kFileNotOpen;
  return false;
}

// Copies bytes into the buffer, transferring whenever it is full and more
// is to come; the last piece stays in the buffer even when it fills it.
void write_block(TextChannel& channel, const char* data, std::int32_t count) {
  while (count > channel.buffer_size - channel.position) {
    const std::int32_t room = channel.buffer_size - channel.position;
    std::memcpy(channel.buffer_ref + channel.position, data, room);
    channel.position += room;
    data += room;
    count -= room;
    channel.transfer_slot(channel);
  }
  std::memcpy(channel.buffer_ref + channel.position, data, count);
  channel.position += count;
}

void write_blanks(TextChannel& channel, std::int32_t count) {
  static constexpr std::array<char, kBufferSize> kBlanks = [] {
    std::array<char, kBufferSize> blanks{};
    blanks.fill(' ');
    return blanks;
  }();
  while (count > 0) {
    const std::int32_t piece = std::min(count, kBufferSize);
    write_block(channel, kBlanks.data(), piece);
    count -= piece;
  }
}

}  // namespace

std::uint16_t map_system_error(std::uint32_t code) {
  if (code >= platform::error::kWriteProtect &&
      code <= platform::error::kGenFailure)
    return static_cast<std::uint16_t>(code - platform::error::kWriteProtect +
                                      error::kFirstCriticalError);
  if (code == platform::error::kSharingViolation)
    return platform::error::kAccessDenied;
  return static_cast<std::uint16_t>(code);
}

void bind_channel(TextChannel& channel, std::string_view name) {
  std::memset(&channel, 0, sizeof channel);
  channel.handle = platform::kNoHandle;
  channel.mode = ChannelMode::kClosed;
  channel.buffer_size = kBufferSize;
  channel.buffer_ref = channel.buffer;
  channel.open_slot = default_open;
  const std::size_t kept = std::min(name.size(), sizeof channel.name - 1);
  std::memcpy(channel.name, name.data(), kept);
}

void open_standard_channel(TextChannel& channel, ChannelMode mode,
                           platform::Handle handle) {
  bind_channel(channel, "");
  if (mode != ChannelMode::kInput && mode != ChannelMode::kOutput)
    raise_run_time_error(
        error::kFileNotAssigned,
        reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
  channel.handle = handle;
  channel.mode = mode;
  channel.close_slot = standard_close;
  if (mode == ChannelMode::kInput) {
    channel.transfer_slot = standard_read;
  } else {
    channel.transfer_slot = standard_write;
    channel.flush_slot = standard_write;
  }
}

void open_for_output(TextChannel& channel) {
  open_in_mode(channel, ChannelMode::kOutput);
}

void open_for_input(TextChannel& channel) {
  open_in_mode(channel, ChannelMode::kInput);
}

void close_channel(TextChannel& channel) {
  if (io_error != 0) return;
  if (channel.mode != ChannelMode::kInput &&
      channel.mode != ChannelMode::kOutput) {
    io_error = error::kFileNotOpen;
    return;
  }
  if (channel.mode == ChannelMode::kOutput) channel.transfer_slot(channel);
  if (!is_standard_handle(channel.handle)) channel.close_slot(channel);
  channel.mode = ChannelMode::kClosed;
  channel.position = 0;
  channel.end = 0;
}

void bind_standard_channels() {
  using platform::StandardHandle;
  const platform::Handle input =
      platform::standard_handle(StandardHandle::kInput);
  const platform::Handle output =
      platform::standard_handle(StandardHandle::kOutput);
  const platform::Handle error =
      platform::standard_handle(StandardHandle::kError);
  open_standard_channel(input_channel, ChannelMode::kInput, input);
  open_standard_channel(output_channel, ChannelMode::kOutput, output);
  open_standard_channel(standard_output_channel, ChannelMode::kOutput, output);
  open_standard_channel(standard_error_channel, ChannelMode::kOutput, error);
  io_error = 0;
}

void write_string(TextChannel& channel, std::int32_t width,
                  std::string_view text) {
  if (!writable(channel)) return;
  const auto length = static_cast<std::int32_t>(text.size());
  if (length < width) write_blanks(channel, width - length);
  write_block(channel, text.data(), length);
}

void write_integer(TextChannel& channel, std::int32_t width,
                   std::int32_t value) {
  write_string(channel, width, format_integer(value).view());
}

void write_char(TextChannel& channel, std::int32_t width, char byte) {
  if (!writable(channel)) return;
  if (width > 1) write_blanks(channel, width - 1);
  if (channel.position + 1 >= channel.buffer_size)
    channel.transfer_slot(channel);
  channel.buffer_ref[channel.position++] = static_cast<std::uint8_t>(byte);
}

void write_real(TextChannel& channel, std::int32_t width,
                std::int32_t decimals, double value) {
  write_string(channel, width, format_real(value, width, decimals).view());
}

void end_write(TextChannel& channel) {
  if (channel.flush_slot != nullptr) channel.flush_slot(channel);
}

void end_write_line(TextChannel& channel) {
  if (!writable(channel)) return;
  write_block(channel, "\r\n", 2);
  if (channel.flush_slot != nullptr) channel.flush_slot(channel);
}

}  // namespace runtime
