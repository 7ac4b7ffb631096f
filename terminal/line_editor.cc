// The line editor.  Moving left draws backspaces, which stop at the left
// edge of the row; moving right redraws the characters passed over.  So on
// a line that has wrapped, the screen's cursor and the edit point can part,
// and a character typed then lands where the screen's cursor is.
#include "terminal/line_editor.h"

#include "terminal/key_events.h"
#include "terminal/screen.h"

namespace terminal {
namespace {

constexpr std::uint8_t kHome = 71;
constexpr std::uint8_t kLeft = 75;
constexpr std::uint8_t kRight = 77;
constexpr std::uint8_t kEnd = 79;

// Deletes the last character, but only with the edit point at the end.
void erase_last(runtime::TextChannel& channel) {
  if (channel.position == 0 || channel.position != channel.end) return;
  put_char(8);
  put_char(' ');
  put_char(8);
  --channel.position;
  --channel.end;
}

void move_by_key(runtime::TextChannel& channel, std::uint8_t code) {
  switch (code) {
    case kHome:
      while (channel.position > 0) {
        --channel.position;
        put_char(8);
      }
      break;
    case kLeft:
      if (channel.position > 0) {
        --channel.position;
        put_char(8);
      }
      break;
    case kRight:
      if (channel.position < channel.end)
        put_char(channel.buffer_ref[channel.position++]);
      break;
    case kEnd:
      while (channel.position < channel.end)
        put_char(channel.buffer_ref[channel.position++]);
      break;
    default:  // Alt-R, function keys, Up, Down, Ins, Del, ...: dropped
      break;
  }
}

}  // namespace

void terminal_read_line(runtime::TextChannel& channel) {
  channel.position = 0;
  channel.end = 0;
  for (;;) {
    if (channel.position > channel.end) channel.end = channel.position;
    place_cursor();
    const std::uint8_t key = read_key();
    if (key == 0) {
      move_by_key(channel, read_key());
    } else if (key == 8 || key == 19) {  // Backspace, Ctrl-S
      erase_last(channel);
    } else if (key == 13) {
      put_char(13);
      put_char(10);
      channel.buffer_ref[channel.end] = 13;
      channel.buffer_ref[channel.end + 1] = 10;
      channel.end += 2;
      break;
    } else if (key == 25 || key == 27) {  // Ctrl-Y, Esc
      channel.position = channel.end;
      while (channel.end > 0) erase_last(channel);
    } else if (key == 26) {  // Ctrl-Z
    } else if (channel.position < channel.buffer_size - 2) {
      channel.buffer_ref[channel.position++] = key;
      put_char(key);
    }
  }
  channel.position = 0;
  place_cursor();
}

}  // namespace terminal
