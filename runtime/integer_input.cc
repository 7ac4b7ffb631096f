// Integer answers and line ends on an input channel.  The channel refills
// through its transfer slot whenever its buffer is used up, so a console
// waits for the next typed line exactly where the reader needs more bytes.
#include "runtime/integer_input.h"

#include "runtime/error_codes.h"

namespace runtime {
namespace {

constexpr int kMaxWord = 255;

bool is_blank(std::uint8_t byte) {
  return byte == '\t' || byte == '\n' || byte == '\r' || byte == ' ';
}

// The entry check of the read primitives; false when nothing may be read.
bool readable(const TextChannel& channel) {
  if (io_error != 0) return false;
  if (channel.mode == ChannelMode::kInput) return true;
  io_error = channel.mode == ChannelMode::kOutput ? error::kNotOpenForInput
                                                  : error::kFileNotOpen;
  return false;
}

// Steps over the byte at `position`, refilling at once when it was the
// last one in the buffer.
void advance(TextChannel& channel) {
  ++channel.position;
  if (channel.position >= channel.end) channel.transfer_slot(channel);
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 99;
}

}  // namespace

std::optional<std::int32_t> parse_integer(std::string_view word) {
  std::size_t i = 0;
  bool minus = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-'))
    minus = word[i++] == '-';
  std::uint32_t base = 10;
  std::uint64_t limit = minus ? 2147483648u : 2147483647u;
  if (i < word.size() && (word[i] == '$' || word[i] == '%')) {
    base = word[i++] == '$' ? 16 : 2;
    limit = 0xFFFFFFFFu;
  }
  if (i == word.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; i < word.size(); ++i) {
    const auto digit = static_cast<std::uint32_t>(digit_value(word[i]));
    if (digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > limit) return std::nullopt;
  }
  // Hexadecimal and binary values of 2^31 and more are bit patterns;
  // the unsigned negation keeps -$80000000 defined.
  auto bits = static_cast<std::uint32_t>(value);
  if (minus) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

std::int32_t read_integer(TextChannel& channel) {
  if (!readable(channel)) return 0;
  if (channel.position >= channel.end) channel.transfer_slot(channel);
  // Blanks and line ends before the number are passed over, so an empty
  // line makes the reader wait for the next one; they are not part of it.
  while (channel.position < channel.end &&
         is_blank(channel.buffer_ref[channel.position]))
    advance(channel);
  char word[kMaxWord];
  int length = 0;
  while (length < kMaxWord && channel.position < channel.end &&
         !is_blank(channel.buffer_ref[channel.position])) {
    word[length++] = static_cast<char>(channel.buffer_ref[channel.position]);
    advance(channel);
  }
  if (io_error != 0) return 0;  // a failed refill is the first error
  const std::optional<std::int32_t> value =
      parse_integer(std::string_view(word, static_cast<std::size_t>(length)));
  if (!value) {
    io_error = error::kInvalidInput;
    return 0;
  }
  return *value;
}

void end_read_line(TextChannel& channel) {
  if (!readable(channel)) return;
  auto exhausted = [&channel] {
    if (channel.position < channel.end) return false;
    channel.transfer_slot(channel);
    if (channel.position < channel.end) return false;
    if (channel.flush_slot != nullptr) channel.flush_slot(channel);
    return true;
  };
  if (exhausted()) return;
  for (;;) {
    const std::uint8_t byte = channel.buffer_ref[channel.position++];
    if (byte == '\n') return;
    if (exhausted()) return;
    if (byte == '\r') {
      if (channel.buffer_ref[channel.position] == '\n') ++channel.position;
      return;
    }
  }
}

}  // namespace runtime
